// What the browser tests and the browser benchmark share: a static server for
// build/web on 127.0.0.1, and Debian's chromium, headless, with WebGL2 through
// SwiftShader and no network of its own.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';
import puppeteer from 'puppeteer-core';
import pngjs from 'pngjs';

const { PNG } = pngjs;

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.json': 'application/json', '.wasm': 'application/wasm', '.data': 'application/octet-stream',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.mp3': 'audio/mpeg', '.fs': 'text/plain', '.vs': 'text/plain',
};

// Serves folder; resolves to { origin, close() }.
export function serve(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const file = path.join(root, decodeURIComponent(url.pathname === '/' ? '/index.html' : url.pathname));
    if (!file.startsWith(root + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, body) => {
      if (err) {
        res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
        return;
      }
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                           'Cache-Control': 'no-store' });
      res.end(body);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      resolve({ origin: `http://127.0.0.1:${port}`, close: () => new Promise((r) => server.close(r)) });
    });
  });
}

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vornak-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [
      '--no-sandbox', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage',
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      // The page's sound starts on a click; headless has no speakers, only the clock matters.
      '--autoplay-policy=no-user-gesture-required',
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
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
  const png = PNG.sync.read(Buffer.from(shot.url.slice(shot.url.indexOf(',') + 1), 'base64'));
  return { width: png.width, height: png.height, data: png.data, time: shot.time };
}

export function readPng(file) {
  const png = PNG.sync.read(fs.readFileSync(file));
  return { width: png.width, height: png.height, data: png.data };
}
