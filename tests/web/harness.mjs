// What the browser test and the browser benchmark share: the site and its
// scripts served on the loopback, headless Chromium, the native headless game
// in a scratch game folder, the page played to its end, and BMP pictures.
import { chromium } from 'playwright-core';
import { spawnSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const chromiumPath = process.env.DELVER_CHROMIUM || '/usr/bin/chromium';
export const site = path.resolve(process.argv[2] || process.env.DELVER_SITE || path.join(repo, 'build-web', 'site'));
export const bin = process.env.DELVER_BIN || path.join(repo, 'build', 'src', 'delver');
export const game = process.env.DELVER_GAME || path.join(repo, 'build', 'game');
export const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'delver-web-'));
process.on('exit', () => fs.rmSync(scratch, { recursive: true, force: true }));

// Each missing piece is one clear line and a failed run, before anything starts.
export function checkInputs(tool) {
  const missing = [
    [path.join(site, 'index.html'), `no web build at ${site} (build it with scripts/build_web.sh, or give the site folder as the argument or in DELVER_SITE)`],
    [bin, `no native delver at ${bin} (build it, or set DELVER_BIN)`],
    [path.join(game, 'map'), `no game folder at ${game} (build delver_game_folder, or set DELVER_GAME)`],
    [chromiumPath, `no Chromium at ${chromiumPath} (install Debian's chromium package, or set DELVER_CHROMIUM)`],
  ].find(([p]) => !fs.existsSync(p));
  if (missing) { console.error(`${tool}: ${missing[1]}`); process.exit(1); }
}

// Scripts the page fetches, served at /scripts/NAME; the native game reads the same file.
const scriptDir = path.join(scratch, 'scripts');
fs.mkdirSync(scriptDir);
export function writeScript(name, text) {
  fs.writeFileSync(path.join(scriptDir, name), text);
  return path.join(scriptDir, name);
}

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.txt': 'text/plain',
  '.png': 'image/png', '.webmanifest': 'application/manifest+json' };

// Serves the site (and /scripts/) on 127.0.0.1 at a free port; resolves to the base address.
export async function serve() {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const [dir, rel] = url.startsWith('/scripts/') ? [scriptDir, url.slice(9)] : [site, url === '/' ? 'index.html' : url];
    const file = path.join(dir, path.normalize('/' + rel));
    if (req.method !== 'GET' || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream', 'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  server.unref();
  return `http://127.0.0.1:${server.address().port}`;
}

// Headless Chromium from the system; WebGL runs on SwiftShader (no GPU needed).
export const webglFlags = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist'];
export function launch(extra = webglFlags, headless = true) {
  return chromium.launch({
    headless,
    executablePath: chromiumPath,
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--no-first-run', '--disable-quic', ...extra],
  });
}

// A scratch copy of the game folder, for one native game or a series of them.
let folders = 0;
export function freshGame() {
  const dir = path.join(scratch, `game${++folders}`);
  fs.cpSync(game, dir, { recursive: true });
  return dir;
}

// Plays the native game headless in DIR; returns its report line, its stdout and stderr lines and its wall time.
export function native(dir, { seed, frames, script, render, screenshot } = {}) {
  const args = ['-C', dir, '--headless', '--report'];
  if (seed !== undefined) args.push('--seed', String(seed));
  if (frames !== undefined) args.push('--frames', String(frames));
  if (script) args.push('--input', script);
  if (render) args.push('--render', render);
  if (screenshot) args.push('--screenshot', screenshot);
  const t = process.hrtime.bigint();
  const r = spawnSync(bin, args, { encoding: 'utf8' });
  const ms = Number(process.hrtime.bigint() - t) / 1e6;
  if (r.status !== 0) throw new Error(`native delver ${args.join(' ')} exited ${r.status}: ${r.stderr.trim()}`);
  const lines = (t) => t.split('\n').filter((l) => l !== '');
  return { report: r.stdout.trim().split('\n').pop(), out: lines(r.stdout), err: lines(r.stderr), ms };
}

// The page's address for the same game; `script` is a name under /scripts/, fps null keeps the page's pacing,
// record makes the game write /run/record.txt.
export function pageUrl(base, { seed, frames, script, render, fps = 0, screenshot, record, autostart = true } = {}) {
  const q = [];
  if (seed !== undefined) q.push(`seed=${seed}`);
  if (frames !== undefined) q.push(`frames=${frames}`);
  if (fps !== null) q.push(`fps=${fps}`);
  if (script) q.push(`input=${encodeURIComponent('/scripts/' + script)}`);
  if (render) q.push(`render=${render}`);
  if (screenshot) q.push('screenshot');
  if (record) q.push('record');
  if (autostart) q.push('autostart');
  q.push('report');
  return `${base}/index.html?${q.join('&')}`;
}

// Waits until window.delver.state is one of STATES; returns the page's state.
export async function waitState(page, states, timeout = 90000) {
  try {
    await page.waitForFunction((s) => s.includes(window.delver?.state), states, { timeout, polling: 100 });
  } catch (e) {
    const now = await page.evaluate(() => [window.delver?.state, ...(window.delver?.errors || []).slice(-3)]).catch(() => []);
    throw new Error(`the page did not reach ${states.join(' or ')} in ${timeout / 1000} s: state ${now.join(' | ')}`);
  }
  return page.evaluate(() => ({ state: delver.state, exitStatus: delver.exitStatus, report: delver.report,
    output: [...(delver.output || [])], errors: [...(delver.errors || [])], frames: delver.frameTimes?.length, flushes: delver.flushes }));
}

// Opens URL in PAGE and plays it to its end; throws with the page's errors unless it ended with status 0.
export async function play(page, url) {
  await page.goto(url);
  const end = await waitState(page, ['ended', 'failed']);
  if (end.state !== 'ended' || end.exitStatus !== 0 || !end.report)
    throw new Error(`page ${end.state}, status ${end.exitStatus}: ${end.errors.slice(-3).join(' | ')}`);
  return end;
}

export const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

// Length and SHA-256 of a file in the page's file system (null when absent).
export function pageDigest(page, file) {
  return page.evaluate(async (f) => {
    const b = delver.readFile(f);
    if (!b) return null;
    const d = new Uint8Array(await crypto.subtle.digest('SHA-256', b));
    return `${b.length}:${[...d].map((x) => x.toString(16).padStart(2, '0')).join('')}`;
  }, file);
}

export async function pageFile(page, file) {
  const b64 = await page.evaluate((f) => {
    const b = delver.readFile(f);
    if (!b) return null;
    let s = '';
    for (let i = 0; i < b.length; i += 0x8000) s += String.fromCharCode(...b.subarray(i, i + 0x8000));
    return btoa(s);
  }, file);
  return b64 === null ? null : Buffer.from(b64, 'base64');
}

// A 24-bit BMP as width, height and rows of BGR bytes, top row first.
export function readBmp(buf) {
  if (!buf || buf.length < 54 || buf.toString('latin1', 0, 2) !== 'BM') throw new Error('not a BMP');
  const offset = buf.readUInt32LE(10), w = buf.readInt32LE(18), h = buf.readInt32LE(22);
  if (buf.readUInt16LE(28) !== 24 || w <= 0 || h === 0) throw new Error('not a 24-bit BMP');
  const stride = Math.ceil((w * 3) / 4) * 4, rows = [];
  if (buf.length < offset + stride * Math.abs(h)) throw new Error('BMP cut short');
  for (let y = 0; y < Math.abs(h); y++) {
    const src = h > 0 ? Math.abs(h) - 1 - y : y;  // positive height: bottom row first
    rows.push(buf.subarray(offset + src * stride, offset + src * stride + w * 3));
  }
  return { w, h: Math.abs(h), rows };
}

// The share of pixels where some channel differs by more than TOL.
export function pixelDiff(a, b, tol = 8) {
  if (a.w !== b.w || a.h !== b.h) throw new Error(`pictures ${a.w}x${a.h} and ${b.w}x${b.h}`);
  let differ = 0;
  for (let y = 0; y < a.h; y++) {
    const p = a.rows[y], q = b.rows[y];
    for (let x = 0; x < p.length; x += 3)
      if (Math.abs(p[x] - q[x]) > tol || Math.abs(p[x + 1] - q[x + 1]) > tol || Math.abs(p[x + 2] - q[x + 2]) > tol) differ++;
  }
  return differ / (a.w * a.h);
}

// Script helpers: each key pressed for one frame, one frame apart, from FRAME on.
export function typeKeys(lines, frame, keys) {
  for (const k of keys) { lines.push(`${frame} down ${k}`, `${frame + 1} up ${k}`); frame += 2; }
  return frame;
}
export const letters = (text) => [...text].map((c) => (c === ' ' ? 'SPACE' : c.toUpperCase()));

// Waits until the running page has shown N more frames than now.
export async function framesPass(page, n) {
  const now = await page.evaluate(() => delver.frameTimes.length);
  await page.waitForFunction((m) => delver.frameTimes.length >= m, now + n, { timeout: 60000 });
}

// The game the page recorded (?record) played by the native game: its report must equal the page's.
export async function sameReplay(page, end, { seed, frames }) {
  const record = writeScript(`record${++folders}.txt`, (await pageFile(page, '/run/record.txt')).toString());
  const nat = native(freshGame(), { seed, frames, script: record });
  if (nat.report !== end.report) throw new Error(`the native replay differs\n     page:   ${end.report}\n     native: ${nat.report}`);
}

// A finger dragged from (x0, y0) to (x1, y1) in steps, as the touch screen reports it.
export async function touchDrag(page, [x0, y0], [x1, y1], steps = 12) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: x0, y: y0 }] });
  for (let i = 1; i <= steps; i++) {
    const p = { x: x0 + ((x1 - x0) * i) / steps, y: y0 + ((y1 - y0) * i) / steps };
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [p] });
    await page.waitForTimeout(20);
  }
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await cdp.detach();
}

// The accessibility check of the page's own controls (axe-core: names, labels, contrast, focus order).
export async function axeViolations(page) {
  await page.addScriptTag({ path: path.join(repo, 'tests', 'web', 'node_modules', 'axe-core', 'axe.min.js') });
  const found = await page.evaluate(async () =>
    (await axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'] })).violations);
  return found.map((v) => `${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
}
