#!/usr/bin/python3
"""Loopback HTTP clients that count what each connection gets, for the service benchmark.

  http_clients.py count PORT PATH CONNECTIONS SECONDS
      Every connection asks PATH over and over (keep-alive) for SECONDS; prints the answers
      of the least served connection, the total, and how many connections got none.
  http_clients.py idle PORT PATH CONNECTIONS
      Opens CONNECTIONS that send half a request line and stay; then times fresh clients
      asking PATH; prints the slowest and the median, in milliseconds (inf: no answer).
  http_clients.py hold PORT PATH CONNECTIONS PID
      Opens CONNECTIONS, each answered once and kept open (up to the first left unanswered);
      prints how many were answered and PID's resident memory.
"""
import selectors
import socket
import statistics
import sys
import time


def request(path):
    return f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode()


def connect(port):
    s = socket.create_connection(("127.0.0.1", port))
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return s


def complete(data):
    """Length of the first whole response in data, or 0."""
    end = data.find(b"\r\n\r\n")
    if end < 0:
        return 0
    length = 0
    for line in data[:end].split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    total = end + 4 + length
    return total if len(data) >= total else 0


def count(port, path, connections, seconds):
    ask = request(path)
    selector = selectors.DefaultSelector()
    answered, pending, errors = {}, {}, 0
    for _ in range(connections):
        try:
            s = connect(port)
        except OSError:
            errors += 1
            continue
        s.setblocking(False)
        answered[s] = 0
        pending[s] = b""
        s.send(ask)
        selector.register(s, selectors.EVENT_READ)
    deadline = time.monotonic() + seconds
    while selector.get_map() and time.monotonic() < deadline:
        for key, _ in selector.select(timeout=0.1):
            s = key.fileobj
            try:
                chunk = s.recv(65536)
            except OSError:
                chunk = b""
            if not chunk:
                errors += 1
                selector.unregister(s)
                continue
            pending[s] += chunk
            while (n := complete(pending[s])):
                answered[s] += 1
                pending[s] = pending[s][n:]
                s.send(ask)
    counts = list(answered.values()) + [0] * (connections - len(answered))
    print(f"answered_least {min(counts)}")
    print(f"answered_total {sum(counts)}")
    print(f"connections_unanswered {sum(1 for c in counts if c == 0)}")
    print(f"connection_errors {errors}")


def answered(s, path):
    """Asks once on s; False when no whole answer comes within 10 seconds."""
    s.settimeout(10)
    data = b""
    try:
        s.sendall(request(path))
        while not complete(data):
            chunk = s.recv(65536)
            if not chunk:
                return False
            data += chunk
    except OSError:
        return False
    return True


def timed_get(port, path):
    start = time.monotonic()
    with connect(port) as s:
        if not answered(s, path):
            return float("inf")
    return (time.monotonic() - start) * 1000


def idle(port, path, connections):
    held = []
    for _ in range(connections):
        s = connect(port)
        s.send(b"GET /mnemon")
        held.append(s)
    time.sleep(0.2)
    times = [timed_get(port, path) for _ in range(20)]
    print(f"fresh_client_ms_max {max(times):.2f}")
    print(f"fresh_client_ms_median {statistics.median(times):.2f}")


def hold(port, path, connections, pid):
    held, served = [], 0
    for _ in range(connections):
        held.append(connect(port))
        if not answered(held[-1], path):
            break
        served += 1
    time.sleep(0.5)
    with open(f"/proc/{pid}/status") as status:
        rss = next(line.split()[1] for line in status if line.startswith("VmRSS:"))
    print(f"open_connections_answered {served}")
    print(f"rss_kib {rss}")


if __name__ == "__main__":
    mode, port, path, n = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
    if mode == "count":
        count(port, path, n, float(sys.argv[5]))
    elif mode == "idle":
        idle(port, path, n)
    elif mode == "hold":
        hold(port, path, n, int(sys.argv[5]))
