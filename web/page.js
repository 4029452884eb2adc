// The page around delver in the browser: it loads the program, keeps the
// save folder in IndexedDB, turns DOM events (keys, mouse, touch, a game
// controller) into the game's input, fits the picture to the screen, and
// shows what the game says. The address takes the desktop's command line:
//   ?seed=N&frames=N&fps=N&render=fast|literal&input=URL&report&screenshot
//    &record&autostart
// (input: a script fetched from this site; screenshot: /run/screenshot.bmp
// and record: /run/record.txt in the game's file system). window.delver
// tells a test what happened: its state, exit status, report line, output
// and error lines, files (readFile), each game frame's working time, how
// many times the save folder was flushed to IndexedDB (after every save,
// load and slot upload), and the page's own lines (lines).
'use strict';

(function () {
  const SAVE_FOLDER = '/game/map';
  const UPLOAD_FOLDER = '/upload';  // slot files from the disk wait here for the game
  const SETTINGS_FILE = '/game/settings.cfg';
  const SETTINGS_KEPT = 'delver.settings.cfg';  // the settings' copy in the browser's storage
  const PICTURE_W = 320, PICTURE_H = 240;       // the game's own picture
  const TWIN = 256;  // the code of a key's twin: 256 plus the key's own
  const Slots = window.DelverSlots;

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
  const VK = { tab: 9, escape: 27, pageUp: 33, pageDown: 34, z: 90, f5: 116, f7: 118, f9: 120, f10: 121 };

  const EVENT = { keyDown: 1, keyUp: 2, button: 3 };

  const $ = (id) => document.getElementById(id);
  const canvas = $('canvas');
  const play = $('play');  // the picture and the touch controls: what fullscreen shows
  const params = new URLSearchParams(location.search);

  const delver = {
    state: 'loading', exitStatus: null, report: null, output: [], errors: [], frameTimes: [], flushes: 0, lines: [],
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
    delver.lines.push(p.textContent);
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
    if (params.has('record')) args.push('--record', '/run/record.txt');
    if (params.has('report')) args.push('--report');
    if (params.has('screenshot')) args.push('--screenshot', '/run/screenshot.bmp');
    return args;
  }

  // --- input: queued here, taken by the game at the end of each frame -------
  const queue = [];
  const down = new Set();
  const cursor = { x: 0, y: 0 };
  // Look motion (the held pointer's and the look pad's), in mouse counts,
  // fractions kept until they make a whole count.
  const look = { x: 0, y: 0 };
  const press = (code) => queue.push({ kind: EVENT.keyDown, code });
  const release = (code) => queue.push({ kind: EVENT.keyUp, code });
  const click = (button) => queue.push({ kind: EVENT.button, code: button });

  // The held pointer (mouse = captured). The game says each frame whether it
  // wants it; the browser gives it only inside a click, so the click that
  // turns mouse look on asks for it, and a click while the game wants it but
  // the browser let go (Escape, another window) takes it again and does
  // nothing else. captureMode: the player looks with a held pointer;
  // refusals: the browser's refusals in a row (after two, where it will not
  // give the pointer at all, clicks are the game's again).
  const pointer = { wanted: false, captureMode: false, lostAt: -1e9, askedAt: -1e9, refusals: 0 };
  const locked = () => document.pointerLockElement === canvas;
  function holdPointer() {
    // One request at a time: a second one while the first is pending fails.
    if (locked() || !canvas.requestPointerLock || performance.now() - pointer.askedAt < 500) return;
    pointer.askedAt = performance.now();
    const plain = () => {
      try {
        const p = canvas.requestPointerLock();
        if (p && p.catch) p.catch(() => {});
      } catch (e) { /* refused: the next click asks again */ }
    };
    try {
      // Raw motion, without the desktop's pointer acceleration, where offered.
      const p = canvas.requestPointerLock({ unadjustedMovement: true });
      if (p && p.catch) p.catch(plain);
    } catch (e) {
      plain();
    }
  }
  document.addEventListener('pointerlockchange', () => {
    pointer.askedAt = -1e9;
    if (locked()) pointer.refusals = 0;
    else pointer.lostAt = performance.now();
  });
  document.addEventListener('pointerlockerror', () => {
    pointer.askedAt = -1e9;
    pointer.refusals += 1;
  });
  // Focus elsewhere lets the pointer go, as the desktop game does.
  window.addEventListener('blur', () => { if (locked()) document.exitPointerLock(); });

  // Escape that the browser took to let go of the pointer or leave the full
  // screen is not the game's Escape.
  const escapeTaken = () => locked() || !!document.fullscreenElement || performance.now() - pointer.lostAt < 300;

  function keyDown(e) {
    const code = KEYS[e.code];
    if (code === undefined) return false;
    e.preventDefault();  // F1, F5, Tab, Backspace ... belong to the game here
    if (code === VK.escape && escapeTaken()) return true;
    if (e.repeat || down.has(code)) return true;
    down.add(code);
    press(code);
    return true;
  }
  function keyUp(e) {
    const code = KEYS[e.code];
    if (code === undefined) return false;
    e.preventDefault();
    if (down.delete(code)) release(code);
    return true;
  }
  // Keys let go while the game's element had no focus would stay down for ever.
  function letGoOfKeys() {
    for (const code of down) release(code);
    down.clear();
  }
  canvas.addEventListener('keydown', keyDown);
  canvas.addEventListener('keyup', keyUp);
  canvas.addEventListener('blur', letGoOfKeys);

  window.addEventListener('mousemove', (e) => {
    if (locked()) {
      look.x += e.movementX;
      look.y += e.movementY;
      return;
    }
    // The canvas may be shown larger or smaller than it is drawn: the
    // cursor is given in its drawing's pixels, the game's window pixels.
    const r = canvas.getBoundingClientRect();
    if (r.width < 1 || r.height < 1) return;
    cursor.x = Math.round((e.clientX - r.left) * canvas.width / r.width);
    cursor.y = Math.round((e.clientY - r.top) * canvas.height / r.height);
  });
  canvas.addEventListener('mousedown', (e) => {
    e.preventDefault();
    // A click that brings the keyboard back to the game, or takes the
    // pointer again, does only that.
    if (document.activeElement !== canvas) {
      canvas.focus();
      return;
    }
    if (pointer.wanted && !locked() && canvas.requestPointerLock && pointer.refusals < 2) {
      holdPointer();
      return;
    }
    // The right button turns mouse look on: the pointer is asked for now.
    if (e.button === 2 && pointer.captureMode && !pointer.wanted) holdPointer();
    if (e.button === 0 || e.button === 2) click(e.button);
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  // A touch on the picture is never a click on it.
  canvas.addEventListener('touchstart', (e) => e.preventDefault(), { passive: false });

  // --- the picture on the screen ---------------------------------------------
  // The canvas is drawn at the game's size (F1 ... F4: 1x ... 4x) and shown at
  // the largest whole enlargement of the game's picture that fits the space,
  // the game's own at most; where not even 1x fits (a phone held upright),
  // as large as fits with its shape kept. Fullscreen shows it as large as
  // the screen allows, centred on black (scale = fit: not whole).
  // gameThinks: what the game was last told. When the page's button or the
  // browser (Escape) changed it since, F11 turns over what the player sees.
  const fullscreen = { whole: true, gameThinks: false, supported: !!(play.requestFullscreen || play.webkitRequestFullscreen) };
  const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement || null;

  function fitPicture() {
    const full = fullscreenElement() === play;
    let width, height;
    if (full) {
      width = window.innerWidth;
      height = window.innerHeight;
    } else {
      // The page's column, and the window's height less the touch controls
      // below the picture.
      const column = play.parentElement, style = getComputedStyle(column);
      width = column.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
      const below = document.body.classList.contains('touch') ? $('touch').getBoundingClientRect().height + 8 : 0;
      height = window.innerHeight - below - 8;
    }
    const zoom = Math.max(1, Math.round(canvas.width / PICTURE_W));
    const most = Math.floor(Math.min(width / PICTURE_W, height / PICTURE_H));
    const factor = full ? (fullscreen.whole ? most : 0) : Math.min(zoom, most);
    let w, h;
    if (factor >= 1) {
      w = PICTURE_W * factor;
      h = PICTURE_H * factor;
    } else {
      const s = Math.max(0.1, Math.min(width / PICTURE_W, height / PICTURE_H));
      w = Math.floor(PICTURE_W * s);
      h = Math.floor(PICTURE_H * s);
    }
    canvas.style.width = w + 'px';
    canvas.style.height = h + 'px';
  }
  window.addEventListener('resize', fitPicture);
  window.addEventListener('orientationchange', fitPicture);

  async function setFullscreen(on) {
    try {
      if (on && !fullscreenElement()) {
        if (play.requestFullscreen) await play.requestFullscreen({ navigationUI: 'hide' });
        else if (play.webkitRequestFullscreen) play.webkitRequestFullscreen();
      } else if (!on && fullscreenElement()) {
        if (document.exitFullscreen) await document.exitFullscreen();
        else if (document.webkitExitFullscreen) document.webkitExitFullscreen();
      }
    } catch (e) {
      // The browser refused (no click or key to ask in): the page stays.
    }
    return !!fullscreenElement();
  }
  for (const name of ['fullscreenchange', 'webkitfullscreenchange']) {
    document.addEventListener(name, () => {
      if (!fullscreenElement()) pointer.lostAt = performance.now();
      $('fullscreen').textContent = fullscreenElement() ? 'Leave fullscreen' : 'Fullscreen';
      fitPicture();
      if (delver.state === 'running') canvas.focus();
    });
  }
  $('fullscreen').hidden = !fullscreen.supported;
  $('fullscreen').addEventListener('click', () => setFullscreen(!fullscreenElement()));

  // --- touch: a look pad and the game's buttons --------------------------------
  // Each button stands for a key or a click of the desktop game; a held
  // button holds its key. The console's button also brings up the device's
  // keyboard, whose letters are typed into the game's console.
  const LOOK_PER_PIXEL = 3;  // look counts for each pixel a finger drags
  const TOUCH = {
    walk: { button: 0 },
    back: { key: VK.z },
    'layer up': { key: VK.pageUp },
    'layer down': { key: VK.pageDown },
    console: { key: VK.tab, typing: true },
    save: { key: VK.f5 },
    load: { key: VK.f7 },
    map: { key: VK.f9 },
    settings: { key: VK.f10 },
  };
  function showTouchControls() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    fitPicture();
  }
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) showTouchControls();
  window.addEventListener('touchstart', showTouchControls, { passive: true });

  // The device's keyboard types into an invisible field; what it types goes
  // to the game as key taps. A soft keyboard names no keys, so the letters
  // come from the field's input, and one character always stands in it for
  // Backspace to take.
  const typing = $('typing');
  const tap = (code) => { press(code); release(code); };
  const STAND_IN = '_';
  function toggleTyping() {
    if (document.activeElement === typing) {
      canvas.focus();
    } else {
      typing.value = STAND_IN;
      typing.focus();
    }
  }
  const typedByInput = (code) => !code || /^(Key|Digit)/.test(code) || code === 'Space';
  typing.addEventListener('input', (e) => {
    if (e.inputType === 'deleteContentBackward') tap(8);
    else if (e.inputType === 'insertLineBreak') tap(13);
    for (const ch of (e.data || '').toUpperCase()) {
      if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) tap(ch.charCodeAt(0));
      else if (ch === ' ') tap(32);
    }
    typing.value = STAND_IN;
  });
  typing.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') { e.preventDefault(); tap(13); return; }
    if (e.code === 'Backspace') { e.preventDefault(); tap(8); return; }
    if (!typedByInput(e.code)) keyDown(e);
  });
  typing.addEventListener('keyup', (e) => {
    if (!typedByInput(e.code)) keyUp(e);
  });
  typing.addEventListener('blur', letGoOfKeys);

  document.querySelectorAll('[data-touch]').forEach((b) => {
    const what = TOUCH[b.dataset.touch];
    let held = null;
    const start = () => {
      if (what.button !== undefined) click(what.button);
      else press(what.key);
    };
    const end = () => {
      if (what.key !== undefined) release(what.key);
      if (what.typing) toggleTyping();
    };
    b.addEventListener('pointerdown', (e) => {
      e.preventDefault();  // no focus move, no mouse events made up from the touch
      if (held !== null) return;
      held = e.pointerId;
      if (b.setPointerCapture) b.setPointerCapture(e.pointerId);
      start();
    });
    const up = (e) => {
      if (held !== e.pointerId) return;
      held = null;
      end();
    };
    b.addEventListener('pointerup', up);
    b.addEventListener('pointercancel', up);
    b.addEventListener('lostpointercapture', up);
    // From the keyboard (Enter or Space on the focused button): a tap.
    b.addEventListener('click', (e) => {
      if (e.detail !== 0) return;
      start();
      end();
    });
    b.addEventListener('touchstart', (e) => e.preventDefault(), { passive: false });
  });

  const pad = $('lookpad');
  let dragging = null;
  pad.addEventListener('pointerdown', (e) => {
    e.preventDefault();
    dragging = { id: e.pointerId, x: e.clientX, y: e.clientY };
    if (pad.setPointerCapture) pad.setPointerCapture(e.pointerId);
  });
  pad.addEventListener('pointermove', (e) => {
    if (!dragging || dragging.id !== e.pointerId) return;
    look.x += (e.clientX - dragging.x) * LOOK_PER_PIXEL;
    look.y += (e.clientY - dragging.y) * LOOK_PER_PIXEL;
    dragging.x = e.clientX;
    dragging.y = e.clientY;
  });
  for (const name of ['pointerup', 'pointercancel', 'lostpointercapture'])
    pad.addEventListener(name, (e) => { if (dragging && dragging.id === e.pointerId) dragging = null; });
  pad.addEventListener('touchstart', (e) => e.preventDefault(), { passive: false });

  // --- a game controller (the Gamepad API, standard layout) -------------------
  // The backend reads it once a frame and treats it as the desktop's
  // controller: buttons as keys, triggers and the left stick as keys past
  // half way, the right stick turning the view. Several controllers play
  // together: any one holds a button, the farthest stick counts.
  const PAD_AXIS = 32767;
  function readPad(values) {
    values.fill(0);
    if (!navigator.getGamepads || !document.hasFocus()) return;
    let pads;
    try { pads = Array.from(navigator.getGamepads() || []); } catch (e) { return; }
    const axis = (v) => Math.max(-32768, Math.min(32767, Math.round((+v || 0) * PAD_AXIS)));
    const larger = (a, b) => (Math.abs(b) > Math.abs(a) ? b : a);
    for (const p of pads) {
      if (!p || p.connected === false) continue;
      values[0] = 1;
      p.buttons.forEach((b, i) => {
        if (i < 17 && (b.pressed || b.value > 0.5)) values[1] |= 1 << i;
      });
      values[2] = Math.max(values[2], axis(p.buttons[6] ? p.buttons[6].value : 0));
      values[3] = Math.max(values[3], axis(p.buttons[7] ? p.buttons[7].value : 0));
      for (let a = 0; a < 4; ++a) values[4 + a] = larger(values[4 + a], axis(p.axes[a]));
    }
  }

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
      fitPicture();
    },
    setCursorVisible(visible) { canvas.style.cursor = visible ? 'default' : 'none'; },
    message: showMessage,
    frameTime(ms) {
      if (delver.frameTimes.length < 100000) delver.frameTimes.push(ms);
      if (delver.frameTimes.length % 30 === 0) keepSettings();
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
          if (!err) askToKeepSaves();
          resolve();
        });
      });
    },
    // Whole look counts since the last call; the fractions wait.
    takeLook(xy) {
      xy[0] = Math.trunc(look.x);
      xy[1] = Math.trunc(look.y);
      look.x -= xy[0];
      look.y -= xy[1];
    },
    holdPointer(on) {
      pointer.wanted = on;
      if (on) {
        pointer.captureMode = true;
        // Inside the click or key that turned mouse look on, this is granted.
        if (document.activeElement === canvas && document.hasFocus()) holdPointer();
      } else if (locked()) {
        document.exitPointerLock();
      }
    },
    async setFullscreen(on, whole) {
      fullscreen.whole = whole;
      fitPicture();
      const now = !!fullscreenElement();
      if (on === now && now !== fullscreen.gameThinks) on = !now;
      // A browser that neither grants nor refuses in a second has refused.
      const late = new Promise((resolve) => setTimeout(() => resolve(!!fullscreenElement()), 1000));
      fullscreen.gameThinks = await Promise.race([setFullscreen(on), late]);
      return fullscreen.gameThinks;
    },
    // The game's window is gone (F1 ... F4 make it again, or the game ends):
    // a window made again is a window, with the pointer free.
    windowGone() {
      pointer.wanted = false;
      fullscreen.gameThinks = false;
      if (locked()) document.exitPointerLock();
      if (fullscreenElement()) setFullscreen(false);
    },
    readPad,
    takeUpload: () => takeUpload(),
    uploadDone: (slot, ok, text) => uploadDone(slot, ok, text),
    ended(status) {
      delver.exitStatus = status;
      delver.state = 'ended';
      canvas.style.cursor = 'default';
      if (locked()) document.exitPointerLock();
      keepSettings();
      if (upload.state !== 'idle') finishUpload('The game ended before it took the slot files; nothing was loaded.', true);
      $('endedText').textContent = status === 0 ? 'The game has ended.' : 'The game has ended (exit status ' + status + ').';
      // A game that could not start or ended in error said why on stderr.
      if (status !== 0 && delver.errors.length) showMessage('', delver.errors[delver.errors.length - 1], true);
      $('ended').hidden = false;
      setStatus('Ended.');
    },
  };

  // --- lasting storage -------------------------------------------------------
  // The browser may clear a site's storage when space runs short, unless it
  // has granted the site persistent storage; asked once, at the first save.
  let askedToKeep = false;
  function slotSaved() {
    try {
      return Module.FS.readdir(SAVE_FOLDER).some((n) => /^SAVEGAME[12]\.variables$/.test(n));
    } catch (e) {
      return false;
    }
  }
  function askToKeepSaves() {
    if (askedToKeep || !slotSaved()) return;
    askedToKeep = true;
    if (!navigator.storage || !navigator.storage.persist) {
      showMessage('', 'This browser cannot promise to keep the saves: download a slot to keep it safe.', false);
      return;
    }
    navigator.storage.persist().then(
      (granted) => showMessage('', granted ? 'The browser keeps the saves for good (persistent storage granted).'
        : 'The browser did not grant persistent storage: it may clear the saves when space runs short; download a slot to keep it safe.', !granted),
      () => showMessage('', 'The browser did not say whether it keeps the saves: download a slot to keep it safe.', true));
  }

  // The settings file lives with the game folder, which the page unpacks
  // anew on each visit; its copy in the browser's storage carries it over.
  let settingsStamp = null;
  function keepSettings() {
    try {
      const stat = Module.FS.stat(SETTINGS_FILE);
      const stamp = stat.mtime.getTime() + ':' + stat.size;
      if (stamp === settingsStamp) return;
      settingsStamp = stamp;
      localStorage.setItem(SETTINGS_KEPT, Module.FS.readFile(SETTINGS_FILE, { encoding: 'utf8' }));
    } catch (e) {
      // No settings file (the default game) or no storage: nothing to keep.
    }
  }
  function restoreSettings() {
    let text = null;
    try { text = localStorage.getItem(SETTINGS_KEPT); } catch (e) { /* no storage */ }
    if (text === null) return;
    Module.FS.writeFile(SETTINGS_FILE, text);
    const stat = Module.FS.stat(SETTINGS_FILE);
    settingsStamp = stat.mtime.getTime() + ':' + stat.size;
    if (/^\s*mouse\s*=\s*captured\s*$/mi.test(text)) pointer.captureMode = true;
  }

  // --- save slots on the player's disk -------------------------------------
  // A slot downloads as one archive of its four files.
  async function downloadSlot(slot) {
    if (!window.Module || !Module.FS || delver.state === 'loading' || delver.state === 'failed') {
      showMessage('', 'The game is not loaded, so there are no slots to download yet.', true);
      return;
    }
    const names = Module.FS.readdir(SAVE_FOLDER);
    if (names.some((n) => n.startsWith('SAVEGAME' + slot + '.') && /\.(commit|tmp|old)$/.test(n))) {
      showMessage('', 'The game is saving slot ' + slot + ': try again in a moment.', true);
      return;
    }
    const files = Slots.PARTS.map((part) => ({ name: Slots.fileName(slot, part), bytes: delver.readFile(SAVE_FOLDER + '/' + Slots.fileName(slot, part)) }));
    try {
      Slots.slotOf(files.filter((f) => f.bytes).map((f) => ({ name: f.name, size: f.bytes.length })));
    } catch (e) {
      showMessage('', files.some((f) => f.bytes) ? 'Slot ' + slot + ' is not whole: ' + e.message : 'Slot ' + slot + ' is empty.', true);
      return;
    }
    const blob = await Slots.packArchive(files);
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = Slots.archiveName(slot);
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
    showMessage('', 'Slot ' + slot + ' is downloading as ' + a.download + ' (its four files in one archive).', false);
  }

  // Slot files from the disk go through the game: the page checks them and
  // puts them aside in /upload; the game takes them between two frames (never
  // during its own save or load), makes them the slot as a save would, and
  // says how it went. idle -> staged (waiting for the game) -> taken -> idle.
  const upload = { state: 'idle', slot: 0 };

  function clearUploadFolder() {
    try {
      for (const n of Module.FS.readdir(UPLOAD_FOLDER)) if (n !== '.' && n !== '..') Module.FS.unlink(UPLOAD_FOLDER + '/' + n);
    } catch (e) {
      // No folder yet.
    }
  }

  function finishUpload(text, error) {
    showMessage('', text, error);
    clearUploadFolder();
    upload.state = 'idle';
    upload.slot = 0;
    // Back to the game, as if nothing had been clicked.
    if (delver.state === 'running') canvas.focus();
  }

  async function uploadSlotFiles(chosen) {
    if (chosen.length === 0) return;
    if (!window.Module || !Module.FS || delver.state === 'loading' || delver.state === 'failed') {
      showMessage('', 'The game is not loaded, so there is nowhere to put slot files yet.', true);
      return;
    }
    if (delver.state === 'ended') {
      showMessage('', 'The game has ended: start it again, then load the slot files.', true);
      return;
    }
    if (upload.state !== 'idle') {
      showMessage('', 'The game has not yet taken the last slot files; nothing new was loaded.', true);
      return;
    }
    let choice;
    try {
      choice = await Slots.readChoice(chosen);
    } catch (e) {
      showMessage('', 'Nothing was loaded: ' + e.message + '.', true);
      if (delver.state === 'running') canvas.focus();
      return;
    }
    clearUploadFolder();
    Module.FS.mkdirTree(UPLOAD_FOLDER);
    for (const f of choice.files) Module.FS.writeFile(UPLOAD_FOLDER + '/' + f.name, f.bytes);
    upload.state = 'staged';
    upload.slot = choice.slot;
    if (delver.state === 'running') canvas.focus();
    else showMessage('', 'Slot ' + choice.slot + ' files are ready: the game takes them once it runs.', false);
  }

  function takeUpload() {
    if (upload.state !== 'staged') return 0;
    upload.state = 'taken';
    return upload.slot;
  }

  function uploadDone(slot, ok, text) {
    if (text) showMessage('', text, !ok);
    const key = slot === 1 ? 'F7' : 'F8';
    finishUpload(ok ? 'Slot ' + slot + ' loaded from your files: ' + key + ' plays it.'
      : 'Slot ' + slot + ' refused: the slot is as it was.', !ok);
  }

  document.querySelectorAll('[data-download]').forEach((b) =>
    b.addEventListener('click', () => downloadSlot(+b.dataset.download)));
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
        const bytes = new Uint8Array(await response.arrayBuffer());
        if (/^\s*setting\s+mouse\s*=\s*captured\s*$/mi.test(new TextDecoder().decode(bytes))) pointer.captureMode = true;
        Module.FS.writeFile('/run/input.txt', bytes);
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

  // --- offline: the site's files kept by a service worker ----------------------
  if ('serviceWorker' in navigator && window.isSecureContext) {
    const hadWorker = !!navigator.serviceWorker.controller;
    navigator.serviceWorker.register('sw.js').catch(() => {
      // Without it the page still plays; it needs the network for each visit.
    });
    navigator.serviceWorker.addEventListener('controllerchange', () => {
      if (hadWorker) showMessage('', 'A new version of the game is installed: reload the page to play it.', false);
    });
  }

  function webglAvailable() {
    try {
      const probe = document.createElement('canvas');
      return !!(probe.getContext('webgl') || probe.getContext('experimental-webgl'));
    } catch (e) {
      return false;
    }
  }

  fitPicture();
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
      restoreSettings();
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
