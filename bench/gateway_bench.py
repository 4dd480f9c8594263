#!/usr/bin/env python3
"""The gateway under load, on the real agent, by hand:

  bench/gateway_bench.py [build/bin] [seconds per run]

(a) Local answers: N clients (1, 10, 100, 1000) each ask for the line-state
    snapshot (00 16 00) in a loop; requests per second and p50/p99 latency,
    next to the same clients against a trivial C echo server on loopback.
(b) A forwarded request's added latency: this script plays the PBX on a
    pseudo-terminal and answers at once, so that the client's round trip
    minus the time the request spent at the PBX is the agent's own share.
(c) The agent's resident memory with 1000 idle connections.
"""
import asyncio, os, pty, resource, select, shutil, socket, statistics, subprocess, sys, tempfile
import threading, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pbx_line import answer_for, frame, take_request
from notify_stub import service_env

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/bin"
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
here = os.path.dirname(os.path.abspath(__file__))

soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 65536), hard))


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    p = s.getsockname()[1]
    s.close()
    return p


def install(extra_ini, device):
    work = tempfile.mkdtemp(prefix="norva-bench-")
    for f in os.listdir(bin_dir):
        if f == "NAgent" or f.startswith("NAgent.") or f.startswith("Language."):
            shutil.copy(os.path.join(bin_dir, f), work)
    port = free_port()
    with open(os.path.join(work, "NAgent.INI"), "w") as ini:
        ini.write(f"[Set]\nLang=Eng\nIPPort={port}\nReadUct=0\nUctFile={work}/calls.txt\n"
                  f"[Devices]\nCOM2={device}\n"
                  "[Log]\nCom_In=0\nCom_PureIn=0\nTCP/IP_In=0\n" + extra_ini)
    return work, port


def wait_port(port, timeout=10):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise SystemExit(f"nothing listens on {port}")


async def load(port, clients, request, duration):
    """Each client: send, read one reply, again. Returns the latencies; a
    client whose request goes unanswered for 2 s is counted and stops."""
    lat = []
    lost = [0]
    stop = time.monotonic() + duration
    conns = []
    for _ in range(clients):
        conns.append(await asyncio.open_connection("127.0.0.1", port))

    async def one(reader, writer):
        while time.monotonic() < stop:
            t = time.perf_counter()
            writer.write(request)
            try:
                data = await asyncio.wait_for(reader.read(4096), 2.0)
            except asyncio.TimeoutError:
                lost[0] += 1
                return
            if not data:
                return
            lat.append(time.perf_counter() - t)

    await asyncio.gather(*(one(r, w) for r, w in conns))
    for _, w in conns:
        w.close()
    return lat, lost[0]


def report(name, result, duration):
    lat, lost = result
    lat = sorted(lat)
    if not lat:
        return f"{name}: no answers"
    p = lambda q: lat[min(len(lat) - 1, int(q * len(lat)))] * 1000
    return (f"{name}: {len(lat) / duration:9.0f} req/s  p50 {p(0.5):7.3f} ms  p99 {p(0.99):7.3f} ms" +
            (f"  ({lost} clients left unanswered)" if lost else ""))


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])


def start_with_pbxsim(extra_ini):
    """pbxsim on a pseudo-terminal and the agent against it, past its start requests."""
    link = os.path.join(tempfile.mkdtemp(prefix="norva-pbx-"), "ttyPBX")
    pbx = subprocess.Popen([os.path.join(bin_dir, "pbxsim"), "--link", link],
                           stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    while not os.path.exists(link):
        time.sleep(0.05)
    agent_dir, port = install(extra_ini, link)
    agent = subprocess.Popen([os.path.join(agent_dir, "NAgent"), "/service"], stderr=subprocess.DEVNULL,
                             env=service_env())
    wait_port(port)
    time.sleep(1.5)
    return agent, pbx, port


def bench_local():
    echo_bin = os.path.join(tempfile.mkdtemp(prefix="norva-echo-"), "echo_server")
    subprocess.run(["cc", "-O2", "-o", echo_bin, os.path.join(here, "echo_server.c")], check=True)
    echo_port = free_port()
    echo = subprocess.Popen([echo_bin, str(echo_port)], stdout=subprocess.PIPE)
    echo.stdout.readline()

    # Line states polled every tick keep the snapshot fresh for every request.
    agent, pbx, port = start_with_pbxsim("[Timer]\nANInterval=50\nANTimeOut=600\n")
    try:
        print("(a) local answers (line-state snapshot), next to an echo server")
        for n in (1, 10, 100, 1000):
            lat = asyncio.run(load(port, n, b"\x00\x16\x00", seconds))
            echo_lat = asyncio.run(load(echo_port, n, b"\x00\x16\x00", seconds))
            print(f"  {n:4d} clients  " + report("agent", lat, seconds) + "\n" + " " * 16 +
                  report("echo ", echo_lat, seconds))

    finally:
        agent.terminate()
        agent.wait()
        pbx.terminate()
        echo.terminate()


def bench_memory():
    """A fresh agent, so that the load runs' high-water mark does not hide it."""
    agent, pbx, port = start_with_pbxsim("")
    try:
        before = rss_kib(agent.pid)
        idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(1000)]
        while len(os.listdir(f"/proc/{agent.pid}/fd")) < 1000:
            time.sleep(0.1)
        time.sleep(0.5)
        after = rss_kib(agent.pid)
        print(f"(c) resident memory: {before} KiB with no client, {after} KiB with 1000 idle "
              f"connections ({(after - before) / 1000:.1f} KiB each)")
        for s in idle:
            s.close()
    finally:
        agent.terminate()
        agent.wait()
        pbx.terminate()


def bench_forwarded(count=300):
    """The PBX played here: at-PBX time is from the request's last byte read to the answer written."""
    master, slave = pty.openpty()
    agent_dir, port = install("", os.ttyname(slave))
    agent = subprocess.Popen([os.path.join(agent_dir, "NAgent"), "/service"], stderr=subprocess.DEVNULL,
                             env=service_env())
    at_pbx = []
    stop = threading.Event()

    def play():
        buf = b""
        while not stop.is_set():
            r, _, _ = select.select([master], [], [], 0.2)
            if not r:
                continue
            buf += os.read(master, 4096)
            arrived = time.perf_counter()
            request = take_request(buf)
            if request:
                seq, req = request
                buf = b""
                os.write(master, frame(seq, answer_for(req)))
                if req[:1] == b"\x02":
                    at_pbx.append(time.perf_counter() - arrived)

    t = threading.Thread(target=play, daemon=True)
    t.start()
    try:
        wait_port(port)
        time.sleep(1.5)
        c = socket.create_connection(("127.0.0.1", port))
        c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        rtt = []
        for _ in range(count):
            t0 = time.perf_counter()
            c.sendall(b"\x02")
            c.recv(4096)
            rtt.append(time.perf_counter() - t0)
            time.sleep(0.01)
        c.close()
    finally:
        stop.set()
        agent.terminate()
        agent.wait()
    n = min(len(rtt), len(at_pbx))
    added = sorted((rtt[i] - at_pbx[i]) * 1000 for i in range(n))
    print(f"(b) forwarded request (02), {n} exchanges: client round trip median "
          f"{statistics.median(rtt) * 1000:.3f} ms; added by the agent median {statistics.median(added):.3f} ms, "
          f"p99 {added[int(0.99 * (n - 1))]:.3f} ms, max {added[-1]:.3f} ms")


if __name__ == "__main__":
    bench_local()
    bench_forwarded()
    bench_memory()
