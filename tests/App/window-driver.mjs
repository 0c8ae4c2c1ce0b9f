// Drives the review window in Debian's chromium, headless, over the DevTools protocol: starts
// `brenvik ui` on a fixture, starts the browser with a throw-away profile, and answers what a
// test or a benchmark needs to work the page. Used by ui-browser.mjs and bench/ui-tree.mjs.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

export const chromium = "/usr/bin/chromium";
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// `brenvik ui --no-open` with `args`; its address once printed (none after ten seconds).
export async function startWindow(brenvik, args) {
  const window = spawn(brenvik, ["ui", "--no-open", ...args]);
  let printed = "";
  window.stdout.on("data", (d) => (printed += d));
  for (let i = 0; i < 100 && !printed.includes("token="); i++) await sleep(100);
  const address = (printed.match(/http:\/\/\S+/) || [])[0];
  const exited = new Promise((r) => window.on("exit", (code) => r(code)));
  // Ctrl-C, as a user stops it; answers its exit status.
  const stop = () => { window.kill("SIGINT"); return exited; };
  return { address, stop };
}

// The browser with one page; `onScriptError` hears of every exception the page throws. Throws
// when the browser offers no DevTools socket within a minute.
export async function openBrowser(onScriptError = () => {}) {
  const profile = mkdtempSync(join(tmpdir(), "brenvik-ui-profile-"));
  const browser = spawn(chromium, ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
    `--user-data-dir=${profile}`, "--remote-debugging-port=0", "--window-size=1200,800", "about:blank"],
    { stdio: ["ignore", "ignore", "pipe"], detached: true });
  let devtools = "";
  browser.stderr.on("data", (d) => (devtools += d));
  const exited = new Promise((r) => browser.on("exit", r));
  // The browser and its helpers (its process group) stop; the profile goes once they no
  // longer write to it.
  const close = async () => {
    try {
      process.kill(-browser.pid, "SIGKILL");
    } catch {}
    await exited;
    rmSync(profile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
  };
  // A first start with a fresh profile can take a while on a busy machine.
  for (let i = 0; i < 600 && !/ws:\/\/\S+/.test(devtools); i++) await sleep(100);
  const browserSocket = devtools.match(/ws:\/\/127\.0\.0\.1:(\d+)\//);
  if (!browserSocket) {
    await close();
    throw new Error("chromium offers no DevTools socket:\n" + devtools.slice(-2000));
  }
  // The page target can appear a moment after the browser's socket.
  let target;
  for (let i = 0; i < 100 && !target; i++) {
    const targets = await (await fetch(`http://127.0.0.1:${browserSocket[1]}/json`, { signal: AbortSignal.timeout(10000) })).json();
    target = targets.find((t) => t.type === "page");
    if (!target) await sleep(100);
  }
  if (!target) {
    await close();
    throw new Error("chromium opened no page");
  }
  const socket = new WebSocket(target.webSocketDebuggerUrl);
  const opened = await Promise.race([new Promise((r) => socket.addEventListener("open", () => r(true))),
                                     new Promise((r) => socket.addEventListener("error", () => r(false))), sleep(30000)]);
  if (!opened) {
    await close();
    throw new Error("the page's DevTools socket did not open");
  }
  let next = 0;
  const waiting = new Map();
  socket.addEventListener("message", (m) => {
    const d = JSON.parse(m.data);
    if (d.id && waiting.has(d.id)) waiting.get(d.id)(d), waiting.delete(d.id);
    if (d.method === "Runtime.exceptionThrown") onScriptError(JSON.stringify(d.params.exceptionDetails).slice(0, 300));
  });
  // A request to the browser; one unanswered for half a minute is an error that names it.
  const send = (method, params = {}) => new Promise((resolve, reject) => {
    const id = ++next;
    const timer = setTimeout(() => { waiting.delete(id); reject(new Error(`the browser did not answer ${method}`)); }, 30000);
    waiting.set(id, (answer) => { clearTimeout(timer); resolve(answer); });
    socket.send(JSON.stringify({ id, method, params }));
  });
  // The value of a page expression (awaited when it is a promise).
  const page = async (expression) =>
    (await send("Runtime.evaluate", { expression, awaitPromise: true, returnByValue: true })).result?.result?.value;
  // True once the expression holds, false after a minute.
  const until = async (expression) => {
    for (let i = 0; i < 600; i++) {
      if (await page(expression)) return true;
      await sleep(100);
    }
    return false;
  };
  await send("Runtime.enable");
  await send("Page.enable");
  return { send, page, until, close: () => { socket.close(); return close(); } };
}
