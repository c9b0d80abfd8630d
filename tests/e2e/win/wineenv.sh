# Sourced by the scripts that run Windows programs under Wine: a private Wine
# prefix made once per build folder, and a persistent Wine server, so that
# each test process starts at once.
#   pex_wine_start <prefix folder>   exports the settings and starts the server
#   pex_wine_stop                    ends that server

pex_wine_start() {
  export WINEPREFIX=$1
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No offer to install Mono or Gecko, no window of Wine's own.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # Wine has no sound device here.
  export SDL_AUDIODRIVER=dummy
  if [ ! -f "$WINEPREFIX/.pex-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    DISPLAY="" wine wineboot --init >/dev/null 2>&1
    # Without a window manager a managed window's close waits 2 s for one.
    DISPLAY="" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.pex-ready"
  fi
  # Already running from an earlier start is fine.
  wineserver -p 2>/dev/null || true
  # Wine's own services start with the first program and outlive it, holding
  # on to its output: a test discovery reading that output would wait for them
  # until its time-out. Started here, they hold nothing of a test's.
  DISPLAY="" wine wineboot </dev/null >/dev/null 2>&1
}

pex_wine_stop() {
  wineserver -k 2>/dev/null || true
}
