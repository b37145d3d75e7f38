// A TP or ETP sender that follows ISO 11783-3 to the letter, written apart
// from the stack's own engine: one window per CTS, a DPO before each ETP
// window, and a CTS that comes while it is still sending its window ends the
// transfer with abort reason 4. Frames are taken from it one at a time, so a
// receiver can answer between any two.
#pragma once

#include "can/JIN_packet.h"

#include <vector>

class Strict_sender {
public:
    enum State { SEND_RTS, WAIT_CTS, SEND_DPO, SEND_DATA, SEND_ABORT, DONE, ABORTED };

    Strict_sender(bool etp, unsigned char src, unsigned char dest, unsigned pgn,
                  std::vector<unsigned char> data)
        : etp_(etp), src_(src), dest_(dest), pgn_(pgn), data_(std::move(data))
    {
    }

    State state() const { return state_; }
    unsigned char abort_reason() const { return abort_reason_; }
    int cts_received() const { return cts_received_; }

    // The frame it sends next, if it has one to send now.
    bool next_frame(JIN_packet& f)
    {
        switch (state_) {
        case SEND_RTS:
            f = cm(etp_ ? 20 : 16);
            if (etp_) {
                put(f, 1, unsigned(data_.size()), 4);
            } else {
                put(f, 1, unsigned(data_.size()), 2);
                f.data[3] = static_cast<unsigned char>(packets());
            }
            state_ = WAIT_CTS;
            return true;
        case SEND_DPO:
            f = cm(22);
            f.data[1] = static_cast<unsigned char>(window_end_ - next_);
            put(f, 2, next_, 3);
            dpo_offset_ = next_;
            state_ = SEND_DATA;
            return true;
        case SEND_DATA: {
            f = JIN_packet();
            f.set_extended_id(6, etp_ ? 0xC700 : 0xEB00, dest_, src_);
            f.length = 8;
            f.data[0] = static_cast<unsigned char>(etp_ ? next_ - dpo_offset_ + 1 : next_ + 1);
            for (unsigned i = 0; i < 7; ++i) {
                const unsigned at = next_ * 7 + i;
                f.data[1 + i] = at < data_.size() ? data_[at] : 0xFF;
            }
            if (++next_ == window_end_)
                state_ = WAIT_CTS;
            return true;
        }
        case SEND_ABORT:
            f = cm(255);
            f.data[1] = abort_reason_;
            state_ = ABORTED;
            return true;
        default:
            return false;
        }
    }

    // A frame from the receiver.
    void receive(const JIN_packet& f)
    {
        if (f.get_pgn() != (etp_ ? 0xC800u : 0xEC00u) || f.get_src() != dest_ || state_ >= DONE)
            return;
        const unsigned char control = f.data[0];
        if (control == 255) {
            abort_reason_ = f.data[1];
            state_ = ABORTED;
        } else if (control == (etp_ ? 23 : 19)) {
            state_ = state_ == WAIT_CTS && next_ == packets() ? DONE : SEND_ABORT;
        } else if (control == (etp_ ? 21 : 17)) {
            ++cts_received_;
            if (state_ != WAIT_CTS) {
                abort_reason_ = 4; // CTS while data transfer is in progress
                state_ = SEND_ABORT;
                return;
            }
            const unsigned n = f.data[1];
            const unsigned next =
                etp_ ? f.data[2] | f.data[3] << 8 | unsigned(f.data[4]) << 16 : f.data[2];
            if (n == 0)
                return;
            next_ = next - 1;
            window_end_ = next_ + n;
            state_ = etp_ ? SEND_DPO : SEND_DATA;
        }
    }

private:
    unsigned packets() const { return unsigned(data_.size() + 6) / 7; }

    JIN_packet cm(unsigned char control) const
    {
        JIN_packet f;
        f.set_extended_id(6, etp_ ? 0xC800 : 0xEC00, dest_, src_);
        f.length = 8;
        for (auto& b : f.data) b = 0xFF;
        f.data[0] = control;
        put(f, 5, pgn_, 3);
        return f;
    }
    static void put(JIN_packet& f, int at, unsigned value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) f.data[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }

    bool etp_;
    unsigned char src_, dest_;
    unsigned pgn_;
    std::vector<unsigned char> data_;
    State state_ = SEND_RTS;
    unsigned next_ = 0;       // packet to send next, from 0
    unsigned window_end_ = 0; // packet count at which the window is sent
    unsigned dpo_offset_ = 0;
    unsigned char abort_reason_ = 0;
    int cts_received_ = 0;
};
