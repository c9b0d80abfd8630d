// What runs inside pex.js around the program (the build puts it there and
// fills in the folders): its files, laid out before it starts, the frames it
// waits for, and its end.
//
// @PEX_WEB_PROGRAM_DIR@ holds the shipped data, preloaded and read-only. The
// user's files (the settings file and the level folder) live in the persistent
// store, IndexedDB mounted on a folder of its own, @PEX_WEB_STORE_DIR@: a sync
// from the store deletes whatever the mounted folder holds that the store does
// not. On first use the store is seeded with the shipped copies
// (@PEX_WEB_SEED_DIR@), and the program's folder links to it. The program syncs
// the store after each file it replaces (Module.pexStore.sync).
//
// A demo being played (Module.pexDemo, a file served beside the page, or
// Module.pexDemoFile, one the player gave the page) runs on fresh copies of the
// shipped files instead, with the level of the same name (NAME.level) when
// there is one beside the page, and never touches the store.
//
// What the page asks for besides (web/pex-page.js): a recording
// (Module.pexRecord, the demo's file name), made as the desktop makes one, on
// the player's own files; or a level to open as a guest level, from a link
// (Module.pexOpenLink, the page's address) or from a level file the player gave
// the page (Module.pexOpenFile). Given files are {name, bytes}, the name safe
// for a path.
(function() {
  const ProgramDir = '@PEX_WEB_PROGRAM_DIR@';
  const SeedDir = '@PEX_WEB_SEED_DIR@';
  const StoreDir = '@PEX_WEB_STORE_DIR@';
  const DemoDir = '@PEX_WEB_DEMO_DIR@';
  // The files the page hands over live in memory only, apart from the store.
  const OpenDir = '/pex-open';
  const RecordDir = '/pex-record';
  // The player's own level, where the run's level is not known.
  const OwnLevel = StoreDir + '/level/default/1.txt';
  const ReadOnly = 0o444;

  const Store = {
    persistent: false,  // mounted on IndexedDB
    failure: null,      // the browser's reason when the store cannot be read
    sync: function() {
      if (!Store.persistent) {
        return Promise.resolve(Store.failure ? 'the store could not be opened: ' + Store.failure : null);
      }
      return new Promise(function(resolve) {
        FS.syncfs(false, function(error) { resolve(error ? String(error.message || error) : null); });
      });
    },
  };
  Module['pexStore'] = Store;

  // The frames the program waits for (PlatformAwaitNextFrame), each at an
  // animation frame. A hidden page gets none, and a browser may end a hidden or
  // closing page without a word: when the page hides, the frame the program
  // waits for comes at once and counts as active though the page cannot be
  // seen, so that the program updates once more and writes what keeps the
  // user's work (PlatformLeavingSoon). The store's writes may not finish as a
  // tab closes; they do when it only hides.
  //
  // The page may ask the program to end as F10 ends it (Page.end), also while
  // hidden: from then on every frame comes at once and counts as active, and
  // F10 is pressed before each, until the program has seen it (its window may
  // not be open yet) and ended.
  const F10KeyCode = 121;
  const Soon = new MessageChannel();  // a task that hidden pages get unthrottled
  const soonQueue = [];
  Soon.port1.onmessage = function() { soonQueue.shift()(); };
  function pressF10() {
    const event = new KeyboardEvent('keydown', {key: 'F10', code: 'F10', cancelable: true});
    // Emscripten's windowing library reads the legacy key code.
    Object.defineProperty(event, 'keyCode', {get: function() { return F10KeyCode; }});
    window.dispatchEvent(event);
  }
  const Page = {
    leaving: false,  // hidden or closing since the page was last shown
    ending: false,   // asked to end as F10 ends it
    frame: 0,        // the waits begun: the number of the frame that follows
    granted: -1,     // the frame that runs after the page hid
    resume: null,    // ends the wait under way
    nextFrame: function() {
      Page.frame++;
      if (Page.frame === Page.granted) return Promise.resolve();
      if (Page.ending) {
        return new Promise(function(resolve) {
          soonQueue.push(function() {
            pressF10();
            resolve();
          });
          Soon.port2.postMessage(0);
        });
      }
      return new Promise(function(resolve) {
        function go() {
          if (Page.resume !== go) return;  // a frame asked for by an earlier wait
          Page.resume = null;
          resolve();
        }
        Page.resume = go;
        requestAnimationFrame(go);
      });
    },
    active: function() {
      return document.visibilityState === 'visible' || Page.frame === Page.granted || Page.ending;
    },
    end: function() {
      if (Page.ending) return;
      Page.ending = true;
      pressF10();
      if (Page.resume) Page.resume();
    },
    leave: function() {
      if (Page.leaving) return;
      Page.leaving = true;
      // A frame under way may be past its update: the one after it is granted.
      Page.granted = Page.resume ? Page.frame : Page.frame + 1;
      if (Page.resume) Page.resume();
    },
    shown: function() {
      if (document.visibilityState === 'visible') Page.leaving = false;
    },
  };
  Module['pexPage'] = Page;
  if (Module['pexEndAsked']) Page.end();  // asked while the program was on its way
  document.addEventListener('visibilitychange', function() {
    if (document.visibilityState === 'visible') Page.shown(); else Page.leave();
  });
  window.addEventListener('pagehide', Page.leave);
  window.addEventListener('pageshow', Page.shown);

  let demoLevel = null;

  function isFolder(path) {
    return FS.isDir(FS.lstat(path).mode);
  }

  // Every file under From that To lacks, copied with its folders.
  function copyMissing(from, to) {
    if (!FS.analyzePath(to).exists) FS.mkdir(to);
    for (const name of FS.readdir(from)) {
      if (name === '.' || name === '..') continue;
      const source = from + '/' + name;
      const target = to + '/' + name;
      if (isFolder(source)) {
        copyMissing(source, target);
      } else if (!FS.analyzePath(target).exists) {
        FS.writeFile(target, FS.readFile(source));
      }
    }
  }

  function makeReadOnly(folder) {
    for (const name of FS.readdir(folder)) {
      if (name === '.' || name === '..') continue;
      const path = folder + '/' + name;
      if (isFolder(path)) makeReadOnly(path); else FS.chmod(path, ReadOnly);
    }
  }

  // Bytes of a file beside the page, or null when it cannot be had.
  function fetchBytes(name) {
    return fetch(name, {cache: 'no-store'})
        .then(function(response) { return response.ok ? response.arrayBuffer() : null; })
        .then(function(buffer) { return buffer ? new Uint8Array(buffer) : null; })
        .catch(function() { return null; });
  }

  function fetchDemo(name) {
    addRunDependency('pex-demo');
    const level = name.replace(/\.[^.]*$/, '') + '.level';
    Promise.all([fetchBytes(name), fetchBytes(level)]).then(function(files) {
      // A demo that cannot be fetched is missing for the program, which says so.
      if (files[0]) FS.writeFile(DemoDir + '/' + name, files[0]);
      demoLevel = files[1];
      removeRunDependency('pex-demo');
    });
  }

  function openStore() {
    FS.mount(IDBFS, {}, StoreDir);
    addRunDependency('pex-store');
    FS.syncfs(true, function(error) {
      if (error) {
        Store.failure = String(error.message || error);
        err('Your levels and settings cannot be kept in this browser: ' + Store.failure);
        if (Module['pexStoreFailed']) Module['pexStoreFailed'](Store.failure);
      } else {
        Store.persistent = true;
      }
      removeRunDependency('pex-store');
    });
  }

  function playing() {
    return Boolean(Module['pexDemo'] || Module['pexDemoFile']);
  }

  // Runs before the data is loaded: the store and the demo are fetched
  // meanwhile, and the program starts when all of them are there.
  function prepare() {
    FS.mkdir(StoreDir);
    // A level that cannot be saved goes to a recovery file in the store too.
    ENV['XDG_STATE_HOME'] = StoreDir;
    if (playing()) {
      FS.mkdir(DemoDir);
      if (Module['pexDemo']) fetchDemo(Module['pexDemo']);
      else FS.writeFile(DemoDir + '/' + Module['pexDemoFile'].name, Module['pexDemoFile'].bytes);
    } else {
      openStore();
    }
    if (Module['pexOpenFile']) {
      FS.mkdir(OpenDir);
      FS.writeFile(OpenDir + '/' + Module['pexOpenFile'].name, Module['pexOpenFile'].bytes);
    }
    if (Module['pexRecord']) FS.mkdir(RecordDir);
  }

  // The program's command line for what the page asked.
  function programArguments() {
    if (Module['pexDemo']) return ['--play', DemoDir + '/' + Module['pexDemo']];
    if (Module['pexDemoFile']) return ['--play', DemoDir + '/' + Module['pexDemoFile'].name];
    if (Module['pexOpenLink']) return ['--open', Module['pexOpenLink']];
    if (Module['pexOpenFile']) return ['--open', OpenDir + '/' + Module['pexOpenFile'].name];
    if (Module['pexRecord']) return ['--record', RecordDir + '/' + Module['pexRecord']];
    return [];
  }

  function readFile(path) {
    try {
      return FS.readFile(path);
    } catch (error) {
      return null;  // not there (yet)
    }
  }

  // The demo recorded, once the program has put it in place under its name (a
  // recording that failed leaves none); null before.
  Module['pexRecording'] = function() {
    return Module['pexRecord'] ? readFile(RecordDir + '/' + Module['pexRecord']) : null;
  };
  // The level file the run uses, as last written; null before the files are
  // laid out.
  Module['pexCurrentLevel'] = function() {
    return readFile(Module['pexLevelPath'] || OwnLevel);
  };

  // Runs when everything is loaded, right before the program starts.
  function layOut() {
    makeReadOnly(ProgramDir);
    copyMissing(SeedDir, StoreDir);
    if (demoLevel) FS.writeFile(OwnLevel, demoLevel);
    for (const name of FS.readdir(SeedDir)) {
      if (name !== '.' && name !== '..') FS.symlink(StoreDir + '/' + name, ProgramDir + '/' + name);
    }
  }

  // The program waits for the page's frames (Asyncify): main returns to the
  // page at its first wait and really ends only later. Its end is then made
  // the program's exit with main's result, for the page to show; until then
  // no other callback of the page may take the runtime for ended.
  function awaitEnd() {
    if (!Asyncify.currData) return;  // it ended already, through exit
    runtimeKeepalivePush();
    Asyncify.whenDone().then(function(status) {
      runtimeKeepalivePop();
      try {
        exit(status);
      } catch (thrown) {
        if (!(thrown instanceof ExitStatus)) throw thrown;
      }
    });
  }

  Module['arguments'] = programArguments();
  Module['postRun'] = [].concat(Module['postRun'] || [], awaitEnd);
  Module['preRun'] = [].concat(Module['preRun'] || [], prepare);
  const pageInitialized = Module['onRuntimeInitialized'];
  Module['onRuntimeInitialized'] = function() {
    layOut();
    if (pageInitialized) pageInitialized();
  };
})();
