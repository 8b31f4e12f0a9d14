#!/usr/bin/env python3
"""The page as one zip for any static web host: the files of build/web that the offline app
keeps (the service worker's list), the service worker itself and, with the font, its licence,
all under one folder. Nothing else of the build folder goes in.

  web_zip.py --web WEB_DIR --out ZIP --folder NAME
  web_zip.py --web WEB_DIR --copy-to FOLDER

--copy-to puts the same files into a folder instead (kokurin-server's Debian package serves
that folder), replacing what was there.

The zip is written beside its place and renamed into it, so a failed run leaves no half zip;
its entries carry a fixed date, so the same build packs the same bytes.
"""

import argparse
import json
import os
import shutil
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
        raise SystemExit(
            "kokurin: %s is missing: build the page first "
            "(cmake --preset web && cmake --build --preset web)" % path
        )
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


def copy_page(web, folder):
    """The zip's files copied into folder, built beside it and then swapped in."""
    files = package_files(web)
    part = folder.rstrip("/") + ".part"
    shutil.rmtree(part, ignore_errors=True)
    for name in files:
        target = os.path.join(part, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(web, name), target)
    shutil.rmtree(folder, ignore_errors=True)
    os.replace(part, folder)
    return files


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--web", required=True, help="the web build's folder")
    parser.add_argument("--out", help="the zip to write")
    parser.add_argument("--folder", help="the folder inside the zip")
    parser.add_argument("--copy-to", help="a folder to copy the files into instead")
    args = parser.parse_args(argv)
    if args.copy_to:
        files = copy_page(args.web, args.copy_to)
        print("kokurin: %s holds the page's %d files" % (args.copy_to, len(files)))
        return 0
    if not args.out or not args.folder:
        parser.error("--out and --folder, or --copy-to")
    files = write_zip(args.web, args.out, args.folder)
    print("kokurin: %s holds %d files" % (args.out, len(files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
