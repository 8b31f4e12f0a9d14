#!/usr/bin/env python3
"""tools/web_assets/web_zip.py on a page folder made here, written by app_files.py as the build
writes it: the zip holds exactly the files the offline app keeps, the service worker and the
font's licence, under its folder, the same bytes each time; a page without its font needs no
licence; a missing file or an unbuilt page is refused with a message and leaves no zip."""

import os
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools", "web_assets")
TEMPLATE = os.path.join(HERE, "..", "..", "src", "web", "service_worker.js")
KEPT = ["index.html", "index.js", "index.wasm", "page.css", "icons/icon-32.png", "data/mira.png",
        "data/ZUDEV.woff2"]
# In the build folder but not part of the page.
LEFT_OUT = ["CMakeCache.txt", "CMakeFiles/x.o", "data/ZUDEV.TTF", "data/mira.bmp"]
PATTERNS = ["index.html", "index.js", "index.wasm", "page.css", "manifest.webmanifest",
            "icons/*.png", "data/*.png", "data/*.woff2"]

failures = []


def check(condition, message):
    print(("ok: " if condition else "FAIL: ") + message)
    if not condition:
        failures.append(message)


def make_page(web, names):
    for name in names:
        path = os.path.join(web, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(("contents of " + name).encode())


def run(script, *args):
    return subprocess.run([sys.executable, "-B", os.path.join(TOOLS, script), *args],
                          capture_output=True, text=True)


def pack(web, out):
    return run("web_zip.py", "--web", web, "--out", out, "--folder", "kokurin-web")


def build_page(web, names):
    make_page(web, names)
    done = run("app_files.py", "--web", web, "--template", TEMPLATE, *PATTERNS)
    assert done.returncode == 0, done.stderr


with tempfile.TemporaryDirectory() as work:
    web = os.path.join(work, "web")
    build_page(web, KEPT + LEFT_OUT + ["data/IPA_Font_License.txt"])
    out = os.path.join(work, "page.zip")
    first = pack(web, out)
    check(first.returncode == 0, "the page is packed: " + first.stderr.strip())
    with zipfile.ZipFile(out) as archive:
        names = sorted(archive.namelist())
        same = all(
            archive.read(name) == open(os.path.join(web, name.split("/", 1)[1]), "rb").read()
            for name in names
        )
    expected = sorted("kokurin-web/" + name for name in KEPT + [
        "manifest.webmanifest", "service_worker.js", "data/IPA_Font_License.txt"])
    check(names == expected, "the zip holds the kept files, the worker and the licence: %s" % names)
    check(same, "every entry is the file's bytes")
    with open(out, "rb") as f:
        before = f.read()
    pack(web, out)
    with open(out, "rb") as f:
        check(f.read() == before, "packing again gives the same bytes")

    bare = os.path.join(work, "bare")
    build_page(bare, [name for name in KEPT if not name.endswith(".woff2")])
    check(pack(bare, os.path.join(work, "bare.zip")).returncode == 0,
          "a page drawn in sans-serif (no font) is packed without a licence")

    os.remove(os.path.join(web, "data/IPA_Font_License.txt"))
    refused = pack(web, os.path.join(work, "no-licence.zip"))
    check(refused.returncode != 0 and "IPA_Font_License.txt" in refused.stderr
          and not os.path.exists(os.path.join(work, "no-licence.zip")),
          "the font without its licence is refused, naming it, and no zip is left")

    unbuilt = os.path.join(work, "unbuilt")
    make_page(unbuilt, ["index.html"])
    refused = pack(unbuilt, os.path.join(work, "unbuilt.zip"))
    check(refused.returncode != 0 and "build the page first" in refused.stderr,
          "a folder without a built page is refused: " + refused.stderr.strip())

sys.exit(1 if failures else 0)
