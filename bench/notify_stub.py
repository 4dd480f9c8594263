"""Stands in for the service manager's notify socket, which an agent started
with /service needs: a datagram socket bound in a temporary folder, drained
by a thread so that the agent's reports never pile up."""
import os, socket, tempfile, threading


def service_env():
    """The environment for an agent started with /service."""
    path = os.path.join(tempfile.mkdtemp(prefix="norva-notify-"), "notify")
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    sock.bind(path)

    def drain():
        while True:
            sock.recv(4096)

    threading.Thread(target=drain, daemon=True).start()
    env = dict(os.environ)
    env["NOTIFY_SOCKET"] = path
    return env
