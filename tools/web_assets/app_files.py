#!/usr/bin/env python3
"""The files that make the page an installable app that plays offline: the web app manifest
(manifest.webmanifest) and the service worker (service_worker.js), whose cache is named by a
hash of every file it keeps, so that each build has a cache of its own.

  app_files.py --web WEB_DIR --template src/web/service_worker.js PATTERN ...

Each PATTERN is a file or a glob relative to WEB_DIR: the files the service worker keeps.
Files are only rewritten when their content changes.
"""

import argparse
import glob
import hashlib
import json
import os
import sys

MANIFEST = {
    "name": "剋輪闘",
    "short_name": "剋輪闘",
    "description": "五行の盤で戦う二人対戦パズル",
    "lang": "ja",
    "start_url": "./index.html",
    "scope": "./",
    "display": "standalone",
    "orientation": "landscape",
    "background_color": "#000000",
    "theme_color": "#000000",
    "icons": [
        {"src": "icons/icon-192.png", "sizes": "192x192", "type": "image/png",
         "purpose": "any maskable"},
        {"src": "icons/icon-512.png", "sizes": "512x512", "type": "image/png",
         "purpose": "any maskable"},
    ],
}
BUILD_LINE = 'var BUILD = { version: "unbuilt", files: [] };'


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def build_version(web, files):
    """A hash of the kept files' names and contents."""
    digest = hashlib.sha256()
    for name in files:
        with open(os.path.join(web, name), "rb") as f:
            content = f.read()
        digest.update(name.encode("utf-8") + b"\0" + str(len(content)).encode() + b"\0" + content)
    return digest.hexdigest()[:16]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--web", required=True)
    parser.add_argument("--template", required=True)
    parser.add_argument("patterns", nargs="+")
    args = parser.parse_args(argv)

    manifest = json.dumps(MANIFEST, ensure_ascii=False, indent=2) + "\n"
    write_if_changed(os.path.join(args.web, "manifest.webmanifest"), manifest.encode("utf-8"))

    files = set()
    for pattern in args.patterns:
        for path in glob.glob(os.path.join(args.web, pattern)):
            if os.path.isfile(path):
                files.add(os.path.relpath(path, args.web).replace(os.sep, "/"))
    for needed in ("index.html", "index.js", "index.wasm"):
        if needed not in files:
            sys.exit("kokurin: " + needed + " is missing from " + args.web)
    files = sorted(files)

    with open(args.template, encoding="utf-8") as f:
        template = f.read()
    if template.count(BUILD_LINE) != 1:
        sys.exit("kokurin: " + args.template + " has no line " + BUILD_LINE)
    build = {"version": build_version(args.web, files), "files": files}
    worker = template.replace(BUILD_LINE, "var BUILD = " + json.dumps(build) + ";")
    write_if_changed(os.path.join(args.web, "service_worker.js"), worker.encode("utf-8"))
    print("kokurin: service worker for build %s keeps %d files" % (build["version"], len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
