// What the browser tests and the browser benchmark share: a static server for
// build/web on 127.0.0.1, and Debian's chromium or firefox-esr, headless, with
// no network of their own.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import pngjs from 'pngjs';

const { PNG } = pngjs;

// wasm compiles while streaming only when served as application/wasm.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.json': 'application/json', '.gz': 'application/gzip' };

// Serves folder; resolves to { origin, close(), requests, serveFrom(folder), holdBack(path) }.
// requests: every path asked for, with its query. holdBack(path) keeps that
// file's answer back until the function it returns is called. With cache, the
// files say a browser may keep them for an hour (index.html: ask each time),
// as a static host's might; without, nothing is kept.
export function serve(folder, { cache = false } = {}) {
  let root = path.resolve(folder);
  const requests = [];
  const held = new Map();
  const server = http.createServer(async (req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const name = decodeURIComponent(url.pathname);
    requests.push(name + url.search);
    if (held.has(name)) await held.get(name);
    const file = path.join(root, name);
    fs.readFile(file, (err, body) => {
      if (err || !file.startsWith(root + path.sep)) return res.writeHead(404).end();
      const keep = !cache ? 'no-store' : name === '/index.html' ? 'no-cache' : 'max-age=3600';
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                           'Cache-Control': keep }).end(body);
    });
  });
  const holdBack = (name) => {
    let release;
    held.set(name, new Promise((resolve) => (release = resolve)));
    return () => { held.delete(name); release(); };
  };
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    origin: `http://127.0.0.1:${server.address().port}`, requests, holdBack,
    serveFrom: (other) => { root = path.resolve(other); },
    close: () => new Promise((r) => { server.closeAllConnections(); server.close(r); }) })));
}

// Puppeteer's own defaults already keep the browser off the network (no sync,
// updates or background requests) and give it a throw-away profile.
// Chromium draws WebGL2 through SwiftShader; Firefox ESR, driven over
// WebDriver BiDi, through Mesa on the X display (headless, it has no WebGL
// without one) and, having no sound device here, never runs an audio context.
export function launch(browser = 'chromium') {
  if (browser === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: true,
      protocol: 'webDriverBiDi',
    });
  }
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
