#!/usr/bin/env python3
"""Serves Pex's browser build on 127.0.0.1 only, never on another address.

    serve-web.py [--port N] FOLDER [FOLDER ...]

A request is answered from the first folder that holds the file (the
application folder first, then, say, a folder of demos to play beside the
page). Nothing is cached, so a rebuilt program is served at once. Also used by
the browser tests (tests/web/pexweb.py), which start it on a port of their own.
"""

import argparse
import functools
import http.server
import os
import sys
import threading
import urllib.parse

HOST = "127.0.0.1"
TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".html": "text/html",
         ".data": "application/octet-stream", ".dem": "text/plain", ".level": "text/plain"}


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, folders, **kwargs):
        self.folders = folders
        super().__init__(*args, directory=folders[0], **kwargs)

    def translate_path(self, path):
        # Only plain file names under the folders: no listing, no way out.
        relative = urllib.parse.unquote(urllib.parse.urlsplit(path).path).lstrip("/")
        if relative == "":
            relative = "index.html"
        parts = [p for p in relative.split("/") if p not in ("", ".")]
        if ".." in parts:
            return os.path.join(self.folders[0], "\0")
        for folder in self.folders:
            candidate = os.path.join(folder, *parts)
            if os.path.isfile(candidate):
                return candidate
        return os.path.join(self.folders[0], *parts)

    def list_directory(self, path):
        self.send_error(404)
        return None

    def guess_type(self, path):
        return TYPES.get(os.path.splitext(path)[1], "application/octet-stream")

    def send_head(self):
        # A precompressed copy beside the file (the build makes NAME.br and
        # NAME.gz), when the browser takes its encoding and it is not older
        # (to the second: the compressors copy the time at that precision).
        path = self.translate_path(self.path)
        accepted = {e.split(";")[0].strip() for e in self.headers.get("Accept-Encoding", "").split(",")}
        for encoding, suffix in (("br", ".br"), ("gzip", ".gz")):
            packed = path + suffix
            if (encoding in accepted and os.path.isfile(path) and os.path.isfile(packed)
                    and int(os.path.getmtime(packed)) >= int(os.path.getmtime(path))):
                f = open(packed, "rb")
                self.send_response(200)
                self.send_header("Content-Type", self.guess_type(path))
                self.send_header("Content-Encoding", encoding)
                self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
                self.send_header("Vary", "Accept-Encoding")
                self.end_headers()
                return f
        return super().send_head()

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        pass


def make_server(folders, port):
    handler = functools.partial(Handler, folders=[os.path.abspath(f) for f in folders])
    server = http.server.ThreadingHTTPServer((HOST, port), handler)
    server.daemon_threads = True
    server.url = "http://%s:%d/" % (HOST, server.server_address[1])
    return server


def start(folders, port=0):
    """Serves the folders in a thread of its own; returns the server (its
    address in server.url). server.shutdown() ends it."""
    server = make_server(folders, port)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser(description="Serves Pex's browser build on %s." % HOST)
    parser.add_argument("--port", type=int, default=8023)
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()
    with make_server(args.folders, args.port) as server:
        print("Pex is served at %s (Ctrl+C ends it)" % server.url, flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
