// The review window's page: the modules, a scan with its live progress, what it found as trees
// with sizes and the preselection to tick and untick, and a clean of what is ticked with its
// confirmation and report. Everything comes from this program's own server.

const $ = (id) => document.getElementById(id);
const state = { modules: [], home: "", module: null, scan: null, shownScan: null, clean: null, tree: [] };

function formatSize(bytes) {
  const units = ["B", "KB", "MB", "GB", "TB"];
  let value = bytes, unit = 0;
  while (value >= 1000 && unit < units.length - 1) { value /= 1000; unit++; }
  return (unit === 0 ? String(value) : value.toFixed(1)) + " " + units[unit];
}

async function api(path, body) {
  const init = body === undefined ? {} : { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) };
  const response = await fetch(path, init);
  const document = await response.json();
  if (!response.ok) throw new Error(document.error || response.statusText);
  return document;
}

function say(text, isError = false) {
  const status = $("status");
  status.textContent = text;
  status.className = isError ? "error" : "";
}

// One node per entity: its document, where it is (result index, then entity indexes) and
// whether it is ticked (true, false, or null when only some of its children are).
// A module of the user's own files starts with nothing ticked, as the command line does.
function makeNode(entity, path, ownFiles) {
  const node = { entity, path, checked: entity.autoselected && !ownFiles, open: false, parent: null };
  node.children = (entity.children || []).map((child, i) => {
    const c = makeNode(child, path.concat(i), ownFiles);
    c.parent = node;
    return c;
  });
  if (node.children.length) node.checked = summarise(node.children);
  return node;
}

function summarise(children) {
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

function selectedSize(nodes) {
  let total = 0;
  for (const n of nodes) {
    if (n.checked === true) total += n.entity.size;
    else if (n.checked === null) total += selectedSize(n.children);
  }
  return total;
}

// A path with the home written as "~", as the command line shows it.
function label(entity) {
  const text = entity.path || entity.value || entity.class;
  if (state.home && (text === state.home || text.startsWith(state.home + "/"))) return "~" + text.slice(state.home.length);
  return text;
}

function sorted(nodes) {
  const by = $("sort").value;
  const copy = nodes.slice();
  if (by === "name") copy.sort((a, b) => label(a.entity).localeCompare(label(b.entity)));
  else copy.sort((a, b) => b.entity.size - a.entity.size);
  return copy;
}

function matches(node, text) {
  if (!text) return true;
  if (label(node.entity).toLowerCase().includes(text)) return true;
  return node.children.some((c) => matches(c, text));
}

// Only what is open is in the page: a large tree costs what is shown of it.
function renderNodes(container, nodes) {
  const text = $("filter").value.trim().toLowerCase();
  for (const node of sorted(nodes)) {
    if (!matches(node, text)) continue;
    const row = document.createElement("div");
    row.className = "row";
    row.setAttribute("role", "treeitem");
    const toggle = document.createElement("button");
    toggle.type = "button";
    toggle.className = "toggle";
    if (node.children.length) {
      toggle.textContent = node.open ? "−" : "+";
      toggle.setAttribute("aria-expanded", String(node.open));
      toggle.setAttribute("aria-label", (node.open ? "Close " : "Open ") + label(node.entity));
      toggle.addEventListener("click", () => { node.open = !node.open; renderTree(); });
    } else {
      toggle.disabled = true;
      toggle.setAttribute("aria-hidden", "true");
    }
    const box = document.createElement("input");
    box.type = "checkbox";
    box.checked = node.checked === true;
    box.indeterminate = node.checked === null;
    box.setAttribute("aria-label", "Remove " + label(node.entity));
    box.addEventListener("change", () => { setChecked(node, box.checked); refreshAncestors(node); renderTree(); });
    const size = document.createElement("span");
    size.className = "size";
    size.textContent = formatSize(node.entity.size);
    const name = document.createElement("span");
    name.className = "name";
    name.textContent = label(node.entity);
    row.append(toggle, box, size, name);
    container.append(row);
    if (node.open && node.children.length) {
      const children = document.createElement("div");
      children.className = "children";
      children.setAttribute("role", "group");
      renderNodes(children, node.children);
      container.append(children);
    }
  }
}

function renderTree() {
  const tree = $("tree");
  tree.replaceChildren();
  let found = 0, selected = 0;
  for (const task of state.tree) {
    const details = document.createElement("details");
    details.className = "task";
    details.open = task.open;
    details.addEventListener("toggle", () => { task.open = details.open; });
    const summary = document.createElement("summary");
    const chosen = selectedSize(task.nodes);
    summary.textContent = `${task.name}: ${formatSize(task.size)} found, ${formatSize(chosen)} selected`;
    if (task.error) summary.textContent += ` (${task.error})`;
    details.append(summary);
    renderNodes(details, task.nodes);
    tree.append(details);
    found += task.size;
    selected += chosen;
  }
  $("totals").textContent = state.tree.length ? `${formatSize(found)} found, ${formatSize(selected)} selected` : "";
}

// The index paths of what is ticked: a fully ticked entity stands for its whole tree.
function chosenPaths(nodes, into = []) {
  for (const n of nodes) {
    if (n.checked === true) into.push(n.path);
    else if (n.checked === null) chosenPaths(n.children, into);
  }
  return into;
}

async function askAndClean() {
  const entities = chosenPaths(state.tree.flatMap((task) => task.nodes));
  if (!entities.length) return say("Nothing is ticked.");
  const scan = state.shownScan;
  let preview;
  try {
    preview = await api(`/api/scans/${scan}/preview`, { entities });
  } catch (error) {
    return say(error.message, true);
  }
  if (preview.stale) return say("What this scan showed has changed since: scan again.", true);
  $("confirm-text").textContent = `Remove ${preview.count} item${preview.count === 1 ? "" : "s"}, ${formatSize(preview.size)}?`;
  const list = $("confirm-application-list");
  list.replaceChildren();
  for (const a of preview.applications) {
    const item = document.createElement("li");
    item.textContent = `${a.bundleIdentifier} (process ${a.processIdentifier})`;
    list.append(item);
  }
  $("confirm-applications").hidden = preview.applications.length === 0;
  $("confirm-quit").checked = false;
  const dialog = $("confirm");
  dialog.returnValue = "";
  dialog.showModal();
  dialog.addEventListener("close", async () => {
    if (dialog.returnValue !== "clean") return;
    try {
      const { id } = await api(`/api/scans/${scan}/clean`, { entities, quitApplications: $("confirm-quit").checked });
      state.clean = id;
      $("clean").disabled = true;
      $("scan").disabled = true;
      say("Cleaning…");
    } catch (error) {
      say(error.message === "scan again" ? "What this scan showed has changed since: scan again." : error.message, true);
    }
  }, { once: true });
}

function showReport(clean) {
  const report = clean.report;
  const failures = $("report-failures");
  failures.replaceChildren();
  const failed = [];
  const walk = (results) => {
    for (const r of results) {
      if (r.errors && r.errors.length) failed.push(`${r.path || r.value}: ${r.errors.map((e) => e.description).join("; ")}`);
      walk(r.children || []);
    }
  };
  walk(report.results);
  for (const text of failed) {
    const item = document.createElement("li");
    item.textContent = text;
    failures.append(item);
  }
  $("report-summary").textContent = `${formatSize(report.cleanedSize)} freed` + (failed.length ? `; ${failed.length} could not be removed:` : ".");
  $("report").hidden = false;
  $("progress").hidden = true;
  $("progress-text").textContent = "";
  $("scan").disabled = false;
  state.tree = [];
  renderTree();
  say("Clean done. Scan again to see what is left.");
}

function showResult(scan) {
  const module = state.modules.find((m) => m.name === scan.module);
  state.tree = scan.result.results.map((result, r) => ({
    name: result.displayName || result.identifier,
    size: result.size,
    error: result.error ? result.error.description : null,
    open: result.items.length > 0,
    nodes: result.items.map((item, i) => makeNode(item, [r, i], Boolean(module && module.ownFiles))),
  }));
  state.shownScan = scan.id;
  $("clean").disabled = scan.state !== "done";
  $("progress").hidden = true;
  $("progress-text").textContent = scan.state === "cancelled" ? "The scan was stopped." : "";
  say(`${module ? module.displayName : scan.module}: scan done.`);
  renderTree();
}

// A scan's or a clean's progress.
function showProgress(job) {
  $("progress").hidden = false;
  $("progress").value = job.fraction;
  const what = state.clean ? "freed" : "found";
  $("progress-text").textContent = `${Math.round(job.fraction * 100)} %, ${formatSize(job.bytes)} ${what}` + (job.path ? ` — ${job.path}` : "");
}

async function startScan() {
  state.tree = [];
  $("clean").disabled = true;
  $("report").hidden = true;
  renderTree();
  say("Scanning…");
  $("scan").disabled = true;
  try {
    const { id } = await api("/api/scans", { module: state.module.name });
    state.scan = id;
  } catch (error) {
    say(error.message, true);
    $("scan").disabled = false;
  }
}

function chooseModule(module) {
  state.module = module;
  state.tree = [];
  for (const button of $("modules").querySelectorAll("button"))
    button.setAttribute("aria-current", String(button.dataset.module === module.name));
  $("module").hidden = false;
  $("module-title").textContent = module.displayName;
  $("progress").hidden = true;
  $("progress-text").textContent = "";
  renderTree();
}

function listenForProgress() {
  const events = new EventSource("/api/events");
  events.onmessage = async (message) => {
    const { scans, cleans } = JSON.parse(message.data);
    const clean = cleans.find((c) => c.id === state.clean);
    if (clean) {
      if (clean.state === "running") return showProgress(clean);
      state.clean = null;
      return showReport((await api(`/api/cleans/${clean.id}`)));
    }
    const scan = scans.find((s) => s.id === state.scan);
    if (!scan) return;
    if (scan.state === "running") return showProgress(scan);
    state.scan = null;
    $("scan").disabled = false;
    showResult(await api(`/api/scans/${scan.id}`));
  };
}

async function start() {
  // The token was in the address once; the cookie carries it from now on.
  if (location.search) history.replaceState(null, "", "/");
  const { modules, home } = await api("/api/modules");
  state.modules = modules;
  state.home = home;
  const nav = $("modules");
  for (const module of modules) {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = module.displayName;
    button.dataset.module = module.name;
    button.addEventListener("click", () => chooseModule(module));
    nav.append(button);
  }
  $("scan").addEventListener("click", startScan);
  $("clean").addEventListener("click", askAndClean);
  $("sort").addEventListener("change", renderTree);
  $("filter").addEventListener("input", renderTree);
  listenForProgress();
  if (modules.length) chooseModule(modules[0]);
}

start().catch((error) => say(error.message, true));
