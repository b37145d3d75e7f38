// The messages of the remote data-store protocol, one view class per layout.
// Byte 0 of every message is its kind; multi-byte fields are little-endian.
// Each view is a Binary_message over the message bytes (the transport's own
// header not included); a view over received bytes checks its own length
// with valid() before any field is read.
#pragma once

#include "glue/message/Binary_message.h"

namespace CDS {
namespace Remote {

enum Msg_kind : unsigned char {
    KIND_SEND_IDS = 2,
    KIND_SEND_VALUE = 3,
    KIND_SEND_CRC = 5,
    KIND_REQUEST_IDS = 130,
    KIND_REQUEST_VALUE = 131,
    KIND_WRITE_VALUE = 132,
    KIND_REQUEST_CRC = 133,
    KIND_SUBSCRIBE = 134,
    KIND_UNSUBSCRIBE = 135,
};

// Sizes of the transport (marker included) and of the message parts.
constexpr int MAX_RECEIVED_FRAME = 105;
constexpr int MAX_REPLY_FRAME = 104;
constexpr int MAX_REPLY = 102;      // a reply message, marker excluded
constexpr int MAX_IDS_CHUNK = 94;   // structure bytes in one kind 2 reply
constexpr int MAX_VALUE_BYTES = 97; // value bytes in one kind 3 reply
constexpr int DEPTH_UNLIMITED = 255;

class Msg : public Binary_message {
public:
    // A view over received bytes (nothing can be written past them).
    Msg(const unsigned char* data, int length)
        : Binary_message(const_cast<unsigned char*>(data), unsigned(length > 0 ? length : 0),
                         unsigned(length > 0 ? length : 0))
    {
    }
    // A message under construction in a buffer of capacity bytes.
    Msg(unsigned char* buffer, int length, int capacity)
        : Binary_message(buffer, unsigned(length), unsigned(capacity))
    {
    }
    unsigned char kind() const { return get_uint8(0); }
};

// 130: the structure text of an item (0: the whole served tree, compressed)
// from an offset, to a depth.
class Msg_request_ids : public Msg {
public:
    static constexpr int LENGTH = 7;
    using Msg::Msg;
    bool valid() const { return get_length() == LENGTH && kind() == KIND_REQUEST_IDS; }
    unsigned short item_id() const { return get_uint16_le(1); }
    unsigned offset() const { return get_uint24_le(3); }
    unsigned char depth() const { return get_uint8(6); }
    // Writes the whole request into buffer (7 bytes); returns its length.
    static int build(unsigned char* buffer, unsigned short id, unsigned offset, unsigned char depth);
};

// 2: a piece of structure text at an offset; n data bytes and a spare byte.
class Msg_send_ids : public Msg {
public:
    static constexpr int HEADER = 4;
    static constexpr int EMPTY_LENGTH = HEADER + 1;
    using Msg::Msg;
    bool valid() const { return get_length() >= unsigned(EMPTY_LENGTH) && kind() == KIND_SEND_IDS; }
    unsigned offset() const { return get_uint24_le(1); }
    const unsigned char* data() const { return get_buffer() + HEADER; }
    int data_length() const { return int(get_length()) - EMPTY_LENGTH; }
    // Writes kind and offset and the spare byte behind n data bytes already
    // at buffer + HEADER; returns the message length.
    static int finish(unsigned char* buffer, unsigned offset, int n);
};

// 131 read, 134 read and subscribe, 135 unsubscribe: an item id and the
// leaf to resume from.
class Msg_request_value : public Msg {
public:
    static constexpr int LENGTH = 5;
    using Msg::Msg;
    bool valid() const { return get_length() == LENGTH; }
    unsigned short item_id() const { return get_uint16_le(1); }
    unsigned short resume_id() const { return get_uint16_le(3); }
    static int build(unsigned char* buffer, unsigned char kind, unsigned short id, unsigned short resume);
};

// 3 a value (reply or push), 132 a write: the item id, the resume id, the
// value bytes.
class Msg_send_value : public Msg {
public:
    static constexpr int HEADER = 5;
    using Msg::Msg;
    bool valid() const { return get_length() >= unsigned(HEADER); }
    unsigned short item_id() const { return get_uint16_le(1); }
    unsigned short resume_id() const { return get_uint16_le(3); }
    const unsigned char* value() const { return get_buffer() + HEADER; }
    int value_length() const { return int(get_length()) - HEADER; }
    // Writes the header in front of the value bytes at buffer + HEADER.
    static void put_header(unsigned char* buffer, unsigned char kind, unsigned short id,
                           unsigned short resume);
};

// 133: the checksum and length of the structure text (and, from a peer, the
// end of its subscriptions).
class Msg_request_crc : public Msg {
public:
    static constexpr int LENGTH = 1;
    using Msg::Msg;
    bool valid() const { return get_length() == LENGTH && kind() == KIND_REQUEST_CRC; }
};

// 5: the checksum of the structure text and its uncompressed length.
class Msg_send_crc : public Msg {
public:
    static constexpr int LENGTH = 9;
    using Msg::Msg;
    bool valid() const { return get_length() == LENGTH && kind() == KIND_SEND_CRC; }
    unsigned crc() const { return get_uint32_le(1); }
    unsigned text_length() const { return get_uint32_le(5); }
    static int build(unsigned char* buffer, unsigned crc, unsigned text_length);
};

} // namespace Remote
} // namespace CDS
