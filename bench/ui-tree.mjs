// How fast the review window shows a large tree: a trash of N files (one node with N children)
// scanned through the window in Debian's chromium (headless, over the DevTools protocol), then,
// RUNS times each, measured in the page from the click to the second frame after it:
//   page     the module's page opened with the scanned tree (its node open)
//   open     the node of N children opened
//   by-name  that open node sorted by name
//   filter   a filter typed that matches one child in N
//   node --experimental-websocket bench/ui-tree.mjs BRENVIK FIXTURE RUNS
// Prints one line per measure with its median, and the scan's own time once.
import { join } from "node:path";
import { openBrowser, startWindow } from "../tests/App/window-driver.mjs";

const [brenvik, fixture, runsText] = process.argv.slice(2);
const runs = Number(runsText || 5);
const median = (values) => {
  const s = values.slice().sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

const window = await startWindow(brenvik, ["--home", join(fixture, "home"), "--root", join(fixture, "root"), "--layout", "linux"]);
const browser = await openBrowser();
const { send, page } = browser;
const until = async (expression) => {
  if (!(await browser.until(expression))) throw new Error("waited in vain for " + expression);
};
// Milliseconds from running `action` (a page expression) to the second frame after it.
const timed = (action) => page(`(async () => {
  const start = performance.now();
  ${action};
  await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
  return performance.now() - start;
})()`);
const toggle = `document.querySelector("#tree .row .toggle:not([disabled])")`;
const nav = (text) => `[...document.querySelectorAll("#nav button")].find((b) => b.textContent === "${text}").click()`;

try {
  await send("Page.navigate", { url: window.address });
  await until(`document.querySelectorAll("#nav button").length > 0`);
  await page(nav("Trash"));
  const scanStart = Date.now();
  await page(`document.getElementById("scan").click()`);
  await until(`document.getElementById("status").textContent.includes("scan done")`);
  const scanMs = Date.now() - scanStart;
  await page(`${toggle}.click()`);
  const children = await page(`(${toggle}).getAttribute("aria-label") && document.querySelectorAll("#tree .children .row").length`);
  console.log(`ui-tree: the trash scanned and shown in ${scanMs} ms; ${children} of its children drawn of the open node`);
  const measures = { page: [], open: [], "by-name": [], filter: [] };
  for (let i = 0; i < runs; i++) {
    await page(nav("Smart Scan"));
    measures.page.push(await timed(nav("Trash")));
    await page(`${toggle}.click()`);  // closed
    measures.open.push(await timed(`${toggle}.click()`));
    measures["by-name"].push(await timed(`(() => { const s = document.getElementById("sort"); s.value = "name"; s.dispatchEvent(new Event("change")); })()`));
    await page(`(() => { const s = document.getElementById("sort"); s.value = "size"; s.dispatchEvent(new Event("change")); })()`);
    measures.filter.push(await timed(`(() => { const f = document.getElementById("filter"); f.value = "file-00777"; f.dispatchEvent(new Event("input")); })()`));
    await page(`(() => { const f = document.getElementById("filter"); f.value = ""; f.dispatchEvent(new Event("input")); })()`);
  }
  for (const [name, values] of Object.entries(measures))
    console.log(`ui-tree: ${name}: median of ${runs} ${median(values).toFixed(1)} ms (${values.map((v) => v.toFixed(0)).join(" ")})`);
} finally {
  await browser.close();
  await window.stop();
}
