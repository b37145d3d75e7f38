#include "glue/quor/Quor_parser.h"

#include "glue/data_stream/Data_stream.h"
#include "glue/quor/Quor_message.h"
#include "util/Debug_print.h"

namespace {

constexpr unsigned char CR = 13;
constexpr unsigned char LF = 10;

bool is_line_end(unsigned char c)
{
    return c == CR || c == LF;
}

bool is_identifier_char(unsigned char c)
{
    return c >= 0x30 && c <= 0x7E;
}

} // namespace

Quor_parser::Quor_parser(Data_stream* stream, bool drop) : stream_(stream), checker_(&dummy_checker_)
{
    if (drop && stream_)
        stream_->drop_all();
}

void Quor_parser::init()
{
    searching_ = false;
    if (stream_)
        stream_->drop_all();
}

void Quor_parser::init(Data_stream* stream)
{
    stream_ = stream;
    init();
}

bool Quor_parser::byte_at(int i, unsigned char& out)
{
    if (!stream_ || i < 0 || !stream_->bytes_avail(static_cast<unsigned>(i) + 1))
        return false;
    out = (*stream_)[static_cast<unsigned>(i)];
    return true;
}

bool Quor_parser::is_newline(int i)
{
    unsigned char c;
    return byte_at(i, c) && is_line_end(c);
}

// Moves the first count bytes of the stream (no more than size) into buf and
// removes them from the stream; returns how many were moved.
int Quor_parser::move_out(unsigned char* buf, int size, int count)
{
    int n = count < size ? count : size;
    if (n <= 0 || !stream_->get_data(buf, static_cast<unsigned>(n)))
        return 0;
    stream_->drop(static_cast<unsigned>(n));
    return n;
}

void Quor_parser::drop_line_ends(bool zeros_too)
{
    unsigned char c;
    while (byte_at(0, c) && (is_line_end(c) || (zeros_too && c == 0)))
        stream_->drop(1);
}

Quor_parser::Packet_kind Quor_parser::get_packet(unsigned char* buf, int size, int& len)
{
    len = 0;
    if (!stream_ || !buf || size <= 0)
        return NOTHING;

    for (;;) {
        if (!stream_->bytes_avail(Quor_message::HEADER_LEN))
            return NOTHING;

        if (searching_) {
            for (int i = 0; i < SEARCH_LIMIT; i++) {
                unsigned char c;
                if (!byte_at(i, c))
                    return NOTHING;
                if (!is_line_end(c))
                    continue;
                searching_ = false;
                int last = i;
                while (last + 1 < LINE_END_LIMIT && is_newline(last + 1))
                    last++;
                len = move_out(buf, size, last + 1);
                return TEXT_LINE;
            }
            stream_->drop(SEARCH_LIMIT);
            continue;
        }

        unsigned char header[Quor_message::HEADER_LEN];
        for (unsigned i = 0; i < Quor_message::HEADER_LEN; i++)
            byte_at(static_cast<int>(i), header[i]);

        if (!is_identifier_char(header[0]) || !is_identifier_char(header[1])) {
            if (header[0] == 0)
                stream_->drop(1);
            else
                searching_ = true;
            continue;
        }

        Quor_message view(header, sizeof header);
        if (!Quor_message::is_hex_digit(header[2]) || !Quor_message::is_hex_digit(header[3]) ||
            !Quor_message::is_hex_digit(header[4])) {
            if (!keep_on_reject_)
                stream_->drop(1);
            searching_ = true;
            continue;
        }
        const int body_len = static_cast<int>(view.get_msg_len());
        const int frame_len = body_len + static_cast<int>(Quor_message::HEADER_LEN);
        const unsigned short id = view.get_id();

        if (checker_ && !checker_->check(*stream_, id, frame_len)) {
            Debug_print::dprint("Unexpected msg %c%c(%d) in %s[%d]\n", header[0], header[1],
                                frame_len, stream_->get_name(),
                                static_cast<int>(stream_->bytes_avail()));
            if (!keep_on_reject_)
                stream_->drop(1);
            searching_ = true;
            continue;
        }

        if (!newline_mode_) {
            if (!stream_->bytes_avail(static_cast<unsigned>(frame_len)))
                return NOTHING;
            len = move_out(buf, size, frame_len);
            drop_line_ends(true);
            if (len < size)
                buf[len++] = '\n';
            return FRAME;
        }

        if (!stream_->bytes_avail(static_cast<unsigned>(frame_len) + 1))
            return NOTHING;
        unsigned char terminator = 0;
        byte_at(frame_len, terminator);

        if (id == Quor_message::id_code('R', 'E') || id == Quor_message::id_code('E', 'R')) {
            if (terminator == CR && !stream_->bytes_avail(static_cast<unsigned>(frame_len) + 2))
                return NOTHING;
            unsigned char after = 0;
            if (byte_at(frame_len + 1, after) && after == LF) {
                len = move_out(buf, size, frame_len + 2);
                for (int zeros = 0; zeros < 2 && len < size; zeros++)
                    buf[len++] = 0;
                return REPLY;
            }
            stream_->drop(1);
            continue;
        }

        if (is_line_end(terminator)) {
            len = move_out(buf, size, frame_len + 1);
            drop_line_ends(true);
            return FRAME;
        }
        stream_->drop(1);
    }
}

Quor_parser::Packet_kind Quor_parser::get_packet(Quor_message& message, int& len)
{
    return get_packet(message.get_buffer(), static_cast<int>(message.get_length()), len);
}

int Quor_parser::get_packet(unsigned char* buf, int size)
{
    int len = 0;
    switch (get_packet(buf, size, len)) {
    case FRAME:
        return len;
    case TEXT_LINE:
        return -len;
    default:
        return 0;
    }
}
