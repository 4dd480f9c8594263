"""The PBX's side of the serial line for benchmarks that play the PBX
themselves: frames, a request parser and quick answers."""
import zlib


def frame(seq, payload):
    body = bytes([seq]) + payload
    raw = len(body).to_bytes(2, "little") + body + zlib.crc32(body).to_bytes(4, "little")
    return b"\xee\x23" + raw.replace(b"\xee", b"\xee\xee")


def take_request(buf):
    """(sequence, payload) of the frame in buf once it is whole, else None.
    The agent sends one request and waits, so a whole frame ends the buffer."""
    if b"\xee\x23" not in buf:
        return None
    rest = buf[buf.index(b"\xee\x23") + 2:].replace(b"\xee\xee", b"\xee")
    if len(rest) < 2:
        return None
    n = int.from_bytes(rest[:2], "little")
    if len(rest) < 2 + n + 4:
        return None
    return rest[2], rest[3:2 + n]


def answer_for(req):
    if req[:1] == b"\x0d": return b"\x00" + bytes([0, 0, 0, 0, 1]) + bytes(11)
    if req[:1] == b"\x02": return b"\x00\x03\x10\x00\x00\x00\x00\x00"
    if req[:3] == b"\x00\x0e\x00": return b"\x00\x0e\x00\x02\x01\x00\x00"
    if req[:1] == b"\x04": return b"\x00" + b"21 0044123456 00:01:12"
    return b"\x00" + req[1:3]
