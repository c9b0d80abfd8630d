// The page around the program: the canvas scaled sharp to the window, the
// keys the game uses kept from the browser, sound and full screen at the
// first click or key, the program's notes, the error message and the end of
// the program.
'use strict';

(function() {
  const Width = 640;
  const Height = 480;
  const canvas = document.getElementById('canvas');
  const soundNote = document.getElementById('sound-note');
  const errorNote = document.getElementById('error-note');
  const endNote = document.getElementById('end-note');
  const panel = document.getElementById('panel');
  const PanelWidth = 190;

  // Whole multiples of the picture where the window has room for one, nearest
  // neighbour; a smaller window gets it shrunk to fit. The rest is black.
  function fit() {
    const scale = Math.min(window.innerWidth / Width, window.innerHeight / Height);
    const shown = scale >= 1 ? Math.floor(scale) : scale;
    canvas.style.width = Width * shown + 'px';
    canvas.style.height = Height * shown + 'px';
    // The controls go beside the picture where the window has room for them.
    const room = (window.innerWidth - Width * shown) / 2;
    panel.classList.toggle('over', room < PanelWidth + 16);
    panel.style.width = panel.classList.contains('over') ? '' : PanelWidth + 'px';
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();

  // The keys the game uses, which the browser must not act on as well
  // (scrolling, full screen, its own undo and redo).
  const GameKeys = ['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Enter', 'Escape', 'F2', 'F10',
                    'F11'];
  function isGameKey(event) {
    if (GameKeys.includes(event.key)) return true;
    const letter = event.key.toLowerCase();
    return (event.ctrlKey || event.metaKey) && (letter === 'z' || letter === 'y');
  }
  function keepKey(event) {
    if (isGameKey(event)) event.preventDefault();
  }
  window.addEventListener('keydown', keepKey, true);
  window.addEventListener('keyup', keepKey, true);

  // Browsers start sound and full screen only at a gesture of the player's.
  let fullScreenWanted = false;
  let gestured = false;
  function audioContext() {
    return Module['SDL2'] && Module['SDL2'].audioContext;
  }
  function onGesture(event) {
    // Escape is no gesture to a browser: it starts neither sound nor full screen;
    // nor is a key the page presses itself.
    if (gestured || !event.isTrusted || (event.type === 'keydown' && event.key === 'Escape')) return;
    gestured = true;
    soundNote.hidden = true;
    const context = audioContext();
    if (context && context.state !== 'running') context.resume();
    if (fullScreenWanted && document.fullscreenEnabled) {
      document.getElementById('screen').requestFullscreen().catch(function() {});
    }
    canvas.focus();
  }
  window.addEventListener('keydown', onGesture, true);
  window.addEventListener('pointerdown', onGesture, true);

  // The note stays until the sound runs (a browser that allows sound without
  // a gesture runs it at once) or the player clicks or presses a key.
  function watchSound() {
    const context = audioContext();
    if (gestured || (context && context.state === 'running')) {
      soundNote.hidden = true;
      return;
    }
    soundNote.hidden = false;
    setTimeout(watchSound, 250);
  }

  // A note from the program stays until the player closes it.
  const noticeNote = document.getElementById('notice-note');
  function showNote(message) {
    document.getElementById('notice-text').textContent = message;
    noticeNote.hidden = false;
  }
  document.getElementById('notice-close').addEventListener('click', function() {
    noticeNote.hidden = true;
    canvas.focus();
  });

  function showError(title, message) {
    document.getElementById('error-title').textContent = title;
    document.getElementById('error-text').textContent = message;
    errorNote.hidden = false;
  }

  // The program has ended, or gone to another tab: its last frame is covered.
  function coverGame() {
    soundNote.hidden = true;
    noticeNote.hidden = true;
    const context = audioContext();
    if (context) context.close().catch(function() {});
    canvas.style.visibility = 'hidden';
  }

  // The program has ended: it can start again.
  function showEnd(text) {
    coverGame();
    document.getElementById('end-text').textContent = text;
    endNote.hidden = false;
    if (!errorNote.hidden) {
      // The message stays readable above the end.
      errorNote.style.top = '30%';
      endNote.style.top = '70%';
    }
    document.getElementById('restart').focus();
  }
  document.getElementById('restart').addEventListener('click', function() {
    window.location.reload();
  });

  // ---- What this run plays ---------------------------------------------------
  //
  // A file the player gave the page (kept over the reload that starts it), a
  // demo beside the page (?play=NAME), a level from a link (#level=...), a
  // recording (?record), or the game on the player's own files.
  const Query = new URLSearchParams(window.location.search);
  const PageAddress = window.location.origin + window.location.pathname;
  const FileKey = 'pex-file';        // sessionStorage: the file given, for the next start
  const TakeOverKey = 'pex-take-over';  // sessionStorage: take over at the next start
  const MaxFileBytes = 3 * 1024 * 1024;  // what sessionStorage holds with room to spare
  const DemoEnding = '.dem';  // any other file is opened as a level file

  function hasLink(address) {
    return /^#(.*&)?level=/.test(new URL(address).hash);
  }

  function toBase64(bytes) {
    let text = '';
    for (let at = 0; at < bytes.length; at += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
    }
    return btoa(text);
  }

  function fromBase64(text) {
    const chars = atob(text);
    const bytes = new Uint8Array(chars.length);
    for (let i = 0; i < chars.length; i++) bytes[i] = chars.charCodeAt(i);
    return bytes;
  }

  // The file given before the last reload, taken once; null when there is none
  // or it cannot be read back.
  function takeGivenFile() {
    try {
      const kept = sessionStorage.getItem(FileKey);
      sessionStorage.removeItem(FileKey);
      return kept === null ? null : JSON.parse(kept, function(key, value) {
        return key === 'bytes' ? fromBase64(value) : value;
      });
    } catch (error) {
      return null;
    }
  }

  function takeOverAsked() {
    try {
      const asked = sessionStorage.getItem(TakeOverKey) !== null;
      sessionStorage.removeItem(TakeOverKey);
      return asked;
    } catch (error) {
      return false;
    }
  }

  // A name the program's folders take: the file's own, its odd characters
  // replaced.
  function safeName(name) {
    const safe = name.replace(/[^A-Za-z0-9_.-]/g, '_');
    return /^[A-Za-z0-9_]/.test(safe) ? safe : 'file' + safe;
  }

  // pex-2026-12-08-153012.dem, in the player's local time.
  function recordingName(when) {
    const two = function(n) { return String(n).padStart(2, '0'); };
    return 'pex-' + when.getFullYear() + '-' + two(when.getMonth() + 1) + '-' + two(when.getDate()) +
        '-' + two(when.getHours()) + two(when.getMinutes()) + two(when.getSeconds()) + '.dem';
  }

  const given = takeGivenFile();
  const demo = given ? null : Query.get('play');
  if (demo !== null && !/^[A-Za-z0-9_][A-Za-z0-9_.-]*$/.test(demo)) {
    showError('Application Error', 'No such demo: "' + demo + '"');
    showEnd('');
    return;
  }
  const run = {
    demoFile: given && given.kind === 'demo' ? given : null,
    openFile: given && given.kind === 'level' ? given : null,
    openLink: !given && demo === null && hasLink(window.location.href) ? window.location.href : null,
    record: !given && demo === null && Query.has('record') ? recordingName(new Date()) : null,
  };
  const guest = Boolean(run.openFile || run.openLink);
  // A played demo never touches the store: it needs no tab of its own.
  const usesStore = demo === null && !run.demoFile;

  // ---- The program's life -----------------------------------------------------
  //
  // waiting (for the store, held by another tab), loading, running, ended.
  let state = 'waiting';
  let releaseTab = null;  // lets another tab have the store
  let movedAway = false;  // another tab took over
  const afterEnd = [];    // what waits for the program's end
  const errors = [];      // the program's standard error

  function download(name, bytes) {
    const address = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    const link = document.createElement('a');
    link.href = address;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function() { URL.revokeObjectURL(address); }, 60000);
  }

  // Ends the program as F10 does (it saves what F10 saves and syncs the store),
  // then runs then; at once when no program runs.
  function endGame(then) {
    if (state === 'waiting' || state === 'ended') {
      if (then) then();
      return;
    }
    if (then) afterEnd.push(then);
    if (Module['pexPage']) Module['pexPage'].end(); else Module['pexEndAsked'] = true;
  }

  function ended(status) {
    state = 'ended';
    guestNote.hidden = true;
    const recorded = Module['pexRecording']();
    if (recorded) download(run.record, recorded);
    if (releaseTab) releaseTab();
    if (movedAway) {
      coverGame();
      showTabNote('Pex moved to another tab');
    } else if (status === 2 && (run.openLink || run.openFile || run.demoFile)) {
      // What the player gave could not be opened: the program said why.
      showError(run.openLink ? 'This link cannot be opened' : 'This file cannot be opened',
                errors.join('\n'));
      showEnd('');
    } else {
      showEnd(status === 0 || status === null ? '' : 'Exit code ' + status);
    }
    while (afterEnd.length) afterEnd.shift()();
  }

  // ---- One tab at a time --------------------------------------------------------
  //
  // The tab that runs the program holds a lock named after the page's address
  // from before the store is read until the program has ended, so two tabs
  // never both write the store. Another tab says so and can take over: it asks
  // the holder to end its program, which saves and syncs the store, and waits
  // for the lock. Without Web Locks every tab runs.
  const LockName = 'pex ' + PageAddress;
  const channel = window.BroadcastChannel ? new BroadcastChannel(LockName) : null;
  const tabNote = document.getElementById('tab-note');

  function showTabNote(text) {
    document.getElementById('tab-text').textContent = text;
    tabNote.hidden = false;
    document.getElementById('take-over').focus();
  }

  function hold(lock) {
    tabNote.hidden = true;
    return new Promise(function(release) {
      releaseTab = release;
      start();
    });
  }

  function claimTab() {
    if (!usesStore || !navigator.locks) {
      start();
    } else if (takeOverAsked()) {
      takeOver();
    } else {
      navigator.locks.request(LockName, {ifAvailable: true}, function(lock) {
        if (lock) return hold(lock);
        showTabNote('Pex is open in another tab');
      });
    }
  }

  let takingOver = false;
  function takeOver() {
    if (state !== 'waiting') {
      // This page's program has run: a new page runs the next one (and only
      // offers to take over where the tab's storage is refused).
      try {
        sessionStorage.setItem(TakeOverKey, '1');
      } catch (error) {}
      window.location.reload();
      return;
    }
    document.getElementById('tab-text').textContent = 'Waiting for the other tab to end Pex\u2026';
    if (channel) channel.postMessage({takeOver: true});
    if (takingOver) return;
    takingOver = true;
    navigator.locks.request(LockName, hold);
  }
  document.getElementById('take-over').addEventListener('click', takeOver);

  if (channel) {
    channel.onmessage = function(event) {
      if (!event.data || !event.data.takeOver || !releaseTab || state === 'ended') return;
      movedAway = true;
      endGame();
    };
  }

  // ---- A guest level ----------------------------------------------------------
  //
  // A level from a link or a file plays as a guest: the player's own level is
  // untouched unless they keep the guest as their own. The program asks once a
  // frame whether they did (Module.pexTakeKeepRequest).
  const guestNote = document.getElementById('guest-note');
  let keepAsked = false;
  document.getElementById('guest-keep').addEventListener('click', function() {
    keepAsked = true;
    guestNote.hidden = true;
    canvas.focus();
  });
  document.getElementById('guest-dismiss').addEventListener('click', function() {
    guestNote.hidden = true;
    canvas.focus();
  });

  // The editor's link key: the link goes to the clipboard, or where the
  // browser refuses that, into a note to copy it from.
  const linkNote = document.getElementById('link-note');
  const linkText = document.getElementById('link-text');
  function showLink(text) {
    linkText.value = text;
    linkNote.hidden = false;
    linkText.focus();
    linkText.select();
  }
  document.getElementById('link-close').addEventListener('click', function() {
    linkNote.hidden = true;
    canvas.focus();
  });
  function copyText(text) {
    const refused = function() { showLink(text); };
    if (!navigator.clipboard || !navigator.clipboard.writeText) {
      refused();
      return;
    }
    navigator.clipboard.writeText(text).then(function() {
      showNote('The link to this level is on the clipboard.');
    }, refused);
  }

  // ---- The page's controls, and files dropped on it -----------------------------
  // A control used hands the keys back to the game (and folds the controls).
  panel.addEventListener('click', function(event) {
    if (event.target.id !== 'panel-handle') canvas.focus();
  });
  const picker = document.getElementById('file-picker');
  document.getElementById('open-file').addEventListener('click', function() { picker.click(); });
  picker.addEventListener('change', function() {
    if (picker.files.length) giveFile(picker.files[0]);
    picker.value = '';
  });
  window.addEventListener('dragover', function(event) {
    if (!event.dataTransfer || !Array.from(event.dataTransfer.types).includes('Files')) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  window.addEventListener('drop', function(event) {
    if (!event.dataTransfer || !event.dataTransfer.files.length) return;
    event.preventDefault();
    giveFile(event.dataTransfer.files[0]);
  });

  // A demo replays, any other file plays as a guest level (the program
  // refuses what is no level, saying why): the program running ends first as
  // F10 ends it, and the page starts anew with the file.
  function giveFile(file) {
    const kind = file.name.toLowerCase().endsWith(DemoEnding) ? 'demo' : 'level';
    if (file.size > MaxFileBytes) {
      showNote('"' + file.name + '" is too large to open here (' + file.size +
               ' bytes; at most ' + MaxFileBytes + ').');
      return;
    }
    file.arrayBuffer().then(function(buffer) {
      const kept = {name: safeName(file.name), kind: kind, bytes: toBase64(new Uint8Array(buffer))};
      try {
        sessionStorage.setItem(FileKey, JSON.stringify(kept));
      } catch (error) {
        showNote('"' + file.name + '" cannot be kept for the start (' + error.message + ').');
        return;
      }
      endGame(function() { window.location.replace(PageAddress); });
    }, function(error) {
      showNote('"' + file.name + '" cannot be read (' + error.message + ').');
    });
  }

  document.getElementById('download-level').addEventListener('click', function() {
    const level = state === 'running' || state === 'ended' ? Module['pexCurrentLevel']() : null;
    if (level) download('1.txt', level); else showNote('There is no level to download yet.');
  });

  const recordButton = document.getElementById('record');
  const stopButton = document.getElementById('stop-recording');
  recordButton.hidden = Boolean(run.record);
  stopButton.hidden = !run.record;
  recordButton.addEventListener('click', function() {
    endGame(function() { window.location.replace(PageAddress + '?record'); });
  });
  stopButton.addEventListener('click', function() {
    stopButton.disabled = true;
    endGame();
  });

  // A link put in the address bar changes only the fragment: the page starts
  // anew with it, after the program running has ended as F10 ends it.
  window.addEventListener('hashchange', function() {
    if (hasLink(window.location.href)) endGame(function() { window.location.reload(); });
  });

  // ---- The program --------------------------------------------------------------
  window.Module = {
    canvas: canvas,
    pexDemo: demo,
    pexDemoFile: run.demoFile,
    pexOpenFile: run.openFile,
    pexOpenLink: run.openLink,
    pexRecord: run.record,
    print: function(text) { console.log(text); },
    printErr: function(text) {
      if (!text.startsWith('WARNING: using emscripten')) errors.push(text);
      console.error(text);
    },
    pexShowError: showError,
    pexShowNote: showNote,
    pexCopyText: copyText,
    pexTakeKeepRequest: function() {
      const asked = keepAsked;
      keepAsked = false;
      return asked;
    },
    pexRequestFullScreen: function() { fullScreenWanted = true; },
    pexStoreFailed: function(reason) {
      showError('Storage', 'Your levels and settings cannot be kept in this browser (' + reason + ').');
    },
    onRuntimeInitialized: function() {
      state = 'running';
      if (guest) guestNote.hidden = false;
      canvas.focus();
      watchSound();
    },
    onExit: ended,
    onAbort: function(what) {
      showError('Application Error', String(what));
      ended(null);
    },
  };

  // The program itself, once the page is ready for it and holds the store.
  function start() {
    state = 'loading';
    const program = document.createElement('script');
    program.src = 'pex.js';
    document.body.appendChild(program);
  }
  claimTab();
})();
