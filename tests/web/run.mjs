// The show in a real browser: Debian's chromium, headless, WebGL2 through
// SwiftShader, the page served from 127.0.0.1. Frames are compared with the
// desktop program's captures (build/test/vornak, which needs a display).
//   node tests/web/run.mjs [GROUP...]     all groups, or the named ones
import { serve, launch, waitForState, canvasPixels } from './browser.mjs';
import { desktopFrame, compare, repo } from './frames.mjs';

// SwiftShader and Mesa's llvmpipe round differently. Measured at 1280x720 over
// the seven scene times: mean channel difference 0.08-0.26, largest 18, on
// 26 pixels (0.003 %) along the overlay's edge; everything else within 2.
const tolerance = { mean: 1.0, far: 0.0005 };
const sceneTimes = [1, 3.8, 9, 11, 14.5, 19, 21];

const server = await serve(`${repo}/build/web`);
const browser = await launch();
const foreign = []; // requests that left the page's origin
const failures = [];
let problems; // the current group's console errors, a failure unless the group clears them

// A page at url; replies maps a path to the answer given in place of the file's.
async function openPage(width, height, url = '/index.html', replies = {}) {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(e.message));
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(server.origin + '/') && !/^(data|blob):/.test(url)) {
      foreign.push(url);
      request.abort();
    } else {
      const reply = replies[new URL(url).pathname];
      reply ? request.respond(reply) : request.continue();
    }
  });
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  await page.goto(server.origin + url);
  return page;
}

function expectFrame(what, web, desktop) {
  const d = compare(web, desktop);
  const line = `${what}: mean ${d.mean.toFixed(3)}, largest ${d.max}, ${(d.far * 100).toFixed(4)} % of pixels off by more than 16`;
  console.log(`  ${line}`);
  if (d.mean > tolerance.mean || d.far > tolerance.far) throw new Error(line);
}

const groups = {
  // ?at=T is the desktop's --capture --at T, in every scene.
  async frames() {
    const page = await openPage(1280, 720);
    for (const t of sceneTimes) {
      await page.goto(`${server.origin}/index.html?at=${t}`);
      await waitForState(page, ['ready']);
      const web = await canvasPixels(page);
      if (web.time !== t) throw new Error(`?at=${t} drew the frame at ${web.time}`);
      expectFrame(`at ${t} s`, web, desktopFrame(t, 1280, 720));
    }
  },

  // Windows of other shapes get the desktop's black bars and undistorted picture
  // (the desktop's bars are checked in CaptureTest); the canvas follows the device
  // pixel ratio and a resize, and the held frame is redrawn.
  async letterbox() {
    const page = await openPage(1728, 720, '/index.html?at=11');
    await waitForState(page, ['ready']);
    expectFrame('1728x720 at 11 s', await canvasPixels(page), desktopFrame(11, 1728, 720));
    await page.setViewport({ width: 640, height: 360, deviceScaleFactor: 2 });
    await page.waitForFunction(() => document.getElementById('canvas').width === 1280, { timeout: 30000 });
    await page.setViewport({ width: 960, height: 720, deviceScaleFactor: 1 });
    await page.waitForFunction(() => document.getElementById('canvas').width === 960, { timeout: 30000 });
    // One more animation frame, so the redraw after the resize is on the canvas.
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    expectFrame('resized to 960x720 at 11 s', await canvasPixels(page), desktopFrame(11, 960, 720));
  },

  // The page as a person gets it: load, click, the music's clock, the end.
  async live() {
    const page = await openPage(1280, 720);
    await waitForState(page, ['ready']);
    if (!(await page.$eval('#prompt', (e) => !e.hidden && e.textContent === 'Play'))) throw new Error('no Play prompt');
    await page.mouse.click(640, 360);
    await waitForState(page, ['playing'], 5000);

    // The show's time keeps to the clock (the audio context's) from the click.
    const first = await page.evaluate(() => [window.vornak.time, performance.now()]);
    await page.waitForFunction((t) => window.vornak.time > t + 4, { timeout: 30000, polling: 50 }, first[0]);
    const second = await page.evaluate(() => [window.vornak.time, performance.now()]);
    const rate = (second[0] - first[0]) / ((second[1] - first[1]) / 1000);
    console.log(`  show time ran at ${rate.toFixed(3)}x the page's clock`);
    if (Math.abs(rate - 1) > 0.15) throw new Error(`show time runs at ${rate}x`);

    // The toys at 11 to 13 s: the frame on the canvas is the desktop's at its time.
    await page.waitForFunction(() => window.vornak.time > 11.2, { timeout: 30000, polling: 20 });
    const web = await canvasPixels(page);
    if (web.time > 12.8) throw new Error(`the toys were missed (frame at ${web.time} s)`);
    expectFrame(`live frame at ${web.time.toFixed(3)} s`, web, desktopFrame(web.time, 1280, 720));

    await waitForState(page, ['ended'], 30000);
    const end = await page.evaluate(() => window.vornak.time);
    if (end < 21.9) throw new Error(`ended early, at ${end} s`);
    if (!(await page.$eval('#prompt', (e) => !e.hidden && e.textContent === 'Play again'))) throw new Error('no Play again');
  },

  // A damaged picture, a missing one and a shader ES refuses: one line on the
  // page naming each file, and the show goes on.
  async damaged() {
    const page = await openPage(1280, 720, '/index.html', {
      '/data/title.png': { body: Buffer.from('\x89PNG\r\n\x1a\nnot a picture') },
      '/data/skipad.jpg': { status: 404 },
      '/data/default.fs': { body: '#version 410 core\nin vec2 uv;\nuniform double x;\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n' },
    });
    await waitForState(page, ['ready']);
    const lines = await page.$eval('#messages', (e) => (e.hidden ? '' : e.textContent));
    console.log(`  the page says:\n    ${lines.split('\n').join('\n    ')}`);
    for (const expected of [/^data\/title\.png: cannot decode PNG/m, /^data\/skipad\.jpg: cannot open/m,
                            /^data\/default\.fs:3: doubles have no OpenGL ES 3\.0 form/m]) {
      if (!expected.test(lines)) throw new Error(`no line ${expected}`);
    }
    await page.keyboard.press('Space');
    await waitForState(page, ['playing'], 5000);
    await page.waitForFunction(() => window.vornak.time > 1, { timeout: 30000, polling: 50 });
    problems.length = 0; // the damaged files' own console errors
  },

  // The engine's example, moved over but for its window.
  async quad() {
    // The example's page names no icon; the browser's ask for one is not the example's error.
    const page = await openPage(960, 540, '/examples/quad.html', { '/favicon.ico': { status: 204 } });
    await page.waitForFunction(() => {
      const g = document.createElement('canvas').getContext('2d');
      g.drawImage(document.getElementById('canvas'), 0, 0);
      const p = g.getImageData(150, 75, 1, 1).data;
      return p[0] + p[1] + p[2] > 30;
    }, { timeout: 30000, polling: 100 });
  },
};

const chosen = process.argv.length > 2 ? process.argv.slice(2) : Object.keys(groups);
for (const name of chosen) {
  const began = Date.now();
  problems = [];
  try {
    console.log(`web test ${name}`);
    await groups[name]();
    if (problems.length) throw new Error(`console errors: ${problems.join(' | ')}`);
    console.log(`web test ${name}: passed (${((Date.now() - began) / 1000).toFixed(1)} s)`);
  } catch (e) {
    failures.push(name);
    console.log(`web test ${name}: FAILED: ${e.message}`);
  }
  for (const page of await browser.pages()) await page.close();
}
if (foreign.length) failures.push('origin');
console.log(`web test origin: ${foreign.length ? `FAILED: requests left the page's origin: ${foreign.join(', ')}`
                                               : 'passed (no request left 127.0.0.1)'}`);
await browser.close();
await server.close();
process.exit(failures.length ? 1 : 0);
