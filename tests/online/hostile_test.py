"""Hostile clients against a real kokurin-server on loopback: each attack costs the server bounded
memory and time, is refused (and logged) where the server refuses it, and changes nothing for the
players and spectators who behave.

usage: hostile_test.py SCENARIO SERVER
  slow-reader  spectators that never read, one joining a long match (its catch-up alone is past
               the queue cap) and one there from the start: both dropped, while two reading
               spectators and the other player see every frame once, in order
  flood        a client pinging without reading is dropped as a flooder, one pinging slowly
               without reading is dropped at the queue cap, an unmasked frame is refused; the
               server stays small and says why in its log; --log-level error says none of it
  limits       connections per address capped (--max-connections-per-ip), X-Forwarded-For
               believed only from --trust-proxy, a connection that never finishes its request
               closed (--handshake-seconds)
  descriptors  out of file descriptors the server waits instead of spinning, and serves again
               once connections go
  web          --web serves only files inside its folder (a symbolic link out is refused),
               streams a large file to slow readers without holding it, and online.json never
               echoes a Host it cannot check
"""
import os
import resource
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ws_client  # noqa: E402

scenario, server_binary = sys.argv[1], sys.argv[2]
# The server's event loops (by default one a core): the same scenarios on one loop, and on more
# loops than players, where rooms and players meet across loops.
threads = (['--threads', os.environ['KOKURIN_SERVER_THREADS']]
           if os.environ.get('KOKURIN_SERVER_THREADS') else [])
work = tempfile.mkdtemp(prefix='kokurin-hostile-')
failures = []
servers = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL:', what)


class Server:
    def __init__(self, *extra, limit_files=None):
        self.log_path = os.path.join(work, 'server-%d.log' % len(servers))
        log = open(self.log_path, 'w')

        def limit():
            if limit_files:
                resource.setrlimit(resource.RLIMIT_NOFILE, (limit_files, limit_files))
        self.proc = subprocess.Popen([server_binary, '--port', '0', '--host', '127.0.0.1',
                                      '--replays', work] + threads + list(extra),
                                     stdout=subprocess.PIPE, stderr=log, text=True,
                                     preexec_fn=limit)
        servers.append(self)
        line = self.proc.stdout.readline()
        if 'listening on port' not in line:
            self.proc.kill()
            sys.exit('the server did not start: ' + line + open(self.log_path).read())
        self.port = int(line.split()[-1])

    def log(self):
        with open(self.log_path) as f:
            return f.read()

    def wait_log(self, text, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.log():
                return True
            time.sleep(0.05)
        return False

    def memory_kib(self):
        with open('/proc/%d/status' % self.proc.pid) as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    return int(line.split()[1])
        return 0

    def cpu_seconds(self):
        with open('/proc/%d/stat' % self.proc.pid) as f:
            fields = f.read().rsplit(')', 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


def closed_by_server(sock, timeout=20):
    """Reads (and discards) until the server closes; False if it is still open at the deadline."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        sock.settimeout(max(0.05, deadline - time.time()))
        try:
            if not sock.recv(1 << 20):
                return True
        except socket.timeout:
            return False
        except OSError:
            return True
    return False


def frame(opcode, payload, masked=True):
    head = bytes([0x80 | opcode])
    n = len(payload)
    bit = 0x80 if masked else 0
    head += bytes([bit | n]) if n < 126 else bytes([bit | 126]) + n.to_bytes(2, 'big')
    return head + (b'\x11\x22\x33\x44' + bytes(b ^ b'\x11\x22\x33\x44'[i & 3]
                                                for i, b in enumerate(payload))
                   if masked else payload)


def alternating(first, count):
    """An Inputs message of 1P's stream whose keys change on every frame: a run a frame."""
    return ws_client.inputs_message(0, first, [(1, 4 * ((first + i) % 2), 0)
                                               for i in range(count)], first + count)


class Reader(threading.Thread):
    """Reads a client's messages in the background; builds 1P's stream from the Inputs ones."""
    def __init__(self, client):
        super().__init__(daemon=True)
        self.client = client
        self.stream = []
        self.stop = False
        self.start()

    def run(self):
        while not self.stop:
            m = self.client.receive(0.2)
            if m is not None and m[0] == ws_client.INPUTS and m[1] == 0:
                ws_client.extend(self.stream, m)


def slow_reader():
    # The lead lets the test send frames as fast as the flood limit allows.
    server = Server('--send-queue-kib', '64', '--log-level', 'info', '--max-lead-seconds', '3600')
    one = ws_client.Client(server.port, 'one')
    one.create_room('BIGROOM', False)
    two = ws_client.Client(server.port, 'two')
    two.join_room('BIGROOM')
    check(one.expect(ws_client.START) is not None and two.expect(ws_client.START) is not None,
          'the raw players\' match starts')
    # A spectator there from the start that never reads: the relay fills its queue.
    early = ws_client.Client(server.port, 'early',
                             sock=ws_client.connect(server.port, receive_buffer=2048))
    early.join_room('BIGROOM', 1)
    early.expect(ws_client.START)
    readers = [Reader(two)]
    for name in ('watch1', 'watch2'):
        watcher = ws_client.Client(server.port, name)
        watcher.join_room('BIGROOM', 1)
        check(watcher.expect(ws_client.START) is not None, name + ' watches')
        readers.append(Reader(watcher))
    sent = 0

    def send_batches(batches):
        # Paced under the 400 messages a second every client is allowed; each batch waits for
        # the spectator that reads to have all of it.
        nonlocal sent
        for _ in range(batches):
            began = time.time()
            for _ in range(100):
                one.send(alternating(sent, 120))
                sent += 120
            deadline = time.time() + 20
            while len(readers[1].stream) < sent and time.time() < deadline:
                time.sleep(0.02)
            time.sleep(max(0.0, 0.4 - (time.time() - began)))
    send_batches(3)
    # A spectator joining now is sent 36000 runs (180 KB) of catch-up at once: past the cap.
    late = ws_client.Client(server.port, 'late',
                            sock=ws_client.connect(server.port, receive_buffer=2048))
    late.join_room('BIGROOM', 1)
    send_batches(6)
    check(closed_by_server(late.sock), 'the late spectator over the queue cap was dropped')
    check(closed_by_server(early.sock), 'the spectator that never reads was dropped')
    deadline = time.time() + 20
    while time.time() < deadline and any(len(r.stream) < sent for r in readers):
        time.sleep(0.05)
    expected = [(4 * (f % 2), 0) for f in range(sent)]
    for reader, name in zip(readers, ('the other player', 'watch1', 'watch2')):
        reader.stop = True
        check(reader.stream == expected,
              '%s saw every frame once, in order (%d of %d)' % (name, len(reader.stream), sent))
    log = server.log()
    check(log.count('a client too slow') == 2, 'the log names both slow readers:\n' + log[-2000:])


def flood():
    server = Server('--send-queue-kib', '64', '--log-level', 'info')
    player = ws_client.Client(server.port, 'calm')
    start_kib = server.memory_kib()
    # Pings as fast as they go, never reading the pongs.
    flooder = ws_client.connect(server.port, receive_buffer=2048)
    ws_client.upgrade(flooder)
    ping = frame(9, b'p' * 125)
    try:
        for _ in range(4000):
            flooder.sendall(ping)
    except OSError:
        pass
    check(closed_by_server(flooder), 'the ping flooder was dropped')
    # Fewer pings a second than the limit, still never reading: the queue cap ends it.
    dripper = ws_client.connect(server.port, receive_buffer=2048)
    ws_client.upgrade(dripper)
    dropped = False
    for _ in range(300):
        try:
            dripper.sendall(ping * 30)
        except OSError:
            dropped = True
            break
        time.sleep(0.1)
        if server.wait_log('too slow', 0):
            dropped = True
            break
    check(dropped and closed_by_server(dripper), 'the slow pinger was dropped at the queue cap')
    unmasked = ws_client.connect(server.port)
    ws_client.upgrade(unmasked)
    unmasked.sendall(frame(2, bytes([1, 1, 0]), masked=False))
    check(closed_by_server(unmasked), 'an unmasked frame ends the connection')
    oversized = ws_client.connect(server.port)
    ws_client.upgrade(oversized)
    oversized.sendall(bytes([0x82, 0xff]) + (1 << 40).to_bytes(8, 'big') + b'\0' * 4)
    check(closed_by_server(oversized), 'an oversized frame ends the connection')
    grown = server.memory_kib() - start_kib
    check(grown < 30000, 'the server grew by %d KiB only' % grown)
    player.send(bytes([ws_client.PING, 7, 0, 0, 0]))
    check(player.expect(20) is not None, 'a calm client is still answered')
    check(server.wait_log('an oversized message'), 'the log names each refusal')
    log = server.log()
    for reason in ('flooding', 'too slow', 'an unmasked frame', 'an oversized message'):
        check(reason in log, 'the log says "%s"' % reason)
    check('opened from 127.0.0.1 (1 open)' in log and '(0 open)' not in log.split('flooding')[0]
          and 'closed: flooding' in log, 'the log counts open connections:\n' + log[-1500:])
    quiet = Server('--log-level', 'error')
    q = ws_client.connect(quiet.port)
    ws_client.upgrade(q)
    q.sendall(frame(2, b'x', masked=False))
    closed_by_server(q)
    ws_client.Client(quiet.port, 'fine').close()
    time.sleep(0.3)
    check(quiet.log() == '', 'at --log-level error nothing of this is said: ' + quiet.log())


def limits():
    server = Server('--max-connections-per-ip', '3', '--trust-proxy', '127.0.0.7',
                    '--handshake-seconds', '1')
    held = [ws_client.Client(server.port, 'p%d' % i,
                             sock=ws_client.connect(server.port, '127.0.0.5')) for i in range(3)]
    extra = ws_client.connect(server.port, '127.0.0.5')
    check(ws_client.upgrade(extra) is None, 'a fourth connection from one address is refused')
    check(server.wait_log('refused a connection from 127.0.0.5'), 'the log says so')
    other = ws_client.Client(server.port, 'other', sock=ws_client.connect(server.port, '127.0.0.6'))
    check(other is not None, 'another address is served')
    held.pop().close()
    again = None
    deadline = time.time() + 20
    while again is None and time.time() < deadline:
        try:
            again = ws_client.Client(server.port, 'again',
                                     sock=ws_client.connect(server.port, '127.0.0.5'))
        except (ConnectionError, OSError):
            time.sleep(0.05)
    check(again is not None, 'a connection that went frees its place')

    # Behind the trusted proxy every client counts alone, under the right-most address the
    # proxy wrote; the same header from anyone else counts for nothing.
    def via(source, forwarded):
        sock = ws_client.connect(server.port, source)
        return ws_client.upgrade(sock, b'X-Forwarded-For: ' + forwarded + b'\r\n'), sock
    kept = [via('127.0.0.7', b'198.51.100.1, 203.0.113.9') for _ in range(3)]
    check(all(answer is not None for answer, _ in kept), 'three through the proxy')
    check(via('127.0.0.7', b'203.0.113.9')[0] is None,
          'a fourth from the same forwarded client is refused')
    check(server.wait_log('refused a connection from 203.0.113.9'),
          'the log names the forwarded client')
    check(via('127.0.0.7', b'203.0.113.9, 203.0.113.10')[0] is not None,
          'another forwarded client is served through the same proxy')
    spoofed = [via('127.0.0.8', b'192.0.2.%d' % i) for i in range(4)]
    check([answer is not None for answer, _ in spoofed] == [True, True, True, False],
          'an untrusted peer\'s X-Forwarded-For is ignored')

    began = time.time()
    half = ws_client.connect(server.port, '127.0.0.9')
    half.sendall(b'GET / HTTP/1.1\r\nHost: x\r\n')
    check(closed_by_server(half, 20), 'an unfinished request is closed')
    check(time.time() - began < 15, 'within its deadline, not Beast\'s own')
    check(server.wait_log('no request within 1 s'), 'the log says why')


def descriptors():
    server = Server('--max-connections-per-ip', '1000', limit_files=48)
    held = []
    # More connections than the server has descriptors: the rest wait in the backlog.
    for i in range(80):
        held.append(ws_client.connect(server.port, '127.0.1.%d' % (1 + i % 200)))
    check(server.wait_log('cannot accept connections'), 'the server says it ran out')
    cpu = server.cpu_seconds()
    began = time.time()
    time.sleep(3)  # measuring the server's idle: nothing to wait for
    used = (server.cpu_seconds() - cpu) / (time.time() - began)
    check(used < 0.25, 'the server waits instead of spinning (%.0f%% of a core)' % (used * 100))
    for sock in held:
        sock.close()
    client = None
    deadline = time.time() + 30
    while client is None and time.time() < deadline:
        try:
            client = ws_client.Client(server.port, 'later')
        except (ConnectionError, OSError):
            time.sleep(0.1)
    check(client is not None, 'the server serves again once connections went')


def http_get(port, path, host=b'x', head=False, tls=None):
    sock = ws_client.connect(port)
    if tls is not None:
        sock = tls.wrap_socket(sock, server_hostname='127.0.0.1')
    sock.sendall(b'%s %s HTTP/1.1\r\nHost: %s\r\n\r\n' % (b'HEAD' if head else b'GET',
                                                          path.encode(), host))
    data = b''
    while True:
        try:
            chunk = sock.recv(1 << 16)
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    sock.close()
    head_part, _, body = data.partition(b'\r\n\r\n')
    status = int(head_part.split()[1]) if head_part else 0
    return status, head_part, body


def web():
    site = os.path.join(work, 'site')
    os.makedirs(os.path.join(site, 'data'))
    secret = os.path.join(work, 'secret.txt')
    with open(secret, 'w') as f:
        f.write('not for the web')
    with open(os.path.join(site, 'index.html'), 'w') as f:
        f.write('<p>page</p>')
    os.symlink(secret, os.path.join(site, 'out.txt'))
    os.symlink(work, os.path.join(site, 'up'))
    os.symlink(os.path.join(site, 'index.html'), os.path.join(site, 'data', 'in.html'))
    big = os.urandom(10 << 20)
    with open(os.path.join(site, 'big.wasm'), 'wb') as f:
        f.write(big)
    server = Server('--web', site, '--max-connections-per-ip', '200')
    check(http_get(server.port, '/')[2] == b'<p>page</p>', 'the folder\'s index is served')
    check(http_get(server.port, '/data/in.html')[2] == b'<p>page</p>',
          'a link inside the folder is followed')
    for path in ('/out.txt', '/up/secret.txt', '/../secret.txt', '/data/../../secret.txt',
                 '/data', '/%2e%2e/secret.txt'):
        status, _, body = http_get(server.port, path)
        check(status == 404 and b'not for the web' not in body, path + ' is refused')
    status, head, body = http_get(server.port, '/big.wasm', head=True)
    check(status == 200 and b'Content-Length: %d' % len(big) in head and body == b'',
          'HEAD tells the length only')
    check(http_get(server.port, '/big.wasm')[2] == big, 'a large file comes whole')
    # Fifty slow readers of the large file: each holds a few kilobytes of the server's memory.
    before = server.memory_kib()
    slow = []
    for _ in range(50):
        sock = ws_client.connect(server.port, receive_buffer=4096)
        sock.sendall(b'GET /big.wasm HTTP/1.1\r\nHost: x\r\n\r\n')
        sock.recv(100)
        slow.append(sock)
    grown = server.memory_kib() - before
    check(grown < 60000, 'fifty slow readers of a 10 MB file cost %d KiB' % grown)
    for sock in slow:
        sock.close()

    def online(host, srv=server):
        status, _, body = http_get(srv.port, '/online.json', host)
        return status, body.strip()
    check(online(b'127.0.0.1:8620') == (200, b'{"server":"ws://127.0.0.1:8620/"}'),
          'online.json names the address the page used')
    check(online(b'[::1]:9') == (200, b'{"server":"ws://[::1]:9/"}') and
          online(b'localhost:5')[0] == 200, 'IPv6 and localhost too')
    for host in (b'evil.example', b'evil.example:8620', b'127.0.0.1:99999',
                 b'x"},"server":"ws://elsewhere'):
        check(online(host)[0] == 400, 'a Host it cannot check gets no address: %r' % host)
    public = Server('--web', site, '--public-url', 'wss://play.example/game')
    check(online(b'evil.example', public) == (200, b'{"server":"wss://play.example/game"}'),
          'with --public-url online.json always names it')


try:
    {'slow-reader': slow_reader, 'flood': flood, 'limits': limits,
     'descriptors': descriptors, 'web': web}[scenario]()
finally:
    for s in servers:
        if s.proc.poll() is None:
            s.proc.terminate()
            try:
                s.proc.wait(10)
            except subprocess.TimeoutExpired:
                s.proc.kill()
                s.proc.wait()
        else:
            check(False, 'the server kept running (exit %s)' % s.proc.returncode)
        log = s.log()
        if 'runtime error' in log or 'AddressSanitizer' in log:
            check(False, 'the sanitizers found nothing in the server:\n' + log[-3000:])

if failures:
    print('%d failure(s); files in %s' % (len(failures), work))
    sys.exit(1)
print('ok:', scenario)
