// The page around delver in the browser: it loads the program, keeps the
// save folder in IndexedDB, turns DOM events into the game's input, and
// shows what the game says. The address takes the desktop's command line:
//   ?seed=N&frames=N&fps=N&render=fast|literal&input=URL&report&screenshot&autostart
// (input: a script fetched from this site; screenshot: /run/screenshot.bmp
// in the game's file system). window.delver tells a test what happened:
// its state, exit status, report line, output and error lines, files
// (readFile), each game frame's working time, and how many times the save
// folder was flushed to IndexedDB (after every save and load).
'use strict';

(function () {
  const SAVE_FOLDER = '/game/map';
  const SLOT_PARTS = ['mainmap', 'flagmap', 'unit', 'variables'];
  const SLOT_FILE = /^SAVEGAME[12]\.(mainmap|flagmap|unit|variables)$/;
  const LARGEST_SLOT_FILE = 256 * 256 * 180;  // a grid file; the others are smaller
  const TWIN = 256;  // the code of a key's twin: 256 plus the key's own

  // DOM key codes (places on the keyboard, as on a US layout) and the
  // game's virtual keys.
  const KEYS = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: TWIN + 13, ShiftLeft: 16, ShiftRight: TWIN + 16,
    Escape: 27, Space: 32, PageUp: 33, PageDown: 34, NumpadAdd: 107, NumpadSubtract: 109,
    BracketLeft: 219, BracketRight: 221,
  };
  for (let i = 0; i < 26; ++i) KEYS['Key' + String.fromCharCode(65 + i)] = 65 + i;
  for (let i = 0; i < 10; ++i) KEYS['Digit' + i] = 48 + i;
  for (let i = 1; i <= 12; ++i) KEYS['F' + i] = 111 + i;

  const EVENT = { keyDown: 1, keyUp: 2, button: 3 };

  const $ = (id) => document.getElementById(id);
  const canvas = $('canvas');
  const params = new URLSearchParams(location.search);

  const delver = {
    state: 'loading', exitStatus: null, report: null, output: [], errors: [], frameTimes: [], flushes: 0,
    readFile(path) {
      try { return Module.FS.readFile(path); } catch (e) { return null; }
    },
  };
  window.delver = delver;

  function setStatus(text) { $('status').textContent = text; }

  function showMessage(caption, text, error) {
    const p = document.createElement('p');
    p.textContent = caption ? caption + ': ' + text : text;
    if (error) p.className = 'error';
    $('messages').appendChild(p);
    while ($('messages').childNodes.length > 6) $('messages').removeChild($('messages').firstChild);
  }

  function fail(text) {
    delver.state = 'failed';
    setStatus(text);
    $('start').disabled = true;
  }

  // --- the command line ---------------------------------------------------
  function commandLine() {
    const args = ['-C', '/game'];
    const number = (name) => {
      const v = params.get(name);
      if (v !== null && /^-?[0-9]+$/.test(v)) args.push('--' + name, v);
      else if (v !== null) throw new Error('"' + name + '" in the address must be a whole number');
    };
    number('seed');
    number('frames');
    number('fps');
    const render = params.get('render');
    if (render !== null) args.push('--render', render);
    if (params.has('input')) args.push('--input', '/run/input.txt');
    if (params.has('report')) args.push('--report');
    if (params.has('screenshot')) args.push('--screenshot', '/run/screenshot.bmp');
    return args;
  }

  // --- input: queued here, taken by the game at the end of each frame -------
  const queue = [];
  const down = new Set();
  const cursor = { x: 0, y: 0 };

  canvas.addEventListener('keydown', (e) => {
    const code = KEYS[e.code];
    if (code === undefined) return;
    e.preventDefault();  // F1, F5, Tab, Backspace ... belong to the game here
    if (e.repeat || down.has(code)) return;
    down.add(code);
    queue.push({ kind: EVENT.keyDown, code });
  });
  canvas.addEventListener('keyup', (e) => {
    const code = KEYS[e.code];
    if (code === undefined) return;
    e.preventDefault();
    if (down.delete(code)) queue.push({ kind: EVENT.keyUp, code });
  });
  // Keys let go while the canvas had no focus would stay down for ever.
  canvas.addEventListener('blur', () => {
    for (const code of down) queue.push({ kind: EVENT.keyUp, code });
    down.clear();
  });
  window.addEventListener('mousemove', (e) => {
    const r = canvas.getBoundingClientRect();
    cursor.x = Math.round(e.clientX - r.left);
    cursor.y = Math.round(e.clientY - r.top);
  });
  canvas.addEventListener('mousedown', (e) => {
    canvas.focus();
    if (e.button === 0 || e.button === 2) queue.push({ kind: EVENT.button, code: e.button });
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  // --- what the backend calls ----------------------------------------------
  const yieldNow = () => new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = () => resolve();
    channel.port2.postMessage(0);
  });

  const page = {
    nextEvent: () => queue.shift() || null,
    get cursorX() { return cursor.x; },
    get cursorY() { return cursor.y; },
    setCanvasSize(width, height) {
      canvas.width = width;
      canvas.height = height;
      canvas.style.width = width + 'px';
      canvas.style.height = height + 'px';
    },
    setCursorVisible(visible) { canvas.style.cursor = visible ? 'default' : 'none'; },
    message: showMessage,
    frameTime(ms) {
      if (delver.frameTimes.length < 100000) delver.frameTimes.push(ms);
    },
    // Unpaced (ms < 0): only a turn for the page. Paced: the display's next
    // frame at or after the due time.
    waitForFrame(ms) {
      if (ms < 0) return yieldNow();
      const due = performance.now() + ms;
      return new Promise((resolve) => {
        const tick = () => (performance.now() >= due - 2 ? resolve() : requestAnimationFrame(tick));
        requestAnimationFrame(tick);
      });
    },
    flushSaves() {
      return new Promise((resolve) => {
        Module.FS.syncfs(false, (err) => {
          if (err) showMessage('SAVE', 'the browser did not keep the save: ' + err, true);
          else delver.flushes += 1;
          resolve();
        });
      });
    },
    ended(status) {
      delver.exitStatus = status;
      delver.state = 'ended';
      canvas.style.cursor = 'default';
      $('endedText').textContent = status === 0 ? 'The game has ended.' : 'The game has ended (exit status ' + status + ').';
      // A game that could not start or ended in error said why on stderr.
      if (status !== 0 && delver.errors.length) showMessage('', delver.errors[delver.errors.length - 1], true);
      $('ended').hidden = false;
      setStatus('Ended.');
    },
  };

  // --- save slots on the player's disk -------------------------------------
  function downloadSlot(slot) {
    let found = 0;
    for (const part of SLOT_PARTS) {
      const name = 'SAVEGAME' + slot + '.' + part;
      const bytes = delver.readFile(SAVE_FOLDER + '/' + name);
      if (!bytes) continue;
      const a = document.createElement('a');
      a.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
      a.download = name;
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(a.href), 60000);
      ++found;
    }
    showMessage('', found ? 'Slot ' + slot + ': ' + found + ' files downloaded.' : 'Slot ' + slot + ' is empty.', !found);
  }

  async function uploadSlotFiles(files) {
    if (!window.Module || !Module.FS || delver.state === 'loading' || delver.state === 'failed') {
      showMessage('', 'The game is not loaded, so there is nowhere to put slot files yet.', true);
      return;
    }
    let taken = 0;
    for (const file of files) {
      if (!SLOT_FILE.test(file.name) || file.size > LARGEST_SLOT_FILE) {
        showMessage('', file.name + ' is not a save slot file (SAVEGAME1.mainmap and the like); left out.', true);
        continue;
      }
      const bytes = new Uint8Array(await file.arrayBuffer());
      // Written aside, then renamed, so the game never reads half a file.
      const path = SAVE_FOLDER + '/' + file.name;
      Module.FS.writeFile(path + '.upload', bytes);
      Module.FS.rename(path + '.upload', path);
      ++taken;
    }
    if (taken) {
      await page.flushSaves();
      showMessage('', taken + ' slot files loaded; press F7 or F8 in the game to load the slot.', false);
    }
  }

  document.querySelectorAll('[data-download]').forEach((b) =>
    b.addEventListener('click', () => downloadSlot(b.dataset.download)));
  $('upload').addEventListener('change', (e) => {
    uploadSlotFiles(Array.from(e.target.files)).finally(() => { e.target.value = ''; });
  });

  // --- starting ----------------------------------------------------------
  async function start() {
    if (delver.state !== 'ready') return;
    let args;
    try {
      args = commandLine();
      Module.FS.mkdirTree('/run');
      if (params.has('input')) {
        // Only a script of this site: the address must not make the page
        // fetch from elsewhere.
        const url = new URL(params.get('input'), location.href);
        if (url.origin !== location.origin) throw new Error('the input script must come from this site');
        const response = await fetch(url);
        if (!response.ok) throw new Error('the input script ' + params.get('input') + ' could not be fetched');
        Module.FS.writeFile('/run/input.txt', new Uint8Array(await response.arrayBuffer()));
      }
    } catch (e) {
      fail('Cannot start: ' + e.message);
      return;
    }
    delver.state = 'running';
    $('start').disabled = true;
    setStatus('Playing. Escape ends the game.');
    canvas.focus();
    Module.callMain(args);
  }

  $('start').addEventListener('click', start);
  $('restart').addEventListener('click', () => location.reload());

  function webglAvailable() {
    try {
      const probe = document.createElement('canvas');
      return !!(probe.getContext('webgl') || probe.getContext('experimental-webgl'));
    } catch (e) {
      return false;
    }
  }

  if (!webglAvailable()) {
    $('nowebgl').hidden = false;
    fail('WebGL is missing: the game cannot be shown in this browser.');
    return;
  }

  window.Module = {
    canvas,
    delverPage: page,
    print(line) {
      delver.output.push(line);
      if (line.startsWith('{"frames":')) delver.report = line;
      console.log(line);
    },
    printErr(line) {
      delver.errors.push(line);
      console.warn(line);
    },
    // The save folder comes from IndexedDB before the game starts.
    preRun: [() => {
      const FS = Module.FS;
      FS.mkdirTree(SAVE_FOLDER);
      FS.mount(Module.IDBFS, {}, SAVE_FOLDER);
      Module.addRunDependency('saves');
      FS.syncfs(true, (err) => {
        if (err) showMessage('SAVE', 'the saves kept in this browser could not be read: ' + err, true);
        Module.removeRunDependency('saves');
      });
    }],
    onRuntimeInitialized() {
      // The default overworld plan, as shipped, beside the saves.
      Module.FS.writeFile(SAVE_FOLDER + '/1.overworld', Module.FS.readFile('/pack/1.overworld'));
      delver.state = 'ready';
      $('start').disabled = false;
      setStatus('Ready: press Start, then play with the keys below.');
      if (params.has('autostart')) start();
    },
    onAbort(what) {
      fail('The game stopped with an error: ' + what);
    },
  };

  const script = document.createElement('script');
  script.src = 'delver.js';
  script.onerror = () => fail('delver.js could not be loaded.');
  document.body.appendChild(script);
})();
