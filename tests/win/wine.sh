#!/bin/sh
# The Wine of the Windows build's tests, run by CTest as the fixture "wine"
# with the environment every test of that build gets (WINEPREFIX and the rest,
# see CMakeLists.txt here):
#   wine.sh start   makes the private prefix once, then starts a persistent
#                   Wine server and Wine's own services, so that each test
#                   process starts at once and none waits on a service that
#                   holds its output
#   wine.sh stop    ends that server
set -eu
# No offer to install Mono or Gecko, no window of Wine's own.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
case "${1:-}" in
  start)
    if [ ! -f "$WINEPREFIX/.pex-ready" ]; then
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      DISPLAY="" wine wineboot --init </dev/null >/dev/null 2>&1
      # Without a window manager a managed window's close waits 2 s for one.
      DISPLAY="" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.pex-ready"
    fi
    # Already running from an earlier start is fine. Nothing started here
    # keeps CTest's output open.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    DISPLAY="" wine wineboot </dev/null >/dev/null 2>&1
    echo "Wine is ready in $WINEPREFIX"
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
