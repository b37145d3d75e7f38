// The working set's conversation with a VT (ISO 11783-6), as a protocol
// engine without threads or clocks of its own: the owner feeds it the VT's
// messages, the transport's completions and the time, and it sends through a
// Vt_link. It finds a VT from the VT status messages (the preferred VT's
// NAME, or the first VT once the terminal timeout has passed), announces the
// working set (master message, maintenance every second), asks the VT for its
// language, reads its memory, soft keys, fonts and hardware, uploads the pool
// with its progress, checks End of Object Pool, then sends the pool's change
// commands and partial uploads one at a time, and turns VT-to-ECU messages
// into the pool's events.
//
// A VT not heard for VT_LOST_MS is lost. A VT that starts again within that
// time knows the working set no more: its refusal (NACK or Access Denied)
// of the working set's VT messages, or its address claim that answers no
// Request for Address Claimed, starts the connection with it again from the
// announcement, as with a VT just found.
//
// The VT answers commands in the order it received them, naming the
// function, (for most) the object and (for some) the value it set: an answer
// belongs to the oldest command still waiting for it that it can be the
// answer of, so a late answer of a command given up before is known and
// dropped, and one lost answer delays no later command. A message that goes
// by the transport protocol is followed by the next command only once the
// transport has delivered it; each completion names the message it is about,
// so one of a transfer to a VT left behind counts for nothing.
#pragma once

#include "can/JIN_name.h"
#include "platform/iso/Claim_answer_window.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace VT {

class Object_pool;
class Upload_bar_progress;
class VT_obj;

// What the session needs of the CAN side.
class Vt_link {
public:
    virtual ~Vt_link() = default;
    // Queues a message (any length: the transport picks single frame, TP or
    // ETP); the transport reports it through Vt_session::on_sent with the
    // tag. False when it was refused.
    virtual bool send(uint8_t dest, uint32_t pgn, uint8_t prio, const uint8_t* data, uint32_t len, int tag) = 0;
    virtual uint8_t own_address() = 0;
    // The NAME of the node at an address; false when unknown.
    virtual bool name_of(uint8_t address, JIN_name::RAWNAME& name) = 0;
};

class Vt_session {
public:
    static constexpr uint32_t PGN_VT_TO_ECU = 0xE600;
    static constexpr uint32_t PGN_ECU_TO_VT = 0xE700;
    static constexpr uint32_t PGN_WS_MASTER = 0xFE0D;
    static constexpr uint32_t PGN_LANGUAGE = 0xFE0F;
    static constexpr uint32_t PGN_REQUEST = 0xEA00;
    static constexpr uint32_t PGN_ACKNOWLEDGEMENT = 0xE800;
    static constexpr uint32_t PGN_ADDRESS_CLAIMED = 0xEE00;
    // A VT not heard for this long is gone.
    static constexpr int VT_LOST_MS = 3000;
    // A request or command without response for this long has failed.
    static constexpr int RESPONSE_MS = 3000;
    static constexpr int MAINTENANCE_MS = 1000;
    // A command is held this long at most while the VT parses a pool or is
    // out of memory.
    static constexpr int BUSY_WAIT_MS = 5000;
    // Commands given up without an answer whose late answers are still
    // recognised.
    static constexpr size_t MAX_ABANDONED = 8;
    // An upload that failed without the VT refusing the pool (no answer in
    // time, a transfer aborted) is tried again after this pause, doubled
    // after each further failure up to UPLOAD_RETRY_MAX_MS.
    static constexpr int UPLOAD_RETRY_MS = 5000;
    static constexpr int UPLOAD_RETRY_MAX_MS = 60000;
    // End of Object Pool is awaited this long at most while the VT's status
    // says it is still parsing the pool (a large pool can take many seconds).
    static constexpr int PARSE_WAIT_MS = 60000;
    // Object Pool Transfer messages carry at most this many bytes of whole
    // objects each (an object larger than it goes alone). The stack holds
    // single frames to the VT behind a transfer to it, so a chunk must go
    // through well inside the VT's 3 s working-set maintenance limit even on
    // a slowly paced 250 kbit/s bus: 4 kB is about 590 frames, 0.3 s of bus.
    static constexpr uint32_t CHUNK_BYTES = 4096;

    struct Config {
        JIN_name::RAWNAME preferred_vt;   // the empty NAME: no preference
        bool has_preferred = false;
        int terminal_timeout_s = 0;       // wait for the preferred VT
        unsigned short intro_mask = 0xFFFF;
        Upload_bar_progress* progress = nullptr;
    };

    Vt_session(Object_pool& pool, Vt_link& link, const Config& config);

    // Starts looking for a VT (the address is claimed).
    void start(int64_t now_ms);
    // Off: the session stops talking and forgets the VT; on: starts again.
    void set_enabled(bool enabled, int64_t now_ms);

    // A message of PGN 0xE600 from `src`.
    void on_vt_message(uint8_t src, const uint8_t* data, uint32_t len, int64_t now_ms);
    // A Language command from `src`; only the VT in use sets the locale.
    void on_language(uint8_t src, const uint8_t* data, uint32_t len);
    // An Acknowledgement (PGN 0xE800) from `src` to `dest`.
    void on_acknowledgement(uint8_t src, uint8_t dest, const uint8_t* data, uint32_t len, int64_t now_ms);
    // A Request (PGN 0xEA00) to `dest` from any node, or one the working
    // set's node sent itself.
    void on_request(uint8_t dest, const uint8_t* data, uint32_t len, int64_t now_ms);
    // An Address Claimed from `src`.
    void on_address_claimed(uint8_t src, int64_t now_ms);
    // A message sent with `tag` is gone (ok) or failed.
    void on_sent(int tag, bool ok, int64_t now_ms);
    // Lets time pass: timeouts, maintenance, the next command.
    void tick(int64_t now_ms);

    // The number (1..) of the next VT after the current one, 0 when there is
    // no other VT.
    int get_next_vt() const;
    // Moves the working set to the next VT: 0 started, -1 no other VT.
    int switch_next_vt(int64_t now_ms);

    // Where the VT's response to a command (by its function byte) carries
    // the error codes.
    static int error_byte_of(uint8_t function);
    // Where it carries the object id the command was about, -1 when it
    // names none.
    static int object_byte_of(uint8_t function);

    // The last failure in words ("" while none).
    const std::string& last_error() const { return error_; }

    enum State {
        DISABLED,
        WAIT_VT,        // listening for VT status messages
        GET_MEMORY,
        GET_SOFT_KEYS,
        GET_FONTS,
        GET_HARDWARE,
        UPLOADING,      // Object Pool Transfer messages going out
        END_OF_POOL,    // waiting for the End of Object Pool response
        UPLOAD_FAILED,
        RUNNING,
    };
    State state() const { return state_; }
    uint8_t vt_address() const { return vt_address_; }

private:
    struct Known_vt {
        uint8_t address;
        JIN_name::RAWNAME name;
        bool named;
        int64_t last_seen;
    };
    // Tags of what is sent: the kind in the low bits, TAG_TRANSPORT for a
    // message longer than a frame (it goes by the transport protocol), and
    // above them a sequence number of its own, so that a completion names
    // the very message it is about.
    enum Tag_kind { TAG_OTHER = 1, TAG_CHUNK = 2, TAG_COMMAND = 3, TAG_UPLOAD = 4 };
    static constexpr int TAG_TRANSPORT = 0x10;
    static constexpr int TAG_SEQUENCE_SHIFT = 5;
    static constexpr int TAG_SEQUENCES = 1 << 25;

    // A command (or partial upload) sent to the VT, as its answer names it.
    struct Sent_command {
        uint8_t function = 0;
        unsigned short object_id = 0xFFFF;
        // The command's first bytes: the values an answer echoes.
        std::vector<uint8_t> head;
        // The tag of the message on its way (data, then End of Object Pool,
        // of a partial upload).
        int tag = 0;
        bool is_upload = false;
        // The partial upload's data is on its way: End of Object Pool
        // follows once the transport has delivered it.
        bool data_in_transit = false;
        int64_t sent_ms = 0;
    };

    void enter(State s, int64_t now_ms);
    void choose_vt(int64_t now_ms);
    void take_vt(const Known_vt& vt, int64_t now_ms);
    void lose_vt(int64_t now_ms);
    // The VT knows the working set no more (`why`): the connection starts
    // again with it from the announcement.
    void join_again(const char* why, int64_t now_ms);
    // A VT has been taken and the session runs with it.
    bool session_up() const;
    int next_tag(Tag_kind kind, bool transport);
    // The message's tag, 0 when the link refused it.
    int send_to_vt(std::vector<uint8_t> bytes, Tag_kind kind);
    void send_request(uint8_t function, int64_t now_ms);
    void send_maintenance(bool initiating);
    void handle_status(uint8_t src, const uint8_t* d, int64_t now_ms);
    void handle_response(const uint8_t* d, uint32_t len, int64_t now_ms);
    void handle_event(uint8_t function, const uint8_t* d, uint32_t len);
    bool pool_holds(unsigned short id);
    bool key_is_shown(uint8_t function, unsigned short key, unsigned short parent);
    bool soft_key_mask_holds(unsigned short soft_key_mask, unsigned short key);
    // The last byte of an answer to a key or ESC message: the VT's
    // transaction number on a version 6 VT, else reserved.
    uint8_t transaction_byte(uint8_t received) const;
    void start_upload(int64_t now_ms);
    void send_next_chunk(int64_t now_ms);
    void end_of_pool(const uint8_t* d, uint32_t len, int64_t now_ms);
    bool end_of_pool_ok(const uint8_t* d, uint32_t len, std::string& why) const;
    // `retry`: the VT did not refuse the pool; it is tried again later.
    void upload_failed(const std::string& why, int64_t now_ms, bool retry);
    void ask_memory(int64_t now_ms);
    void run_commands(int64_t now_ms);
    static bool answers(const Sent_command& c, const uint8_t* d, uint32_t len);
    static bool answered_alike(const Sent_command& a, const Sent_command& b);
    void forget_answered_alike();
    void take_answer(const uint8_t* d, uint32_t len, int64_t now_ms);
    void complete_command(uint8_t result, uint8_t error);
    void abandon_command();
    void sent_upload_data(bool ok, int64_t now_ms);
    Known_vt* find_vt(uint8_t address);

    Object_pool& pool_;
    Vt_link& link_;
    Config config_;
    State state_ = DISABLED;
    bool enabled_ = true;
    int64_t started_ = 0;
    int64_t state_since_ = 0;
    int64_t next_maintenance_ = 0;
    std::vector<Known_vt> vts_;
    // Which of the VT's claims answer a Request for Address Claimed.
    Iso::Claim_answer_window claim_requests_;
    uint8_t vt_address_ = 0xFE;
    // The VT has sent the working set more than its status since it was
    // taken: it knew the working set then.
    bool vt_answered_ = false;
    // The working set's own address when it took the VT.
    uint8_t own_address_ = 0xFE;
    static constexpr uint8_t NO_OWN_ADDRESS = 0xFE;
    JIN_name::RAWNAME vt_name_;
    bool vt_named_ = false;
    uint8_t vt_version_ = 0;
    uint8_t busy_ = 0;
    bool end_of_pool_overdue(int64_t sent_ms, int64_t now_ms) const;
    uint32_t caps_[6] = {0, 0, 0, 0, 0, 0};
    std::string error_;

    // Pool transfer.
    std::vector<uint8_t> stream_;
    std::vector<uint32_t> record_ends_;
    uint32_t sent_bytes_ = 0;
    uint32_t chunk_end_ = 0;
    // The tag of the Object Pool Transfer message on its way, 0 while none.
    int chunk_tag_ = 0;
    // When a failed upload is tried again (-1: not), and the pause before
    // the next try.
    int64_t retry_at_ = -1;
    int retry_pause_ms_ = UPLOAD_RETRY_MS;

    int sequence_ = 0;
    // Tags of the messages to the VT still with the transport protocol.
    std::vector<int> transports_;

    // Runtime traffic: one command or partial upload at a time.
    bool command_active_ = false;
    Sent_command command_;
    // Commands given up without an answer, oldest first.
    std::deque<Sent_command> abandoned_;
    int64_t command_held_since_ = -1;
};

} // namespace VT
