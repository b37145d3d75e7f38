// The result of one step of a transport transfer: the queue the message
// belongs to next, whether it wants transmit time, its next deadline and the
// error of the step.
#pragma once

#include "util/Atime.h"

// The queue a message belongs to next.
enum JIN_msg_group : unsigned char {
    JIN_GROUP_FINISHED = 0,        // finished or failed: release it
    JIN_GROUP_TX_NEW = 1,
    JIN_GROUP_TX_HELD = 2,
    JIN_GROUP_TX_HELD_FAST = 3,
    JIN_GROUP_TX_SINGLE = 4,       // single frame being sent
    JIN_GROUP_TX_MULTI = 5,        // TP or ETP transmission under way
    JIN_GROUP_TX_FAST = 6,         // fast-packet transmission under way
    JIN_GROUP_TX_DONE = 7,
    JIN_GROUP_RX_TP = 8,
    JIN_GROUP_RX_ETP = 9,
    JIN_GROUP_RX_FAST = 10,
    JIN_GROUP_RX_COMPLETE = 11,
    JIN_GROUP_UNCHANGED = 12,
};

// Whether the message wants transmit time.
enum JIN_msg_trans : unsigned char {
    JIN_TX_NONE = 0,        // leave the send list
    JIN_TX_WANTED = 1,      // append to the send list
    JIN_TX_WANTED_LAST = 2, // move behind the others of its priority
    JIN_TX_KEEP = 3,        // leave the send list as it is
};

// Error codes carried (negated) in a result.
enum : int {
    JIN_ERR_NO_MEMORY = -12,
    JIN_ERR_BAD_LENGTH = -40,
    JIN_ERR_BAD_ADDRESS = -41,
    JIN_ERR_UNEXPECTED = -45,
    JIN_ERR_TIMED_OUT = -60,
    JIN_ERR_FAST_ORDER = -86,
    JIN_ERR_BUFFER_SMALL = -89,
    JIN_ERR_DATA_WANTED = -90, // not a failure: the writer is asked for more
};

class JIN_msg_ret {
public:
    JIN_msg_ret();
    JIN_msg_ret(JIN_msg_group g, JIN_msg_trans t, bool timeout_changed, int ms, int error,
                int value);

    JIN_msg_group get_group() const { return group; }
    JIN_msg_trans get_transmit_requested() const { return trans; }
    bool is_timeout_changed() const { return timeout_changed; }
    // The error as a negative code (0 when none).
    int get_error() const { return -static_cast<int>(error); }
    const Atime& get_deadline() const { return deadline; }
    // The milliseconds from the step to the deadline, as asked for.
    int get_timeout_ms() const { return timeout_ms; }
    int get_value() const { return value; }

    void set_error(int e) { error = static_cast<unsigned char>(-e); }
    void set_group(JIN_msg_group g) { group = g; }
    void set_transmit_requested(JIN_msg_trans t) { trans = t; }
    void set_timeout_changed(bool c) { timeout_changed = c; }
    // A new deadline ms from now.
    void set_timeout(int ms);

    void print() const;
    void bprint(const char* prefix = nullptr, const char* suffix = nullptr) const;

    JIN_msg_group group;
    JIN_msg_trans trans;
    bool timeout_changed;
    unsigned char error; // the negated code modulo 256
    Atime deadline;
    int value;
    int timeout_ms;
};
