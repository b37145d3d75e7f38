# A python-can node on the CAN hub (socketcand interface): sends a data frame
# and a request for a PGN nobody serves to the node at 0x1C, then prints the
# NACK and the node's answer as "ID:DATA" in hex. Exit 3 on time-out.
import sys

import can

port = int(sys.argv[1])
bus = can.Bus(interface="socketcand", channel="can0", host="127.0.0.1", port=port)


wanted = {0xE800: None, 0xFF20: None}  # the NACK, the answer to the data frame

try:
    bus.send(can.Message(arbitration_id=0x18FEDA26, is_extended_id=True, data=range(1, 9)))
    bus.send(can.Message(arbitration_id=0x18EA1C26, is_extended_id=True, data=[0xCA, 0xFE, 0x00]))
    while None in wanted.values():
        msg = bus.recv(timeout=20)
        if msg is None:
            sys.exit(3)
        pgn = (msg.arbitration_id >> 8) & 0x3FFFF
        if pgn < 0xF000:
            pgn &= 0x3FF00
        if pgn in wanted:
            wanted[pgn] = "%08X:%s" % (msg.arbitration_id, msg.data.hex().upper())
    print(wanted[0xE800])
    print(wanted[0xFF20])
finally:
    bus.shutdown()
