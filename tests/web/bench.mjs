// How long a frame of the web build takes in headless Chromium (WebGL on
// SwiftShader) at view distance 30 while walking and turning, beside the
// native headless game on the same script. Prints figures; never fails on speed.
//   node bench.mjs [SITE]   (or DELVER_SITE; DELVER_BIN, DELVER_GAME)
import { checkInputs, serve, launch, writeScript, freshGame, native, pageUrl, play } from './harness.mjs';

checkInputs('bench');
const FRAMES = 400, WARMUP = 60, SEED = 11;

// ] held from the start takes the view distance from 6 to 30; then mouse look
// on, walking, and the cursor swinging round for the rest of the run.
const lines = ['0 mouse 160 120', '0 down RBRACKET', '40 up RBRACKET', '45 click right', '50 click left'];
for (let f = 52; f < 1000; f += 3)
  lines.push(`${f} mouse ${160 + Math.round(110 * Math.sin(f / 40))} ${120 + Math.round(60 * Math.sin(f / 29))}`);
const script = writeScript('bench.txt', lines.join('\n') + '\n');

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];

// Native headless has no per-frame timing: the best of three runs of FRAMES and
// of FRAMES / 2 frames, and the difference per frame, leaves start-up out.
const dir = freshGame();
const best = (frames) => Math.min(...[0, 1, 2].map(() => native(dir, { seed: SEED, frames, script }).ms));
const nativeFrame = (best(FRAMES) - best(FRAMES / 2)) / (FRAMES / 2);
const natReport = native(dir, { seed: SEED, frames: FRAMES, script }).report, nat = JSON.parse(natReport);

const browser = await launch();
try {
  const page = await browser.newPage();
  const t = Date.now();
  const end = await play(page, pageUrl(await serve(), { seed: SEED, frames: FRAMES, script: 'bench.txt', fps: 0 }));
  const wall = (Date.now() - t) / 1000;
  const times = (await page.evaluate(() => delver.frameTimes)).slice(WARMUP).sort((a, b) => a - b);
  const web = JSON.parse(end.report);
  const renderer = await page.evaluate(() => {
    const gl = document.createElement('canvas').getContext('webgl'), info = gl.getExtension('WEBGL_debug_renderer_info');
    return gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER);
  });
  console.log(`view distance ${web.view_distance} (native ${nat.view_distance}), ${FRAMES} frames, seed ${SEED}, first ${WARMUP} left out`);
  console.log(`web (Chromium ${browser.version()}, WebGL: ${renderer}): median ${quantile(times, 0.5).toFixed(2)} ms, 90th percentile ${quantile(times, 0.9).toFixed(2)} ms per frame; ${wall.toFixed(1)} s for the page in all`);
  console.log(`native headless (llvmpipe): ${nativeFrame.toFixed(2)} ms per frame (difference of ${FRAMES} and ${FRAMES / 2} frame runs, best of 3)`);
  if (end.report !== natReport) console.log('note: the web report differs from the native one');
} finally {
  await browser.close();
}
