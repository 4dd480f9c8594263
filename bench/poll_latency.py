#!/usr/bin/env python3
"""Measures, on the real agent, the time from the last byte of a PBX answer
to the first byte of the next request, while requests are always waiting.

Plays the PBX itself on a pseudo-terminal (so that nothing but the agent is
measured), answers every request at once, and prints the distribution.
Run by hand: bench/poll_latency.py [build/bin] [exchanges]
"""
import os, pty, select, shutil, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pbx_line import answer_for, frame, take_request
from notify_stub import service_env

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/bin"
count = int(sys.argv[2]) if len(sys.argv) > 2 else 200

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
agent = subprocess.Popen([os.path.join(work, "NAgent"), "/service"], stderr=subprocess.DEVNULL,
                         env=service_env())

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
        request = take_request(buf)
        if request:
            seq, req = request
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
