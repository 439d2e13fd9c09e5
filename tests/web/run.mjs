// The show in a real browser: Debian's chromium, headless, WebGL2 through
// SwiftShader, the page served from 127.0.0.1. Frames are compared with the
// desktop program's captures (build/test/vornak, which needs a display).
//   node tests/web/run.mjs [GROUP...]     all groups, or the named ones
import { serve, launch, waitForState, canvasPixels } from './browser.mjs';
import { desktopFrame, compare, cleanUp, repo } from './frames.mjs';

// SwiftShader and Mesa's llvmpipe round differently. Measured at 1280x720 over
// the seven scene times: mean channel difference 0.08-0.26, largest 18, on
// 26 pixels (0.003 %) along the overlay's edge; everything else within 2.
const tolerance = { mean: 1.0, far: 0.0005 };
const sceneTimes = [1, 3.8, 9, 11, 14.5, 19, 21];

const server = await serve(`${repo}/build/web`);
const browser = await launch();
const foreign = []; // requests that left the page's origin
const failures = [];

async function openPage(width, height, query = '', intercept = null) {
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(e.message));
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(server.origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) {
      foreign.push(url);
      request.abort();
    } else if (intercept && intercept(request)) {
      // answered by intercept
    } else {
      request.continue();
    }
  });
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  await page.goto(`${server.origin}/index.html${query}`);
  return { page, problems };
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
    const { page, problems } = await openPage(1280, 720);
    for (const t of sceneTimes) {
      await page.goto(`${server.origin}/index.html?at=${t}`);
      await waitForState(page, ['ready']);
      const web = await canvasPixels(page);
      if (web.time !== t) throw new Error(`?at=${t} drew the frame at ${web.time}`);
      expectFrame(`at ${t} s`, web, desktopFrame(t, 1280, 720));
    }
    if (problems.length) throw new Error(`console errors: ${problems.join(' | ')}`);
    await page.close();
  },

  // Windows of other shapes: black bars, the picture undistorted (as the desktop's).
  async letterbox() {
    for (const [width, height, bars] of [[960, 720, 'above and below'], [1728, 720, 'left and right']]) {
      const { page } = await openPage(width, height, '?at=11');
      await waitForState(page, ['ready']);
      const web = await canvasPixels(page);
      expectFrame(`${width}x${height} at 11 s`, web, desktopFrame(11, width, height));
      // The bars themselves: the outermost rows or columns are black.
      const black = (x, y) => web.data.subarray((y * width + x) * 4, (y * width + x) * 4 + 3).every((v) => v === 0);
      const edges = bars === 'above and below'
        ? [[width / 2, 0], [width / 2, height - 1], [10, 5], [width - 10, height - 5]]
        : [[0, height / 2], [width - 1, height / 2], [5, 10], [width - 5, height - 10]];
      for (const [x, y] of edges) {
        if (!black(x, y)) throw new Error(`${width}x${height}: no black bar at (${x}, ${y})`);
      }
      if (black(width / 2, height / 2)) throw new Error(`${width}x${height}: the picture is missing`);
      await page.close();
    }
  },

  // The canvas follows the device pixel ratio and a resize, and the held frame is redrawn.
  async resize() {
    const { page } = await openPage(640, 360, '?at=11');
    await page.setViewport({ width: 640, height: 360, deviceScaleFactor: 2 });
    await waitForState(page, ['ready']);
    await page.waitForFunction(() => document.getElementById('canvas').width === 1280, { timeout: 30000 });
    await page.setViewport({ width: 960, height: 720, deviceScaleFactor: 1 });
    await page.waitForFunction(() => document.getElementById('canvas').width === 960, { timeout: 30000 });
    await page.waitForFunction(() => window.vornak.time === 11, { timeout: 30000 });
    // One more animation frame, so the redraw after the resize is on the canvas.
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    expectFrame('resized to 960x720 at 11 s', await canvasPixels(page), desktopFrame(11, 960, 720));
    await page.close();
  },

  // The page as a person gets it: load, click, the music's clock, the end.
  async live() {
    const { page, problems } = await openPage(1280, 720);
    await waitForState(page, ['ready']);
    const held = await page.evaluate(() => window.vornak.time);
    if (problems.length) throw new Error(`console errors before Play: ${problems.join(' | ')}`);
    if (!(await page.$eval('#prompt', (e) => !e.hidden && e.textContent === 'Play'))) throw new Error('no Play prompt');
    await page.mouse.click(640, 360);
    await waitForState(page, ['playing'], 5000);

    // The show's time keeps to the clock (the audio context's) from the click.
    const first = await page.evaluate(() => [window.vornak.time, performance.now()]);
    await page.waitForFunction((t) => window.vornak.time > t + 4, { timeout: 30000, polling: 50 }, first[0]);
    const second = await page.evaluate(() => [window.vornak.time, performance.now()]);
    const rate = (second[0] - first[0]) / ((second[1] - first[1]) / 1000);
    console.log(`  held at ${held.toFixed(3)} s before Play; show time ran at ${rate.toFixed(3)}x the page's clock`);
    if (Math.abs(rate - 1) > 0.15) throw new Error(`show time runs at ${rate}x`);

    // The toys at 11 to 13 s: the frame on the canvas is the desktop's at its time.
    await page.waitForFunction(() => window.vornak.time > 11.2, { timeout: 30000, polling: 20 });
    const web = await canvasPixels(page);
    if (web.time > 12.8) throw new Error(`the toys were missed (frame at ${web.time} s)`);
    expectFrame(`live frame at ${web.time.toFixed(3)} s`, web, desktopFrame(web.time, 1280, 720));

    await waitForState(page, ['ended'], 30000);
    const end = await page.evaluate(() => window.vornak.time);
    console.log(`  ended; last frame at ${end.toFixed(3)} s`);
    if (end < 21.9) throw new Error(`ended early, at ${end} s`);
    if (!(await page.$eval('#prompt', (e) => !e.hidden && e.textContent === 'Play again'))) throw new Error('no Play again');
    if (problems.length) throw new Error(`console errors: ${problems.join(' | ')}`);
    await page.close();
  },

  // A damaged picture, a missing one and a shader ES refuses: one line on the
  // page naming each file, and the show goes on.
  async damaged() {
    const replies = {
      '/data/title.png': { status: 200, contentType: 'image/png', body: Buffer.from('\x89PNG\r\n\x1a\nnot a picture') },
      '/data/skipad.jpg': { status: 404, contentType: 'text/plain', body: 'not found' },
      '/data/default.fs': { status: 200, contentType: 'text/plain',
                            body: '#version 410 core\nin vec2 uv;\nuniform double x;\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n' },
    };
    const { page } = await openPage(1280, 720, '', (request) => {
      const reply = replies[new URL(request.url()).pathname];
      if (!reply) return false;
      request.respond(reply);
      return true;
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
    await page.close();
  },

  // The engine's example, moved over but for its window.
  async quad() {
    const page = await browser.newPage();
    await page.setViewport({ width: 960, height: 540 });
    await page.goto(`${server.origin}/examples/quad.html`);
    await page.waitForFunction(() => {
      const c = document.getElementById('canvas');
      const g = document.createElement('canvas').getContext('2d');
      g.drawImage(c, 0, 0);
      const p = g.getImageData(150, 75, 1, 1).data;
      return p[0] + p[1] + p[2] > 30;
    }, { timeout: 30000, polling: 100 });
    await page.close();
  },
};

const chosen = process.argv.length > 2 ? process.argv.slice(2) : Object.keys(groups);
for (const name of chosen) {
  const began = Date.now();
  try {
    console.log(`web test ${name}`);
    await groups[name]();
    console.log(`web test ${name}: passed (${((Date.now() - began) / 1000).toFixed(1)} s)`);
  } catch (e) {
    failures.push(name);
    console.log(`web test ${name}: FAILED: ${e.message}`);
  }
}
if (foreign.length) {
  failures.push('origin');
  console.log(`web test origin: FAILED: requests left the page's origin: ${foreign.join(', ')}`);
} else {
  console.log('web test origin: passed (no request left 127.0.0.1)');
}
await browser.close();
await server.close();
cleanUp();
process.exit(failures.length ? 1 : 0);
