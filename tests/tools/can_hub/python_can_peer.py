# A python-can socketcand client: sends two frames to the hub, then prints
# the first frame it receives as ID:DATA in hex and exits 0 (3 on time-out).
import sys

import can

port = int(sys.argv[1])
bus = can.Bus(interface="socketcand", channel="can0", host="127.0.0.1", port=port)
try:
    bus.send(can.Message(arbitration_id=0x18EF1C26, is_extended_id=True, data=[1, 2, 3]))
    bus.send(can.Message(arbitration_id=0x123, is_extended_id=False, data=[0xAA]))
    msg = bus.recv(timeout=20)
    if msg is None:
        sys.exit(3)
    print("%X:%s" % (msg.arbitration_id, msg.data.hex().upper()))
finally:
    bus.shutdown()
