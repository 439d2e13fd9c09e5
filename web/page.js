// The page around the show. It loads the code, the music and the first
// scene's pictures, then offers Play, and loads the rest while the show plays,
// in the order the show draws it; it plays the music through Web Audio and
// keeps the show's clock on it, or on the page's own clock, silently, where
// the audio context never runs. The clock and the sound stop together while
// the page is hidden or a picture is late. The frames are drawn by
// vornak.wasm (web/main.cpp), which asks this page for the time every frame.
//
// window.vornak, for tests and embedding:
//   state   "loading", "ready", "playing" or "ended"
//   time    the show time, in seconds, of the frame last drawn
//   sound   the music's position at that frame (before the output's latency),
//           or null while none is heard
//   loaded  true once every file is in
// performance.mark "vornak-ready" is set when Play is first offered.
// index.html?at=T draws the frame at T seconds and holds it, without sound.
//
// files.json (written by web/Manifest.cmake), which index.html names with
// its build's hash:
//   {"show": NAME,              the show file main() reads (its argument), when
//                               not the built-in data/show.toml
//    "music": [NAME, ...],      the music; the first form this browser decodes plays
//    "files": [{"name", "size", "hash", "kind"}, ...]}
//   kind: "code" (vornak.js.gz, vornak.wasm.gz, which the page unpacks),
//   "music", "picture", or "start": a file main() reads (shaders), written
//   into the file system before it runs. size is the bytes over the link.
//   Every file is fetched as NAME?v=HASH, so the browser may keep it and a
//   new build is never mixed with an old cached file. The page loads the
//   code, the start files and the music first, then the pictures need()
//   names, and offers Play once the music is decoded and the first frame
//   drawn.
//
// Between this page and the wasm: Module.vornakPage, whose functions
// web/main.cpp calls (times in seconds):
//   need(list, end) once, from main(), when the show is made: [{file, at}],
//                   every picture it draws, in the order it first draws them,
//                   `at` the start of the first scene that does. The page
//                   fetches them in that order and writes each into the file
//                   system at its name ("data/toys.jpg") as it comes. end:
//                   the last scene's end, where a show without music ends.
//   arrived(file)   true once the file is there, or will never come (the
//                   engine's line then names it; the scene draws without it).
//   waiting(on)     true: the frame at the clock's time lacks a picture; the
//                   last frame stays, the clock and the sound stop until
//                   waiting(false).
//   playingTime()   the show time while playing, else -1.
//   heldTime()      T of ?at=T, else -1 (the wasm holds the first frame).
//   frameDrawn(t)   after each frame drawn.
//   start()         a click, a tap or a key.
//   failed()        the show cannot start (no WebGL2).
'use strict';

(function () {
  const vornak = (window.vornak = { state: 'loading', time: 0, sound: null, loaded: false });
  const progress = document.getElementById('progress');
  const bar = progress.querySelector('.bar div');
  const progressLine = progress.querySelector('.line');
  const prompt = document.getElementById('prompt');
  const turn = document.getElementById('turn');
  const waitingMark = document.getElementById('waiting');
  const messages = document.getElementById('messages');
  const filesJson = document.currentScript.dataset.files;
  const pageJs = document.currentScript.src;

  // One visible line per problem, as the desktop program writes it on standard error.
  function say(line) {
    messages.hidden = false;
    messages.textContent += (messages.textContent ? '\n' : '') + line;
    console.warn(line);
  }

  let at = null;
  const query = new URLSearchParams(location.search);
  if (query.has('at')) {
    at = Number(query.get('at'));
    if (query.get('at') === '' || !Number.isFinite(at) || at < 0) {
      say('?at=' + query.get('at') + ': not a time in seconds; the show plays instead');
      at = null;
    }
  }

  // ---- The show's clock: the sound heard, or the page's own without a sound device ----
  let track = null; // the decoded music, or null without it
  let musicSettled = at !== null; // decoded, or given up
  let context = null;
  let source = null;
  let sound = null; // { when, offset }: the source plays `offset` at the context's time `when`
  let silent = null; // { base, since }: the show time `base` at performance.now() `since` (null: paused)
  const pausedFor = new Set(); // 'hidden', 'waiting'
  let run = 0; // one per Play, so a late callback of an earlier run does nothing
  let lastSound = null;
  let showEnd = 0; // the last scene's end, from need()

  function latency() {
    return context.outputLatency || context.baseLatency || 0;
  }

  // The show time on the clock now; below 0 until the sound has started.
  function clockTime() {
    if (silent) return silent.base + (silent.since === null ? 0 : (performance.now() - silent.since) / 1000);
    return sound.offset + context.currentTime - sound.when - latency();
  }

  function stopSound() {
    if (!source) return;
    source.onended = null;
    try {
      source.stop();
    } catch (e) {
      // Never started: nothing to stop.
    }
    source.disconnect();
    source = null;
  }

  // The music from `offset` seconds on, heard when the show's time is `offset`.
  function playSound(offset) {
    stopSound();
    source = context.createBufferSource();
    // Without music the clock still runs on the audio context, for the show's length.
    source.buffer = track || context.createBuffer(1, Math.max(1, Math.round(context.sampleRate * showEnd)), context.sampleRate);
    source.connect(context.destination);
    const when = context.currentTime + 0.05;
    source.start(when, offset);
    sound = { when, offset };
    const thisRun = run;
    source.onended = () => {
      if (run === thisRun) end();
    };
  }

  // Where the audio context does not run (no sound device), the page's own
  // clock keeps the show going, silently, from where it stands.
  function goSilent() {
    stopSound();
    silent = { base: Math.max(0, clockTime()), since: pausedFor.size ? null : performance.now() };
    say('no sound device: the audio does not start here, so the show plays silently on the page\'s clock');
  }

  // The sound came after all: it joins the show where the show is.
  function joinSound() {
    if (!silent || silent.since === null || context.state !== 'running' || vornak.state !== 'playing') return;
    const t = clockTime();
    silent = null;
    playSound(t + 0.05 + latency());
    console.info('the sound started: the show follows it from ' + t.toFixed(2) + ' s');
  }

  function pause(reason) {
    if (vornak.state !== 'playing' || pausedFor.has(reason)) return;
    pausedFor.add(reason);
    if (pausedFor.size > 1) return;
    if (silent) {
      silent.base = clockTime();
      silent.since = null;
    } else {
      context.suspend();
    }
  }

  function resume(reason) {
    if (!pausedFor.delete(reason) || pausedFor.size) return;
    if (silent) {
      silent.since = performance.now();
      joinSound();
    } else {
      context.resume();
    }
  }

  function end() {
    stopSound();
    pausedFor.clear();
    waitingMark.hidden = true;
    vornak.state = 'ended';
    prompt.textContent = 'Play again';
    prompt.hidden = false;
  }

  function start() {
    if (vornak.state !== 'ready' && vornak.state !== 'ended') return;
    if (at !== null) return;
    // Full-screen where the browser allows it; Esc leaves it, as browsers do.
    const root = document.documentElement;
    if (!document.fullscreenElement && root.requestFullscreen) root.requestFullscreen().catch(() => {});
    if (!context) {
      context = new AudioContext();
      context.onstatechange = joinSound;
    }
    ++run;
    pausedFor.clear();
    const wasSilent = silent !== null;
    silent = null;
    context.resume();
    vornak.state = 'playing';
    prompt.hidden = true;
    turn.hidden = true;
    if (wasSilent && context.state !== 'running') {
      // Known from the last run: no second line, no second wait.
      silent = { base: 0, since: performance.now() };
      return;
    }
    playSound(0);
    const thisRun = run;
    setTimeout(() => {
      if (run === thisRun && vornak.state === 'playing' && !silent && context.state !== 'running') goSilent();
    }, 500);
  }

  document.addEventListener('visibilitychange', () => {
    if (document.hidden) pause('hidden');
    else resume('hidden');
  });

  // ---- Portrait: a hint to turn the phone, until it is turned or the show starts ----
  const portrait = window.matchMedia('(orientation: portrait)');
  function showTurnHint() {
    turn.hidden = !portrait.matches || vornak.state === 'playing' || vornak.state === 'ended';
  }
  portrait.addEventListener('change', showTurnHint);
  showTurnHint();

  // ---- Loading ----
  const files = new Map(); // name -> { name, size, hash, kind, wanted, state, bytes }
  let done = 0; // bytes in
  let FS = null; // Emscripten's file system, from just before main()
  let stopped = false;

  const mb = (n) => (n / 1e6).toFixed(1);
  function showProgress() {
    let total = 0;
    let left = false;
    for (const f of files.values()) {
      if (!f.wanted) continue;
      total += f.size;
      left = left || (f.state !== 'in' && f.state !== 'failed');
    }
    bar.style.width = Math.min(100, (100 * done) / (total || 1)) + '%';
    progressLine.textContent = 'Loading \u2026 ' + mb(Math.min(done, total)) + ' of ' + mb(total) + ' MB';
    if (!left && files.size && !vornak.loaded) {
      vornak.loaded = true;
      progress.hidden = true;
    }
  }

  // The file's bytes, or null. A data file that does not come is named by the
  // engine's own line when it reads it, so the page's is only in the console.
  async function fetchFile(f) {
    f.wanted = true;
    f.state = 'loading';
    showProgress();
    let bytes = null;
    try {
      // A name may hold the URL's own delimiters (a show's "photo #1.jpg"); the rest the browser escapes.
      const response = await fetch(f.name.replace(/[%#?]/g, encodeURIComponent) + '?v=' + f.hash);
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      const reader = response.body.getReader();
      const chunks = [];
      let length = 0;
      for (;;) {
        const { done: end, value } = await reader.read();
        if (end) break;
        chunks.push(value);
        length += value.length;
        done += value.length;
        showProgress();
      }
      bytes = new Uint8Array(length);
      let offset = 0;
      for (const c of chunks) {
        bytes.set(c, offset);
        offset += c.length;
      }
    } catch (e) {
      const line = f.name + ': cannot load: ' + (e && e.message ? e.message : e);
      if (f.kind === 'code' || f.kind === 'music') say(line);
      else console.warn(line);
    }
    f.state = bytes ? 'in' : 'failed';
    showProgress();
    return bytes;
  }

  function writeFile(name, bytes) {
    const parts = name.split('/');
    for (let i = 1; i < parts.length; ++i) {
      const folder = '/' + parts.slice(0, i).join('/');
      if (!FS.analyzePath(folder).exists) FS.mkdir(folder);
    }
    FS.writeFile('/' + name, bytes);
  }

  // A data file into the file system as it comes, or, before there is one,
  // when there is (just before main()).
  async function loadData(f) {
    const bytes = await fetchFile(f);
    if (bytes && FS) writeFile(f.name, bytes);
    else f.bytes = bytes;
  }

  // The code comes gzipped whatever the server does. A server that sends a
  // .gz file as a gzip encoding leaves the browser to unpack it already.
  async function unpack(name, bytes) {
    if (!name.endsWith('.gz') || bytes[0] !== 0x1f || bytes[1] !== 0x8b) return bytes;
    try {
      const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      return new Uint8Array(await new Response(stream).arrayBuffer());
    } catch (e) {
      say(name + ': cannot unpack: ' + (e && e.message ? e.message : e) + ' (this browser is too old for the show)');
      return null;
    }
  }

  // The music's bytes come before the pictures'.
  let musicFetched = null;
  const musicIn = new Promise((resolve) => (musicFetched = resolve));

  // Whether the page itself came faster than 1.25 MB/s (its first byte to its
  // last, so not the latency). On such a link the MP3's larger bytes cost less
  // time than the Opus's slower decode, and every file may come at once; on a
  // slower one, or when it is not known (the files were cached), the Opus,
  // and each file in its turn.
  function linkIsFast() {
    const entries = [...performance.getEntriesByType('navigation'), ...performance.getEntriesByName(pageJs)];
    const rates = entries
      .filter((e) => e.transferSize > 0 && e.encodedBodySize >= 4000)
      .map((e) => e.encodedBodySize / Math.max(e.responseEnd - e.responseStart, 1));
    return rates.length > 0 && Math.max(...rates) > 1250;
  }

  // The first form of the music this browser decodes; the others stay unfetched.
  async function loadMusic(names) {
    for (const f of files.values()) if (f.kind === 'music') f.wanted = false;
    for (const name of names) {
      const f = files.get(name);
      const bytes = await fetchFile(f);
      musicFetched();
      if (!bytes) continue;
      try {
        // An offline context decodes without the gesture a playing one needs;
        // at the form's own rate (Opus is always 48 kHz, the MP3 44.1), as
        // resampling here costs more than the decode.
        const rate = name.endsWith('.opus') ? 48000 : 44100;
        track = await new OfflineAudioContext(2, 1, rate).decodeAudioData(bytes.buffer);
        break;
      } catch (e) {
        // Another form may decode here (an older browser without Opus).
        console.info(name + ': this browser cannot decode it; trying the next form');
      }
    }
    musicFetched();
    if (!track) say((names[0] || 'the music') + ': no music this browser plays; the show plays without it');
    musicSettled = true;
    becomeReady();
  }

  // The pictures main() names, in its order, two at a time (one starts while
  // the other's last bytes come), after the music's bytes.
  async function loadPictures(pictures) {
    await musicIn;
    let next = 0;
    const worker = async () => {
      while (next < pictures.length && !stopped) await loadData(pictures[next++]);
    };
    await Promise.all([worker(), worker()]);
  }

  let drawnOnce = false;
  function becomeReady() {
    if (vornak.state !== 'loading' || !drawnOnce || !musicSettled) return;
    vornak.state = 'ready';
    performance.mark('vornak-ready');
    if (at === null) prompt.hidden = false;
    // What is left loads while the show plays, with a small line in a corner.
    progress.classList.add('corner');
  }

  const fileName = (file) => file.replace(/^\.?\//, '');

  // What main.cpp calls (Module.vornakPage).
  const page = {
    need(list, end) {
      showEnd = end;
      const named = new Map(list.map(({ file, at: t }) => [fileName(file), t]));
      // Not in files.json: arrived() says so at once and the engine names the file.
      const pictures = [...named.keys()].map((name) => files.get(name)).filter((f) => f && f.state === 'waiting');
      // With ?at=T the pictures of later scenes are not drawn: they come last.
      if (at !== null) pictures.sort((a, b) => (named.get(a.name) > at) - (named.get(b.name) > at));
      for (const f of files.values()) if (f.kind === 'picture' && !named.has(f.name)) f.wanted = false;
      showProgress();
      loadPictures(pictures);
    },
    arrived(file) {
      const f = files.get(fileName(file));
      return !f || f.state === 'in' || f.state === 'failed';
    },
    waiting(on) {
      waitingMark.hidden = !on;
      if (on) pause('waiting');
      else resume('waiting');
    },
    // The show time while the music plays, less the output's latency, so the
    // pictures meet the sound where it is heard; -1 when not playing.
    playingTime() {
      if (vornak.state !== 'playing') return -1;
      const t = Math.max(0, clockTime());
      lastSound = silent ? null : Math.max(0, sound.offset + context.currentTime - sound.when);
      if (silent && t >= (track ? track.duration : showEnd)) {
        end();
        return -1;
      }
      return t;
    },
    heldTime() {
      return at === null ? -1 : at;
    },
    frameDrawn(t) {
      vornak.time = t;
      vornak.sound = vornak.state === 'playing' ? lastSound : null;
      drawnOnce = true;
      becomeReady();
    },
    start,
    // The engine's lines: Info is the shader diagnostics' standard output, the rest are problems to show.
    message(level, line) {
      if (level === 0) console.log(line);
      else say(line);
    },
    failed() {
      stopped = true;
      progress.hidden = true;
    },
  };

  async function load() {
    let list;
    try {
      const response = await fetch(filesJson);
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      list = await response.json();
    } catch (e) {
      say('files.json: cannot load the list of files: ' + e.message);
      progress.hidden = true;
      return;
    }
    for (const f of list.files) files.set(f.name, { ...f, wanted: f.kind !== 'music', state: 'waiting', bytes: null });
    const music = (at === null ? list.music || [] : []).filter((name) => files.has(name));
    // The first form of the music counts from the start; another only once it must be fetched.
    if (music.length) files.get(music[0]).wanted = true;
    showProgress();

    // The code and what main() reads (index.html asked for them as it opened)
    // and the music; after the music's bytes, the pictures main() names, in
    // its order. On a fast link they need not wait for main(): all come at once.
    const fast = linkIsFast();
    if (music.length) {
      loadMusic(fast ? [...music].reverse() : music);
    } else {
      // A silent show: nothing to wait for but its first frame.
      musicSettled = true;
      musicFetched();
    }
    if (fast) musicIn.then(() => [...files.values()].filter((f) => f.kind === 'picture').map(loadData));
    const code = ['vornak.js', 'vornak.wasm'].map((name) => files.get(name + '.gz') || files.get(name));
    const first = [...files.values()].filter((f) => f.kind === 'start');
    const [js, wasm] = await Promise.all([
      ...code.map(async (f) => f && fetchFile(f).then((bytes) => bytes && unpack(f.name, bytes))),
      ...first.map(loadData),
    ]);
    if (!js || !wasm) {
      for (const [i, name] of ['vornak.js', 'vornak.wasm'].entries()) {
        if (!code[i]) say(name + ': not in files.json');
      }
      say('the show cannot start without its code');
      page.failed();
      return;
    }

    window.Module = {
      vornakPage: page,
      canvas: document.getElementById('canvas'),
      wasmBinary: wasm,
      arguments: list.show ? [list.show] : [],
      print: (line) => console.log(line),
      // The engine's own lines come through message(); this is the runtime's.
      printErr: (line) => console.warn(line),
      preRun: [
        () => {
          FS = window.Module.FS;
          for (const f of files.values()) {
            if (f.bytes) writeFile(f.name, f.bytes);
            f.bytes = null;
          }
        },
      ],
    };
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([js], { type: 'text/javascript' }));
    document.body.appendChild(script);
  }

  load();
})();
