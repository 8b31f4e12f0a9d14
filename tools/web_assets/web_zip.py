#!/usr/bin/env python3
"""The page as one zip for any static web host: the files of build/web that the offline app
keeps (the service worker's list), the service worker itself and, with the font, its licence,
all under one folder. Nothing else of the build folder goes in.

  web_zip.py --web WEB_DIR --out ZIP --folder NAME

The zip is written beside its place and renamed into it, so a failed run leaves no half zip;
its entries carry a fixed date, so the same build packs the same bytes.
"""

import argparse
import json
import os
import sys
import zipfile

WORKER = "service_worker.js"
BUILD_PREFIX = "var BUILD = "
# The font's licence travels with it (tools/portraits/copy_font.py puts it in data/).
LICENCE = "data/IPA_Font_License.txt"
FONT_SUFFIXES = (".woff2", ".ttf")
FIXED_DATE = (2000, 1, 1, 0, 0, 0)


def kept_files(web):
    """The service worker's list of files, read from the BUILD line app_files.py wrote."""
    path = os.path.join(web, WORKER)
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        raise SystemExit("kokurin: %s is missing: build the page first" % path)
    for line in lines:
        if line.startswith(BUILD_PREFIX):
            # The object, then the line's own comment.
            build, _ = json.JSONDecoder().raw_decode(line[len(BUILD_PREFIX) :])
            if not build.get("files"):
                break
            return build["files"]
    raise SystemExit("kokurin: %s lists no files: build the page first" % path)


def package_files(web):
    """Every file the zip holds, relative to the web folder, in order."""
    files = list(kept_files(web)) + [WORKER]
    if any(name.startswith("data/") and name.endswith(FONT_SUFFIXES) for name in files):
        files.append(LICENCE)
    for name in files:
        if os.path.isabs(name) or ".." in name.split("/"):
            raise SystemExit("kokurin: %s names a file outside the page: %s" % (WORKER, name))
        if not os.path.isfile(os.path.join(web, name)):
            raise SystemExit("kokurin: %s is missing from %s" % (name, web))
    return sorted(set(files))


def write_zip(web, out, folder):
    files = package_files(web)
    part = out + ".part"
    with zipfile.ZipFile(part, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in files:
            entry = zipfile.ZipInfo(folder + "/" + name, FIXED_DATE)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o644 << 16
            with open(os.path.join(web, name), "rb") as f:
                archive.writestr(entry, f.read())
    os.replace(part, out)
    return files


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--web", required=True, help="the web build's folder")
    parser.add_argument("--out", required=True, help="the zip to write")
    parser.add_argument("--folder", required=True, help="the folder inside the zip")
    args = parser.parse_args(argv)
    files = write_zip(args.web, args.out, args.folder)
    print("kokurin: %s holds %d files" % (args.out, len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
