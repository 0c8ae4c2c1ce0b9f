// The review window in a real browser (Debian's chromium, headless, driven over the DevTools
// protocol): open the printed address, scan a fixture home, untick one entity, clean, and check
// on disk that exactly the ticked entity went and the unticked one is there; then requests
// without the token, with a foreign Host or a foreign Origin get 403. Screenshots of the module
// page before and after the clean go to OUT.
//   node --experimental-websocket ui-browser.mjs BRENVIK OUT
// Exit status 0 when every check passed, 1 otherwise, 77 when chromium or WebSocket is missing.
import { spawn, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";

const [brenvik, out] = process.argv.slice(2);
const chromium = "/usr/bin/chromium";
if (!existsSync(chromium) || typeof WebSocket === "undefined") {
  console.log("ui-browser: chromium or WebSocket is missing; skipped");
  process.exit(77);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
let failures = 0;
const check = (ok, what) => {
  console.log(`${ok ? "ok" : "FAILED"}: ${what}`);
  if (!ok) failures++;
};

const fixture = mkdtempSync(join(tmpdir(), "brenvik-ui-"));
const home = join(fixture, "home");
for (const name of ["com.example.gone", "com.example.kept"]) {
  mkdirSync(join(home, ".cache", name), { recursive: true });
  writeFileSync(join(home, ".cache", name, "data"), Buffer.alloc(60000, 7));
}
mkdirSync(join(fixture, "root"));
mkdirSync(out, { recursive: true });

const window = spawn(brenvik, ["ui", "--no-open", "--home", home, "--root", join(fixture, "root"), "--layout", "linux"]);
let printed = "";
window.stdout.on("data", (d) => (printed += d));
for (let i = 0; i < 100 && !printed.includes("token="); i++) await sleep(100);
const address = (printed.match(/http:\/\/\S+/) || [])[0];
check(Boolean(address), "brenvik ui prints its address");
const { port } = new URL(address);

const profile = mkdtempSync(join(tmpdir(), "brenvik-ui-profile-"));
const browser = spawn(chromium, ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
  `--user-data-dir=${profile}`, "--remote-debugging-port=0", "--window-size=1200,800", "about:blank"],
  { stdio: ["ignore", "ignore", "pipe"] });
let devtools = "";
browser.stderr.on("data", (d) => (devtools += d));
// A first start with a fresh profile can take a while on a busy machine.
for (let i = 0; i < 600 && !/ws:\/\/\S+/.test(devtools); i++) await sleep(100);
const browserSocket = devtools.match(/ws:\/\/127\.0\.0\.1:(\d+)\//);
if (!browserSocket) {
  console.log("FAILED: chromium offers no DevTools socket:\n" + devtools.slice(-2000));
  browser.kill("SIGKILL");
  window.kill("SIGINT");
  process.exit(1);
}
const targets = await (await fetch(`http://127.0.0.1:${browserSocket[1]}/json`)).json();
const socket = new WebSocket(targets.find((t) => t.type === "page").webSocketDebuggerUrl);
await new Promise((r) => socket.addEventListener("open", r));
let next = 0;
const waiting = new Map();
socket.addEventListener("message", (m) => {
  const d = JSON.parse(m.data);
  if (d.id && waiting.has(d.id)) waiting.get(d.id)(d), waiting.delete(d.id);
  if (d.method === "Runtime.exceptionThrown") check(false, "no script error: " + JSON.stringify(d.params.exceptionDetails).slice(0, 300));
});
const send = (method, params = {}) => new Promise((r) => { waiting.set(++next, r); socket.send(JSON.stringify({ id: next, method, params })); });
const page = async (expression) =>
  (await send("Runtime.evaluate", { expression, awaitPromise: true, returnByValue: true })).result?.result?.value;
const until = async (expression, what) => {
  for (let i = 0; i < 600; i++) {
    if (await page(expression)) return true;
    await sleep(100);
  }
  check(false, what);
  return false;
};
const screenshot = async (name) => {
  const shot = await send("Page.captureScreenshot", { format: "png" });
  writeFileSync(join(out, name), Buffer.from(shot.result.data, "base64"));
};

try {
  await send("Runtime.enable");
  await send("Page.enable");
  await send("Page.navigate", { url: address });
  await until(`document.querySelectorAll("#modules button").length > 0`, "the page lists the modules");
  check(await page(`location.search === ""`), "the token leaves the address bar once the cookie holds it");
  await page(`document.getElementById("scan").click()`);
  await until(`document.getElementById("status").textContent.includes("scan done")`, "the scan ends");
  // Open the user caches' groups and untick the one to keep.
  await page(`[...document.querySelectorAll("#tree .row")].filter((r) => r.textContent.includes("com.example"))
               .forEach((r) => r.querySelector(".toggle:not([disabled])")?.click())`);
  const unticked = await page(`(() => {
      const row = [...document.querySelectorAll("#tree .row")].find((r) => r.querySelector(".name").textContent === "com.example.kept");
      if (!row) return false;
      row.querySelector("input[type=checkbox]").click();
      return true;
    })()`);
  check(unticked, "the entity to keep is shown and unticked");
  await screenshot("ui-module.png");
  await page(`document.getElementById("clean").click()`);
  await until(`document.getElementById("confirm").open`, "the clean asks first");
  check((await page(`document.getElementById("confirm-text").textContent`)).startsWith("Remove 1 item"), "the confirmation counts one item");
  await page(`document.getElementById("confirm-go").click()`);
  await until(`!document.getElementById("report").hidden`, "the report is shown");
  check((await page(`document.getElementById("report-summary").textContent`)).includes("freed"), "the report says what was freed");
  await screenshot("ui-report.png");
  check(!existsSync(join(home, ".cache/com.example.gone")), "the ticked entity is gone");
  check(existsSync(join(home, ".cache/com.example.kept/data")), "the unticked entity is there");

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
} finally {
  socket.close();
  browser.kill("SIGKILL");
  window.kill("SIGINT");
  const status = await new Promise((r) => window.on("exit", (code) => r(code)));
  check(status === 0, "Ctrl-C ends the window with status 0");
  rmSync(profile, { recursive: true, force: true });
  rmSync(fixture, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
