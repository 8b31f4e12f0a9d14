#!/usr/bin/env python3
"""Online play measured through the tests' delaying proxy (tests/online/slow_proxy.py): two
kokurin-sim novices play a match on a local kokurin-server at 60 frames a second (--realtime),
at each round trip with jitter, ahead of the server (the game's way) and in lockstep (the old
way), and the table says how many frames a cursor key took to move the cursor on screen, how
often and how deep the players rolled back, and the longest a rollback took. A benchmark, not a
test: it reports, it asserts nothing.

    python3 bench/online/rollback_bench.py [SECONDS]   (after cmake --build --preset native)
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

root = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
sys.path.insert(0, os.path.join(root, 'tests', 'online'))
from slow_proxy import SlowProxy  # noqa: E402

sim = os.path.join(root, 'build', 'native', 'tools', 'sim', 'kokurin-sim')
server_binary = os.path.join(root, 'build', 'native', 'src', 'server', 'kokurin-server')
seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 60
# (round trip, jitter) in milliseconds; 0 is loopback without the proxy.
links = [(0, 0), (50, 10), (150, 30), (300, 60)]
work = tempfile.mkdtemp(prefix='kokurin-rollback-bench-')

for program in (sim, server_binary):
    if not os.access(program, os.X_OK):
        sys.exit('build it first: cmake --preset native && cmake --build --preset native')

server = subprocess.Popen([server_binary, '--port', '0', '--host', '127.0.0.1', '--replays',
                           work], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
port = int(server.stdout.readline().split()[-1])


def play(room, link_port, mode):
    """Both players of one match; returns their stderr texts."""
    procs = []
    for name in ('p1', 'p2'):
        err = open(os.path.join(work, room + name + '.err'), 'w')
        args = [sim, '--online', 'ws://127.0.0.1:%d/' % link_port, '--room', room, '--name',
                name, '--novice', '--realtime', '--max-polls', str(seconds * 60)] + mode
        procs.append((subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=err), err))
        time.sleep(0.2)
    texts = []
    for proc, err in procs:
        proc.wait(seconds * 4 + 120)
        err.close()
        with open(err.name) as f:
            texts.append(f.read())
    return texts


def numbers(texts):
    moves = []
    rollbacks = frames = stepped = longest_frames = longest_us = held = 0
    for text in texts:
        m = re.search(r'key to screen: (\d+) cursor moves, median (\d+) frames, mean ([\d.]+), '
                      r'most (\d+)', text)
        if m:
            moves.append((int(m.group(1)), int(m.group(2)), float(m.group(3)), int(m.group(4))))
        m = re.search(r'(\d+) rollbacks in (\d+) frames, (\d+) frames stepped again, the longest '
                      r'(\d+) frames in (\d+) us', text)
        if m:
            rollbacks += int(m.group(1))
            frames += int(m.group(2))
            stepped += int(m.group(3))
            longest_frames = max(longest_frames, int(m.group(4)))
            longest_us = max(longest_us, int(m.group(5)))
        m = re.search(r'(\d+) frames waited at the bound, (\d+) held for the other', text)
        if m:
            held += int(m.group(1)) + int(m.group(2))
    return moves, rollbacks, frames, stepped, longest_frames, longest_us, held


rows = []
try:
    for mode_name, mode in (('ahead', []), ('lockstep', ['--lockstep'])):
        for trip, jitter in links:
            proxy = SlowProxy(port, trip, jitter, seed=trip + 1) if trip else None
            texts = play('RB%s%03d' % (mode_name[0].upper(), trip), proxy.port if proxy else port,
                         mode)
            if proxy:
                proxy.close()
            rows.append((mode_name, trip, jitter, numbers(texts)))
finally:
    server.terminate()
    server.wait(10)

print('| Round trip (jitter) | Way | Key to cursor on screen, frames (median / mean / most) '
      '| Rollbacks a minute, each player | Frames stepped again a minute | Deepest rollback '
      '| Longest rollback | Frames held a minute |')
print('|---|---|---|---|---|---|---|---|')
for mode_name, trip, jitter, (moves, rollbacks, frames, stepped, deep, us, held) in rows:
    if moves:
        latency = '%d / %.1f / %d' % (statistics.median(m[1] for m in moves),
                                      sum(m[2] * m[0] for m in moves) / sum(m[0] for m in moves),
                                      max(m[3] for m in moves))
    else:
        latency = 'no moves'
    minutes = frames / 3600.0 if frames else 0
    if mode_name == 'ahead' and minutes:
        rolls = '%.0f' % (rollbacks / minutes / 2)
        again = '%.0f' % (stepped / minutes / 2)
        depth = '%d frames' % deep
        took = '%d us' % us
        waits = '%.1f' % (held / minutes / 2)
    else:
        rolls = again = depth = took = waits = '-'
    print('| %d ms (%d ms) | %s | %s | %s | %s | %s | %s | %s |' %
          (trip, jitter, 'ahead of the server' if mode_name == 'ahead' else 'lockstep',
           latency, rolls, again, depth, took, waits))
print()
print('%d s a match at 60 frames a second; offline, a key moves the cursor on the next frame '
      'shown (1).' % seconds)
