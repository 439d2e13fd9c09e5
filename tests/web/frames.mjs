// Frame comparison between the page and the desktop program.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { readPng } from './browser.mjs';

export const repo = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const vornak = process.env.VORNAK || path.join(repo, 'build/test/vornak');
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vornak-frames-'));
process.on('exit', () => fs.rmSync(folder, { recursive: true, force: true }));

// The desktop program's frame at t seconds, as `vornak --capture F.png --at T --size WxH`,
// of the built-in show or, given a show, as `vornak --show SHOW ...`.
const shows = new Map(); // show -> the prefix of its frames' names
export function desktopFrame(t, width, height, show = null) {
  if (show && !shows.has(show)) shows.set(show, `show${shows.size + 1}-`);
  const out = path.join(folder, `${show ? shows.get(show) : ''}at-${t}-${width}x${height}.png`);
  if (!fs.existsSync(out)) {
    execFileSync(vornak, [...(show ? ['--show', show] : []), '--capture', out, '--at', String(t),
                          '--size', `${width}x${height}`],
                 { cwd: repo, stdio: ['ignore', 'ignore', 'pipe'] });
  }
  return readPng(out);
}

// Channel differences of two RGBA frames of one size: the largest, the mean,
// and the share of pixels with any channel off by more than `far`.
export function compare(a, b, far = 16) {
  if (a.width !== b.width || a.height !== b.height) throw new Error(`sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
  let max = 0, sum = 0, farPixels = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    const d = [0, 1, 2].map((c) => Math.abs(a.data[i + c] - b.data[i + c]));
    const pixelMax = Math.max(...d);
    sum += d[0] + d[1] + d[2];
    max = Math.max(max, pixelMax);
    if (pixelMax > far) ++farPixels;
  }
  const pixels = a.data.length / 4;
  return { max, mean: sum / (pixels * 3), far: farPixels / pixels };
}
