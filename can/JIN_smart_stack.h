// The CAN stack the application creates: a JIN_stack with its name manager,
// whose operations name the source and the destination of a message by ISO
// 11783 NAME. Each turns the NAMEs into the addresses they hold at that
// moment, then does the address-based operation of the stack.
//
//   JIN_smart_stack stack;
//   stack.open(*bus, &mm);
//   stack.start();                                   // the name manager too
//   stack.name_manager().add_local_name(own, 28);
//   unsigned char a = stack.wait_for_name(&main_waiter, own, true);
//   stack.write(own, JIN_name::RAWNAME::GLOBAL_NAME, pgn, 6, len, data, len, nullptr, 1);
//
// Result codes besides those of JIN_stack: -91 a NAME holds no address (or a
// received message's address has no known NAME), -12 no listener node left.
#pragma once

#include "can/JIN_name.h"
#include "can/JIN_name_manager.h"
#include "can/JIN_stack.h"

#include <functional>

// A NAME pattern naming a peer, and the listener that read() registered for
// it (null when none).
struct JIN_NAME {
    JIN_name::NAME name;
    const JIN_name::Listen_node* listener = nullptr;

    JIN_NAME() = default;
    explicit JIN_NAME(const JIN_name::NAME& n) : name(n) {}
};

class JIN_smart_stack : public JIN_stack {
public:
    static constexpr int ERR_UNRESOLVED = -91;
    static constexpr int ERR_NO_LISTENER = -12;

    JIN_smart_stack();
    ~JIN_smart_stack() override;

    // JIN_stack::open, then the name manager's open; the stack's result.
    int open(CAN_bus& bus, module_man* man);
    // Starting the stack's Diner starts the name manager's as well.
    void diner_start() override;

    JIN_name::Name_manager& name_manager() { return names_; }

    // src from the NAME's address (false when it holds none); dest 255 for
    // the GLOBAL_NAME object itself, else the NAME's address (false when
    // none).
    bool resolve_addresses(const JIN_name::RAWNAME& from, const JIN_name::RAWNAME& to,
                           unsigned char& src, unsigned char& dest);
    // The first address matching each pattern (own NAMEs first); a pattern
    // equal to the global NAME stands for 255.
    bool resolve_addresses(const JIN_NAME& from, const JIN_NAME& to, unsigned char& src,
                           unsigned char& dest);

    using JIN_stack::read;
    using JIN_stack::request;
    using JIN_stack::write;

    int write(const JIN_name::RAWNAME& from, const JIN_name::RAWNAME& to, unsigned pgn,
              unsigned prio, unsigned len, const unsigned char* data, int data_len,
              waiter_descriptor* w, int tag);
    int write(const JIN_NAME& from, const JIN_NAME& to, unsigned pgn, unsigned prio, unsigned len,
              const unsigned char* data, int data_len, waiter_descriptor* w, int tag);
    // The header's source and destination are filled from the NAMEs.
    int write(const JIN_name::RAWNAME& from, const JIN_name::RAWNAME& to, JIN_header& h,
              const unsigned char* data, int len, waiter_descriptor* w, int tag);
    int write(const JIN_NAME& from, const JIN_NAME& to, JIN_header& h, const unsigned char* data,
              int len, waiter_descriptor* w, int tag);
    int request(unsigned pgn, const JIN_name::RAWNAME& from, const JIN_name::RAWNAME& to);
    // To the global address when to is the empty NAME.
    int send_ack(const JIN_name::RAWNAME& from, unsigned long pgn, bool ack,
                 const JIN_name::RAWNAME& to);

    // JIN_stack::read, then the NAMEs of the sender and the receiver with a
    // listener for each on w (kept until the reader removes them with
    // remove_listener). A message to 255 has the global NAME as receiver.
    // Negative results of the stack unchanged; else -12 when a listener
    // could not be added, -91 when an address has no known NAME, 0. The
    // message counts as read in every case.
    int read(unsigned pgn, JIN_NAME& from, JIN_NAME& to, JIN_header& h, unsigned char* buf,
             int buf_len, int max_len, waiter_descriptor* w,
             JIN_PGN::type_t kind = JIN_PGN::NORMAL);

    // A listener for the pattern on w: 0 with the node in out, -12 (out
    // null) when all 250 are in use.
    int add_listener(const JIN_name::NAME& pattern, waiter_descriptor* w,
                     const JIN_name::Listen_node*& out);
    bool remove_listener(const JIN_name::Listen_node* node);

    // The address of the NAME, waiting on w until it is claimed when it holds
    // none yet. Without resolve the wait ends with 255. Events of other
    // senders and anonymous wake-ups that reach w meanwhile are handed back
    // to w afterwards, in their order. 255 at once when no listener could be
    // added. give_up, when given, is asked after every other wake-up of w: a
    // true answer ends the wait with 255 (a stop request of the caller's).
    unsigned char wait_for_name(waiter_descriptor* w, const JIN_name::RAWNAME& name, bool resolve,
                                const std::function<bool()>& give_up = nullptr);

private:
    // __write of a caller leaves its frames for the stack's next transmit
    // pass: wake the stack's thread to run it.
    void kick() { send_anonymous_event(); }
    // __write of a header whose addresses are resolved, then kick().
    int write_header(JIN_header& h, const unsigned char* data, int len, waiter_descriptor* w,
                     int tag);

    JIN_name::Name_manager names_{*this};
};
