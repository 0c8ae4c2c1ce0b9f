// The review window's page: Smart Scan with its sections and the map of where the space goes,
// each module's trees with sizes and the preselection to tick and untick, a clean of what is
// ticked with its confirmation and report, and what starts by itself. Everything comes from
// this program's own server.
import { chosenPaths, dropNode, formatSize, label, makeTasks, renderTasks, selectedSize } from "./tree.js";
import { drawTreemap, mapTree } from "./treemap.js";

const $ = (id) => document.getElementById(id);
const kSections = ["cleanup", "protection", "speed"];
const state = {
  modules: [], home: "", view: "smart", module: null,
  results: new Map(),  // module name → {scan, stopped, tasks}: the last ended scan of each module
  scanning: new Map(), // scan id → module name, while they run
  cleaning: new Map(), // clean id → module name, while they run
  reports: [],         // the clean documents of the cleans running now, as they end
  stopped: false,      // a scan of those running now was stopped
  lastProgress: null,  // the window's last report of every scan and clean
  highlight: null,
};

async function api(path, body) {
  const init = body === undefined ? {} : { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) };
  const response = await fetch(path, init);
  const answer = await response.json();
  if (!response.ok) throw new Error(answer.error || response.statusText);
  return answer;
}

function say(text, isError = false) {
  $("status").textContent = text;
  $("status").className = isError ? "error" : "";
}

const moduleNamed = (name) => state.modules.find((m) => m.name === name);
const busy = () => state.scanning.size > 0 || state.cleaning.size > 0;

function setButtons() {
  const any = [...state.results.values()].some(cleanable);
  const mine = state.module && state.results.get(state.module.name);
  $("scan").disabled = busy();
  $("smart-scan").disabled = busy();
  $("clean").disabled = busy() || !cleanable(mine);
  $("smart-clean").disabled = busy() || !any;
  $("stop").hidden = !busy();
}

const allNodes = (result) => result.tasks.flatMap((task) => task.nodes);
const cleanable = (result) => result && !result.stopped && chosenPaths(allNodes(result)).length > 0;

// ---- views

function show(view) {
  state.view = view;
  for (const id of ["smart", "module", "startup"]) $(id).hidden = id !== view;
  if (view === "startup") $("report").hidden = true;
  for (const button of $("nav").querySelectorAll("button")) {
    const current = button.dataset.view === view && (view !== "module" || button.dataset.module === state.module?.name);
    button.setAttribute("aria-current", String(current));
  }
  render();
}

function render() {
  if (state.view === "smart") renderSmart();
  if (state.view === "module") renderModule();
  setButtons();
}

function treeView() {
  return {
    sort: $("sort").value, filter: $("filter").value, home: state.home, highlight: state.highlight,
    changed: render,
    menu: {
      ignore: state.module.ignoreList ? neverOfferAgain : null,
      showInFolder: copyPath,
    },
  };
}

function renderModule() {
  const result = state.results.get(state.module.name);
  $("ignore-panel").hidden = !state.module.ignoreList;
  $("module-title").textContent = state.module.displayName;
  const tasks = result ? result.tasks : [];
  renderTasks($("tree"), tasks, treeView());
  const found = tasks.reduce((a, t) => a + t.size, 0);
  const selected = tasks.reduce((a, t) => a + selectedSize(t.nodes), 0);
  $("totals").textContent = result ? `${formatSize(found)} found, ${formatSize(selected)} selected` : "Not scanned yet.";
}

function renderSmart() {
  const sections = $("sections");
  sections.replaceChildren();
  const mapped = [];
  for (const section of kSections) {
    const modules = state.modules.filter((m) => m.section === section);
    const block = document.createElement("div");
    block.className = "section";
    const heading = document.createElement("h3");
    heading.textContent = section[0].toUpperCase() + section.slice(1);
    block.append(heading);
    let found = 0, selected = 0;
    const list = document.createElement("ul");
    for (const module of modules) {
      const result = state.results.get(module.name);
      const item = document.createElement("li");
      const open = document.createElement("button");
      open.type = "button";
      open.className = "link";
      open.textContent = module.displayName;
      open.addEventListener("click", () => chooseModule(module));
      item.append(open);
      if (result) {
        const size = result.tasks.reduce((a, t) => a + t.size, 0);
        const chosen = result.tasks.reduce((a, t) => a + selectedSize(t.nodes), 0);
        found += size;
        selected += chosen;
        item.append(`: ${formatSize(size)} found, ${formatSize(chosen)} selected`);
        mapped.push({ name: module.name, displayName: module.displayName, size, tasks: result.tasks });
      } else {
        item.append(state.scanning.size ? ": scanning…" : ": not scanned yet");
      }
      list.append(item);
    }
    const summary = document.createElement("p");
    summary.className = "summary";
    summary.textContent = modules.length ? `${formatSize(found)} found, ${formatSize(selected)} selected` : "Nothing to scan here yet.";
    block.append(list, summary);
    sections.append(block);
  }
  const svg = $("treemap");
  svg.hidden = mapped.length === 0;
  if (mapped.length) drawTreemap(svg, mapTree(mapped, (node) => label(node.entity, state.home)), openTile, formatSize);
}

// A tile of the map: its module's page, with its task open and its group shown.
function openTile(tile) {
  const module = moduleNamed(tile.module);
  const result = state.results.get(tile.module);
  if (result && tile.task !== undefined) {
    const task = result.tasks[tile.task];
    task.open = true;
    if (tile.node) {
      const rank = task.nodes.slice().sort((a, b) => b.entity.size - a.entity.size).indexOf(tile.node);
      task.shown = Math.max(task.shown, rank + 1);
    }
  }
  $("sort").value = "size";
  $("filter").value = "";
  chooseModule(module, tile.node || null);
  const row = tile.node && document.querySelector(`#tree .row[data-path="${tile.node.path.join(".")}"]`);
  if (row) {
    row.scrollIntoView({ block: "center" });
    row.querySelector("input").focus();
  }
}

// A module's page; `highlight` is a node to mark (one a tile of the map opened).
function chooseModule(module, highlight = null) {
  state.highlight = highlight;
  state.module = module;
  show("module");
  if ($("ignore-panel").open) renderIgnoreList();
}

// ---- the row menu

async function neverOfferAgain(node) {
  try {
    const result = state.results.get(state.module.name);
    await api(`/api/scans/${result.scan}/ignore`, { entities: [node.path] });
    dropNode(result.tasks, node);
    say(`${label(node.entity, state.home)} is on the ${state.module.displayName} ignore list: it is not offered again.`);
    if ($("ignore-panel").open) renderIgnoreList();
    render();
  } catch (error) {
    say(error.message, true);
  }
}

// The module's ignore list, each entry with a button that offers it again from the next scan.
async function renderIgnoreList() {
  const module = state.module;
  let listing;
  try {
    listing = await api(`/api/ignore?module=${encodeURIComponent(module.name)}`);
  } catch (error) {
    $("ignore-text").textContent = error.message;
    return;
  }
  if (state.module !== module) return;
  $("ignore-text").textContent = listing.items.length ? "" : "Nothing: everything found is offered.";
  $("ignore-items").replaceChildren(...listing.items.map((entry) => {
    const item = document.createElement("li");
    const back = document.createElement("button");
    back.type = "button";
    back.textContent = "Offer again";
    back.setAttribute("aria-label", `Offer ${entry.value} again`);
    back.addEventListener("click", async () => {
      try {
        await api("/api/ignore/remove", { module: module.name, value: entry.value });
        say(`${entry.value} is offered again from the next scan.`);
      } catch (error) {
        say(error.message, true);
      }
      renderIgnoreList();
    });
    const words = entry.title && entry.title !== entry.value ? `${entry.title} (${entry.value})` : entry.value;
    item.append(words + (entry.isRegex ? " (a pattern) " : " "), back);
    return item;
  }));
}

async function copyPath(node) {
  const path = node.entity.path;
  try {
    await navigator.clipboard.writeText(path);
    say(`Copied: ${path}`);
  } catch {
    // Without the clipboard (a browser that refuses it), the path is shown to copy by hand.
    say(`The path: ${path}`);
  }
}

// ---- scans

async function startScan(body) {
  $("report").hidden = true;
  try {
    const answer = await api("/api/scans", body);
    const started = answer.scans || [{ id: answer.id, module: body.module }];
    for (const s of started) {
      state.scanning.set(s.id, s.module);
      state.results.delete(s.module);
    }
    say(started.length > 1 ? "Smart Scan: scanning…" : "Scanning…");
  } catch (error) {
    say(error.message, true);
  }
  render();
  handleProgress(state.lastProgress);
}

// Events can overlap while a result is fetched: each scan and clean ends once.
async function scanEnded(scan) {
  if (!state.scanning.has(scan.id)) return;
  const module = moduleNamed(state.scanning.get(scan.id));
  state.scanning.delete(scan.id);
  const scanDocument = await api(`/api/scans/${scan.id}`);
  // A stopped scan shows what its finished tasks found; it cannot be cleaned.
  const stopped = scanDocument.state === "cancelled";
  if (scanDocument.result) state.results.set(module.name, { scan: scan.id, stopped, tasks: makeTasks(scanDocument, module.ownFiles) });
  state.stopped = state.stopped || stopped;
  if (!state.scanning.size) {
    $("progress").hidden = true;
    $("progress-text").textContent = "";
    const what = state.view === "smart" ? "Smart Scan" : `${module.displayName}: scan`;
    say(state.stopped ? `${what} stopped: what was found is shown; scan again to clean.` : `${what} done.`);
    state.stopped = false;
  }
  render();
}

// ---- cleans

// Asks first (how many items, how many bytes, which applications must quit), then cleans each
// module's ticked entities.
async function askAndClean(moduleNames) {
  const chosen = moduleNames.map((name) => ({ name, result: state.results.get(name) }))
    .filter((c) => cleanable(c.result)).map((c) => ({ ...c, entities: chosenPaths(allNodes(c.result)) }))
    .filter((c) => c.entities.length);
  if (!chosen.length) return say("Nothing is ticked.");
  let count = 0, size = 0;
  const applications = [];
  try {
    for (const c of chosen) {
      const preview = await api(`/api/scans/${c.result.scan}/preview`, { entities: c.entities });
      if (preview.stale) return say("What this scan showed has changed since: scan again.", true);
      count += preview.count;
      size += preview.size;
      applications.push(...preview.applications);
    }
  } catch (error) {
    return say(error.message, true);
  }
  $("confirm-text").textContent = `Remove ${count} item${count === 1 ? "" : "s"}, ${formatSize(size)}?`;
  const list = $("confirm-application-list");
  list.replaceChildren(...applications.map((a) => {
    const item = document.createElement("li");
    item.textContent = `${a.bundleIdentifier} (process ${a.processIdentifier})`;
    return item;
  }));
  $("confirm-applications").hidden = applications.length === 0;
  $("confirm-quit").checked = false;
  const dialog = $("confirm");
  dialog.returnValue = "";
  dialog.showModal();
  dialog.addEventListener("close", async () => {
    if (dialog.returnValue !== "clean") return;
    state.reports = [];
    for (const c of chosen) {
      try {
        const { id } = await api(`/api/scans/${c.result.scan}/clean`, { entities: c.entities, quitApplications: $("confirm-quit").checked });
        state.cleaning.set(id, c.name);
      } catch (error) {
        say(error.message === "scan again" ? "What this scan showed has changed since: scan again." : error.message, true);
      }
    }
    if (state.cleaning.size) say("Cleaning…");
    setButtons();
    handleProgress(state.lastProgress);
  }, { once: true });
}

async function cleanEnded(clean) {
  if (!state.cleaning.has(clean.id)) return;
  const name = state.cleaning.get(clean.id);
  state.cleaning.delete(clean.id);
  state.reports.push({ module: moduleNamed(name), clean: await api(`/api/cleans/${clean.id}`) });
  // What the clean took is not what the scan showed any more.
  state.results.delete(name);
  if (!state.cleaning.size) showReport();
  render();
}

function showReport() {
  let freed = 0;
  const failed = [];
  const walk = (module, results) => {
    for (const r of results) {
      if (r.errors && r.errors.length) failed.push(`${module.displayName}: ${r.path || r.value}: ${r.errors.map((e) => e.description).join("; ")}`);
      walk(module, r.children || []);
    }
  };
  for (const { module, clean } of state.reports) {
    freed += clean.report.cleanedSize;
    walk(module, clean.report.results);
  }
  $("report-failures").replaceChildren(...failed.map((text) => {
    const item = document.createElement("li");
    item.textContent = text;
    return item;
  }));
  $("report-summary").textContent = `${formatSize(freed)} freed` + (failed.length ? `; ${failed.length} could not be removed:` : ".");
  $("report").hidden = false;
  $("progress").hidden = true;
  $("progress-text").textContent = "";
  say("Clean done. Scan again to see what is left.");
}

// ---- progress

// Stops what runs: a scan keeps what its finished tasks found, a clean stops between entities.
async function stopAll() {
  $("stop").disabled = true;
  try {
    for (const id of state.scanning.keys()) await api(`/api/scans/${id}/stop`, {}).catch(() => {});
    for (const id of state.cleaning.keys()) await api(`/api/cleans/${id}/stop`, {}).catch(() => {});
    say("Stopping…");
  } finally {
    $("stop").disabled = false;
  }
}

function showProgress(jobs, what) {
  const fraction = jobs.reduce((a, j) => a + j.fraction, 0) / jobs.length;
  const bytes = jobs.reduce((a, j) => a + j.bytes, 0);
  const current = jobs.find((j) => j.state === "running" && j.path);
  $("progress").hidden = false;
  $("progress").value = fraction;
  $("progress-text").textContent = `${Math.round(fraction * 100)} %, ${formatSize(bytes)} ${what}` + (current ? ` — ${current.path}` : "");
}

// What the window reports of every scan and clean. The last report is kept: a scan or clean
// may end before the page has its number (the answer to the request that started it can come
// after the event that says it ended), so a newly started one is looked up in it again.
async function handleProgress(progress) {
  if (!progress) return;
  const { scans, cleans } = progress;
  const mineCleans = cleans.filter((c) => state.cleaning.has(c.id));
  const mineScans = scans.filter((s) => state.scanning.has(s.id));
  for (const c of mineCleans) if (c.state !== "running") await cleanEnded(c);
  for (const s of mineScans) if (s.state !== "running") await scanEnded(s);
  if (mineCleans.some((c) => c.state === "running")) showProgress(mineCleans, "freed");
  else if (mineScans.some((s) => s.state === "running")) showProgress(mineScans, "found");
}

function listenForProgress() {
  const events = new EventSource("/api/events");
  events.onmessage = (message) => {
    state.lastProgress = JSON.parse(message.data);
    handleProgress(state.lastProgress);
  };
}

// ---- start-up items

async function renderStartup(listing) {
  const table = $("startup-items");
  table.replaceChildren();
  if (!listing) {
    $("startup-text").textContent = "Looking…";
    try {
      listing = await api("/api/startup");
    } catch (error) {
      return say(error.message, true);
    }
  }
  $("startup-text").textContent = listing.items.length ? "" : "Nothing starts by itself here.";
  for (const item of listing.items) {
    const row = table.insertRow();
    const on = document.createElement("input");
    on.type = "checkbox";
    on.checked = Boolean(item.enabled);
    on.disabled = Boolean(item.error);
    on.setAttribute("aria-label", `${item.name || item.path} starts by itself`);
    on.addEventListener("change", async () => {
      on.disabled = true;
      try {
        const answer = await api("/api/startup", { item: item.path, enabled: on.checked });
        say(`${item.name} is ${on.checked ? "on" : "off"}.`);
        renderStartup(answer);
      } catch (error) {
        say(error.message, true);
        renderStartup();
      }
    });
    row.insertCell().append(on, on.checked ? " on" : item.error ? " ?" : " off");
    row.insertCell().textContent = item.kind;
    row.insertCell().textContent = item.name || "";
    const shorten = (path) => label({ path }, state.home);
    row.insertCell().textContent = item.error ? `does not parse: ${item.error}` :
      item.program ? shorten(item.program) + (item.programExists ? "" : " (missing)") : "(no program)";
    row.insertCell().textContent = shorten(item.path);
  }
}

// ---- start

async function start() {
  // The token was in the address once; the cookie carries it from now on.
  if (location.search) history.replaceState(null, "", "/");
  const { modules, home } = await api("/api/modules");
  state.modules = modules;
  state.home = home;
  const nav = $("nav");
  const navButton = (text, view, action) => {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = text;
    button.dataset.view = view;
    button.addEventListener("click", action);
    nav.append(button);
    return button;
  };
  navButton("Smart Scan", "smart", () => show("smart"));
  for (const module of modules) navButton(module.displayName, "module", () => chooseModule(module)).dataset.module = module.name;
  if (modules.some((m) => m.name === "optimization"))
    navButton("Startup items", "startup", () => { show("startup"); renderStartup(); });
  $("smart-scan").addEventListener("click", () => startScan({ smartScan: true }));
  $("smart-clean").addEventListener("click", () => askAndClean(modules.filter((m) => m.section !== "none").map((m) => m.name)));
  $("scan").addEventListener("click", () => startScan({ module: state.module.name }));
  $("clean").addEventListener("click", () => askAndClean([state.module.name]));
  $("stop").addEventListener("click", stopAll);
  $("sort").addEventListener("change", render);
  $("filter").addEventListener("input", render);
  $("ignore-panel").addEventListener("toggle", () => $("ignore-panel").open && renderIgnoreList());
  window.addEventListener("resize", () => state.view === "smart" && renderSmart());
  listenForProgress();
  show("smart");
}

start().catch((error) => say(error.message, true));
