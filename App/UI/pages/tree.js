// What a scan found, as the pages hold it: one node per entity with where it is in the scan's
// document (result index, then entity indexes) and whether it is ticked (true, false, or null
// when only some of its children are); and its rendering as an expandable tree. Only what is
// open is in the page, and a level shows its largest entries first, a page at a time, so a large
// tree costs what is shown of it.

export const kPageOfRows = 200;

export function formatSize(bytes) {
  const units = ["B", "KB", "MB", "GB", "TB"];
  let value = bytes, unit = 0;
  while (value >= 1000 && unit < units.length - 1) { value /= 1000; unit++; }
  return (unit === 0 ? String(value) : value.toFixed(1)) + " " + units[unit];
}

// A module of the user's own files starts with nothing ticked, as the command line does.
function makeNode(entity, path, ownFiles, parent) {
  const node = { entity, path, checked: entity.autoselected && !ownFiles, open: false, parent, shown: kPageOfRows };
  node.children = (entity.children || []).map((child, i) => makeNode(child, path.concat(i), ownFiles, node));
  if (node.children.length) node.checked = summarise(node.children);
  return node;
}

// A scan document's results as tasks of nodes.
export function makeTasks(scanDocument, ownFiles) {
  return scanDocument.result.results.map((result, r) => ({
    name: result.displayName || result.identifier,
    size: result.size,
    error: result.error ? result.error.description : null,
    open: result.items.length > 0,
    shown: kPageOfRows,
    nodes: result.items.map((item, i) => makeNode(item, [r, i], ownFiles, null)),
  }));
}

function summarise(children) {
  if (!children.length) return false;
  const all = children.every((c) => c.checked === true);
  const none = children.every((c) => c.checked === false);
  return all ? true : none ? false : null;
}

function setChecked(node, checked) {
  node.checked = checked;
  node.children.forEach((c) => setChecked(c, checked));
}

function refreshAncestors(node) {
  for (let p = node.parent; p; p = p.parent) p.checked = summarise(p.children);
}

export function selectedSize(nodes) {
  let total = 0;
  for (const n of nodes) {
    if (n.checked === true) total += n.entity.size;
    else if (n.checked === null) total += selectedSize(n.children);
  }
  return total;
}

// The index paths of what is ticked: a fully ticked entity stands for its whole tree.
export function chosenPaths(nodes, into = []) {
  for (const n of nodes) {
    if (n.checked === true) into.push(n.path);
    else if (n.checked === null) chosenPaths(n.children, into);
  }
  return into;
}

// Takes a node out of what is shown (it is on the ignore list now); its siblings keep their
// index paths, which name entities of the scan, not places in this tree.
export function dropNode(tasks, node) {
  const task = tasks[node.path[0]];
  const siblings = node.parent ? node.parent.children : task.nodes;
  siblings.splice(siblings.indexOf(node), 1);
  task.size -= node.entity.size;
  for (let p = node.parent; p; p = p.parent) p.entity.size -= node.entity.size;
  if (node.parent) {
    node.parent.checked = summarise(node.parent.children);
    refreshAncestors(node.parent);
  }
}

// A path with the home written as "~", as the command line shows it.
export function label(entity, home) {
  const text = entity.path || entity.value || entity.class;
  if (home && (text === home || text.startsWith(home + "/"))) return "~" + text.slice(home.length);
  return text;
}

// Draws `tasks` into `container`. `view` holds what the toolbar says (sort, filter), the home,
// what to call back on a change, and the row menu's actions (none for a read-only tree).
export function renderTasks(container, tasks, view) {
  container.replaceChildren();
  const filter = view.filter.trim().toLowerCase();
  const name = (node) => label(node.entity, view.home);
  const matches = (node) => !filter || name(node).toLowerCase().includes(filter) || node.children.some(matches);
  const ordered = (nodes) => {
    const copy = nodes.filter(matches);
    if (view.sort === "name") copy.sort((a, b) => name(a) < name(b) ? -1 : name(a) > name(b) ? 1 : 0);
    else copy.sort((a, b) => b.entity.size - a.entity.size);
    return copy;
  };

  const renderNodes = (into, nodes, owner) => {
    const shown = ordered(nodes);
    for (const node of shown.slice(0, owner.shown)) {
      const row = document.createElement("div");
      row.className = "row" + (node === view.highlight ? " highlight" : "");
      row.setAttribute("role", "treeitem");
      row.dataset.path = node.path.join(".");
      const toggle = document.createElement("button");
      toggle.type = "button";
      toggle.className = "toggle";
      if (node.children.length) {
        toggle.textContent = node.open ? "−" : "+";
        toggle.setAttribute("aria-expanded", String(node.open));
        toggle.setAttribute("aria-label", (node.open ? "Close " : "Open ") + name(node));
        toggle.addEventListener("click", () => { node.open = !node.open; view.changed(); });
      } else {
        toggle.disabled = true;
        toggle.setAttribute("aria-hidden", "true");
      }
      const box = document.createElement("input");
      box.type = "checkbox";
      box.checked = node.checked === true;
      box.indeterminate = node.checked === null;
      box.setAttribute("aria-label", "Remove " + name(node));
      box.addEventListener("change", () => { setChecked(node, box.checked); refreshAncestors(node); view.changed(); });
      const size = document.createElement("span");
      size.className = "size";
      size.textContent = formatSize(node.entity.size);
      const text = document.createElement("span");
      text.className = "name";
      text.textContent = name(node);
      row.append(toggle, box, size, text);
      if (view.menu && (view.menu.ignore || node.entity.path)) row.append(rowMenu(node, view));
      into.append(row);
      if (node.open && node.children.length) {
        const children = document.createElement("div");
        children.className = "children";
        children.setAttribute("role", "group");
        renderNodes(children, node.children, node);
        into.append(children);
      }
    }
    if (shown.length > owner.shown) {
      const more = document.createElement("button");
      more.type = "button";
      more.className = "more";
      const left = shown.length - owner.shown;
      more.textContent = `Show ${Math.min(left, kPageOfRows)} more (${left} not shown)`;
      more.addEventListener("click", () => { owner.shown += kPageOfRows; view.changed(); });
      into.append(more);
    }
  };

  for (const task of tasks) {
    const details = document.createElement("details");
    details.className = "task";
    details.open = task.open;
    details.addEventListener("toggle", () => {
      if (task.open === details.open) return;
      task.open = details.open;
      view.changed();
    });
    const summary = document.createElement("summary");
    summary.textContent = `${task.name}: ${formatSize(task.size)} found, ${formatSize(selectedSize(task.nodes))} selected`;
    if (task.error) summary.textContent += ` (${task.error})`;
    details.append(summary);
    // A closed task's rows are drawn when it opens.
    if (task.open) renderNodes(details, task.nodes, task);
    container.append(details);
  }
}

// A row's menu: "never offer again" puts the entity on the module's ignore list; "show in
// folder" copies its path, to paste into a file manager or a terminal.
function rowMenu(node, view) {
  const menu = document.createElement("details");
  menu.className = "menu";
  const summary = document.createElement("summary");
  summary.textContent = "⋯";
  summary.setAttribute("aria-label", "More for " + label(node.entity, view.home));
  const list = document.createElement("div");
  list.className = "menu-items";
  const item = (text, action) => {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = text;
    button.addEventListener("click", () => { menu.open = false; action(node); });
    list.append(button);
  };
  if (view.menu.ignore) item("Never offer again", view.menu.ignore);
  if (node.entity.path) item("Show in folder (copy the path)", view.menu.showInFolder);
  menu.append(summary, list);
  return menu;
}
