// delver's WebAssembly build played in headless Chromium and held to the
// native headless game: the same seed and input script must give the same
// report, the same save slot bytes and nearly the same last picture; saves
// outlive a reload of the page; a slot goes to the disk as one file and
// back through the game byte for byte, and wrong files are refused; real DOM
// key presses reach the game; a phone's touch controls and a scripted game
// controller play games that the native game replays alike; the page plays
// offline after one visit; its controls pass an accessibility check; and a
// browser without WebGL is told so.
//   node browser_test.mjs [SITE]   (or DELVER_SITE; DELVER_BIN, DELVER_GAME;
//   DELVER_WEB_ONLY=REGEX runs only the cases whose names match)
import { checkInputs, serve, launch, webglFlags, writeScript, freshGame, native, pageUrl, play, waitState,
  pageDigest, pageFile, readBmp, pixelDiff, sha256, typeKeys, letters, framesPass, sameReplay, touchDrag,
  axeViolations, site } from './harness.mjs';
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

// The names in a ZIP file's table of contents.
function zipNames(buf) {
  const end = buf.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  const names = [];
  for (let p = buf.readUInt32LE(end + 16), i = 0; i < buf.readUInt16LE(end + 10); i++) {
    const n = buf.readUInt16LE(p + 28);
    names.push(buf.toString('latin1', p + 46, p + 46 + n));
    p += 46 + n + buf.readUInt16LE(p + 30) + buf.readUInt16LE(p + 32);
  }
  return names;
}
const running = (page) => page.waitForFunction(() => delver.state === 'running' && delver.frameTimes.length >= 20, null, { timeout: 30000 });
const lastLine = (page) => page.evaluate(() => delver.lines.at(-1));

await check('a slot downloads as one file and loads back through the game byte for byte; wrong files are refused', async () => {
  const save = writeScript('save_disk.txt', walk.concat('150 tap F5').join('\n') + '\n');
  const dir = freshGame();
  native(dir, { seed: 11, frames: 170, script: save });
  const first = await browser.newContext({ acceptDownloads: true }), second = await browser.newContext();
  try {
    const page = await first.newPage();
    await play(page, pageUrl(base, { seed: 11, frames: 170, script: 'save_disk.txt' }));
    await page.waitForFunction(() => delver.lines.some((l) => /persistent storage/.test(l)), null, { timeout: 10000 });
    const downloads = [];
    page.on('download', (d) => downloads.push(d));
    await page.click('[data-download="1"]');
    await page.waitForFunction(() => /downloading/.test(delver.lines.at(-1)), null, { timeout: 30000 });
    await page.waitForTimeout(500);
    same('downloads', downloads.map((d) => d.suggestedFilename()).join(' '), 'delver-slot1.zip');
    const archive = await downloads[0].path();
    same('the archive', zipNames(fs.readFileSync(archive)).join(' '), slotFiles(1).join(' '));

    // Another browser, its game running: one file, then a file of the wrong size, then the archive.
    const other = await second.newPage();
    await other.goto(pageUrl(base, { seed: 11, fps: null }));
    await running(other);
    const mine = slotFiles(1).map((n) => path.join(dir, 'map', n));
    const short = writeScript('SAVEGAME1.unit', fs.readFileSync(mine[2]).subarray(1));
    for (const wrong of [[mine[0]], [mine[0], mine[1], short, mine[3]]]) {
      const n = await other.evaluate(() => delver.lines.length);
      await other.setInputFiles('#upload', wrong);
      await other.waitForFunction((m) => delver.lines.length > m, n, { timeout: 10000 });
      const line = await lastLine(other);
      if (!line.startsWith('Nothing was loaded: ')) throw new Error(`not refused: ${line}`);
    }
    same('the slot after the refusals', await pageDigest(other, '/game/map/SAVEGAME1.variables'), null);
    same('files put aside', await other.evaluate(() => delver.readFile('/upload/SAVEGAME1.mainmap')), null);
    await other.setInputFiles('#upload', archive);
    await other.waitForFunction(() => /^Slot 1 (loaded|refused)/.test(delver.lines.at(-1)), null, { timeout: 30000 });
    same('the page says', await lastLine(other), 'Slot 1 loaded from your files: F7 plays it.');
    await sameSlot(other, dir, 1);
    same('files put aside', await other.evaluate(() => delver.readFile('/upload/SAVEGAME1.mainmap')), null);
    same('focused element', await other.evaluate(() => document.activeElement?.id), 'canvas');
    await other.keyboard.press('Escape');
    const end = JSON.parse((await waitState(other, ['ended', 'failed'], 30000)).report);
    same('walking and mouse look after the upload', `${end.auto_walk} ${end.mouse_look}`, '0 0');
    return 'one file, slot equal, refusals left nothing';
  } finally {
    await first.close();
    await second.close();
  }
});

await check('four slot files chosen before Start are taken when the game runs and load as in the native game', async () => {
  const save = writeScript('save_four.txt', walk.concat('150 tap F5').join('\n') + '\n');
  const load = writeScript('load_four.txt', ['0 tap F7', '151 jump', '160 tap RBRACKET'].join('\n') + '\n');
  const dir = freshGame();
  native(dir, { seed: 11, frames: 170, script: save });
  const natLoad = native(dir, { seed: 11, frames: 30, script: load });
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    await page.goto(pageUrl(base, { seed: 11, frames: 30, script: 'load_four.txt', autostart: false }));
    await waitState(page, ['ready']);
    await page.setInputFiles('#upload', slotFiles(1).map((n) => path.join(dir, 'map', n)));
    await page.waitForFunction(() => /takes them once it runs/.test(delver.lines.at(-1)), null, { timeout: 30000 });
    same('slot before Start', await pageDigest(page, '/game/map/SAVEGAME1.variables'), null);
    await page.click('#start');
    const end = await waitState(page, ['ended', 'failed']);
    same('the page says', await lastLine(page), 'Slot 1 loaded from your files: F7 plays it.');
    same('report after loading the files from the disk', end.report, natLoad.report);
    await sameSlot(page, dir, 1);
    return 'report and slot equal';
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

await check('phone (390 x 844, touch): the picture fits, walk and the look pad play, the game replays natively', async () => {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true });
  try {
    const page = await context.newPage();
    const game = { seed: 11, frames: 400, fps: null, record: true };
    await page.goto(pageUrl(base, game));
    await running(page);
    const shown = await page.locator('#canvas').boundingBox();
    same('picture', [shown.x >= 0 && shown.x + shown.width <= 390, shown.width, shown.height].join(' '), 'true 320 240');
    for (const name of ['walk', 'back', 'layer up', 'layer down', 'console', 'save', 'load', 'map', 'settings'])
      same(`button ${name} shown`, await page.getByRole('button', { name, exact: true }).isVisible(), true);
    same('accessibility problems', (await axeViolations(page)).join('; '), '');
    await page.getByRole('button', { name: 'walk', exact: true }).tap();
    await framesPass(page, 10);
    const pad = await page.locator('#lookpad').boundingBox();
    await touchDrag(page, [pad.x + 10, pad.y + pad.height / 2], [pad.x + pad.width - 10, pad.y + pad.height / 3]);
    const end = await waitState(page, ['ended', 'failed']);
    const r = JSON.parse(end.report), before = JSON.parse(native(freshGame(), { seed: 11, frames: 1 }).report);
    same('walking', r.auto_walk, 1);
    if (r.yaw === before.yaw) throw new Error('the drag did not turn the view');
    await sameReplay(page, end, game);
    return `yaw ${before.yaw} -> ${r.yaw}, replayed alike`;
  } finally {
    await context.close();
  }
});

await check('a scripted game controller: A walks, the sticks turn and step; the game replays natively', async () => {
  const context = await browser.newContext();
  // Headless Chromium has no controller: a stand-in for navigator.getGamepads, held by the test.
  await context.addInitScript(() => {
    const pad = { buttons: new Array(17).fill(0), axes: [0, 0, 0, 0] };
    window.scriptedPad = pad;
    navigator.getGamepads = () => [{ id: 'scripted', index: 0, connected: true, mapping: 'standard', timestamp: performance.now(),
      axes: pad.axes.slice(), buttons: pad.buttons.map((v) => ({ pressed: v > 0.5, touched: v > 0, value: v })) }];
  });
  try {
    const page = await context.newPage();
    const game = { seed: 7, frames: 300, fps: null, record: true };
    await page.goto(pageUrl(base, game));
    await running(page);
    const hold = async (what, frames) => {
      await page.evaluate((w) => { for (const [k, i, v] of w) scriptedPad[k][i] = v; }, what);
      await framesPass(page, frames);
      await page.evaluate((w) => { for (const [k, i] of w) scriptedPad[k][i] = 0; }, what);
      await framesPass(page, 2);
    };
    await hold([['buttons', 0, 1]], 4);         // A: walking on
    await hold([['axes', 2, 1], ['axes', 3, -0.6]], 20);  // right stick: right and up
    await hold([['axes', 0, -1]], 10);         // left stick: a step to the left
    const end = await waitState(page, ['ended', 'failed']);
    const r = JSON.parse(end.report), before = JSON.parse(native(freshGame(), { seed: 7, frames: 1 }).report);
    same('walking', r.auto_walk, 1);
    if (r.yaw === before.yaw || r.pitch === before.pitch) throw new Error('the right stick did not turn the view');
    await sameReplay(page, end, game);
    return `yaw ${before.yaw} -> ${r.yaw}, replayed alike`;
  } finally {
    await context.close();
  }
});

await check('after one visit the page starts and plays offline, from the cache of this build', async () => {
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    await page.goto(pageUrl(base, { autostart: false }));
    await waitState(page, ['ready']);
    const caches = await page.evaluate(async () => { await navigator.serviceWorker.ready; return caches.keys(); });
    same('caches', caches.join(' '), fs.readFileSync(path.join(site, 'sw.js'), 'utf8').match(/const CACHE = '([^']+)'/)[1]);
    await context.setOffline(true);
    const nat = native(freshGame(), { seed: 11, frames: 60 });
    const response = await page.goto(pageUrl(base, { seed: 11, frames: 60 }));
    same('page from the service worker', response.fromServiceWorker(), true);
    const end = await waitState(page, ['ended', 'failed']);
    same('report offline', end.report, nat.report);
    return `cache ${caches[0]}`;
  } finally {
    await context.close();
  }
});

await check('a laptop page (1280 x 720): F4 fits, fullscreen by button and F11, no touch controls, the accessibility check', async () => {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  try {
    const page = await context.newPage();
    await page.goto(pageUrl(base, { fps: null }));
    await running(page);
    same('touch controls shown', await page.isVisible('#touch'), false);
    same('accessibility problems', (await axeViolations(page)).join('; '), '');
    await page.keyboard.press('F4');
    await page.waitForFunction(() => document.getElementById('canvas').width === 1280, null, { timeout: 30000 });
    const shown = await page.locator('#canvas').boundingBox();
    same('F4 picture shown', `${shown.width}x${shown.height} ${shown.y + shown.height <= 720}`, '640x480 true');
    // The button, then F11 leaves and F11 comes back: always the largest whole enlargement, centred.
    const full = () => page.evaluate(() => {
      const r = document.getElementById('canvas').getBoundingClientRect();
      return `${document.fullscreenElement?.id} ${r.width}x${r.height} at ${r.x},${r.y}`;
    });
    await page.click('#fullscreen');
    await page.waitForFunction(() => !!document.fullscreenElement, null, { timeout: 10000 });
    same('fullscreen by the button', await full(), 'play 960x720 at 160,0');
    for (const want of ['undefined 640x480', 'play 960x720']) {
      await page.keyboard.press('F11');
      await page.waitForFunction((w) => !!document.fullscreenElement === w, want !== 'undefined 640x480', { timeout: 10000 });
      same('after F11', (await full()).split(' at ')[0], want);
    }
    return 'F4 draws 1280 x 960, shown at 640 x 480; fullscreen at 960 x 720';
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
