"""The characters the game can draw: every character of every string literal in its sources
(C++ .cpp/.h/.def, the page's .js) and every character of the page's .html, plus printable
ASCII (numbers, scores and names typed in code). Comments are skipped, so the notes in them
cost no glyphs.

texts(root) maps each character to the first place that uses it, "path:line"."""

import os
import re

SOURCE_SUFFIXES = (".cpp", ".h", ".def", ".js", ".html")
PRINTABLE_ASCII = "".join(chr(c) for c in range(0x20, 0x7F))

_SIMPLE_ESCAPES = {
    "n": "\n", "t": "\t", "r": "\r", "0": "\0", "a": "\a", "b": "\b", "f": "\f", "v": "\v",
}
_ESCAPE = re.compile(
    r"\\(x[0-9A-Fa-f]+|u\{[0-9A-Fa-f]+\}|u[0-9A-Fa-f]{4}|U[0-9A-Fa-f]{8}|[0-7]{1,3}|.)", re.S
)


def _unescape(body):
    """A literal's text with its escapes decoded (C++ and JavaScript spell them alike)."""

    def one(match):
        e = match.group(1)
        if e[0] == "x":
            return chr(int(e[1:], 16) & 0x10FFFF)
        if e.startswith("u{"):
            return chr(min(int(e[2:-1], 16), 0x10FFFF))
        if e[0] in "uU" and len(e) > 1:
            return chr(min(int(e[1:], 16), 0x10FFFF))
        if e[0] in "01234567" and (len(e) > 1 or e != "0"):
            return chr(int(e, 8))
        return _SIMPLE_ESCAPES.get(e, e)

    return _ESCAPE.sub(one, body)


# Tokens whose end leaves JavaScript expecting an operand, where "/" starts a regular
# expression rather than dividing.
_REGEX_AFTER = set("(,=:[!&|?{};+-*%<>~^")


def literals(text, javascript=False):
    """(line, text) of each string literal of C++ or JavaScript source text."""
    found = []
    i = 0
    n = len(text)
    line = 1
    last = ""  # the last significant character outside literals and comments
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
            continue
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            line += text.count("\n", i, end)
            i = end
            continue
        if javascript and c == "/" and (last == "" or last in _REGEX_AFTER):
            # A regular expression: up to the closing slash outside a character class.
            j = i + 1
            in_class = False
            while j < n and text[j] != "\n":
                if text[j] == "\\":
                    j += 2
                    continue
                if text[j] == "[":
                    in_class = True
                elif text[j] == "]":
                    in_class = False
                elif text[j] == "/" and not in_class:
                    break
                j += 1
            i = j + 1
            last = "/"
            continue
        if not javascript and c == "R" and text.startswith('R"', i):
            # Raw string: R"delimiter( ... )delimiter".
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2 : open_paren]
            close = text.find(")" + delimiter + '"', open_paren)
            if open_paren >= 0 and close >= 0 and len(delimiter) <= 16:
                found.append((line, text[open_paren + 1 : close]))
                line += text.count("\n", i, close)
                i = close + len(delimiter) + 2
                last = '"'
                continue
        if c == '"' or c == "'" or (javascript and c == "`"):
            j = i + 1
            while j < n and text[j] != c:
                if text[j] == "\\":
                    j += 1
                elif c != "`" and text[j] == "\n":
                    break  # an unterminated literal ends at the line's end
                j += 1
            body = text[i + 1 : j]
            if c == "`":
                # A template's ${...} parts are code; its other parts are text.
                body = re.sub(r"\$\{[^}]*\}", "", body)
            # Character literals ('x') are texts too: a glyph drawn one at a time.
            found.append((line, _unescape(body)))
            line += text.count("\n", i, j)
            i = j + 1
            last = c
            continue
        if not c.isspace():
            last = c
        i += 1
    return found


def _source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(folder, name)


def texts(root, relative_to=None):
    """Each character the game can draw -> the first "path:line" using it (ASCII: "ASCII")."""
    used = {c: "printable ASCII" for c in PRINTABLE_ASCII}
    base = relative_to or root
    for path in _source_files(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        where = os.path.relpath(path, base)
        if path.endswith(".html"):
            pieces = [(k + 1, piece) for k, piece in enumerate(text.split("\n"))]
        else:
            pieces = literals(text, javascript=path.endswith(".js"))
        for line, piece in pieces:
            for ch in piece:
                if ord(ch) >= 0x20 and ch not in used and not (0xD800 <= ord(ch) <= 0xDFFF):
                    used[ch] = "%s:%d" % (where, line)
    return used
