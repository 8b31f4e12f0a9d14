"""Whole online matches on loopback through a real kokurin-server: two kokurin-sim players and a
spectator, checked against the same match re-played offline.

usage: online_test.py SCENARIO SIM SERVER
  identical    the three transcripts, the three replays and the server's replay are the same
               bytes, and `kokurin-sim --replay` of the server's replay prints that transcript
  slow         the same through a proxy of 150 ms round trip with jitter, one connection cut
               mid-match (the client resumes on a new one), the headless players held to the
               server's bound on how far a stream runs ahead of the match's clock (the other
               scenarios' server lets them run as fast as they can)
  restart      a player killed mid-match and started again under the same name gets no seat
               (only its resume token would give it back); the other wins past the stall
  wrong-hash   a player whose hash is wrong is told so, the other is not; a replay an earlier
               server left under the same name is kept
  fuzz         garbage, cut and oversized messages drop only their sender: a match plays on
  windows      as identical, with 2P the Windows kokurin-sim under Wine (two more arguments:
               WINDOWS_SIM EMULATOR)
  tls          the identical match over wss:// (the players trust the test's own authority with
               --ca-file); a client without it, and one reaching the server by a name its
               certificate does not carry, refuse to connect and say why; online.json over
               https names the wss:// address
  windows-tls  as tls, with 2P the Windows kokurin-sim under Wine (WinHTTP): refused without
               --ca-file, and playing the identical match with it
  redis-hang   Redis stops answering mid-match: the relay goes on undelayed, the lobby answers
  redis        two servers sharing one Redis: a room made at A is listed at B, a player who
               asks B for it is sent to A and the match plays there; quick match across the
               two; a killed server's rooms expire; a lost Redis leaves B serving its own rooms;
               an unreachable one stops a server at start (exit status 3). Exits 77 (skipped)
               when redis-server is not installed.
  failover     two servers sharing one Redis, each behind a slow proxy; two players and a
               spectator given both addresses play at A; A is killed (-9) mid-match: the match
               finishes at B, which takes the room over from its journal, and the three replays
               and B's are the same bytes (77 without redis-server, as every failover scenario)
  redis-restart  as failover, but Redis is killed and started again (empty) mid-match first:
               A's journal is written again up to where it was, and B takes the match over from it
  restart-both A is stopped (a normal stop hands its match over at once), B takes the match
               over, A is started again, B is stopped: A finishes the match and saves it
"""
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from slow_proxy import SlowProxy  # noqa: E402
import ws_client  # noqa: E402
import test_certs  # noqa: E402

scenario, sim, server_binary = sys.argv[1], sys.argv[2], sys.argv[3]
# The server's event loops (by default one a core): the same scenarios on one loop, and on more
# loops than players, where rooms and players meet across loops.
threads = (['--threads', os.environ['KOKURIN_SERVER_THREADS']]
           if os.environ.get('KOKURIN_SERVER_THREADS') else [])
work = tempfile.mkdtemp(prefix='kokurin-online-')
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


def start_server(*extra):
    # The log goes to a file: a pipe nobody reads while the test runs would fill and stop it.
    log = tempfile.TemporaryFile(mode='w+')
    # Headless players run ahead of real time as far as the server lets them: a long lead keeps
    # the matches short, except where the server's own bound is what is played against.
    lead = ['--max-lead-seconds', '5' if scenario == 'slow' else '3600']
    proc = subprocess.Popen([server_binary, '--port', '0', '--host', '127.0.0.1',
                             '--replays', work] + lead + threads + list(extra),
                            stdout=subprocess.PIPE, stderr=log, text=True)
    proc.log = log
    line = proc.stdout.readline()
    if 'listening on port' not in line:
        proc.kill()
        proc.wait()
        sys.exit('the server did not start: ' + line + log_of(proc))
    return proc, int(line.split()[-1])


def log_of(proc):
    proc.log.seek(0)
    return proc.log.read()


def player(port, room, name, *extra, program=None, url=None):
    # Players play ahead of the server (no input delay): headless ones run as far ahead as the
    # bound lets them, many frames per round trip, and roll back for the other's every move.
    out = open(os.path.join(work, name + '.txt'), 'wb')
    err = open(os.path.join(work, name + '.err'), 'wb')
    record = os.path.join(work, name + '.kkr')
    if program is not None:
        # Under Wine a Unix path is drive Z:'s.
        record = 'Z:' + record.replace('/', '\\')
    return subprocess.Popen((program or [sim]) +
                            ['--online', url or 'ws://127.0.0.1:%d/' % port, '--room', room,
                             '--name', name, '--record', record] + list(extra),
                            stdout=out, stderr=err)


def finish(procs, timeout=60):
    deadline = time.time() + timeout
    codes = {}
    for name, proc in procs.items():
        try:
            codes[name] = proc.wait(max(1, deadline - time.time()))
        except subprocess.TimeoutExpired:
            proc.kill()
            codes[name] = 'timeout'
    return codes


def read(name):
    with open(os.path.join(work, name), 'rb') as f:
        return f.read()


def server_replay(room, folder=None):
    """The server's replay of the room's first match: kept with its row in the server's database
    (match-ID.kkr, a moment after the verdict), or, by a server that keeps none (--redis
    without --db), under the room's name."""
    folder = folder or work
    db = os.path.join(folder, 'kokurin.db')
    if not os.path.exists(db):
        return os.path.join(folder, room + '-1.kkr')
    import sqlite3
    deadline = time.time() + 20
    while True:
        with sqlite3.connect('file:%s?mode=ro' % db, uri=True, timeout=5) as c:
            row = c.execute('SELECT replay FROM matches WHERE room = ? ORDER BY id LIMIT 1',
                            (room,)).fetchone()
        if (row and row[0]) or time.time() > deadline:
            return os.path.join(folder, row[0] if row and row[0] else room + '-1.kkr')
        time.sleep(0.05)


def same_match(names, room, frames=None, folder=None):
    """Every named client's transcript and replay equal each other, the server's replay and
    the offline replay of it."""
    saved = server_replay(room, folder)
    check(os.path.exists(saved), 'the server saved the replay ' + saved)
    if not os.path.exists(saved):
        return
    offline = subprocess.run([sim, '--replay', saved], stdout=subprocess.PIPE, timeout=60)
    check(offline.returncode == 0, 'the server\'s replay plays offline')
    check(offline.stdout.count(b'\n') > 10, 'the match has turns')
    for name in names:
        check(read(name + '.txt') == offline.stdout, name + '\'s transcript is the offline one')
        with open(saved, 'rb') as f:
            check(read(name + '.kkr') == f.read(), name + '\'s replay is the server\'s')
    if frames is not None:
        check(b'"poll":%d,' % frames in offline.stdout.splitlines()[-1],
              'the match ran its %d frames' % frames)


def rolled_back(names):
    """Whether every named player reported rollbacks (its moves predicted, then corrected)."""
    for name in names:
        line = [l for l in read(name + '.err').splitlines() if b' rollbacks in ' in l]
        if not line or int(line[0].split()[1]) == 0:
            print(name, 'reported', line)
            return False
    return True


def payload_frames(payload):
    # A list of payloads is sent as that many frames.
    if isinstance(payload, list):
        return b''.join(ws_frame(p) for p in payload)
    return ws_frame(payload)


def ws_frame(payload):
    header = bytes([0x82])
    n = len(payload)
    if n < 126:
        header += bytes([0x80 | n])
    elif n < 65536:
        header += bytes([0x80 | 126]) + n.to_bytes(2, 'big')
    else:
        header += bytes([0x80 | 127]) + n.to_bytes(8, 'big')
    return header + b'\0\0\0\0' + payload


def garbage_client(port, payload, raw=False):
    """Opens a WebSocket, sends one binary frame (masked with a zero mask, as a client must)
    or raw bytes, and returns whether the server closed the connection within a second."""
    s = socket.create_connection(('127.0.0.1', port), timeout=5)
    s.sendall(b'GET / HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n'
              b'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n')
    reply = b''
    while b'\r\n\r\n' not in reply:
        chunk = s.recv(4096)
        if not chunk:
            return True
        reply += chunk
    frame = payload if raw else payload_frames(payload)
    try:
        s.sendall(frame)
        s.settimeout(1)
        data = b''
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return True
            data += chunk
            # The server's frames are unmasked: opcode 8 is its close.
            at = 0
            while at + 2 <= len(data):
                n = data[at + 1] & 0x7f
                head = 2 + (2 if n == 126 else 8 if n == 127 else 0)
                if at + head > len(data):
                    break
                if n >= 126:
                    n = int.from_bytes(data[at + 2:at + head], 'big')
                if data[at] & 0x0f == 8:
                    return True
                at += head + n
    except socket.timeout:
        return False
    except OSError:
        return True
    finally:
        s.close()


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start_redis(port=None):
    """A throwaway redis-server on a free loopback port (or this one) that writes nothing to
    disk."""
    if shutil.which('redis-server') is None:
        print('skipped: redis-server is not installed (tools/setup-deps.sh installs it)')
        sys.exit(77)
    port = port or free_port()
    proc = subprocess.Popen(['redis-server', '--port', str(port), '--bind', '127.0.0.1',
                             '--save', '', '--appendonly', 'no', '--dir', work],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 10
    while time.time() < deadline:
        try:
            with socket.create_connection(('127.0.0.1', port), timeout=1) as s:
                s.sendall(b'PING\r\n')
                if s.recv(16).startswith(b'+PONG'):
                    return proc, port
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit('redis-server did not start')


def listed_soon(client, rooms, codes=False, timeout=10):
    """Whether the client's room list becomes the one given within the timeout."""
    deadline = time.time() + timeout
    while True:
        seen = client.list_rooms()
        if (seen if not codes else [r[0] for r in seen]) == rooms:
            return True
        if time.time() > deadline:
            print('listed:', seen)
            return False
        time.sleep(0.1)


def redis_scenario(a_port, redis_url, redis_proc):
    b_proc, b_port = start_server('--redis', redis_url, '--redis-ttl-seconds', '2')
    others.append(b_proc)
    a_address = 'ws://127.0.0.1:%d/' % a_port
    # A listed room at A kept by a spectator while its maker leaves; alice then takes 1P.
    maker = ws_client.Client(a_port, 'maker')
    maker.create_room('SHARED', True)
    check(ws_client.joined(maker.expect(ws_client.JOINED))[:2] == ('SHARED', 0), 'maker has 1P')
    watcher = ws_client.Client(a_port, 'watcher')
    watcher.join_room('SHARED', 1)
    watcher.expect(ws_client.JOINED)
    maker.leave()
    a = player(a_port, 'SHARED', 'alice', '--novice', '--max-polls', '2400')
    seen = None
    while seen is None or seen[2] != 'alice':
        m = watcher.expect(ws_client.JOINED, timeout=10)
        if m is None:
            break
        seen = ws_client.joined(m)
    looker = ws_client.Client(b_port, 'looker')
    # B reads the other processes' rooms once a second.
    check(listed_soon(looker, [('SHARED', 'alice', '', 1, 0)]),
          'B lists the room A holds, with its player and spectator')
    looker.join_room('SHARED')
    check(ws_client.refusal(looker.expect(ws_client.REFUSED)) == (8, a_address),
          'B sends a join of A\'s room to A')
    watcher.close()
    b = player(b_port, 'SHARED', 'bob', '--novice', '--max-polls', '2400')
    codes = finish({'alice': a, 'bob': b})
    check(codes == {'alice': 0, 'bob': 0}, 'both exit 0: %s' % codes)
    check(b'joined there' in read('bob.err'), 'bob followed B to A')
    same_match(['alice', 'bob'], 'SHARED', frames=2400)

    # Quick match: the player asking B is sent to A, where the other waits.
    first = ws_client.Client(a_port, 'first')
    first.quick_match()
    second = ws_client.Client(b_port, 'second')
    second.quick_match()
    check(ws_client.refusal(second.expect(ws_client.REFUSED)) == (8, a_address),
          'B sends a quick match to A, where a player waits')
    second.close()
    second = ws_client.Client(a_port, 'second')
    second.quick_match()
    rooms = [ws_client.joined(c.expect(ws_client.JOINED)) for c in (first, second)]
    check(rooms[0][:2] == (rooms[1][0], 0) and rooms[1][1:] == (1, 'first', 'second'),
          'the two meet in one room: %s' % rooms)
    check(all(c.expect(ws_client.START) is not None for c in (first, second)),
          'their match starts')

    # A killed process's rooms vanish from the list once their TTL runs out.
    keeper = ws_client.Client(a_port, 'keeper')
    keeper.create_room('DOOMED', True)
    keeper.expect(ws_client.JOINED)
    check(listed_soon(looker, ['DOOMED'], codes=True), 'B lists A\'s new room')
    server.kill()
    server.wait()
    check(listed_soon(looker, [], timeout=15), 'the dead process\'s rooms expired')
    # Redis lost while running: B goes on with its own rooms.
    redis_proc.kill()
    redis_proc.wait()
    alone = ws_client.Client(b_port, 'alone')
    alone.create_room('SOLO', True)
    check(ws_client.joined(alone.expect(ws_client.JOINED))[:2] == ('SOLO', 0),
          'B makes rooms without Redis')
    check([r[0] for r in alone.list_rooms()] == ['SOLO'], 'B lists its own rooms')
    time.sleep(2.5)
    check(b_proc.poll() is None, 'B is still running')
    b_proc.terminate()
    b_proc.wait(10)
    err = log_of(b_proc)
    check(err.count('lost Redis') == 1, 'B said once that Redis was lost:\n' + err)
    # Unreachable at start: a clear word and exit status 3.
    dead = subprocess.run([server_binary, '--port', '0', '--redis', redis_url],
                          capture_output=True, text=True, timeout=20)
    check(dead.returncode == 3 and 'cannot reach Redis' in dead.stderr,
          'an unreachable Redis stops the start: %d %s' % (dead.returncode, dead.stderr))


def redis_hang_scenario(port, redis_proc):
    """Redis stops answering (stopped, its port still accepting): the relay goes on as before."""
    os.kill(redis_proc.pid, signal.SIGSTOP)
    try:
        pinger = ws_client.Client(port, 'pinger')
        latencies = {}
        sent = {}

        def read_pongs():
            while True:
                m = pinger.receive(3)
                if m is None:
                    return
                if m[0] == 20:
                    stamp = int.from_bytes(m[1:5], 'little')
                    latencies[stamp] = time.time() - sent[stamp]
        reader = threading.Thread(target=read_pongs, daemon=True)
        reader.start()
        a = player(port, 'HANG', 'alice', '--novice', '--max-polls', '2400')
        time.sleep(0.2)
        b = player(port, 'HANG', 'bob', '--novice', '--max-polls', '2400')
        # Every question that may ask Redis, while pings measure the relay's thread.
        looker = ws_client.Client(port, 'looker')
        began = time.time()
        for stamp in range(240):
            sent[stamp] = time.time()
            pinger.send(bytes([19]) + stamp.to_bytes(4, 'little'))
            if stamp % 40 == 0:
                check(isinstance(looker.list_rooms(), list), 'the room list is answered')
                looker.join_room('gone%d' % stamp)
                check(looker.expect(ws_client.REFUSED) is not None, 'a join is answered')
                looker.create_room('made%d' % stamp, True)
                check(looker.expect(ws_client.JOINED) is not None, 'a room is made')
                looker.quick_match()
                looker.leave()
            time.sleep(max(0.0, began + (stamp + 1) * 0.025 - time.time()))
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 0, 'bob': 0}, 'both exit 0 with Redis hung: %s' % codes)
        same_match(['alice', 'bob'], 'HANG', frames=2400)
        reader.join(10)
        late = sorted(latencies.values())
        slow = sum(1 for t in late if t > 0.25)
        check(len(late) == len(sent), 'every ping answered (%d of %d)' % (len(late), len(sent)))
        check(slow <= len(sent) // 20, '%d of %d pings took over 250 ms (slowest %.0f ms)' %
              (slow, len(sent), 1000 * (late[-1] if late else 0)))
    finally:
        os.kill(redis_proc.pid, signal.SIGCONT)


def tls_scenario(port, certs):
    url = 'wss://127.0.0.1:%d/' % port
    trust = ('--ca-file', certs['ca'])
    a = player(port, 'SECURE', 'alice', '--novice', *trust, url=url)
    time.sleep(0.2)
    b = player(port, 'SECURE', 'bob', '--novice', *trust, url=url)
    c = player(port, 'SECURE', 'carol', '--spectate', *trust, url=url)
    codes = finish({'alice': a, 'bob': b, 'carol': c})
    check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0 over wss: %s' % codes)
    same_match(['alice', 'bob', 'carol'], 'SECURE')
    unknown = player(port, 'sec2', 'dave', url=url)
    other_name = player(port, 'sec2', 'erin', *trust, url='wss://localhost:%d/' % port)
    plain = player(port, 'sec2', 'fred', url='ws://127.0.0.1:%d/' % port)
    codes = finish({'dave': unknown, 'erin': other_name, 'fred': plain})
    check(codes == {'dave': 4, 'erin': 4, 'fred': 4}, 'the three fail: %s' % codes)
    check(b'refused to connect: the server\'s certificate is not trusted (unable to get local '
          b'issuer certificate)' in read('dave.err'),
          'an unknown authority is refused in words: %r' % read('dave.err'))
    check(b'refused to connect: the server\'s certificate is not trusted (it names another '
          b'host)' in read('erin.err'), 'the wrong host name too: %r' % read('erin.err'))
    check(b'certificate' not in read('fred.err'), 'plain ws:// to a TLS port is no refusal')
    check('TLS handshake with 127.0.0.1 failed' in log_of(server),
          'the failed handshakes are in the debug log')
    import ssl
    context = ssl.create_default_context(cafile=certs['ca'])
    with context.wrap_socket(socket.create_connection(('127.0.0.1', port), timeout=10),
                             server_hostname='127.0.0.1') as s:
        s.sendall(b'GET /online.json HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n' % port)
        answer = b''
        while True:
            try:
                chunk = s.recv(4096)
            except (ssl.SSLError, OSError):
                break
            if not chunk:
                break
            answer += chunk
    check(answer.startswith(b'HTTP/1.1 200') and
          answer.endswith(b'{"server":"wss://127.0.0.1:%d/"}\n' % port),
          'online.json over https names wss://: %r' % answer[-200:])


def redis_command(port, *args):
    """One command to Redis in its own protocol; the reply as Python values (None for nil)."""
    with socket.create_connection(('127.0.0.1', port), timeout=5) as s:
        words = [a if isinstance(a, bytes) else str(a).encode() for a in args]
        s.sendall(b'*%d\r\n' % len(words) +
                  b''.join(b'$%d\r\n%s\r\n' % (len(w), w) for w in words))
        return read_reply(s.makefile('rb'))


def read_reply(f):
    line = f.readline()
    kind, rest = line[:1], line[1:-2]
    if kind == b'+':
        return rest
    if kind == b'-':
        raise RuntimeError(rest.decode())
    if kind == b':':
        return int(rest)
    if kind == b'$':
        n = int(rest)
        return None if n < 0 else f.read(n + 2)[:-2]
    if kind == b'*':
        n = int(rest)
        return None if n < 0 else [read_reply(f) for _ in range(n)]
    raise RuntimeError('not a Redis reply: %r' % line)


def journaled(redis_port, room):
    """The frames of each seat the room's journal in Redis holds ((0, 0): none, or no Redis)."""
    try:
        entries = redis_command(redis_port, 'XRANGE', 'kokurin:frames:' + room, '-', '+')
    except (OSError, RuntimeError):
        return (0, 0)
    held = [0, 0]
    for _, fields in entries or []:
        entry = dict(zip(fields[0::2], fields[1::2]))
        seat = int(entry[b's'])
        held[seat] = max(held[seat], int(entry[b'f']) + len(entry[b'i']) // 3)
    return tuple(held)


def wait_until(condition, timeout, what):
    deadline = time.time() + timeout
    while not condition():
        if time.time() > deadline:
            check(False, what)
            return False
        time.sleep(0.05)
    return True


class Process:
    """A server process sharing the lobby through Redis, behind a slow proxy of its own (a
    match then lasts long enough to be cut in the middle), on a port of its own (to be started
    again there), with its own replay folder."""

    def __init__(self, name, redis_url, seed):
        self.port = free_port()
        self.proxy = SlowProxy(self.port, 60, 10, seed=seed)
        self.url = 'ws://127.0.0.1:%d/' % self.proxy.port
        self.replays = os.path.join(work, 'replays-' + name)
        os.makedirs(self.replays)
        self.redis_url = redis_url
        self.start()

    def start(self):
        self.proc, _ = start_server('--port', str(self.port), '--public-url', self.url,
                                    '--replays', self.replays, '--redis', self.redis_url,
                                    '--redis-ttl-seconds', '2')
        others.append(self.proc)

    def log(self):
        return log_of(self.proc)


def failover_match(redis_port, room, a, b):
    """Two players and a spectator who know both processes, at A's room; returns once the match
    is under way there (its journal holds a few hundred frames)."""
    urls = a.url + ',' + b.url
    common = ('--max-polls', '2400', '--input-delay', '20')
    players = {'alice': player(0, room, 'alice', '--novice', *common, url=urls)}
    wait_until(lambda: redis_command(redis_port, 'GET', 'kokurin:room:' + room) == a.url.encode(),
               30, 'alice made the room at A')
    players['bob'] = player(0, room, 'bob', '--novice', *common, url=urls)
    players['carol'] = player(0, room, 'carol', '--spectate', *common, url=urls)
    wait_until(lambda: min(journaled(redis_port, room)) >= 300, 90, 'the match is journaled')
    return players


def took_over(process, room):
    """The frames of each seat a process's takeover of the room began from (None: none)."""
    for line in process.log().splitlines():
        marker = 'room %s taken over: match #1 goes on from frames ' % room
        if marker in line:
            first, second = line.split(marker)[1].split(' and ')
            return int(first), int(second)
    return None


def failover_scenario(redis_port, redis_url, redis_proc):
    a = Process('a', redis_url, 3)
    b = Process('b', redis_url, 4)
    if scenario == 'redis-restart':
        players = failover_match(redis_port, 'AGAIN', a, b)
        before = journaled(redis_port, 'AGAIN')
        redis_proc.kill()
        redis_proc.wait()
        wait_until(lambda: 'lost Redis' in a.log(), 20, 'A saw Redis go')
        others.append(start_redis(redis_port)[0])
        wait_until(lambda: 'is back' in a.log(), 20, 'A saw Redis come back')
        # The new Redis started empty: the journal is written again from the match's start.
        wait_until(lambda: min(journaled(redis_port, 'AGAIN')) > max(before), 30,
                   'the journal caught up past %s' % (before,))
        room = 'AGAIN'
    elif scenario == 'restart-both':
        players = failover_match(redis_port, 'TURN', a, b)
        a.proc.terminate()
        a.proc.wait(20)
        wait_until(lambda: took_over(b, 'TURN') is not None, 60, 'B took the match over')
        a.start()
        at_b = journaled(redis_port, 'TURN')
        wait_until(lambda: min(journaled(redis_port, 'TURN')) >= min(at_b) + 200, 60,
                   'the match went on at B')
        b.proc.terminate()
        b.proc.wait(20)
        b, a = a, b
        room = 'TURN'
    else:
        players = failover_match(redis_port, 'FAIL', a, b)
        room = 'FAIL'
    held = journaled(redis_port, room)
    a.proc.kill()
    a.proc.wait()
    codes = finish(players, timeout=150)
    check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
    same_match(['alice', 'bob', 'carol'], room, frames=2400, folder=b.replays)
    check(not os.path.exists(os.path.join(a.replays, room + '-1.kkr')),
          'the process that died saved nothing')
    began = took_over(b, room)
    check(began is not None and min(began) > 0 and max(began) <= max(held) + 2400,
          'B took the match over from its journal: %s\n%s' % (began, b.log()))
    for name in players:
        check(b'match over after 2400 frames' in read(name + '.err'),
              name + ' heard the verdict: %r' % read(name + '.err'))


others = []
server_args = ['--stall-seconds', '3'] if scenario == 'restart' else []
if scenario in ('tls', 'windows-tls'):
    # Wine's WinHTTP matches a certificate's host names but not its addresses: the Windows
    # client reaches the server as localhost.
    certs = test_certs.make_certs(os.path.join(work, 'certs'),
                                  'IP:127.0.0.1' + (',DNS:localhost' if scenario != 'tls' else ''))
    server_args = ['--tls-cert', certs['cert'], '--tls-key', certs['key'], '--log-level', 'debug']
failover = scenario in ('failover', 'redis-restart', 'restart-both')
if scenario in ('redis', 'redis-hang') or failover:
    redis_proc, redis_port = start_redis()
    others.append(redis_proc)
    redis_url = 'redis://127.0.0.1:%d' % redis_port
    server_args = ['--redis', redis_url, '--redis-ttl-seconds', '2']
# The failover scenarios start their own processes.
server, port = start_server(*server_args) if not failover else (None, 0)
try:
    if scenario == 'identical':
        a = player(port, 'ROOM1', 'alice', '--novice')
        time.sleep(0.2)
        b = player(port, 'ROOM1', 'bob', '--novice')
        c = player(port, 'ROOM1', 'carol', '--spectate')
        codes = finish({'alice': a, 'bob': b, 'carol': c})
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        same_match(['alice', 'bob', 'carol'], 'ROOM1')
        check(b'winner' in read('alice.txt').splitlines()[-1], 'the match has a winner')
        check(rolled_back(['alice', 'bob']), 'the players rolled back for each other\'s moves')
        # The old way still plays the same: lockstep players and a spectator agree too.
        d = player(port, 'ROOM2', 'dave', '--novice', '--lockstep', '--max-polls', '1200')
        time.sleep(0.2)
        e = player(port, 'ROOM2', 'erin', '--novice', '--lockstep', '--max-polls', '1200')
        f = player(port, 'ROOM2', 'fred', '--spectate', '--max-polls', '1200')
        codes = finish({'dave': d, 'erin': e, 'fred': f})
        check(codes == {'dave': 0, 'erin': 0, 'fred': 0}, 'lockstep: all three exit 0: %s' % codes)
        same_match(['dave', 'erin', 'fred'], 'ROOM2', frames=1200)
    elif scenario == 'slow':
        # 1P's connection (the first) and the spectator's (the third) are cut mid-match.
        proxy = SlowProxy(port, 150, 30, seed=17, cut_after={0: 6000, 2: 4000})
        common = ['--novice', '--max-polls', '1500']
        a = player(proxy.port, 'SLOW', 'alice', *common)
        time.sleep(0.3)
        b = player(proxy.port, 'SLOW', 'bob', *common)
        c = player(proxy.port, 'SLOW', 'carol', '--spectate', '--max-polls', '1500')
        codes = finish({'alice': a, 'bob': b, 'carol': c}, timeout=90)
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        check(proxy.cuts == 2, 'the proxy cut two connections')
        check(proxy.connections >= 5, 'the cut clients came back on new connections')
        same_match(['alice', 'bob', 'carol'], 'SLOW', frames=1500)
        check(rolled_back(['alice', 'bob']), 'the players rolled back for each other\'s moves')
        proxy.close()
    elif scenario == 'restart':
        # A player killed mid-match and started again has no resume token: joining under the
        # same name does not give it the seat back (only the token would), and the other player
        # wins once the seat has been silent past the stall timeout.
        common = ["--novice", "--max-polls", "2400", "--input-delay", "20"]
        a = player(port, 'AGAIN', 'alice', *common)
        time.sleep(0.2)
        b = player(port, 'AGAIN', 'bob', *common)
        deadline = time.time() + 60
        while b'room AGAIN, seat 1' not in read('bob.err') and time.time() < deadline:
            time.sleep(0.05)
        b.send_signal(signal.SIGKILL)
        b.wait()
        impostor = ws_client.Client(port, 'bob')
        impostor.join_room('AGAIN')
        check(ws_client.refusal(impostor.expect(ws_client.REFUSED)) == (2, 'AGAIN'),
              'the same name takes no seat')
        impostor.close()
        codes = finish({'alice': a})
        check(codes == {'alice': 0}, 'alice exits 0: %s' % codes)
        check(b'gone, winner 1P' in read('alice.err'), 'alice wins when bob stays away:\n' +
              read('alice.err').decode(errors='replace'))
        check(os.path.exists(server_replay('AGAIN')), 'the match is saved')
    elif scenario == 'wrong-hash':
        # A replay an earlier run of the server left under this room's name stays as it was.
        with open(os.path.join(work, 'ODDS-1.kkr'), 'wb') as f:
            f.write(b'an earlier match')
        a = player(port, 'ODDS', 'alice', '--novice', '--corrupt-hash', '300')
        time.sleep(0.2)
        b = player(port, 'ODDS', 'bob', '--novice')
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 4, 'bob': 0}, 'only the wrong one is told: %s' % codes)
        check(b'parted at frame 300' in read('alice.err'), 'alice hears at which frame')
        check(b'diverged' in read('bob.err'), 'bob hears the match ended for it')
        time.sleep(0.5)
        saved = server_replay('ODDS')
        check(read('ODDS-1.kkr') == b'an earlier match', 'the earlier replay is kept')
        check(os.path.basename(saved).startswith('match-') and os.path.exists(saved),
              'this one saved beside it: ' + saved)
    elif scenario == 'fuzz':
        a = player(port, 'FUZZ', 'alice', '--novice', '--max-polls', '3000')
        time.sleep(0.2)
        b = player(port, 'FUZZ', 'bob', '--novice', '--max-polls', '3000')
        rng = random.Random(5)
        hello = ws_client.hello('x')
        samples = [b'', bytes([0]), bytes([99]), hello[:-1], hello + b'\0', bytes(5000),
                   bytes([11, 0, 0, 0, 0, 0, 0]), bytes([1, 2, 0, 5]) + b'0.0.0' + bytes([0]),
                   ws_client.inputs_message(0, 0, [(0, 0, 0)], 1)]
        for _ in range(40):
            n = rng.randrange(1, 64)
            samples.append(bytes(rng.randrange(256) for _ in range(n)))
            body = bytearray(hello)
            body[rng.randrange(len(body))] = rng.randrange(256)
            samples.append(bytes(body))
        closed = 0
        for sample in samples:
            closed += garbage_client(port, sample)
        # A frame claiming 2^40 bytes, and bytes that are not WebSocket at all.
        garbage_client(port, bytes([0x82, 0xff]) + (1 << 40).to_bytes(8, 'big'), raw=True)
        garbage_client(port, b'\xff' * 100, raw=True)
        check(closed >= len(samples) - 12, 'bad senders were dropped (%d of %d)' %
              (closed, len(samples)))
        # A good Hello stays; a flood of pings after it (far more than 400 in a second) not.
        check(not garbage_client(port, hello), 'a lone Hello is kept')
        ping = bytes([19, 1, 0, 0, 0])
        check(garbage_client(port, [hello] + [ping] * 1000), 'a flooding client is dropped')
        # A client of the first online version: told which version to install, then closed.
        old = ws_client.Client(port, 'old', greet=False)
        old.send(ws_client.hello('old', version=1))
        check(ws_client.refusal(old.expect(ws_client.REFUSED) or bytes(3)) ==
              (1, '1.0.0 (online play version 2)'), 'a first-version client is told what to install')
        check(old.receive() is None, 'and closed')
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 0, 'bob': 0}, 'the match played on: %s' % codes)
        same_match(['alice', 'bob'], 'FUZZ', frames=3000)
        check(server.poll() is None, 'the server is still running')
    elif scenario == 'windows':
        windows_sim, emulator = sys.argv[4], sys.argv[5]
        a = player(port, 'WIN1', 'alice', '--novice')
        time.sleep(0.2)
        b = player(port, 'WIN1', 'bob', '--novice', program=[emulator, windows_sim])
        c = player(port, 'WIN1', 'carol', '--spectate')
        codes = finish({'alice': a, 'bob': b, 'carol': c}, timeout=150)
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        same_match(['alice', 'bob', 'carol'], 'WIN1')
    elif scenario == 'redis':
        redis_scenario(port, redis_url, redis_proc)
    elif scenario == 'tls':
        tls_scenario(port, certs)
    elif scenario == 'windows-tls':
        windows_sim, emulator = sys.argv[4], sys.argv[5]
        url = 'wss://127.0.0.1:%d/' % port
        wine_url = 'wss://localhost:%d/' % port
        wine_ca = 'Z:' + certs['ca'].replace('/', '\\')
        refused = player(port, 'WINTLS', 'dave', url=wine_url, program=[emulator, windows_sim])
        check(finish({'dave': refused}, timeout=120) == {'dave': 4}, 'no --ca-file: exit 4')
        check(b'refused to connect: the server\'s certificate is not trusted' in read('dave.err'),
              'the Windows client refuses an unknown authority: %r' % read('dave.err'))
        a = player(port, 'WINTLS', 'alice', '--novice', '--ca-file', certs['ca'], url=url)
        time.sleep(0.2)
        b = player(port, 'WINTLS', 'bob', '--novice', '--ca-file', wine_ca, url=wine_url,
                   program=[emulator, windows_sim])
        c = player(port, 'WINTLS', 'carol', '--spectate', '--ca-file', certs['ca'], url=url)
        codes = finish({'alice': a, 'bob': b, 'carol': c}, timeout=150)
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        same_match(['alice', 'bob', 'carol'], 'WINTLS')
    elif scenario == 'loops':
        # Connections are dealt to the event loops in turn: with several loops each pair below
        # lands on two of them, so every step meets across loops.
        host = ws_client.Client(port, 'host')
        host.create_room('LOOPS1', True)
        made = host.expect(ws_client.JOINED)
        check(made is not None and ws_client.joined(made)[:2] == ('LOOPS1', 0), 'a room made')
        guest = ws_client.Client(port, 'guest')
        check(any(r[0] == 'LOOPS1' for r in guest.list_rooms()), 'listed to another loop')
        guest.join_room('LOOPS1')
        came = guest.expect(ws_client.JOINED, timeout=20)
        check(came is not None and ws_client.joined(came)[:2] == ('LOOPS1', 1),
              'joined from another loop: %r' % (came,))
        first, second = ws_client.Client(port, 'quick1'), ws_client.Client(port, 'quick2')
        first.quick_match()
        second.quick_match()
        met = [first.expect(ws_client.JOINED, timeout=20), second.expect(ws_client.JOINED, timeout=20)]
        check(None not in met and ws_client.joined(met[0])[0] == ws_client.joined(met[1])[0] and
              {ws_client.joined(m)[1] for m in met} == {0, 1},
              'two quick matchers on two loops meet: %r' % met)
        if int(os.environ.get('KOKURIN_SERVER_THREADS') or 1) > 1:
            check(log_of(server).count('goes to thread') >= 2,
                  'the joiners were handed over:\n' + log_of(server)[-2000:])
        for c in (host, guest, first, second):
            c.close()
    elif scenario == 'redis-hang':
        redis_hang_scenario(port, redis_proc)
    elif failover:
        failover_scenario(redis_port, redis_url, redis_proc)
    else:
        sys.exit('unknown scenario ' + scenario)
finally:
    for proc in others:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    if server is not None:
        server.send_signal(signal.SIGTERM)
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        err = log_of(server)
        if 'runtime error' in err or 'AddressSanitizer' in err:
            check(False, 'the sanitizers found nothing in the server:\n' + err[-3000:])

if failures:
    print('%d failure(s); files in %s' % (len(failures), work))
    sys.exit(1)
print('ok:', scenario)
