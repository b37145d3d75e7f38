// A message object that sends and receives itself over a stack: build the
// data with the grow-message setters, then write it (by address, or from an
// own NAME through the smart stack) or read into it.
//
//   JIN::Transmission<JIN_grow_message> m;
//   m.set_uint8(0, 0x12);
//   m.write_global(stack, own_name, 65226, 6, JIN_TRANS_TX_SINGLE, nullptr, 1);
//
// Results: -91 an unresolved NAME or address 254 as sender or receiver, -5
// nothing to read, -14 a message from another sender; else the stack's.
#pragma once

#include "can/JIN_grow_message.h"
#include "can/JIN_header.h"
#include "can/JIN_smart_stack.h"
#include "can/JIN_stack.h"

namespace JIN {

template <class M = JIN_grow_message>
class Transmission : public M {
public:
    static constexpr int ERR_UNRESOLVED = -91;
    static constexpr int ERR_NOTHING = -5;
    static constexpr int ERR_OTHER_SENDER = -14;
    static constexpr unsigned char NULL_ADDRESS = 254;
    static constexpr unsigned char GLOBAL_ADDRESS = 255;

    Transmission() = default;
    Transmission(unsigned char* buf, unsigned len) : M(buf, len) {}
    explicit Transmission(unsigned len) : M(len) {}
    ~Transmission() override = default;

    int write(JIN_stack& s, unsigned char src, unsigned char dest, unsigned prio, unsigned pgn,
              waiter_descriptor* w, int tag) const
    {
        if (src == NULL_ADDRESS || dest == NULL_ADDRESS)
            return ERR_UNRESOLVED;
        JIN_header h(src, dest, pgn, prio, JIN_TRANS_TX_SINGLE, this->get_length());
        return write_locked(s, h, w, tag);
    }

    int write_now(JIN_stack& s, unsigned char src, unsigned char dest, unsigned prio,
                  unsigned pgn) const
    {
        JIN_header h(src, dest, pgn, prio, JIN_TRANS_TX_SINGLE, this->get_length());
        return s.write_now(h, this->get_data(), static_cast<int>(this->get_length()));
    }

    bool write_11bit(JIN_stack& s, unsigned short id) const
    {
        JIN_header h(id, this->get_length());
        return write_locked(s, h, nullptr, 1) == 0;
    }

    int write_global(JIN_smart_stack& s, const JIN_name::RAWNAME& from, unsigned pgn,
                     unsigned prio, JIN_trans_type_t type, waiter_descriptor* w, int tag) const
    {
        JIN_header h(0, GLOBAL_ADDRESS, pgn, prio, type, this->get_length());
        return s.write(from, JIN_name::RAWNAME::GLOBAL_NAME, h, this->get_data(),
                       static_cast<int>(this->get_length()), w, tag);
    }

    int nwrite(JIN_smart_stack& s, const JIN_name::RAWNAME& from, unsigned char dest,
               unsigned prio, unsigned pgn) const
    {
        unsigned char src = s.name_manager().gethostbyname(from, false);
        if (src == GLOBAL_ADDRESS)
            return ERR_UNRESOLVED;
        return s.JIN_stack::write(src, dest, pgn, prio, this->get_length(), this->get_data(), -1,
                                  nullptr, 1);
    }

    int send_global_ack(JIN_smart_stack& s, const JIN_name::RAWNAME& from, unsigned pgn,
                        bool ack) const
    {
        return s.send_ack(from, pgn, ack, JIN_name::RAWNAME());
    }

    // The sender's address, 255 when there was nothing to read.
    unsigned char read_address(JIN_stack& s, waiter_descriptor* w, unsigned pgn)
    {
        JIN_header h;
        if (!this->set_length(8, 0xFF) ||
            s.read(pgn, h, this->get_data(), 8, 8, w, JIN_PGN::NORMAL) != 0)
            return GLOBAL_ADDRESS;
        this->set_length(h.length);
        return h.src;
    }

    // 0 when a message came from `from` (254: anyone).
    int read(JIN_stack& s, waiter_descriptor* w, unsigned char from, unsigned pgn)
    {
        unsigned char src = read_address(s, w, pgn);
        if (src == GLOBAL_ADDRESS)
            return ERR_NOTHING;
        return from == NULL_ADDRESS || from == src ? 0 : ERR_OTHER_SENDER;
    }

    int read(JIN_stack& s, waiter_descriptor* w, JIN_header& h, unsigned pgn)
    {
        if (!this->set_length(8, 0xFF))
            return -1;
        int rc = s.read(pgn, h, this->get_data(), 8, 8, w, JIN_PGN::NORMAL);
        this->set_length(rc == 0 ? h.length : 0);
        return rc;
    }

    // id: its low byte names the registration; it becomes the received
    // identifier (source byte, priority bits above it).
    bool read_11bit(JIN_stack& s, unsigned short& id, waiter_descriptor* w)
    {
        JIN_header h;
        if (!this->set_length(8, 0xFF) ||
            s.read_11bit_msg(static_cast<unsigned char>(id & 0xFF), h, this->get_data(), w) != 0) {
            this->set_length(0);
            return false;
        }
        this->set_length(h.length);
        id = static_cast<unsigned short>((h.prio << 8) | h.src);
        return true;
    }

private:
    int write_locked(JIN_stack& s, const JIN_header& h, waiter_descriptor* w, int tag) const
    {
        int rc;
        {
            Diner::Protection p(s);
            rc = s.__write(h, this->get_data(), static_cast<int>(this->get_length()), w, tag);
        }
        // Frames queued by a caller go out on the stack's next transmit pass.
        s.send_anonymous_event();
        return rc;
    }
};

// A transmission of one PGN.
template <class M, unsigned PGN>
class Transmission_PGN : public Transmission<M> {
public:
    static constexpr unsigned pgn = PGN;
    using Transmission<M>::Transmission;
};

// A broadcast of one PGN at one priority.
template <class M, unsigned PGN, unsigned PRIO>
class Transmission_broadcast : public Transmission_PGN<M, PGN> {
public:
    static constexpr unsigned prio = PRIO;
    using Transmission_PGN<M, PGN>::Transmission_PGN;
};

} // namespace JIN
