// The connection-management frames of a TP exchange, a broadcast and an
// abort, decoded by Wireshark's ISObus dissector (tshark), which reads ISO
// 11783-3 independently of this code. Skipped where tshark is missing.
#include "Trans_link.h"

#include "platform/can/Socketcand_text.h"
#include "tests/support/tshark_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr unsigned char US = 0x1C, PEER = 0x26;

std::vector<JIN_packet> frames_of(const Trans_link& link)
{
    std::vector<JIN_packet> out;
    for (const Sent_frame& s : link.log) out.push_back(s.frame);
    return out;
}

// The dissector's fields of every connection-management frame, one line
// each: control byte, then the fields of its kind. Data frames carry no
// control byte and are left out.
std::vector<std::string> decode(const std::vector<JIN_packet>& frames)
{
    std::vector<std::string> lines;
    char line[Socketcand::MAX_MESSAGE];
    long micros = 0;
    for (const JIN_packet& f : frames) {
        size_t n = Socketcand::format_candump_line(f, 1700000000, micros, "can0", line);
        lines.emplace_back(line, n);
        micros += 1000;
    }
    std::vector<std::string> fields;
    for (const char* field :
         {"control_byte", "request_to_send.total_size", "request_to_send.number_of_packets",
          "request_to_send.maximum_packets", "request_to_send.pgn",
          "request_to_send.number_of_packets_that_can_be_sent",
          "request_to_send.next_packet_number", "clear_to_send.pgn",
          "end_of_message_acknowledgement.total_size",
          "end_of_message_acknowledgement.number_of_packets",
          "end_of_message_acknowledgement.pgn", "connection_abort.abort_reason",
          "connection_abort.pgn", "broadcast_announce_message.total_message_size",
          "broadcast_announce_message.total_number_of_packets",
          "broadcast_announce_message.pgn"})
        fields.push_back(std::string("isobus.transport_protocol.") + field);
    return test_support::tshark_isobus_fields(lines, fields);
}

TEST(JIN_trans_tshark, ConnectionFramesDecodeAsTheStandardSays)
{
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    std::vector<unsigned char> data(20, 0x33);
    std::vector<JIN_packet> frames;

    // 20 bytes to a peer that takes two packets per CTS.
    Trans_link tp;
    tp.end[1].cts_threshold = 2;
    tp.send(JIN_header(US, PEER, 0xEF00, 7, JIN_TRANS_TX_TP, 20), data.data(), 20);
    tp.run();
    frames = frames_of(tp);

    // 10 bytes to everybody.
    Trans_link bam;
    bam.send(JIN_header(US, 255, 0xFECA, 7, JIN_TRANS_TX_TP, 10), data.data(), 10);
    bam.run();
    for (const JIN_packet& f : frames_of(bam)) frames.push_back(f);

    // An announcement beyond 1785 bytes, refused with an abort.
    JIN_trans refuser;
    JIN_packet rts;
    rts.set_extended_id(7, JIN_trans::PGN_TP_CM, US, PEER);
    rts.length = 8;
    const unsigned char announce[8] = {16, 0xFA, 0x06, 0xFF, 0xFF, 0x00, 0xEF, 0x00};
    std::copy(announce, announce + 8, rts.data);
    refuser.put_packet(rts, false);
    JIN_packet out[4];
    int count = 255;
    refuser.get_packets(out, 4, count);
    ASSERT_EQ(1, count);
    frames.push_back(rts);
    frames.push_back(out[0]);

    const std::vector<std::string> decoded = decode(frames);
    const std::vector<std::string> expected = {
        "16/20/3/255/0x00ef00",   // RTS: size, packets, most per CTS, PGN
        "17/2/1/0x00ef00",        // CTS: two packets from the first
        "17/1/3/0x00ef00",        // CTS: the last one
        "19/20/3/0x00ef00",       // EOMA: size, packets, PGN
        "32/10/2/0x00feca",       // BAM: size, packets, PGN
        "16/1786/255/255/0x00ef00",
        "255/9/0x00ef00",         // abort: message too large
    };
    EXPECT_EQ(expected, decoded);
}

} // namespace
