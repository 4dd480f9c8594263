#!/usr/bin/env python3
"""Measures, on the real agent, the time from the last byte of a PBX answer
to the first byte of the next request, while requests are always waiting.

Plays the PBX itself on a pseudo-terminal (so that nothing but the agent is
measured), answers every request at once, and prints the distribution.
Run by hand: bench/poll_latency.py [build/bin] [exchanges]
"""
import os, pty, select, shutil, statistics, subprocess, sys, tempfile, time, zlib

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/bin"
count = int(sys.argv[2]) if len(sys.argv) > 2 else 200

def frame(seq, payload):
    body = bytes([seq]) + payload
    crc = zlib.crc32(body).to_bytes(4, "little")
    raw = (len(body)).to_bytes(2, "little") + body + crc
    return b"\xee\x23" + raw.replace(b"\xee", b"\xee\xee")

def answer_for(req):
    if req[:1] == b"\x0d": return b"\x00" + bytes([0, 0, 0, 0, 1]) + bytes(11)
    if req[:1] == b"\x02": return b"\x00\x03\x10\x00\x00\x00\x00\x00"
    if req[:3] == b"\x00\x0e\x00": return b"\x00\x0e\x00\x02\x01\x00\x00"
    if req[:1] == b"\x04": return b"\x00" + b"21 0044123456 00:01:12"
    return b"\x00" + req[1:3]

master, slave = pty.openpty()
name = os.ttyname(slave)
# The slave stays open here too, so the master never reads EIO before the agent opens it.
work = tempfile.mkdtemp(prefix="norva-bench-")
for f in os.listdir(bin_dir):
    if f == "NAgent" or f.startswith("NAgent.") or f.startswith("Language."):
        shutil.copy(os.path.join(bin_dir, f), work)
with open(os.path.join(work, "NAgent.INI"), "w") as ini:
    ini.write(f"[Set]\nLang=Eng\nUctFile={work}/calls.txt\n[Devices]\nCOM2={name}\n"
              "[Log]\nCom_In=0\nCom_PureIn=0\n[Timer]\nURInterval=1\nURIntervalBezDat=1\n")
agent = subprocess.Popen([os.path.join(work, "NAgent"), "/service"], stderr=subprocess.DEVNULL)

buf = b""
gaps = []
answered_at = None
try:
    while len(gaps) < count:
        r, _, _ = select.select([master], [], [], 5)
        if not r: raise SystemExit("no request within 5 s")
        data = os.read(master, 4096)
        now = time.monotonic()
        if answered_at is not None and buf == b"":
            gaps.append(now - answered_at)
            answered_at = None
        buf += data
        # One request per frame; the agent waits for the answer before the next.
        while b"\xee\x23" in buf:
            start = buf.index(b"\xee\x23")
            rest = buf[start + 2:].replace(b"\xee\xee", b"\xee")
            if len(rest) < 2: break
            n = int.from_bytes(rest[:2], "little")
            if len(rest) < 2 + n + 4: break
            seq, req = rest[2], rest[3:2 + n]
            buf = b""
            os.write(master, frame(seq, answer_for(req)))
            answered_at = time.monotonic()
finally:
    agent.terminate()
    agent.wait()
    shutil.rmtree(work)

gaps_ms = sorted(g * 1000 for g in gaps[5:])
print(f"{len(gaps_ms)} exchanges: answer to next request "
      f"min {gaps_ms[0]:.1f} ms, median {statistics.median(gaps_ms):.1f} ms, "
      f"p99 {gaps_ms[int(len(gaps_ms) * 0.99) - 1]:.1f} ms, max {gaps_ms[-1]:.1f} ms "
      f"(poll tick 100 ms)")
