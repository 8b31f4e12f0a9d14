"""A seeded TCP proxy for the online tests: every chunk is held for half the round trip plus
jitter (order kept, as TCP keeps it), and chosen connections are cut after a number of bytes
from the server, as a dropped connection would be. Runs in its own thread with its own loop."""
import asyncio
import random
import threading


class SlowProxy:
    def __init__(self, target_port, round_trip_ms, jitter_ms, seed, cut_after=None):
        # cut_after: {connection number: bytes from the server after which it is cut}
        self.target_port = target_port
        self.one_way = round_trip_ms / 2000.0
        self.jitter = jitter_ms / 1000.0
        self.random = random.Random(seed)
        self.cut_after = cut_after or {}
        self.connections = 0
        self.cuts = 0
        self.port = None
        self.loop = asyncio.new_event_loop()
        started = threading.Event()
        self.thread = threading.Thread(target=self._run, args=(started,), daemon=True)
        self.thread.start()
        started.wait(10)

    def _run(self, started):
        asyncio.set_event_loop(self.loop)

        async def begin():
            server = await asyncio.start_server(self._serve, '127.0.0.1', 0)
            self.port = server.sockets[0].getsockname()[1]
            started.set()
        self.loop.run_until_complete(begin())
        self.loop.run_forever()

    async def _serve(self, client_reader, client_writer):
        number = self.connections
        self.connections += 1
        try:
            server_reader, server_writer = await asyncio.open_connection('127.0.0.1',
                                                                         self.target_port)
        except OSError:
            client_writer.close()
            return
        writers = [client_writer, server_writer]

        def cut():
            for w in writers:
                w.transport.abort()

        async def pump(reader, writer, limit):
            queue = asyncio.Queue()

            async def deliver():
                while True:
                    due, data = await queue.get()
                    if data is None:
                        writer.close()
                        return
                    wait = due - self.loop.time()
                    if wait > 0:
                        await asyncio.sleep(wait)
                    if writer.is_closing():
                        # The other end went (a server that died): nothing more to deliver.
                        return
                    writer.write(data)
            delivery = asyncio.ensure_future(deliver())
            last_due = 0.0
            passed = 0
            try:
                while True:
                    data = await reader.read(65536)
                    if not data:
                        break
                    due = self.loop.time() + self.one_way + self.random.uniform(0, self.jitter)
                    last_due = max(last_due, due)
                    passed += len(data)
                    await queue.put((last_due, data))
                    if limit is not None and passed >= limit:
                        self.cuts += 1
                        cut()
                        return
            except (ConnectionError, OSError):
                pass
            await queue.put((0, None))
            await delivery

        await asyncio.gather(pump(client_reader, server_writer, None),
                             pump(server_reader, client_writer, self.cut_after.get(number)),
                             return_exceptions=True)

    def close(self):
        self.loop.call_soon_threadsafe(self.loop.stop)
        self.thread.join(5)
