// Cuts receiver command-language frames, text replies and plain text lines
// out of a Data_stream.
//
// In step, a frame is expected at the front of the stream; a front that
// cannot be a frame header makes the parser search for the end of the line
// and deliver what lies before it as a text line. The parser never checks a
// frame's checksum: callers decide with Quor_message::validate.
#pragma once

class Data_stream;
class Quor_message;

class Quor_parser {
public:
    // What get_packet delivered.
    enum Packet_kind {
        NOTHING = 0,
        FRAME = 1,
        REPLY = 2,      // a "RE" or "ER" text reply
        TEXT_LINE = 3,  // a line that is no frame
    };

    // Vets a frame header at the front of the stream before the parser waits
    // for the whole frame; frame_size is the body length + 5.
    class Checker {
    public:
        virtual ~Checker() = default;
        virtual bool check(Data_stream& stream, unsigned short id, int frame_size) = 0;
    };
    class Dummy_checker : public Checker {
    public:
        bool check(Data_stream&, unsigned short, int) override { return true; }
    };

    // Longest run searched for a line end before it is discarded, and the
    // furthest index a line-end run may reach; both stay inside the stream's
    // 4,200-byte buffer.
    static constexpr int SEARCH_LIMIT = 4190;
    static constexpr int LINE_END_LIMIT = 4200;

    // drop: discard what the stream holds already.
    explicit Quor_parser(Data_stream* stream, bool drop = false);

    // Back in step; everything buffered in the stream is dropped.
    void init();
    void init(Data_stream* stream);

    // Null switches vetting off.
    void set_checker(Checker* checker) { checker_ = checker; }
    // Without newline mode a frame needs no terminator and replies are not
    // recognised.
    void set_newline_mode(bool on) { newline_mode_ = on; }
    // When set, a rejected header keeps its first byte.
    void set_keep_on_reject(bool on) { keep_on_reject_ = on; }
    bool is_searching() const { return searching_; }

    // True when byte i of the stream can be had and is CR or LF.
    bool is_newline(int i);

    // Delivers the next item into buf (at most size bytes; a longer item
    // leaves its remainder in the stream) and its byte count in len.
    Packet_kind get_packet(unsigned char* buf, int size, int& len);
    // The same into the message's buffer, the view's size as the capacity.
    Packet_kind get_packet(Quor_message& message, int& len);
    // len for a frame, -len for a text line, 0 for nothing or a reply (the
    // reply is consumed).
    int get_packet(unsigned char* buf, int size);

private:
    bool byte_at(int i, unsigned char& out);
    int move_out(unsigned char* buf, int size, int count);
    void drop_line_ends(bool zeros_too);

    Data_stream* stream_;
    bool searching_ = false;
    bool newline_mode_ = true;
    bool keep_on_reject_ = false;
    Dummy_checker dummy_checker_;
    Checker* checker_;
};
