// The review window in a real browser (Debian's chromium, headless, driven over the DevTools
// protocol): open the printed address, run Smart Scan on a fixture home, open a group from the
// map of where the space goes, untick it, put another on the ignore list from its row's menu,
// clean, and check on disk that exactly the ticked entity went and the others are there; switch
// a start-up item off; then requests without the token, with a foreign Host or a foreign Origin
// get 403. Screenshots of the Smart Scan page, the module page and the report go to OUT.
//   node --experimental-websocket ui-browser.mjs BRENVIK OUT
// Exit status 0 when every check passed, 1 otherwise, 77 when chromium or WebSocket is missing.
import { createHash } from "node:crypto";
import { existsSync, lstatSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, readlinkSync, rmSync, writeFileSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { chromium, openBrowser, startWindow } from "./window-driver.mjs";

const [brenvik, out] = process.argv.slice(2);
// Whatever hangs, the test says where it was before the suite's time limit ends it.
setTimeout(() => {
  console.log("FAILED: the test did not end within 150 seconds");
  process.exit(1);
}, 150000).unref();
if (!existsSync(chromium) || typeof WebSocket === "undefined") {
  console.log("ui-browser: chromium or WebSocket is missing; skipped");
  process.exit(77);
}
// Every path under `folder` with what it is (a link's target, a file's bytes, a folder's mode).
const snapshot = (folder) => {
  const entries = new Map();
  const walk = (relative) => {
    const path = join(folder, relative);
    let info;
    try {
      info = lstatSync(path);
    } catch {
      return;  // gone while the walk ran (the window's own log turning over)
    }
    if (info.isSymbolicLink()) entries.set(relative, "link " + readlinkSync(path));
    else if (info.isDirectory()) {
      entries.set(relative, "folder " + info.mode);
      let names = [];
      try {
        names = readdirSync(path);
      } catch {}
      for (const name of names) walk(relative ? join(relative, name) : name);
    } else entries.set(relative, "file " + info.mode + " " + createHash("sha256").update(readFileSync(path)).digest("hex"));
  };
  walk("");
  return entries;
};
const changes = (before, after) => [...new Set([...before.keys(), ...after.keys()])]
  .filter((p) => before.get(p) !== after.get(p)).sort();
let failures = 0;
const check = (ok, what) => {
  console.log(`${ok ? "ok" : "FAILED"}: ${what}`);
  if (!ok) failures++;
};

const fixture = mkdtempSync(join(tmpdir(), "brenvik-ui-"));
const home = join(fixture, "home");
for (const [name, size] of [["com.example.gone", 60000], ["com.example.kept", 90000], ["com.example.ignored", 30000]]) {
  mkdirSync(join(home, ".cache", name), { recursive: true });
  writeFileSync(join(home, ".cache", name, "data"), Buffer.alloc(size, 7));
}
const autostart = join(home, ".config/autostart/notes.desktop");
mkdirSync(join(home, ".config/autostart"), { recursive: true });
writeFileSync(autostart, "[Desktop Entry]\nType=Application\nName=Notes\nExec=/usr/bin/notes\n");
// The program it starts exists (under the fixture's root), so the entry is not a broken one.
mkdirSync(join(fixture, "root/usr/bin"), { recursive: true });
writeFileSync(join(fixture, "root/usr/bin/notes"), "#!/bin/sh\n", { mode: 0o755 });
mkdirSync(out, { recursive: true });

const window = await startWindow(brenvik, ["--home", home, "--root", join(fixture, "root"), "--layout", "linux"]);
const address = window.address;
check(Boolean(address), "brenvik ui prints its address");
const { port } = new URL(address);
let browser;
try {
  browser = await openBrowser((details) => check(false, "no script error: " + details));
} catch (error) {
  console.log("FAILED: " + error.message);
  await window.stop();
  process.exit(1);
}
const { send, page } = browser;
const until = async (expression, what) => {
  if (await browser.until(expression)) return true;
  check(false, what);
  return false;
};
const screenshot = async (name) => {
  const shot = await send("Page.captureScreenshot", { format: "png" });
  writeFileSync(join(out, name), Buffer.from(shot.result.data, "base64"));
};

try {
  await send("Page.navigate", { url: address });
  await until(`document.querySelectorAll("#nav button").length > 0`, "the page lists the modules");
  check(await page(`location.search === ""`), "the token leaves the address bar once the cookie holds it");
  check(await page(`!document.getElementById("smart").hidden`), "the window opens on Smart Scan");
  await page(`document.getElementById("smart-scan").click()`);
  await until(`document.getElementById("status").textContent.includes("Smart Scan done")`, "Smart Scan ends");
  const sections = await page(`[...document.querySelectorAll("#sections h3")].map((h) => h.textContent).join(",")`);
  check(sections === "Cleanup,Protection,Speed", "the three sections are shown: " + sections);
  check(await page(`document.querySelector("#sections").textContent.includes("System Junk: ")`), "System Junk says what it found");
  const tile = `[...document.querySelectorAll("#treemap .leaf")].find((g) => g.getAttribute("aria-label").includes("com.example.kept"))`;
  check(await page(`Boolean(${tile})`), "the map has a tile for each cache group");
  await screenshot("ui-smart-scan.png");
  // A click on the tile opens the group in its tree.
  await page(`${tile}.dispatchEvent(new MouseEvent("click", { bubbles: true }))`);
  await until(`!document.getElementById("module").hidden && document.querySelector("#tree .row.highlight")`, "the tile opens its group");
  check(await page(`document.querySelector("#tree .row.highlight .name").textContent === "com.example.kept"`), "the opened group is the tile's");
  await page(`document.querySelector("#tree .row.highlight input[type=checkbox]").click()`);
  // "Never offer again" from the row's menu.
  const ignoredRow = `[...document.querySelectorAll("#tree .row")].find((r) => r.querySelector(".name").textContent === "com.example.ignored")`;
  check(await page(`Boolean(${ignoredRow})`), "the group to ignore is shown");
  await page(`(() => { const row = ${ignoredRow}; row.querySelector(".menu summary").click();
              [...row.querySelectorAll(".menu-items button")].find((b) => b.textContent === "Never offer again").click(); })()`);
  await until(`document.getElementById("status").textContent.includes("not offered again")`, "the group goes on the ignore list");
  check(await page(`!(${ignoredRow})`), "an ignored group leaves the tree");
  await page(`document.getElementById("ignore-panel").open = true`);
  await until(`document.getElementById("ignore-items").textContent.includes("com.example.ignored")`, "the ignore list shows the group");
  await screenshot("ui-module.png");
  await page(`document.querySelector("#nav button[data-view=smart]").click()`);
  await page(`document.getElementById("smart-clean").click()`);

  await until(`document.getElementById("confirm").open`, "the clean asks first");
  // The ticked cache and the (empty) home trash, which Smart Scan ticks too.
  const asked = await page(`document.getElementById("confirm-text").textContent`);
  check(asked === "Remove 2 items, 65.5 KB?", "the confirmation counts the ticked items and their bytes: " + asked);
  const before = snapshot(fixture);
  await page(`document.getElementById("confirm-go").click()`);
  await until(`!document.getElementById("report").hidden`, "the report is shown");
  check((await page(`document.getElementById("report-summary").textContent`)).includes("freed"), "the report says what was freed");
  await screenshot("ui-report.png");
  check(!existsSync(join(home, ".cache/com.example.gone")), "the ticked entity is gone");
  const changed = changes(before, snapshot(fixture)).filter((p) => !p.includes("/.local/state/brenvik"));
  check(JSON.stringify(changed) === JSON.stringify(["home/.cache/com.example.gone", "home/.cache/com.example.gone/data"]),
    "nothing else changed: " + JSON.stringify(changed));
  check(existsSync(join(home, ".cache/com.example.kept/data")), "the unticked entity is there");
  check(existsSync(join(home, ".cache/com.example.ignored/data")), "the ignored entity is there");

  // Taken back from the ignore list.
  await page(`document.querySelector("#nav button[data-module=system-junk]").click()`);
  await until(`document.querySelector("#ignore-items button")`, "the ignore list is shown again");
  await page(`document.querySelector("#ignore-items button").click()`);
  await until(`document.getElementById("status").textContent.includes("offered again")`, "the group is offered again");
  await until(`!document.getElementById("ignore-items").textContent.includes("com.example.ignored")`, "the ignore list is empty again");

  // A start-up item switched off from its page.
  await page(`[...document.querySelectorAll("#nav button")].find((b) => b.textContent === "Startup items").click()`);
  if (!await until(`[...document.querySelectorAll("#startup-items tr")].some((r) => r.textContent.includes("Notes"))`, "the start-up items are listed"))
    console.log(await page(`document.body.innerText`));
  await page(`[...document.querySelectorAll("#startup-items tr")].find((r) => r.textContent.includes("Notes")).querySelector("input").click()`);
  await until(`document.getElementById("status").textContent === "Notes is off."`, "the item is switched off");
  check(readFileSync(autostart, "utf8").includes("Hidden=true"), "the autostart entry is hidden on disk");
  await screenshot("ui-startup.png");

  // Requests the gate refuses.
  const request = (path, headers, method = "GET") => new Promise((resolve) => {
    const r = http.request({ host: "127.0.0.1", port, path, method, headers }, (res) => resolve(res.statusCode));
    r.on("error", () => resolve(0));
    r.end(method === "POST" ? JSON.stringify({ module: "system-junk" }) : undefined);
  });
  const token = new URL(address).searchParams.get("token");
  const cookie = `brenvik_token=${token}`;
  check((await request("/api/modules", {})) === 403, "no token: 403");
  check((await request("/api/modules", { Cookie: cookie, Host: `rebound.example:${port}` })) === 403, "a foreign Host: 403");
  check((await request("/api/scans", { Cookie: cookie, Origin: "http://rebound.example" }, "POST")) === 403, "a foreign Origin: 403");
  check((await request("/api/modules", { Cookie: cookie })) === 200, "the cookie alone: 200");
} catch (error) {
  check(false, "the test ran to its end: " + error.message);
} finally {
  await browser.close();
  const status = await window.stop();
  check(status === 0, "Ctrl-C ends the window with status 0");
  rmSync(fixture, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
