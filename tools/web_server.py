#!/usr/bin/env python3
"""Serves the web build's folder as a static host should: gzip for the files that shrink
(WebAssembly, scripts, the page, the stylesheet, fonts other than WOFF2, the manifest), the
right types (application/wasm for streaming compilation, the manifest's and WOFF2's), and
"no-cache" so that every visit asks whether a file changed (the service worker keeps the
offline copy). Used by tools/play-web.sh and by the browser tests and benchmarks.

  web_server.py PORT --directory DIR [--bind ADDRESS]

Prints "Serving HTTP on ADDRESS port N" (N the port the system gave for PORT 0).
"""

import argparse
import functools
import gzip
import http.server
import os
import sys
import threading

TYPES = {
    ".wasm": "application/wasm",
    ".js": "text/javascript",
    ".webmanifest": "application/manifest+json",
    ".woff2": "font/woff2",
    ".ttf": "font/ttf",
    ".TTF": "font/ttf",
    ".png": "image/png",
    ".bmp": "image/bmp",
}
# Already compressed (PNG, WOFF2) or tiny: sent as they are.
COMPRESSED = (".wasm", ".js", ".html", ".css", ".webmanifest", ".json", ".ttf", ".TTF",
              ".txt", ".bmp", ".svg")


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES)
    # (path, modification time, size) -> gzip bytes, made once per file version.
    _gzipped = {}
    _lock = threading.Lock()

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def _gzip(self, path, stat):
        key = (path, stat.st_mtime_ns, stat.st_size)
        with self._lock:
            data = self._gzipped.get(key)
        if data is None:
            with open(path, "rb") as f:
                data = gzip.compress(f.read(), 9, mtime=0)
            with self._lock:
                self._gzipped[key] = data
        return data

    def send_head(self):
        path = self.translate_path(self.path)
        accepts = "gzip" in self.headers.get("Accept-Encoding", "")
        if os.path.isdir(path) or not path.endswith(COMPRESSED) or not accepts:
            return super().send_head()
        try:
            stat = os.stat(path)
            data = self._gzip(path, stat)
        except OSError:
            return super().send_head()
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Last-Modified", self.date_time_string(stat.st_mtime))
        self.end_headers()
        return _Body(data)

    def log_message(self, format, *args):
        if os.environ.get("KOKURIN_SERVER_LOG"):
            sys.stderr.write("%s %s\n" % (self.headers.get("Cache-Control"), format % args))
        # quiet: the tests and the player watch the page, not the requests


class _Body:
    """The gzip bytes as the file object send_head's callers copy from and close."""

    def __init__(self, data):
        self.data = data
        self.sent = False

    def read(self, size=-1):
        if self.sent:
            return b""
        self.sent = True
        return self.data

    def close(self):
        pass


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("port", type=int)
    parser.add_argument("--directory", required=True)
    parser.add_argument("--bind", default="127.0.0.1")
    args = parser.parse_args(argv)
    handler = functools.partial(Handler, directory=args.directory)
    # A browser opens many connections at once (the first frame's files, the pictures, the
    # service worker's copy); a short listen queue would make it wait for retries.
    http.server.ThreadingHTTPServer.request_queue_size = 64
    server = http.server.ThreadingHTTPServer((args.bind, args.port), handler)
    print("Serving HTTP on %s port %d" % (args.bind, server.server_address[1]), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
