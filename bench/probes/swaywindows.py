#!/usr/bin/python3
# swaywindows: prints each of sway's window events as it arrives, one a line: the time it was read
# (nanoseconds since the epoch, as date +%s%N), the change ("new" when a window maps at its first
# buffer, "focus", "close"), the window's app_id and pid. Usage: swaywindows.py (SWAYSOCK set).
import json
import os
import socket
import struct
import sys
import time

MAGIC = b"i3-ipc"
SUBSCRIBE = 2


def read_exactly(sock, size):
    data = b""
    while len(data) < size:
        chunk = sock.recv(size - len(data))
        if not chunk:
            sys.exit(0)
        data += chunk
    return data


def message(sock):
    header = read_exactly(sock, len(MAGIC) + 8)
    length, kind = struct.unpack("=II", header[len(MAGIC):])
    return kind, json.loads(read_exactly(sock, length))


sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
sock.connect(os.environ["SWAYSOCK"])
payload = json.dumps(["window"]).encode()
sock.sendall(MAGIC + struct.pack("=II", len(payload), SUBSCRIBE) + payload)
message(sock)
print("subscribed", flush=True)
while True:
    kind, event = message(sock)
    now = time.time_ns()
    container = event.get("container", {})
    print(now, event.get("change"), container.get("app_id"), container.get("pid"), flush=True)
