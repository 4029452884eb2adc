// The browser build's held pointer (mouse = captured) in a real Chromium
// window on an X display, clicked, moved and pressed through XTEST as a
// player does: the right click that turns mouse look on takes the pointer
// and its motion turns the view; Escape lets go without ending the game; a
// click takes it again and toggles nothing; a right click turns mouse look
// off and lets go. The recorded game replays natively to the same report.
//   node pointer_lock.mjs [SITE]   (DISPLAY names an X server; xdotool on the PATH)
import { checkInputs, serve, launch, webglFlags, writeScript, pageUrl, waitState, framesPass, sameReplay,
  native, freshGame } from './harness.mjs';
import { execFileSync } from 'node:child_process';

checkInputs('pointer_lock');
const xdotool = (...args) => execFileSync('xdotool', args.map(String), { encoding: 'utf8' }).trim();
writeScript('captured.txt', 'setting mouse = captured\n');
const base = await serve();
const browser = await launch([...webglFlags, '--window-position=0,0', '--window-size=1200,900'], false);
const expect = (what, got, want) => { if (got !== want) throw new Error(`${what}: ${got}, not ${want}`); };
try {
  const page = await browser.newPage({ viewport: null });
  const game = { seed: 11, fps: null, script: 'captured.txt', record: true, autostart: false };
  await page.goto(pageUrl(base, game));
  await waitState(page, ['ready']);
  xdotool('windowfocus', xdotool('search', '--onlyvisible', '--class', 'chromium').split('\n')[0]);
  // The screen point at the middle of an element of the page.
  const middle = (selector) => page.evaluate((s) => {
    const r = document.querySelector(s).getBoundingClientRect();
    return [Math.round(screenX + r.x + r.width / 2), Math.round(screenY + outerHeight - innerHeight + r.y + r.height / 2)];
  }, selector);
  const held = (on) => page.waitForFunction((want) => (document.pointerLockElement?.id === 'canvas') === want, on, { timeout: 10000 });
  xdotool('mousemove', ...(await middle('#start')), 'click', 1);
  await page.waitForFunction(() => delver.state === 'running' && delver.frameTimes.length >= 20, null, { timeout: 30000 });
  xdotool('mousemove', ...(await middle('#canvas')), 'click', 3);
  await held(true);
  for (let i = 0; i < 10; i++) xdotool('mousemove_relative', '--', 40, 0, 'sleep', 0.03);
  await framesPass(page, 10);
  xdotool('key', 'Escape');
  await held(false);
  await framesPass(page, 20);
  expect('state after Escape', await page.evaluate(() => delver.state), 'running');
  // Chromium refuses the pointer for a moment after Escape gave it back, as
  // a player's next click a little later finds.
  await new Promise((resolve) => setTimeout(resolve, 1500));
  xdotool('click', 1);
  await held(true);
  xdotool('click', 3);
  await held(false);
  await framesPass(page, 20);
  xdotool('key', 'Escape');
  const end = await waitState(page, ['ended', 'failed'], 30000);
  const r = JSON.parse(end.report), before = JSON.parse(native(freshGame(), { seed: 11, frames: 1 }).report);
  expect('mouse look and walking at the end', `${r.mouse_look} ${r.auto_walk}`, '0 0');
  if (r.yaw === before.yaw) throw new Error('the held pointer did not turn the view');
  await sameReplay(page, end, { seed: 11 });
  console.log(`ok   pointer lock in a browser window: yaw ${before.yaw} -> ${r.yaw}, Escape let go, replayed alike`);
} catch (e) {
  console.log(`FAIL pointer lock in a browser window: ${e.message}`);
  process.exitCode = 1;
} finally {
  await browser.close();
}
