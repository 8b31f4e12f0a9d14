"""A small blocking WebSocket client speaking kokurin's binary protocol (docs/protocol.md), for
the online tests that need to look at the lobby from outside: enough of the messages to greet,
list, create, join, quick-match and leave, and to read what the server answers."""
import socket
import struct
import time

GAME_VERSION = b'1.0.0'
PROTOCOL_VERSION = 2
HELLO, WELCOME, REFUSED, LIST_ROOMS, ROOM_LIST, CREATE_ROOM, JOIN_ROOM, QUICK_MATCH, JOINED, \
    START = range(1, 11)
INPUTS = 11
LEAVE = 17
PING = 19


def text(s):
    b = s.encode() if isinstance(s, str) else s
    return bytes([len(b)]) + b


def upgrade(sock, headers=b''):
    """Sends a WebSocket upgrade; returns the bytes after the server's answer, or None when the
    server closed instead of answering 101."""
    sock.sendall(b'GET / HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\n'
                 b'Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n'
                 b'Sec-WebSocket-Version: 13\r\n' + headers + b'\r\n')
    reply = b''
    while b'\r\n\r\n' not in reply:
        try:
            chunk = sock.recv(4096)
        except OSError:
            return None
        if not chunk:
            return None
        reply += chunk
    if not reply.startswith(b'HTTP/1.1 101'):
        return None
    return reply.split(b'\r\n\r\n', 1)[1]


def connect(port, source='127.0.0.1', receive_buffer=None, sock_wrap=None):
    """A TCP connection from a chosen loopback address, with a small receive buffer if asked
    (set before connecting, so the window the server sees stays small)."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    if receive_buffer:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    sock.settimeout(5)
    sock.bind((source, 0))
    sock.connect(('127.0.0.1', port))
    return sock_wrap(sock) if sock_wrap else sock


def hello(name, version=PROTOCOL_VERSION):
    return bytes([HELLO]) + version.to_bytes(2, 'little') + text(GAME_VERSION) + text(name)


def inputs_message(seat, first, runs, reach):
    """An Inputs message of the seat's stream: runs [(frames, keys, pointer)] from frame
    `first`, the stream reaching frame `reach`."""
    held = [0, 0]
    held[seat] = reach
    out = bytes([INPUTS, seat]) + struct.pack('<III', held[0], held[1], first) + bytes([len(runs)])
    for frames, keys, pointer in runs:
        out += struct.pack('<HHB', frames, keys, pointer)
    return out


def inputs(m):
    """(seat, [held 1P, held 2P], first, [(frames, keys, pointer)]) of an Inputs message."""
    held0, held1, first = struct.unpack_from('<III', m, 2)
    runs = [struct.unpack_from('<HHB', m, 15 + 5 * i) for i in range(m[14])]
    return m[1], [held0, held1], first, runs


def extend(stream, m):
    """Adds what an Inputs message says of its seat's stream to the list of (keys, pointer)
    frames held of it, as every client does: the frames before its first repeat the last one
    held, then the runs, then the last run's input to the frame the stream reaches."""
    seat, held, first, runs = inputs(m)
    reach = held[seat]
    last = stream[-1] if stream else (0, 0)

    def fill(end, value):
        end = min(end, reach)
        if end > len(stream):
            stream.extend([value] * (end - len(stream)))
    fill(first, last)
    at = first
    for frames, keys, pointer in runs:
        at += frames
        fill(at, (keys, pointer))
        last = (keys, pointer)
    fill(reach, last)


class Client:
    def __init__(self, port, name, host='127.0.0.1', sock=None, headers=b'', greet=True):
        self.sock = sock or socket.create_connection((host, port), timeout=5)
        data = upgrade(self.sock, headers)
        if data is None:
            raise ConnectionError('the server closed the handshake')
        self.data = data
        if greet:
            self.send(hello(name))
            assert self.expect(WELCOME)[0] == WELCOME

    def send(self, payload):
        n = len(payload)
        head = bytes([0x82, 0x80 | n]) if n < 126 else bytes([0x82, 0x80 | 126]) + \
            n.to_bytes(2, 'big')
        self.sock.sendall(head + b'\0\0\0\0' + payload)

    def receive(self, timeout=5):
        """The next binary message, or None when the connection closed or nothing came."""
        deadline = time.time() + timeout
        while True:
            if len(self.data) >= 2:
                n = self.data[1] & 0x7f
                head = 2 + (2 if n == 126 else 8 if n == 127 else 0)
                if len(self.data) >= head:
                    if n >= 126:
                        n = int.from_bytes(self.data[2:head], 'big')
                    if len(self.data) >= head + n:
                        opcode = self.data[0] & 0x0f
                        payload = self.data[head:head + n]
                        self.data = self.data[head + n:]
                        if opcode == 8:
                            return None
                        if opcode == 2:
                            return payload
                        continue
            left = deadline - time.time()
            if left <= 0:
                return None
            self.sock.settimeout(left)
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                return None
            if not chunk:
                return None
            self.data += chunk

    def expect(self, *types, timeout=5):
        """The next message of one of the types (others are skipped); None if none came."""
        deadline = time.time() + timeout
        while True:
            m = self.receive(max(0.01, deadline - time.time()))
            if m is None or m[0] in types:
                return m
            if time.time() > deadline:
                return None

    def create_room(self, code, listed):
        self.send(bytes([CREATE_ROOM, 1 if listed else 0]) + text(code))

    def join_room(self, code, flags=0):
        self.send(bytes([JOIN_ROOM, flags]) + text(code))

    def quick_match(self):
        self.send(bytes([QUICK_MATCH]))

    def leave(self):
        self.send(bytes([LEAVE]))

    def list_rooms(self):
        """[(code, name 1P, name 2P, spectators, playing)] from the server's RoomList."""
        self.send(bytes([LIST_ROOMS]))
        m = self.expect(ROOM_LIST)
        rooms, at = [], 2
        for _ in range(m[1]):
            fields = []
            for _ in range(3):
                n = m[at]
                fields.append(m[at + 1:at + 1 + n].decode())
                at += 1 + n
            spectators, playing = struct.unpack_from('<HB', m, at)
            at += 3
            rooms.append(tuple(fields) + (spectators, playing))
        return rooms

    def close(self):
        self.sock.close()


def refusal(m):
    """(reason, explanation) of a Refused message."""
    return m[1], m[3:3 + m[2]].decode()


def joined(m):
    """(code, seat, name 1P, name 2P) of a Joined message."""
    fields, at = [], 1
    n = m[at]
    code = m[at + 1:at + 1 + n].decode()
    at += 1 + n
    seat = m[at]
    at += 1
    for _ in range(2):
        n = m[at]
        fields.append(m[at + 1:at + 1 + n].decode())
        at += 1 + n
    return (code, seat) + tuple(fields)
