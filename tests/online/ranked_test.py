"""Ranked play through a real kokurin-server and kokurin-sim players, checked from outside: the
queue pairs two keyed players, a match left after ten seconds is rated from the server's own
verdict, the API's answers hold what was played (the leaderboard, a player's history, the
matches, the live match, each replay the same bytes as the players'), a key never plays itself,
a name is its key's, the store outlives the server, and --redis refuses a SQLite store.

usage: ranked_test.py SIM SERVER
"""
import http.client
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ws_client  # noqa: E402

IDENTIFY, STANDING, RANKED_QUEUE = 21, 22, 24

sim, server_binary = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix='kokurin-ranked-')
replays = os.path.join(work, 'replays')
failures = []
running = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


def start_server(*extra):
    log = open(os.path.join(work, 'server.log'), 'a')
    threads = ['--threads', os.environ['KOKURIN_SERVER_THREADS']] \
        if os.environ.get('KOKURIN_SERVER_THREADS') else []
    proc = subprocess.Popen([server_binary, '--port', '0', '--host', '127.0.0.1', '--replays',
                             replays] + threads + list(extra), stdout=subprocess.PIPE, stderr=log,
                            text=True)
    running.append(proc)
    line = proc.stdout.readline()
    if 'listening on port' not in line:
        proc.kill()
        proc.wait()
        sys.exit('the server did not start: ' + line + server_log())
    return proc, int(line.split()[-1])


def server_log():
    with open(os.path.join(work, 'server.log'), errors='replace') as f:
        return f.read()


def wait_for(condition, what, timeout=60):
    deadline = time.time() + timeout
    while not condition():
        if time.time() > deadline:
            check(False, 'timed out waiting for ' + what)
            return False
        time.sleep(0.05)
    return True


def player(port, name, *extra):
    """A ranked kokurin-sim: its key in NAME.key unless told otherwise, its replay NAME-N.kkr."""
    extra = list(extra)
    if '--key-file' not in extra:
        extra += ['--key-file', os.path.join(work, name + '.key')]
    tag = name + '-%d' % len(running)
    out = open(os.path.join(work, tag + '.txt'), 'wb')
    err = open(os.path.join(work, tag + '.err'), 'wb')
    proc = subprocess.Popen([sim, '--online', 'ws://127.0.0.1:%d/' % port, '--ranked', '--name',
                             name, '--record', os.path.join(work, tag + '.kkr')] + extra,
                            stdout=out, stderr=err)
    proc.tag = tag
    running.append(proc)
    return proc


def read(name, mode='rb'):
    with open(os.path.join(work, name), mode) as f:
        return f.read()


def finish(procs, timeout=120):
    deadline = time.time() + timeout
    codes = []
    for proc in procs:
        try:
            codes.append(proc.wait(max(1, deadline - time.time())))
        except subprocess.TimeoutExpired:
            proc.kill()
            codes.append('timeout')
    return codes


def get(port, target, method='GET'):
    connection = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
    connection.request(method, target)
    response = connection.getresponse()
    body = response.read()
    connection.close()
    return response.status, dict(response.getheaders()), body


def api(port, target):
    status, headers, body = get(port, target)
    check(headers.get('Content-Type', '').startswith('application/json'),
          target + ' answers JSON')
    return status, json.loads(body)


def rating_change(proc):
    """The sim's own word on its rating: (outcome, before, after)."""
    for line in read(proc.tag + '.err').decode(errors='replace').splitlines():
        if line.startswith('kokurin-sim: ranked match '):
            words = line.split()
            return words[3].rstrip(','), int(words[-3]), int(words[-1])
    return None


def ranked_match(port, leaver, stayer):
    """leaver presses ESC at frame 700 (11.7 s): the stayer wins a rated match."""
    keys = os.path.join(work, 'leave.keys')
    with open(keys, 'w') as f:
        f.write('700 1\n')
    before = server_log().count('ranked queue: ')
    first = player(port, leaver, '--keys', keys)
    # The second asks once the first waits, so the first takes 1P.
    wait_for(lambda: server_log().count('ranked queue: ') > before, leaver + ' waiting')
    second = player(port, stayer)
    codes = finish([first, second])
    check(codes == [0, 0], '%s and %s exit 0: %s\n%s%s' % (
        leaver, stayer, codes, read(first.tag + '.err').decode(errors='replace'),
        read(second.tag + '.err').decode(errors='replace')))
    return first, second


def the_live_match(port):
    """Headless players play as fast as the relay lets them, so the match watched live is held
    by a player of the test's own that sends no frames, until it leaves."""
    before = server_log().count('ranked queue: ')
    dee = ws_client.Client(port, 'dee')
    dee.send(bytes([IDENTIFY]) + bytes([9]) * 32)
    check(dee.expect(STANDING) is not None, 'a key is answered with its standing')
    dee.send(bytes([RANKED_QUEUE]))
    wait_for(lambda: server_log().count('ranked queue: ') > before, 'dee waiting')
    eve = player(port, 'eve')
    check(dee.expect(ws_client.START, timeout=30) is not None, 'dee and eve are paired')
    seen = []

    def listed():
        seen[:] = api(port, '/api/live')[1]['matches']
        return len(seen) == 1 and seen[0]['names'] == ['dee', 'eve']
    wait_for(listed, 'the live match')
    check(seen and seen[0]['rated'] and seen[0]['names'] == ['dee', 'eve'],
          'the live match is dee and eve\'s, rated: %s' % seen)
    dee.leave()
    check(finish([eve], timeout=60) == [0], 'eve wins when dee leaves')
    check(b'not rated: under ten seconds' in read(eve.tag + '.err'),
          'a match left at once is not rated: %r' % read(eve.tag + '.err'))
    dee.close()


def scenario():
    proc, port = start_server()
    ann_bob = ranked_match(port, 'ann', 'bob')
    ann, bob = [rating_change(p) for p in ann_bob]
    check(ann is not None and ann[0] == 'rated' and ann[1] == 1500 and ann[2] < 1500,
          'ann left and lost rating: %s' % (ann,))
    check(bob is not None and bob[0] == 'rated' and bob[2] > 1500, 'bob won rating: %s' % (bob,))

    # The same key twice in the queue: refused, and the one waiting plays on.
    before = server_log().count('ranked queue: ')
    keys = os.path.join(work, 'leave.keys')
    waiting = player(port, 'cy', '--keys', keys)
    wait_for(lambda: server_log().count('ranked queue: ') > before, 'cy waiting')
    twin = player(port, 'cy')
    check(finish([twin], timeout=30) == [4], 'the same key twice is refused')
    check(b'same key' in read(twin.tag + '.err'), 'and says so: %r' % read(twin.tag + '.err'))
    # A name another key owns.
    thief = player(port, 'ANN', '--key-file', os.path.join(work, 'thief.key'))
    check(finish([thief], timeout=30) == [4], 'another key cannot take ann\'s name')
    check(b'belongs to another player' in read(thief.tag + '.err'),
          'and says so: %r' % read(thief.tag + '.err'))
    again = player(port, 'ann')
    codes = finish([waiting, again])
    check(codes == [0, 0], 'cy (leaving) and ann play the second match: %s' % codes)
    cy = rating_change(waiting)
    ann2 = rating_change(again)
    check(ann2 is not None and ann2[1] == ann[2] and ann2[2] > ann2[1],
          'ann starts from her last rating and wins: %s after %s' % (ann2, ann))
    check(os.stat(os.path.join(work, 'ann.key')).st_mode & 0o077 == 0,
          'a key file is its owner\'s alone')

    # The API after the two matches.
    status, board = api(port, '/api/leaderboard')
    check(status == 200 and board['total'] == 3, 'three rated players: %s' % board)
    ranked = {p['name']: p for p in board.get('players', [])}
    check([p['rank'] for p in board['players']] == [1, 2, 3], 'ranks in order')
    check(abs(ranked['bob']['rating'] - bob[2]) <= 0.55 and
          abs(ranked['cy']['rating'] - cy[2]) <= 0.55,
          'the leaderboard holds the ratings the players were told: %s' % board)
    check(ranked['ann']['games'] == 2 and ranked['ann']['wins'] == 1, 'ann played two, won one')
    status, page = api(port, '/api/players/Ann')
    history = [p['rating'] for p in page.get('history', [])]
    check(status == 200 and len(history) == 2 and abs(history[0] - ann[2]) <= 0.55 and
          abs(history[1] - ann2[2]) <= 0.55, 'ann\'s history: %s' % history)
    check(sorted(o['name'] for o in page['opponents']) == ['bob', 'cy'], 'her two opponents')
    status, listed = api(port, '/api/matches')
    matches = listed['matches']
    check(len(matches) == 2 and matches[0]['id'] > matches[1]['id'], 'two matches, newest first')
    first = matches[-1]
    check(first['rated'] and first['how'] == 'left' and first['winner'] == 1 and
          [s['name'] for s in first['seats']] == ['ann', 'bob'] and
          abs(first['seats'][0]['change'] - (ann[2] - ann[1])) <= 1 and first['frames'] >= 600,
          'the first match as it was played: %s' % first)
    status, one = api(port, '/api/matches/%d' % first['id'])
    check(one == first, '/api/matches/ID is the list\'s entry')

    # Each replay is streamed as the players recorded it; HEAD gives its length alone.
    for match, proc in ((first, ann_bob[0]), (matches[0], again)):
        status, headers, body = get(port, match['replay'])
        check(status == 200 and headers.get('Content-Type') == 'application/octet-stream' and
              body == read(proc.tag + '.kkr'), 'the replay of match %d is the player\'s' %
              match['id'])
        replayed = subprocess.run([sim, '--replay', os.path.join(work, proc.tag + '.kkr')],
                                  stdout=subprocess.PIPE, timeout=60).stdout
        check(replayed == read(proc.tag + '.txt'), 'and plays offline as the player saw it')
    status, headers, body = get(port, first['replay'], 'HEAD')
    check(status == 200 and body == b'' and
          int(headers['Content-Length']) == len(read(ann_bob[0].tag + '.kkr')), 'HEAD: the length')
    status, headers, body = get(port, '/api/leaderboard', 'POST')
    check(status == 405 and headers.get('Allow') == 'GET, HEAD', 'nothing but GET and HEAD')
    check(api(port, '/api/replays/999.kkr')[0] == 404, 'no such replay')
    check(api(port, '/api/players/%E2%80%AEnn')[0] == 400, 'a name the rules refuse')
    # The last match leaves the live list once its room is checked (and the API's brief cache
    # of it has gone).
    wait_for(lambda: api(port, '/api/live')[1] == {'matches': []}, 'nothing played now', 20)
    the_live_match(port)

    # The store outlives the server.
    proc.terminate()
    proc.wait()
    proc, port = start_server()
    status, board = api(port, '/api/leaderboard')
    check(board['total'] == 3 and {p['name'] for p in board['players']} == {'ann', 'bob', 'cy'},
          'the leaderboard after a restart')
    proc.terminate()
    proc.wait()

    # Several processes share a lobby only with the store they share: a SQLite file is refused.
    refused = subprocess.run([server_binary, '--port', '0', '--replays', replays, '--redis',
                              'redis://127.0.0.1:1', '--db', os.path.join(work, 'k.db')],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
    check(refused.returncode == 2 and b'--db postgresql://' in refused.stderr,
          '--redis with SQLite is refused at start: %r' % refused.stderr)


try:
    scenario()
finally:
    for proc in running:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    if failures:
        print(server_log()[-3000:])
    else:
        shutil.rmtree(work, ignore_errors=True)
if failures:
    sys.exit('%d checks failed' % len(failures))
print('ranked play: all checks passed')
