// delver's WebAssembly build played in headless Chromium and held to the
// native headless game: the same seed and input script must give the same
// report, the same save slot bytes and nearly the same last picture; saves
// outlive a reload of the page; real DOM key presses reach the game; and a
// browser without WebGL is told so.
//   node browser_test.mjs [SITE]   (or DELVER_SITE; DELVER_BIN, DELVER_GAME;
//   DELVER_WEB_ONLY=REGEX runs only the cases whose names match)
import { checkInputs, serve, launch, webglFlags, writeScript, freshGame, native, pageUrl, play, waitState,
  pageDigest, pageFile, readBmp, pixelDiff, sha256, typeKeys, letters } from './harness.mjs';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

checkInputs('browser_test');
const slotFiles = (n) => ['mainmap', 'flagmap', 'unit', 'variables'].map((e) => `SAVEGAME${n}.${e}`);

// Mouse look on, the view distance up twice, then walking.
const walk = ['0 mouse 160 140', '14 click right', '20 tap RBRACKET', '22 tap RBRACKET', '30 click left'];

// Mouse look swinging round while walking forward and back, the view distance held up and tapped down.
const look = ['0 mouse 160 120', '14 click right', '16 down RBRACKET', '21 up RBRACKET', '40 tap LBRACKET', '45 click left'];
for (let f = 20; f < 140; f += 4)
  look.push(`${f} mouse ${160 + Math.round(120 * Math.sin(f / 17))} ${120 + Math.round(90 * Math.cos(f / 23))}`);
look.push('100 click left', '110 down Z', '130 up Z');
look.sort((a, b) => parseInt(a) - parseInt(b));

// Both console commands typed, then walking at the slower pace.
const consoleLines = ['0 mouse 160 120'];
let f = typeKeys(consoleLines, 14, ['TAB', ...letters('env4cyclestep 5'), 'ENTER', ...letters('env5objectivenumber'), 'ENTER', 'TAB']);
consoleLines.push(`${f + 2} click left`);

// Walking, a save in slot 2 at frame 60, more walking, its load (the counter goes back to 61), a turn.
const saveLoad = ['0 mouse 160 130', '14 click right', '20 click left', '40 mouse 200 100', '60 tap F6',
  '70 mouse 120 150', '100 tap F8', '61 jump', '64 mouse 220 160', '90 tap RBRACKET'];

const cases = [
  { name: 'walking', seed: 11, frames: 200, lines: walk },
  { name: 'mouse look, view distance keys', seed: 7, frames: 150, lines: look },
  { name: 'console commands (literal drawing)', seed: 42, frames: 140, lines: consoleLines, render: 'literal' },
  { name: 'save and load slot 2', seed: 3, frames: 150, lines: saveLoad, slot: 2 },
];

let passed = 0, failed = 0;
const only = new RegExp(process.env.DELVER_WEB_ONLY || '');
async function check(name, body) {
  if (!only.test(name)) return;
  const t = Date.now();
  try {
    const note = await body();
    passed++;
    console.log(`ok   ${name}${note ? ': ' + note : ''} (${((Date.now() - t) / 1000).toFixed(1)} s)`);
  } catch (e) {
    failed++;
    console.log(`FAIL ${name}: ${e.message}`);
  }
}
function same(what, page, nat) {
  if (page !== nat) throw new Error(`${what} differs\n     page:   ${page}\n     native: ${nat}`);
}

// Every slot file of the page equals the native game folder's, byte for byte.
async function sameSlot(page, dir, n) {
  for (const name of slotFiles(n)) {
    const bytes = fs.readFileSync(path.join(dir, 'map', name));
    same(name, await pageDigest(page, `/game/map/${name}`), `${bytes.length}:${sha256(bytes)}`);
  }
}

const base = await serve();
const browser = await launch();

for (const c of cases) {
  await check(`same game as native: ${c.name} (seed ${c.seed})`, async () => {
    const script = `${c.name.replace(/\W+/g, '_')}.txt`;
    const file = writeScript(script, c.lines.join('\n') + '\n');
    const dir = freshGame(), shot = path.join(dir, 'native.bmp');
    const nat = native(dir, { ...c, script: file, screenshot: shot });
    const context = await browser.newContext();
    try {
      const page = await context.newPage();
      const end = await play(page, pageUrl(base, { ...c, script, screenshot: true }));
      same('report', end.report, nat.report);
      same('stdout and stderr', JSON.stringify([end.output, end.errors]), JSON.stringify([nat.out, nat.err]));
      if (c.slot) await sameSlot(page, dir, c.slot);
      const share = pixelDiff(readBmp(await pageFile(page, '/run/screenshot.bmp')), readBmp(fs.readFileSync(shot)));
      const note = `report equal${c.slot ? ', slot equal' : ''}, ${(share * 100).toFixed(3)} % of pixels differ`;
      if (share > 0.005) throw new Error(note);
      // One time per game frame: what the benchmark takes its figures from.
      if (end.frames !== c.frames) throw new Error(`${note}; but frameTimes has ${end.frames} entries for ${c.frames} frames`);
      return note;
    } finally {
      await context.close();
    }
  });
}

await check('a save outlives a reload of the page and loads as in the native game', async () => {
  const save = writeScript('save1.txt', walk.concat('150 tap F5').join('\n') + '\n');
  const load = writeScript('load1.txt', ['0 tap F7', '151 jump', '155 mouse 100 100', '160 tap RBRACKET', '170 click left'].join('\n') + '\n');
  const dir = freshGame();
  const natSave = native(dir, { seed: 11, frames: 170, script: save });
  const natLoad = native(dir, { seed: 11, frames: 60, script: load });
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    const saved = await play(page, pageUrl(base, { seed: 11, frames: 170, script: 'save1.txt' }));
    same('report after the save', saved.report, natSave.report);
    await page.waitForFunction(() => delver.flushes >= 1, null, { timeout: 10000 });
    await sameSlot(page, dir, 1);
    const loaded = await play(page, pageUrl(base, { seed: 11, frames: 60, script: 'load1.txt' }));
    same('report after the reload and load', loaded.report, natLoad.report);
    return 'reports and slot equal';
  } finally {
    await context.close();
  }
});

await check('slot files from the disk load as in the native game, and download as the same files', async () => {
  const save = writeScript('save_disk.txt', walk.concat('150 tap F5').join('\n') + '\n');
  const load = writeScript('load_disk.txt', ['0 tap F7', '151 jump', '160 tap RBRACKET'].join('\n') + '\n');
  const dir = freshGame();
  native(dir, { seed: 11, frames: 170, script: save });
  const natLoad = native(dir, { seed: 11, frames: 30, script: load });
  const context = await browser.newContext({ acceptDownloads: true });
  try {
    const page = await context.newPage();
    await page.goto(pageUrl(base, { seed: 11, frames: 30, script: 'load_disk.txt', autostart: false }));
    await waitState(page, ['ready']);
    // A stray file is refused; the slot's four files are taken.
    const stray = writeScript('notes.txt', 'not a slot');
    await page.setInputFiles('#upload', [stray, ...slotFiles(1).map((n) => path.join(dir, 'map', n))]);
    await page.waitForFunction(() => delver.flushes >= 1, null, { timeout: 30000 });
    same('stray file', await pageDigest(page, '/game/map/notes.txt'), null);
    await page.click('#start');
    const end = await waitState(page, ['ended', 'failed']);
    same('report after loading the files from the disk', end.report, natLoad.report);
    const downloads = [];
    page.on('download', (d) => downloads.push(d));
    await page.click('[data-download="1"]');
    for (let i = 0; i < 100 && downloads.length < 4; i++) await page.waitForTimeout(100);
    same('downloaded files', downloads.map((d) => d.suggestedFilename()).sort().join(' '), slotFiles(1).sort().join(' '));
    for (const d of downloads)
      same(d.suggestedFilename(), sha256(fs.readFileSync(await d.path())),
        sha256(fs.readFileSync(path.join(dir, 'map', d.suggestedFilename()))));
    return 'report and files equal';
  } finally {
    await context.close();
  }
});

await check('real DOM keys: start button, ] three times, Escape', async () => {
  const startVd = JSON.parse(native(freshGame(), { frames: 1 }).report).view_distance;
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    await page.goto(pageUrl(base, { autostart: false, fps: null }));
    await waitState(page, ['ready']);
    await page.click('#start');
    const frames = () => page.evaluate(() => delver.frameTimes.length);
    // Past the first frames, in which the game takes no key.
    await page.waitForFunction(() => delver.state === 'running' && delver.frameTimes.length >= 20, null, { timeout: 30000 });
    same('focused element', await page.evaluate(() => document.activeElement?.id), 'canvas');
    for (let i = 0; i < 3; i++) {
      await page.keyboard.press(']');
      const n = await frames();
      // The game pauses after each bracket; give it time to take the next.
      await page.waitForFunction((m) => delver.frameTimes.length >= m, n + 20, { timeout: 30000 });
    }
    await page.keyboard.press('Escape');
    const end = await waitState(page, ['ended', 'failed'], 30000);
    same('state', end.state, 'ended');
    same('exit status', end.exitStatus, 0);
    same('#ended and #restart visible', await page.isVisible('#ended') && await page.isVisible('#restart'), true);
    same('view distance', JSON.parse(end.report).view_distance, startVd + 3);
    return `view distance ${startVd} -> ${startVd + 3}`;
  } finally {
    await context.close();
  }
});

await browser.close();

// As a player does it: a browser window on the X display, pressed and
// clicked through XTEST, so the events come from the window system.
const xdotool = (...args) => execFileSync('xdotool', args, { encoding: 'utf8' }).trim();
if (process.env.DISPLAY && spawnSync('xdotool', ['version']).status === 0) {
  await check('X key and mouse events in a browser window: Start, ] three times, F5 saves, Escape', async () => {
    const startVd = JSON.parse(native(freshGame(), { frames: 1 }).report).view_distance;
    const windowed = await launch([...webglFlags, '--window-position=0,0', '--window-size=1200,900'], false);
    try {
      const page = await windowed.newPage({ viewport: null });
      await page.goto(pageUrl(base, { autostart: false, fps: null }));
      await waitState(page, ['ready']);
      const win = xdotool('search', '--onlyvisible', '--class', 'chromium').split('\n')[0];
      xdotool('windowfocus', win);
      const at = await page.evaluate(() => {
        const r = document.getElementById('start').getBoundingClientRect();
        return [Math.round(screenX + r.x + r.width / 2), Math.round(screenY + outerHeight - innerHeight + r.y + r.height / 2)];
      });
      xdotool('mousemove', String(at[0]), String(at[1]));
      xdotool('click', '1');
      await page.waitForFunction(() => delver.state === 'running' && delver.frameTimes.length >= 20, null, { timeout: 30000 });
      for (let i = 0; i < 3; i++) {
        xdotool('key', '--delay', '60', 'bracketright');
        const n = await page.evaluate(() => delver.frameTimes.length);
        await page.waitForFunction((m) => delver.frameTimes.length >= m, n + 20, { timeout: 30000 });
      }
      // F5 is the game's, not the browser's reload: the save is flushed and the page lives on.
      xdotool('key', 'F5');
      await page.waitForFunction(() => delver.flushes >= 1, null, { timeout: 60000 });
      xdotool('key', 'Escape');
      const end = await waitState(page, ['ended', 'failed'], 30000);
      same('state', end.state, 'ended');
      const report = JSON.parse(end.report);
      same('view distance', report.view_distance, startVd + 3);
      same('slot 1 saved', (await pageDigest(page, '/game/map/SAVEGAME1.variables'))?.startsWith('32:'), true);
      return `view distance ${startVd} -> ${startVd + 3}, saved`;
    } finally {
      await windowed.close();
    }
  });
}

await check('without WebGL the page says so', async () => {
  const plain = await launch(['--disable-webgl', '--disable-3d-apis']);
  try {
    const page = await plain.newPage();
    await page.goto(pageUrl(base, {}));
    await waitState(page, ['failed', 'ended', 'running'], 30000).then((s) => same('state', s.state, 'failed'));
    same('#nowebgl visible', await page.isVisible('#nowebgl'), true);
  } finally {
    await plain.close();
  }
});

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
