#!/usr/bin/env python3
"""Figures of the browser build (a benchmark, not a test: nothing is asserted).

    PYTHONPATH=tests/web:tests/e2e /usr/bin/python3 tests/web/bench_web.py [SECONDS]

Prints:
- the transfer size of the page with gzip (each file compressed at level 6,
  as web servers commonly do), file by file and in all;
- the time from the start of the page's load to the first drawing call of
  the program, over three fresh loads;
- the script time per frame in headless Chromium (the browser's own count of
  time spent in JavaScript and WebAssembly, over the frames drawn meanwhile) on
  the splash and on the game screen, each over SECONDS (default 10).
Uses build-web/app (or PEX_WEB_APP_DIR).
"""

import gzip
import os
import sys
import tempfile
import time

from pexe2e import game_at_rest, menu_at_rest, splash_at_rest
import pexweb

PAGE_FILES = ["index.html", "pex-page.js", "pex.js", "pex.wasm", "pex.data"]

# Before the page's own scripts: notes the time of the first drawing call on
# any WebGL context, and counts the animation frames.
INSTRUMENT = """
window.__firstDraw = null;
window.__frames = 0;
(function count() { window.__frames++; requestAnimationFrame(count); })();
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function(kind, options) {
  const context = getContext.call(this, kind, options);
  if (context && !context.__timed && /webgl/.test(kind)) {
    context.__timed = true;
    for (const name of ['drawArrays', 'drawElements']) {
      const draw = context[name];
      context[name] = function() {
        if (window.__firstDraw === null) window.__firstDraw = performance.now();
        return draw.apply(this, arguments);
      };
    }
  }
  return context;
};
"""


def transfer_sizes():
    sizes = []
    for name in PAGE_FILES:
        with open(os.path.join(pexweb.WEB_APP_DIR, name), "rb") as f:
            data = f.read()
        sizes.append((name, len(data), len(gzip.compress(data, 6))))
    return sizes


def script_time_per_frame(browser, seconds):
    def sample():
        metrics = {m["name"]: m["value"] for m in browser.call("Performance.getMetrics")["metrics"]}
        return metrics["ScriptDuration"], browser.evaluate("window.__frames")

    script0, frames0 = sample()
    time.sleep(seconds)
    script1, frames1 = sample()
    frames = max(1, frames1 - frames0)
    return (script1 - script0) * 1000 / frames, frames / seconds


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    total_raw = total_gzip = 0
    print("Transfer size (gzip -6):")
    for name, raw, packed in transfer_sizes():
        total_raw += raw
        total_gzip += packed
        print("  %-12s %9d bytes, %9d gzipped" % (name, raw, packed))
    print("  %-12s %9d bytes, %9d gzipped (%.2f MB)" % ("in all", total_raw, total_gzip,
                                                        total_gzip / 1e6))

    server = pexweb.serve_web.start([pexweb.WEB_APP_DIR])
    with tempfile.TemporaryDirectory(prefix="pex-web-bench-") as root:
        browser = pexweb.Browser(os.path.join(root, "profile"))
        try:
            browser.call("Page.addScriptToEvaluateOnNewDocument", source=INSTRUMENT)
            browser.call("Performance.enable")
            firsts = []
            for _ in range(3):
                browser.open(server.url + "index.html")
                browser.wait_until("window.__firstDraw !== null", what="the first drawing")
                firsts.append(browser.evaluate("window.__firstDraw"))
            print("Load to the first drawn frame: %s ms (three loads)"
                  % ", ".join("%.0f" % t for t in firsts))

            browser.wait_for(splash_at_rest, what="the splash")
            per_frame, rate = script_time_per_frame(browser, seconds)
            print("Script time per frame, splash: %.2f ms (%.0f frames a second)" % (per_frame, rate))
            browser.press_until("Escape", menu_at_rest, "the menu")
            browser.press_until("Enter", game_at_rest, "the game")
            per_frame, rate = script_time_per_frame(browser, seconds)
            print("Script time per frame, game: %.2f ms (%.0f frames a second)" % (per_frame, rate))
        finally:
            browser.stop()
            server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
