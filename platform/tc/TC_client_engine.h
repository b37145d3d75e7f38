// The task-controller client session of ISO 11783-10, as a protocol engine:
// it is fed the messages from the bus, the outcome of its own transfers and
// the time, and answers through a link. It runs no thread and reads no clock,
// so a test can drive it message by message.
//
// Session: the TC is found from its status message (every 2 s) and counted
// lost 6 s after the last one. The client then announces itself as working
// set master, sends its client task message every 2 s, asks for the TC's
// version, then for the structure and localisation labels of the pool the TC
// holds for it. When both equal the client's own the stored pool is
// activated at once; otherwise the pool is transferred (after a delete when
// the TC holds another one or a reload was asked for) and activated. Once
// active, the TC's process-data commands become pool events, and the
// application's values go to the TC.
//
// The TC is also counted lost, at once, when it claims its address anew
// (other than in answer to a Request for Address Claimed, whoever asked: it
// has started again and knows the client no more) and when it refuses the
// client's process data with a NACK. A claim in answer to a request may be
// a TC that started again too (it asks first): at the TC's next status the
// client asks it for the localisation label, which such a TC refuses. A change of the client's own address
// ends the session too: it starts again from the new address once the TC
// is heard.
// Requests for the working set master message are answered at any time.
#pragma once

#include "platform/iso/Claim_answer_window.h"
#include "platform/tc/TC_message.h"
#include "platform/tc/TC_object_pool.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace TC {

// Where the engine's messages go: the CAN stack, or a test's wire.
class Client_link {
public:
    virtual ~Client_link() = default;
    // Queues a message (multi-frame when longer than 8 bytes); `tag` names
    // it in the later transfer result. 0 when queued.
    virtual int send(unsigned pgn, unsigned char dest, int prio, const unsigned char* data,
                     int len, int tag) = 0;
};

class Client_engine {
public:
    enum state_t {
        ST_DISABLED,          // switched off: silent but for answers to requests
        ST_WAIT_TC,           // no task controller heard
        ST_WAIT_VERSION,      // asked the TC for its version
        ST_WAIT_STRUCTURE,    // asked for the stored pool's structure label
        ST_WAIT_LOCALISATION, // asked for its localisation label
        ST_WAIT_DEACTIVATE,   // switching the active pool off before a reload
        ST_WAIT_DELETE,       // deleting the stored pool
        ST_WAIT_SPACE,        // asked whether the pool fits
        ST_TRANSFERRING,      // the pool is on its way
        ST_WAIT_TRANSFER,     // waiting for the TC to take the transferred pool
        ST_WAIT_ACTIVATE,     // asked the TC to activate the pool
        ST_ACTIVE,            // the pool is active: process data flows
        ST_REFUSED,           // the TC refused the pool; waits for a change
        ST_PAUSE,             // after an error: starts over when the pause ends
    };

    // Timing of the standard (milliseconds).
    static constexpr int64_t STATUS_PERIOD_MS = 2000;
    static constexpr int64_t TC_LOST_MS = 6000;
    static constexpr int64_t RESPONSE_MS = 6000;
    // The TC may take its time to check and store a large pool.
    static constexpr int64_t POOL_RESPONSE_MS = 30000;
    // Bytes of the transfer per second the transfer may take at the least,
    // on top of the response time (a slow bus shared with others).
    static constexpr int64_t TRANSFER_BYTES_PER_S = 2000;
    static constexpr int64_t PAUSE_MS = 6000;
    static constexpr int TRANSFER_TAG = 0x7C01;

    struct Tc_info {
        unsigned char address = NO_ADDRESS;
        unsigned char version = 0;
        unsigned char boot_time = 0;
        unsigned char options = 0;
        unsigned char booms = 0;
        unsigned char sections = 0;
        unsigned char channels = 0;
        bool version_known = false;
        bool task_active = false;  // from the TC's status message
    };

    Client_engine(Object_pool& pool, Client_link& link);

    // The client's own address (NO_ADDRESS while it has none: silent) and
    // its NAME, written into the device object as the working-set master.
    // Another address ends the session: it starts again from the new one.
    void set_own_address(unsigned char address, int64_t now_ms);
    void set_own_name(const unsigned char* name8);

    // A whole message from the bus (reassembled when it came in pieces):
    // process data, acknowledgements, address claims, and requests (PGN
    // 0xEA00, the requested PGN in the data) for the working set master
    // message or the address claims.
    void handle_message(unsigned pgn, unsigned char src, unsigned char dest,
                        const unsigned char* data, int len, int64_t now_ms);
    // The outcome of a message the engine queued with a tag.
    void handle_transfer_result(int tag, bool ok, int64_t now_ms);
    // Sends what is due and runs out what has timed out.
    void handle_time(int64_t now_ms);
    // The time at which handle_time has something to do.
    int64_t next_deadline() const;

    // The application's switches (from the pool).
    void set_enabled(bool enabled, int64_t now_ms);
    void set_tx_state(Object_pool::tx_state_t state, int64_t now_ms);
    // A value of an element's process datum to the TC: only while active,
    // and only for data of the description the TC holds.
    bool send_process_data(unsigned short element, ddi_t ddi, int32_t value);
    // The application's outcome of a set value the TC wanted acknowledged.
    bool acknowledge(unsigned short element, ddi_t ddi, unsigned char errors);

    state_t get_state() const { return state_; }
    const Tc_info& tc() const { return tc_; }
    // The structure label of the last pool built for the TC (7 bytes).
    const unsigned char* structure_label() const { return structure_label_; }
    int pool_size() const { return int(ddop_.size()); }
    static const char* state_name(state_t s);

private:
    void go(state_t s, int64_t now_ms, int64_t timeout_ms = -1);
    void start_session(int64_t now_ms);
    // The TC is gone, has started again or refuses the client: the session
    // starts over once a TC is heard.
    void lose_tc(const char* why, int64_t now_ms);
    // A TC has been found and the session runs with it.
    bool session_up() const { return state_ != ST_DISABLED && state_ != ST_WAIT_TC; }
    void fail(Object_pool::status_code_t code, const char* why, int64_t now_ms);
    bool build_pool();
    void send8(unsigned char dest, const unsigned char* d, int prio = PD_PRIORITY);
    void send_subcommand(unsigned char sub, const unsigned char* rest7 = nullptr);
    void send_periodic(int64_t now_ms);
    void send_working_set_master();
    void send_version();
    void start_upload(int64_t now_ms);
    void send_pool(int64_t now_ms);

    void on_status(const unsigned char* d, unsigned char src, int64_t now_ms);
    void on_request(const unsigned char* d, int len, unsigned char dest, int64_t now_ms);
    void on_address_claimed(unsigned char src, int64_t now_ms);
    void on_acknowledgement(const unsigned char* d, int len, unsigned char src,
                            unsigned char dest, int64_t now_ms);
    void on_technical(const unsigned char* d, int len, unsigned char src, int64_t now_ms);
    void on_descriptor(const unsigned char* d, int len, int64_t now_ms);
    void on_process_data(const unsigned char* d, int64_t now_ms);
    // Error bits for a command on (element, DDI) of the pool as uploaded.
    unsigned char check_target(command_t cmd, unsigned short element, ddi_t ddi,
                               int32_t value) const;
    // Error bits for a command the datum's properties or triggers rule out,
    // or whose interval or threshold cannot be.
    static unsigned char check_use(command_t cmd, int32_t value,
                                   const Object_pool::Described_datum& pd);
    // The datum of the pool as built, null when it holds none.
    const Object_pool::Described_datum* find_described(unsigned short element, ddi_t ddi) const;
    void send_ack(unsigned short element, ddi_t ddi, unsigned char errors, command_t cmd);

    Object_pool& pool_;
    Client_link& link_;
    state_t state_ = ST_DISABLED;
    bool enabled_ = false;
    Object_pool::tx_state_t tx_state_ = Object_pool::TX_STOPPED;
    bool reload_wanted_ = false;
    unsigned char own_address_ = NO_ADDRESS;
    unsigned char own_name_[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    bool own_name_known_ = false;
    Tc_info tc_;
    int64_t tc_last_heard_ = 0;
    // Which of the TC's claims answer a Request for Address Claimed.
    Iso::Claim_answer_window claim_requests_;
    // The TC claimed in answer to a request: ask it for its label at its
    // next status.
    bool ask_label_at_status_ = false;
    int64_t next_periodic_ = 0;
    int64_t deadline_ = -1;  // of the state; -1 none
    bool tc_has_other_pool_ = false;
    std::vector<unsigned char> ddop_;
    // The process data of the pool as built: what the TC holds once active.
    std::vector<Object_pool::Described_datum> described_;
    unsigned char structure_label_[7] = {};
    unsigned char localisation_label_[7] = {};
};

} // namespace TC
