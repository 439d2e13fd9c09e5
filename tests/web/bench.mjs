// The browser figures of scripts/bench: the page's load to "ready" from a local
// server and on a phone's slow link, and the frame time of each scene at 1920x1080 in headless chromium
// (SwiftShader), each frame read back before the next as the desktop
// frame_bench finishes its frames.
//   node tests/web/bench.mjs [--loads N] [--frames N] [--desktop FRAME_BENCH_LOG]
import fs from 'node:fs';
import { serve, launch, waitForState } from './browser.mjs';
import { repo } from './frames.mjs';

const arg = (name, fallback) => {
  const i = process.argv.indexOf(name);
  return i > 0 ? Number(process.argv[i + 1]) : fallback;
};
const loads = arg('--loads', 7);
const frames = arg('--frames', 20);
const scenes = [['title', 1], ['wipe moving', 3.8], ['finished wipe + overlay', 9], ['toys', 11],
                ['candy', 14.5], ['church window', 19], ['second wipe', 21]];

// The desktop's ms/frame by scene, from frame_bench's lines "<scene> (t=<t>)  <ms>  <ratio>".
const desktop = new Map();
const log = process.argv.indexOf('--desktop');
if (log > 0 && fs.existsSync(process.argv[log + 1])) {
  for (const line of fs.readFileSync(process.argv[log + 1], 'utf8').split('\n')) {
    const m = /^(.*\(t=[0-9.]+\))\s+([0-9.]+)\s+[0-9.]+x?$/.exec(line.trim());
    if (m) desktop.set(m[1].trim(), Number(m[2]));
  }
}

const server = await serve(`${repo}/build/web`);
const browser = await launch();
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];

const times = [];
for (let i = 0; i < loads; ++i) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720 });
  const began = Date.now();
  await page.goto(`${server.origin}/index.html`);
  await waitForState(page, ['ready']);
  times.push(Date.now() - began);
  await page.close();
}
console.log(`web load to "ready" (127.0.0.1, 1280x720), median of ${loads}: ${median(times)} ms ` +
            `(range ${Math.min(...times)}-${Math.max(...times)} ms)`);

// Play on a phone outdoors (390x844 at pixel ratio 3, 1.6 Mbit/s with 150 ms
// latency), from the page's opening to the Play prompt.
const phone = [];
for (let i = 0; i < 3; ++i) {
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
  await page.emulateNetworkConditions({ download: 200000, upload: 100000, latency: 150 });
  await page.goto(`${server.origin}/index.html`);
  await waitForState(page, ['ready']);
  phone.push(await page.evaluate(() => performance.getEntriesByName('vornak-ready')[0].startTime));
  await page.close();
}
const play = median(phone) / 1000;
console.log(`web Play on a phone's slow link, median of 3: ${play.toFixed(2)} s (range ` +
            `${(Math.min(...phone) / 1000).toFixed(2)}-${(Math.max(...phone) / 1000).toFixed(2)} s)`);

const page = await browser.newPage();
await page.setViewport({ width: 1920, height: 1080 });
await page.goto(`${server.origin}/index.html?at=1`);
await waitForState(page, ['ready']);
// Every picture in, so no frame below waits for one.
await page.waitForFunction(() => window.vornak.loaded, { timeout: 60000 });
console.log(`web frame (1920x1080)           browser ms   desktop ms   browser / desktop  (mean of ${frames})`);
for (const [name, t] of scenes) {
  const label = `${name} (t=${t})`;
  const ms = await page.evaluate((t, n) => window.Module._vornakFrameMilliseconds(t, n), t, frames);
  const d = desktop.get(label);
  console.log(`${label.padEnd(30)} ${ms.toFixed(2).padStart(10)} ${d ? d.toFixed(2).padStart(12) : '           -'}` +
              `${d ? (ms / d).toFixed(2).padStart(15) + 'x' : ''}`);
}
await browser.close();
await server.close();

// The sizes, as scripts/bench's target lines: code for a phone on a slow line.
const size = (f) => fs.statSync(`${repo}/build/web/${f}`).size;
const folder = (dir) => fs.readdirSync(dir, { withFileTypes: true })
  .reduce((sum, e) => sum + (e.isDirectory() ? folder(`${dir}/${e.name}`) : fs.statSync(`${dir}/${e.name}`).size), 0);
const code = size('vornak.wasm.gz') + size('vornak.js.gz') + size('page.js');
const all = folder(`${repo}/build/web`);
const mb = (n) => `${(n / 1e6).toFixed(2)} MB`;
console.log(`target: web code (wasm and JavaScript, gzipped as sent) | ${mb(code)} | <= 1.5 MB | ${code <= 1.5e6 ? 'PASS' : 'FAIL'}`);
console.log(`target: web Play on a phone's slow link (1.6 Mbit/s, 150 ms) | ${play.toFixed(2)} s | <= 8 s | ${play <= 8 ? 'PASS' : 'FAIL'}`);
console.log(`target: web folder (with the quad example) | ${mb(all)} | <= 4.5 MB | ${all <= 4.5e6 ? 'PASS' : 'FAIL'}`);
