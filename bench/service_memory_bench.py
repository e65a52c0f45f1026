#!/usr/bin/env python3
"""The mnemonic service's memory under slow clients, on loopback.

    bench/service_memory_bench.py [path/to/lexiquill-mnemonic-service] [connections]

Opens CONNECTIONS (default 9,000) connections that each send a legal but unfinished request of
24 KB (an 8,000-byte request line, 16,000 bytes of header fields, no blank line yet), then
prints, one figure a line: the service's resident memory while they wait, what that is per
connection, the time a fresh /healthz takes meanwhile, and the resident memory 1, 5 and 15
seconds after the last of them has closed. Fails (exit 1) when the fresh request is not
answered 200.
"""

import os
import resource
import socket
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def ask(port, target):
    with socket.create_connection(("127.0.0.1", port), timeout=10) as client:
        client.sendall(b"GET " + target + b" HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        answer = b""
        while chunk := client.recv(65536):
            answer += chunk
    return int(answer.split(b" ", 2)[1]) if answer else 0


def settle(pid):
    """The resident memory once it has stopped moving (at most 10 s)."""
    last = resident_mb(pid)
    for _ in range(50):
        time.sleep(0.2)
        now = resident_mb(pid)
        if abs(now - last) < 0.5:
            return now
        last = now
    return last


def main():
    service = sys.argv[1] if len(sys.argv) > 1 else f"{ROOT}/build/src/lexiquill-mnemonic-service"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 9000
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))

    port = free_port()
    server = subprocess.Popen([service, "--listen", f"127.0.0.1:{port}", "--threads", "2",
                               "--idle-timeout", "600", "--max-connections", str(count + 100)])
    try:
        for _ in range(100):
            try:
                if ask(port, b"/healthz") == 200:
                    break
            except OSError:
                time.sleep(0.05)
        start = resident_mb(server.pid)
        unfinished = (b"GET /mnemonics/?w=" + b"a" * 7971 + b" HTTP/1.1\r\nHost: x\r\nX: " +
                      b"b" * 15989)
        clients = []
        for _ in range(count):
            client = socket.create_connection(("127.0.0.1", port))
            client.sendall(unfinished)
            clients.append(client)
        held = settle(server.pid)
        began = time.monotonic()
        status = ask(port, b"/healthz")
        fresh = (time.monotonic() - began) * 1000
        for client in clients:
            client.close()
        closed = time.monotonic()
        after = {}
        for mark in (1, 5, 15):
            time.sleep(max(0.0, closed + mark - time.monotonic()))
            after[mark] = resident_mb(server.pid)

        print(f"unfinished request per connection: {len(unfinished):,} bytes")
        print(f"resident memory at start: {start:.1f} MB")
        print(f"resident memory with {count:,} connections waiting: {held:.1f} MB")
        print(f"resident memory per waiting connection: {(held - start) * 1024 / count:.1f} KiB")
        print(f"a fresh /healthz meanwhile: {status} in {fresh:.1f} ms")
        for mark, value in after.items():
            print(f"resident memory {mark} s after the last closed: {value:.1f} MB")
        return 0 if status == 200 else 1
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
