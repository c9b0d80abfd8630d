#!/usr/bin/env python3
"""Figures of the browser build (a benchmark, not a test: nothing is asserted).

    PYTHONPATH=tests/web:tests/e2e /usr/bin/python3 tests/web/bench_web.py [SECONDS]

Prints:
- the transfer size of the page, file by file and in all: with gzip at level
  6 (as web servers commonly compress on the fly), and as the precompressed
  copies the build makes beside the files (NAME.gz, NAME.br) send it;
- Asyncify's share of pex.wasm: the functions it instrumented and their code
  (from the symbol map the build keeps beside the page's folder, pex.symbols);
- the encoding the test server sent pex.wasm and pex.data to Chromium with;
- the time from the start of the page's load to the first drawing call of
  the program, over three fresh loads;
- the script time per frame in headless Chromium (the browser's own count of
  time spent in JavaScript and WebAssembly, over the frames drawn meanwhile) on
  the splash and on the game screen, each over SECONDS (default 10).
Uses build-web/app (or PEX_WEB_APP_DIR).
"""

import gzip
import os
import runpy
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


def file_size(path):
    return os.path.getsize(path) if os.path.isfile(path) else None


# How the page's big files came: their encoded and decoded sizes, as the
# browser's resource timing tells them.
ENCODINGS = """
performance.getEntriesByType('resource')
  .filter(e => /pex\\.(wasm|data)$/.test(e.name))
  .map(e => e.name.split('/').pop() + ' ' + e.encodedBodySize + ' of ' + e.decodedBodySize)
  .join(', ')
"""


def transfer_sizes():
    """Per file: its size, gzip -6, and its precompressed copies (None when the
    build made none)."""
    sizes = []
    for name in PAGE_FILES:
        path = os.path.join(pexweb.WEB_APP_DIR, name)
        with open(path, "rb") as f:
            data = f.read()
        sizes.append((name, len(data), len(gzip.compress(data, 6)), file_size(path + ".gz"),
                      file_size(path + ".br")))
    return sizes


def print_transfer_sizes():
    print("Transfer size in bytes: the file, gzip -6, its .gz and .br (the file itself without):")
    totals = [0, 0, 0, 0]
    for name, raw, packed, gz, br in transfer_sizes():
        row = [raw, packed, gz or raw, br or raw]
        totals = [t + r for t, r in zip(totals, row)]
        print("  %-12s %9d %9d %9d %9d" % (name, *row))
    print("  %-12s %9d %9d %9d %9d" % ("in all", *totals))
    print("  in all, MB:  %9.3f %9.3f %9.3f %9.3f" % tuple(t / 1e6 for t in totals))


def print_asyncify_share():
    symbols = os.path.join(os.path.dirname(os.path.abspath(pexweb.WEB_APP_DIR)), "pex.symbols")
    if not os.path.isfile(symbols):
        print("Asyncify's share: no symbol map at %s" % symbols)
        return
    waits = runpy.run_path(os.path.join(pexweb.SOURCE_DIR, "scripts", "web-waits.py"))
    module = waits["Module"](os.path.join(pexweb.WEB_APP_DIR, "pex.wasm"))
    count, size, total = waits["instrumented_share"](module, waits["read_symbols"](symbols))
    print("Asyncify instrumented %d of %d functions: %d of %d bytes of code (%.1f%%)"
          % (count, len(module.bodies), size, total, 100.0 * size / total))


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
    print_transfer_sizes()
    print_asyncify_share()

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
            print("Sent as: %s" % browser.evaluate(ENCODINGS))

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
