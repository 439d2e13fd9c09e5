// What the browser tests and the browser benchmark share: a static server for
// build/web on 127.0.0.1, and Debian's chromium, headless, with WebGL2 through
// SwiftShader and no network of its own.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import pngjs from 'pngjs';

const { PNG } = pngjs;

// wasm compiles while streaming only when served as application/wasm.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.json': 'application/json', '.gz': 'application/gzip' };

// Serves folder; resolves to { origin, close() }.
export function serve(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((req, res) => {
    const file = path.join(root, decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname));
    fs.readFile(file, (err, body) => {
      if (err || !file.startsWith(root + path.sep)) return res.writeHead(404).end();
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                           'Cache-Control': 'no-store' }).end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    origin: `http://127.0.0.1:${server.address().port}`, close: () => new Promise((r) => server.close(r)) })));
}

// Puppeteer's own defaults already keep the browser off the network (no sync,
// updates or background requests) and give it a throw-away profile.
export function launch() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    // The page's sound starts on a click; headless has no speakers, only the clock matters.
    args: ['--no-sandbox', '--disable-quic', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--autoplay-policy=no-user-gesture-required'],
  });
}

// Waits until window.vornak.state is one of states, or fails after ms.
export async function waitForState(page, states, ms = 60000) {
  await page.waitForFunction((s) => window.vornak && s.includes(window.vornak.state), { timeout: ms, polling: 50 },
                             states);
}

// The canvas's pixels (RGBA, top row first) and the show time of the frame
// on it, read in one turn of the page so the two belong together.
export async function canvasPixels(page) {
  const shot = await page.evaluate(() => ({
    url: document.getElementById('canvas').toDataURL('image/png'),
    time: window.vornak.time,
  }));
  const { width, height, data } = PNG.sync.read(Buffer.from(shot.url.split(',')[1], 'base64'));
  return { width, height, data, time: shot.time };
}

export const readPng = (file) => PNG.sync.read(fs.readFileSync(file));
