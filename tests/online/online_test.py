"""Whole online matches on loopback through a real kokurin-server: two kokurin-sim players and a
spectator, checked against the same match re-played offline.

usage: online_test.py SCENARIO SIM SERVER
  identical    the three transcripts, the three replays and the server's replay are the same
               bytes, and `kokurin-sim --replay` of the server's replay prints that transcript
  slow         the same through a proxy of 150 ms round trip with jitter, one connection cut
               mid-match (the client resumes on a new one)
  restart      a player killed mid-match and started again takes its seat back and finishes
  wrong-hash   a player whose hash is wrong is told so, the other is not
  fuzz         garbage, cut and oversized messages drop only their sender: a match plays on
  windows      as identical, with 2P the Windows kokurin-sim under Wine (two more arguments:
               WINDOWS_SIM EMULATOR)
"""
import os
import random
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from slow_proxy import SlowProxy  # noqa: E402

scenario, sim, server_binary = sys.argv[1], sys.argv[2], sys.argv[3]
work = tempfile.mkdtemp(prefix='kokurin-online-')
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


def start_server(*extra):
    proc = subprocess.Popen([server_binary, '--port', '0', '--host', '127.0.0.1',
                             '--replays', work] + list(extra),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if 'listening on port' not in line:
        proc.kill()
        sys.exit('the server did not start: ' + line + proc.stderr.read())
    return proc, int(line.split()[-1])


def player(port, room, name, *extra, program=None):
    # A long input delay: headless players then run many frames per round trip.
    if '--input-delay' not in extra:
        extra = extra + ('--input-delay', '20')
    out = open(os.path.join(work, name + '.txt'), 'wb')
    err = open(os.path.join(work, name + '.err'), 'wb')
    record = os.path.join(work, name + '.kkr')
    if program is not None:
        # Under Wine a Unix path is drive Z:'s.
        record = 'Z:' + record.replace('/', '\\')
    return subprocess.Popen((program or [sim]) +
                            ['--online', 'ws://127.0.0.1:%d/' % port, '--room', room,
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


def same_match(names, room, frames=None):
    """Every named client's transcript and replay equal each other, the server's replay and
    the offline replay of it."""
    saved = os.path.join(work, room + '-1.kkr')
    check(os.path.exists(saved), 'the server saved the replay ' + saved)
    if not os.path.exists(saved):
        return
    offline = subprocess.run([sim, '--replay', saved], stdout=subprocess.PIPE, timeout=60)
    check(offline.returncode == 0, 'the server\'s replay plays offline')
    check(offline.stdout.count(b'\n') > 10, 'the match has turns')
    for name in names:
        check(read(name + '.txt') == offline.stdout, name + '\'s transcript is the offline one')
        check(read(name + '.kkr') == read(os.path.basename(saved)),
              name + '\'s replay is the server\'s')
    if frames is not None:
        check(b'"poll":%d,' % frames in offline.stdout.splitlines()[-1],
              'the match ran its %d frames' % frames)


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


server, port = start_server(*(['--stall-seconds', '3'] if scenario == 'restart' else []))
try:
    if scenario == 'identical':
        a = player(port, 'r1', 'alice', '--novice')
        time.sleep(0.2)
        b = player(port, 'r1', 'bob', '--novice')
        c = player(port, 'r1', 'carol', '--spectate')
        codes = finish({'alice': a, 'bob': b, 'carol': c})
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        same_match(['alice', 'bob', 'carol'], 'r1')
        check(b'winner' in read('alice.txt').splitlines()[-1], 'the match has a winner')
    elif scenario == 'slow':
        # 1P's connection (the first) and the spectator's (the third) are cut mid-match.
        proxy = SlowProxy(port, 150, 30, seed=17, cut_after={0: 6000, 2: 4000})
        common = ['--novice', '--max-polls', '1500', '--input-delay', '30']
        a = player(proxy.port, 'slow', 'alice', *common)
        time.sleep(0.3)
        b = player(proxy.port, 'slow', 'bob', *common)
        c = player(proxy.port, 'slow', 'carol', '--spectate', '--max-polls', '1500',
                   '--input-delay', '30')
        codes = finish({'alice': a, 'bob': b, 'carol': c}, timeout=90)
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        check(proxy.cuts == 2, 'the proxy cut two connections')
        check(proxy.connections >= 5, 'the cut clients came back on new connections')
        same_match(['alice', 'bob', 'carol'], 'slow', frames=1500)
        proxy.close()
    elif scenario == 'restart':
        common = ["--novice", "--max-polls", "2400", "--input-delay", "20"]
        a = player(port, 'again', 'alice', *common)
        time.sleep(0.2)
        b = player(port, 'again', 'bob', *common)
        time.sleep(0.6)
        b.send_signal(signal.SIGKILL)
        b.wait()
        b = player(port, 'again', 'bob', *common)
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 0, 'bob': 0}, 'both exit 0: %s' % codes)
        same_match(['alice', 'bob'], 'again', frames=2400)
    elif scenario == 'wrong-hash':
        a = player(port, 'odd', 'alice', '--novice', '--corrupt-hash', '300')
        time.sleep(0.2)
        b = player(port, 'odd', 'bob', '--novice')
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 4, 'bob': 0}, 'only the wrong one is told: %s' % codes)
        check(b'parted at frame 300' in read('alice.err'), 'alice hears at which frame')
        check(b'diverged' in read('bob.err'), 'bob hears the match ended for it')
    elif scenario == 'fuzz':
        a = player(port, 'fz', 'alice', '--novice', '--max-polls', '3000')
        time.sleep(0.2)
        b = player(port, 'fz', 'bob', '--novice', '--max-polls', '3000')
        rng = random.Random(5)
        hello = bytes([1, 1, 0, 5]) + b'1.0.0' + bytes([1]) + b'x'
        samples = [b'', bytes([0]), bytes([99]), hello[:-1], hello + b'\0', bytes(5000),
                   bytes([11, 0, 0, 0, 0, 0, 0]), bytes([1, 2, 0, 5]) + b'0.0.0' + bytes([0])]
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
        codes = finish({'alice': a, 'bob': b})
        check(codes == {'alice': 0, 'bob': 0}, 'the match played on: %s' % codes)
        same_match(['alice', 'bob'], 'fz', frames=3000)
        check(server.poll() is None, 'the server is still running')
    elif scenario == 'windows':
        windows_sim, emulator = sys.argv[4], sys.argv[5]
        a = player(port, 'w1', 'alice', '--novice')
        time.sleep(0.2)
        b = player(port, 'w1', 'bob', '--novice', program=[emulator, windows_sim])
        c = player(port, 'w1', 'carol', '--spectate')
        codes = finish({'alice': a, 'bob': b, 'carol': c}, timeout=150)
        check(codes == {'alice': 0, 'bob': 0, 'carol': 0}, 'all three exit 0: %s' % codes)
        same_match(['alice', 'bob', 'carol'], 'w1')
    else:
        sys.exit('unknown scenario ' + scenario)
finally:
    server.send_signal(signal.SIGTERM)
    try:
        _, err = server.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        _, err = server.communicate()
    if 'runtime error' in err or 'AddressSanitizer' in err:
        check(False, 'the sanitizers found nothing in the server:\n' + err[-3000:])

if failures:
    print('%d failure(s); files in %s' % (len(failures), work))
    sys.exit(1)
print('ok:', scenario)
