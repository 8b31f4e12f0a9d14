"""The roster as the game defines it in src/screens/roster.def: entry number, name shown and
picture file, read by the portrait generator, the portrait checks and the end-to-end tests so
that the list stands in one place."""

import os
import re

ROSTER_FILE = os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "screens", "roster.def"
)
_ENTRY = re.compile(r'^ROSTER_ENTRY\((\d+), "([^"]*)", "([^"]*)"\)\s*$')


def entries(path=ROSTER_FILE):
    """(entry, name, picture) of every entry, in entry order."""
    found = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            match = _ENTRY.match(line)
            if match:
                found.append((int(match.group(1)), match.group(2), match.group(3)))
    if [e for e, _, _ in found] != list(range(len(found))) or not found:
        raise ValueError("%s: entries must be numbered 0, 1, 2, ... in order" % path)
    return found


def pictures(path=ROSTER_FILE):
    """The picture file of each entry, by entry number (entries may share one)."""
    return [picture for _, _, picture in entries(path)]


def distinct_pictures(path=ROSTER_FILE):
    """Each picture file once, in order of first use."""
    seen = []
    for picture in pictures(path):
        if picture not in seen:
            seen.append(picture)
    return seen
