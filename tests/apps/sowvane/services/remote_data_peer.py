# An independent peer of the remote data-store service on the CAN hub
# (python-can, socketcand interface), written from the protocol's message
# table: fast-packet messages of PGN 0x1EF00 between 0x80 and the server at
# 0x1C, each behind the marker F1 F1. Prints one line per check; exit 1 on
# a wrong reply, 3 on a time-out.
#   remote_data_peer.py PORT READ_ID READ_VALUE WRITE_ID COUNTER_ID
import struct
import sys
import zlib

import can

PORT, READ_ID, READ_VALUE, WRITE_ID, COUNTER_ID = (int(a) for a in sys.argv[1:6])
PEER, SERVER = 0x80, 0x1C
REQUEST_ID = (6 << 26) | (0x1EF << 16) | (SERVER << 8) | PEER
REPLY_ID = (6 << 26) | (0x1EF << 16) | (PEER << 8) | SERVER

bus = can.Bus(interface="socketcand", channel="can0", host="127.0.0.1", port=PORT)
sequence = 0
partial = {}


def fail(text):
    print("FAIL " + text)
    sys.exit(1)


def send(message):
    """One fast-packet message: first frame counter 0 with the length."""
    global sequence
    data = b"\xf1\xf1" + bytes(message)
    seq = (sequence & 7) << 5
    sequence += 1
    frames = [bytes([seq, len(data)]) + data[:6]]
    rest = data[6:]
    index = 1
    while rest:
        frames.append(bytes([seq | index]) + rest[:7])
        rest = rest[7:]
        index += 1
    for f in frames:
        bus.send(can.Message(arbitration_id=REQUEST_ID, is_extended_id=True,
                             data=f.ljust(8, b"\xff")))


def receive(timeout=20.0):
    """The next whole message from the server, marker checked and removed."""
    while True:
        msg = bus.recv(timeout=timeout)
        if msg is None:
            return None
        if msg.arbitration_id != REPLY_ID:
            continue
        d = bytes(msg.data)
        if d[0] & 0x1F == 0:
            partial["length"], partial["data"], partial["next"] = d[1], d[2:], 1
        elif "next" in partial and d[0] & 0x1F == partial["next"]:
            partial["data"] += d[1:]
            partial["next"] += 1
        else:
            continue
        if len(partial["data"]) >= partial["length"]:
            data = partial.pop("data")[:partial.pop("length")]
            partial.pop("next")
            if data[:2] != b"\xf1\xf1":
                fail("marker " + data.hex())
            return data[2:]


def expect(timeout=20.0):
    reply = receive(timeout)
    if reply is None:
        print("timed out")
        sys.exit(3)
    return reply


def value_request(kind, item, resume=0):
    return struct.pack("<BHH", kind, item, resume)


try:
    # Checksum and length of the structure text.
    send([133])
    reply = expect()
    if len(reply) != 9 or reply[0] != 5:
        fail("checksum reply " + reply.hex())
    crc, length = struct.unpack("<II", reply[1:])
    print("checksum %08x length %u" % (crc, length))

    # The whole structure, compressed, piece by piece.
    packed = b""
    while True:
        send(struct.pack("<BH", 130, 0) + struct.pack("<I", len(packed))[:3] + bytes([255]))
        reply = expect()
        offset = reply[1] | reply[2] << 8 | reply[3] << 16
        if reply[0] != 2 or offset != len(packed) or reply[-1] != 0 or len(reply) > 99:
            fail("structure piece " + reply.hex())
        if len(reply) == 5:
            break
        packed += reply[4:-1]
    text = zlib.decompress(packed)
    if len(text) != length or zlib.crc32(text) != crc or not text.startswith(b"1:"):
        fail("structure text")
    for name in (b":remote{", b":cds{", b":data_store{", b":nv{", b":PS{"):
        if name not in text:
            fail("structure lacks " + name.decode())
    print("structure ok")

    send(value_request(131, READ_ID))
    reply = expect()
    if reply != value_request(3, READ_ID) + struct.pack("<I", READ_VALUE):
        fail("read " + reply.hex())
    print("read ok")

    send(value_request(132, WRITE_ID, WRITE_ID) + struct.pack("<I", 0xA5A5A5A5))
    reply = expect()
    if reply != value_request(3, WRITE_ID, WRITE_ID) + struct.pack("<I", 0xA5A5A5A5):
        fail("write " + reply.hex())
    print("write ok")

    send(value_request(134, COUNTER_ID))
    reply = expect()
    if reply[:5] != value_request(3, COUNTER_ID) or len(reply) != 9:
        fail("subscribe " + reply.hex())
    first = last = struct.unpack("<I", reply[5:])[0]
    # A change that was signalled before the subscription's reply read the
    # value is pushed with that same value; later pushes never go back.
    for _ in range(4):
        reply = expect()
        if reply[:5] != value_request(3, COUNTER_ID) or len(reply) != 9:
            fail("push " + reply.hex())
        value = struct.unpack("<I", reply[5:])[0]
        if value < last:
            fail("push went back %d after %d" % (value, last))
        last = value
    if last == first:
        fail("pushes never moved from %d" % first)
    print("pushes ok")

    # No reply to any of these but the empty piece of a structure request
    # past its end; the checksum request behind them (which also ends the
    # subscription) is the next reply.
    for bad in ([136, 0, 0, 0, 0], [131, READ_ID & 0xFF], value_request(131, 65000),
                value_request(132, READ_ID, READ_ID) + b"\x01",
                [130, 0, 0, 0xFF, 0xFF, 0xFF, 255], [3, 1, 2, 3, 4]):
        send(bad)
    send([133])
    empty_piece = False
    while True:
        reply = expect()
        if reply[:5] == value_request(3, COUNTER_ID):
            continue  # a push sent before the subscription ended
        if reply == bytes([2, 0xFF, 0xFF, 0xFF, 0]) and not empty_piece:
            empty_piece = True
            continue
        if reply[0] == 3 and reply[1:3] == struct.pack("<H", READ_ID):
            # the refused short write is answered with the stored value
            if reply != value_request(3, READ_ID, READ_ID) + struct.pack("<I", READ_VALUE):
                fail("refused write " + reply.hex())
            continue
        if reply[0] != 5:
            fail("malformed request answered " + reply.hex())
        break
    if not empty_piece:
        fail("no empty piece for a structure request past its end")
    print("malformed ok")
finally:
    bus.shutdown()
