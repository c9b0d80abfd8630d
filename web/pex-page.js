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

  // Whole multiples of the picture where the window has room for one, nearest
  // neighbour; a smaller window gets it shrunk to fit. The rest is black.
  function fit() {
    const scale = Math.min(window.innerWidth / Width, window.innerHeight / Height);
    const shown = scale >= 1 ? Math.floor(scale) : scale;
    canvas.style.width = Width * shown + 'px';
    canvas.style.height = Height * shown + 'px';
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();

  // The keys the game uses, which the browser must not act on as well
  // (scrolling, full screen, its own undo and redo).
  const GameKeys = ['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Enter', 'Escape', 'F10', 'F11'];
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
    // Escape is no gesture to a browser: it starts neither sound nor full screen.
    if (gestured || (event.type === 'keydown' && event.key === 'Escape')) return;
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

  // The program has ended: the last frame is covered and it can start again.
  function showEnd(text) {
    soundNote.hidden = true;
    noticeNote.hidden = true;
    const context = audioContext();
    if (context) context.close().catch(function() {});
    canvas.style.visibility = 'hidden';
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

  // A demo to play: ?play=NAME, a file beside the page.
  const demo = new URLSearchParams(window.location.search).get('play');
  if (demo !== null && !/^[A-Za-z0-9_][A-Za-z0-9_.-]*$/.test(demo)) {
    showError('Application Error', 'No such demo: "' + demo + '"');
    showEnd('');
    return;
  }

  window.Module = {
    canvas: canvas,
    pexDemo: demo,
    print: function(text) { console.log(text); },
    printErr: function(text) { console.error(text); },
    pexShowError: showError,
    pexShowNote: showNote,
    pexRequestFullScreen: function() { fullScreenWanted = true; },
    pexStoreFailed: function(reason) {
      showError('Storage', 'Your levels and settings cannot be kept in this browser (' + reason + ').');
    },
    onRuntimeInitialized: function() {
      canvas.focus();
      watchSound();
    },
    onExit: function(status) {
      showEnd(status === 0 ? '' : 'Exit code ' + status);
    },
    onAbort: function(what) {
      showError('Application Error', String(what));
      showEnd('');
    },
  };
  // The program itself, once the page is ready for it.
  const program = document.createElement('script');
  program.src = 'pex.js';
  document.body.appendChild(program);
})();
