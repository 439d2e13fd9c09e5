// The page around the show: loads the code and the data with one progress bar,
// plays the music through Web Audio and keeps the show's clock on it, and shows
// the Play prompt. The frames are drawn by vornak.wasm (web/main.cpp), which
// asks this page for the time on every frame.
//
// window.vornak.state: "loading", "ready", "playing" or "ended";
// window.vornak.time: the show time, in seconds, of the frame last drawn.
// index.html?at=T draws the frame at T seconds and holds it, without sound.
'use strict';

(function () {
  const vornak = (window.vornak = { state: 'loading', time: 0 });
  const music = 'data/zararorad.mp3';
  const bar = document.querySelector('#progress div');
  const prompt = document.getElementById('prompt');
  const messages = document.getElementById('messages');

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

  // ---- The sound and the show's clock ----
  let track = null; // the decoded music, or null without it
  let audio = null;
  let source = null;
  let startedAt = 0; // the audio context's time at the track's start
  let ended = false;

  function latency() {
    return audio.outputLatency || audio.baseLatency || 0;
  }

  function start() {
    if (vornak.state !== 'ready' && vornak.state !== 'ended') return;
    if (at !== null) return;
    // Full-screen where the browser allows it; Esc leaves it, as browsers do.
    const root = document.documentElement;
    if (!document.fullscreenElement && root.requestFullscreen) root.requestFullscreen().catch(() => {});
    audio = audio || new AudioContext();
    audio.resume();
    source = audio.createBufferSource();
    // Without music the clock still runs on the audio context, for the show's length.
    source.buffer = track || audio.createBuffer(1, Math.round(audio.sampleRate * 24), audio.sampleRate);
    source.connect(audio.destination);
    startedAt = audio.currentTime + 0.05;
    source.start(startedAt);
    ended = false;
    source.onended = () => {
      ended = true;
      vornak.state = 'ended';
      prompt.textContent = 'Play again';
      prompt.hidden = false;
    };
    prompt.hidden = true;
    vornak.state = 'playing';
  }

  // What main.cpp calls (Module.vornakPage).
  const page = {
    // The show time while the music plays, less the output's latency, so the
    // pictures meet the sound where it is heard; -1 when not playing.
    playingTime() {
      if (vornak.state !== 'playing' || ended) return -1;
      return Math.max(0, audio.currentTime - startedAt - latency());
    },
    // The time of the frame to hold: ?at=T, else -1 (the shell picks the first frame).
    heldTime() {
      return at === null ? -1 : at;
    },
    frameDrawn(t) {
      vornak.time = t;
      if (vornak.state === 'loading') {
        document.getElementById('progress').hidden = true;
        vornak.state = 'ready';
        if (at === null) prompt.hidden = false;
      }
    },
    start,
    // The engine's lines: Info is the shader diagnostics' standard output, the rest are problems to show.
    message(level, line) {
      if (level === 0) console.log(line);
      else say(line);
    },
    failed() {
      document.getElementById('progress').hidden = true;
    },
  };

  // ---- Loading: every file of files.json, with one bar for all their bytes ----
  async function fetchAll(files) {
    const total = files.reduce((sum, f) => sum + f.size, 0) || 1;
    let done = 0;
    const results = await Promise.all(
      files.map(async (f) => {
        let response;
        try {
          response = await fetch(f.name);
        } catch (e) {
          return { name: f.name, error: 'cannot load: ' + e.message };
        }
        if (!response.ok) return { name: f.name, error: 'cannot load: ' + response.status + ' ' + response.statusText };
        const reader = response.body.getReader();
        const chunks = [];
        let length = 0;
        for (;;) {
          const { done: end, value } = await reader.read();
          if (end) break;
          chunks.push(value);
          length += value.length;
          done += value.length;
          bar.style.width = Math.min(100, (100 * done) / total) + '%';
        }
        const bytes = new Uint8Array(length);
        let offset = 0;
        for (const c of chunks) {
          bytes.set(c, offset);
          offset += c.length;
        }
        return { name: f.name, bytes };
      })
    );
    return results;
  }

  async function decodeMusic(bytes) {
    // An offline context decodes without the gesture a playing one needs.
    const decoder = new OfflineAudioContext(2, 1, 44100);
    try {
      return await decoder.decodeAudioData(bytes.buffer);
    } catch (e) {
      say(music + ': cannot decode the music: ' + (e && e.message ? e.message : e));
      return null;
    }
  }

  async function load() {
    let files;
    try {
      const response = await fetch('files.json');
      files = await response.json();
    } catch (e) {
      say('files.json: cannot load the list of files: ' + e.message);
      return;
    }
    const loaded = await fetchAll(files);
    const byName = new Map(loaded.map((f) => [f.name, f]));
    for (const code of ['vornak.js', 'vornak.wasm']) {
      if (!byName.has(code) || byName.get(code).error) {
        say(code + ': ' + (byName.has(code) ? byName.get(code).error : 'not in files.json') + '; the show cannot start');
        page.failed();
        return;
      }
    }
    const sound = byName.get(music);
    if (at === null) {
      if (sound && !sound.error) track = await decodeMusic(sound.bytes);
      else say(music + ': ' + (sound ? sound.error : 'not in files.json') + '; the show plays without music');
    }

    window.Module = {
      vornakPage: page,
      canvas: document.getElementById('canvas'),
      wasmBinary: byName.get('vornak.wasm').bytes,
      print: (line) => console.log(line),
      // The engine's own lines come through message(); this is the runtime's.
      printErr: (line) => console.warn(line),
      preRun: [
        () => {
          const FS = window.Module.FS;
          FS.mkdir('/data');
          for (const f of loaded) {
            if (!f.name.startsWith('data/')) continue;
            // A file that did not come is missing for the engine too, whose
            // line names it, as the desktop program's does.
            if (!f.error) FS.writeFile('/' + f.name, f.bytes);
          }
        },
      ],
    };
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([byName.get('vornak.js').bytes], { type: 'text/javascript' }));
    document.body.appendChild(script);
  }

  load();
})();
