// The comms core: the one record through which the control logic module
// talks to the implement's controllers on the RS485 bus. It walks a fixed
// table of 40 polls (Comms_poll_table.cpp); each poll sends one request and
// awaits exactly one reply, which the dispatch hands to the row's handler to
// fill the live data store. Per controller slot it counts consecutive missed
// replies and keeps the no-comms bit mask (published in ds_system.ECU_status).
//
// No thread, no timer: the owner calls poll_step() when its comms timer
// fires or a reply was accepted, dispatch_reply() for every frame received,
// and reply_status(false) when the reply deadline passes with
// expects_reply() true.
#pragma once

#include "apps/sowvane/control_logic/Packet_interface.h"
#include "apps/sowvane/params/parameters.h"

#include <cstdint>

struct Data_store;

class Comms_logic {
public:
    static constexpr unsigned POLL_COUNT = 40;
    static constexpr unsigned SLOT_COUNT = 14;          // controller slots 0 .. 13
    static constexpr unsigned PRESENT_COUNT = 23;       // present bytes kept per slot
    static constexpr unsigned NO_SLOT = ~0u;            // a row that awaits no controller
    static constexpr uint32_t REPLY_TIMEOUT_MS = 500;
    static constexpr unsigned MISSES_BEFORE_NO_COMMS = 3;
    static constexpr unsigned VERSION_REFRESH_S = 60;
    static constexpr unsigned SCALE_COUNT = 8;
    static constexpr unsigned MODE2_ROW_A = 24;
    static constexpr unsigned MODE2_ROW_B = 29;
    static constexpr unsigned SCALE_ROW = 37;
    static constexpr unsigned REFRESH_ROW = 38;

    using Packet = Packet_interface::Packet;

    // Process id a broadcast or a scale request is sent to: any source answers.
    static constexpr uint8_t ANY_SOURCE = 0xFF;
    // Rows below this have a per-poll missed-comms counter in the store.
    static constexpr unsigned ROWS_WITH_MISS_COUNTER = 38;

    Comms_logic(Packet_interface& link, Data_store& store, const NV_kelsu::application_t& live);

    // Takes a fresh working copy of the application settings (under the
    // live tree's lock).
    void take_parameters(const NV_kelsu::application_t& live);

    // Sends the request of the current row and advances to the next row
    // that is not skipped. A row with nothing to send leaves
    // expects_reply() false: poll again at once. A send that failed still
    // awaits the reply, so that the deadline counts the miss.
    void poll_step();
    // In ECU mode 2: rows 24 and 29 in turn.
    void next_mode2_poll();
    void enter_mode2();
    void leave_mode2();
    bool in_mode2() const { return mode2_; }

    // A received frame. True when it was the awaited reply (counted and
    // handled: poll the next row); false when it is not (wrong length, or
    // another controller or command than the one polled, such as a late
    // reply to an earlier poll): the awaited reply is still outstanding and
    // the deadline counts the miss if nothing better comes.
    bool dispatch_reply(const Packet& reply);
    // Counts a good (true) or missed (false) reply of the awaited slot.
    void reply_status(bool ok);

    void one_second_step();
    void half_second_step();

    bool expects_reply() const { return expects_reply_; }
    // The receive framing for the poll in flight.
    bool ascii_reply_awaited() const { return last_poll_index_ == SCALE_ROW; }
    uint32_t poll_index() const { return poll_index_; }
    uint32_t last_poll_index() const { return last_poll_index_; }
    uint32_t expected_reply_length() const { return expected_reply_length_; }
    uint32_t no_comms_mask() const { return no_comms_mask_; }
    uint32_t missed_count(unsigned slot) const { return slot < SLOT_COUNT ? missed_count_[slot] : 0; }
    uint32_t good_reply_count() const { return good_reply_count_; }
    const NV_kelsu::application_t& settings() const { return settings_; }

    // The channel count that the drill configuration gives (4, 6, 8 or 10).
    static unsigned channel_count_for(unsigned drill_configuration);
    // The controller slot of a process id; NO_SLOT for an id without one.
    static unsigned slot_for(uint8_t process_id, bool second_channel_ecu);

private:
    // One row of the poll table (Comms_poll_table.cpp).
    struct Poll_row {
        uint32_t reply_length;
        uint8_t (Comms_logic::*build)(unsigned row, Packet& request);
        void (Comms_logic::*handle)(const Packet& reply);
        bool (Comms_logic::*skip)(unsigned row) const; // null: never skipped
    };
    static const Poll_row& row(unsigned index);

    // --- the poll table's parts (Comms_poll_table.cpp) ---
    // Builders fill the request and return the target process id, or 0 when
    // the row sends nothing.
    uint8_t build_status(unsigned row, Packet& request);
    uint8_t build_channel(unsigned row, Packet& request);
    uint8_t build_shaft_rotation(unsigned row, Packet& request);
    uint8_t build_version(unsigned row, Packet& request);
    uint8_t build_level(unsigned row, Packet& request);
    uint8_t build_section_half(unsigned row, Packet& request);
    uint8_t build_frame_swbox(unsigned row, Packet& request);
    uint8_t build_adc(unsigned row, Packet& request);
    uint8_t build_motor(unsigned row, Packet& request);
    uint8_t build_fan(unsigned row, Packet& request);
    uint8_t build_liquid(unsigned row, Packet& request);
    uint8_t build_bin_shaft(unsigned row, Packet& request);
    uint8_t build_monitor(unsigned row, Packet& request);
    uint8_t build_broadcast(unsigned row, Packet& request);
    uint8_t build_head_sensor(unsigned row, Packet& request);
    uint8_t build_aux_inputs(unsigned row, Packet& request);
    uint8_t build_scale(unsigned row, Packet& request);
    uint8_t build_refresh(unsigned row, Packet& request);
    uint8_t build_drill_control(unsigned row, Packet& request);
    uint8_t build_bin_request(unsigned& rotation, uint8_t command, Packet& request);

    void handle_status(const Packet& reply);
    void handle_channel(const Packet& reply);
    void handle_shaft(const Packet& reply);
    void handle_version(const Packet& reply);
    void handle_level(const Packet& reply);
    void handle_section_half(const Packet& reply);
    void handle_motor_current_adc(const Packet& reply);
    void handle_frame_swbox(const Packet& reply);
    void handle_adc(const Packet& reply);
    void handle_motor(const Packet& reply);
    void handle_fan(const Packet& reply);
    void handle_liquid(const Packet& reply);
    void handle_monitor(const Packet& reply);
    void handle_nothing(const Packet& reply);
    void handle_head_sensor(const Packet& reply);
    void handle_aux_inputs(const Packet& reply);
    void handle_scale(const Packet& reply);
    void handle_spray_state(const Packet& reply);

    bool skip_channel_row(unsigned row) const;
    bool skip_version_rows(unsigned row) const;
    bool skip_frame_swbox(unsigned row) const;
    bool skip_adc_row(unsigned row) const;
    bool skip_second_ecu_row(unsigned row) const;
    bool skip_bin_rows(unsigned row) const;
    bool skip_monitor(unsigned row) const;
    bool skip_broadcast(unsigned row) const;
    bool skip_head_sensor_rows(unsigned row) const;
    bool skip_aux_inputs(unsigned row) const;
    bool skip_scale(unsigned row) const;
    bool skip_drill_control(unsigned row) const;

    // --- helpers ---
    void send_row(unsigned index);
    bool skipped(unsigned index) const;
    void wrap_cycle();
    void publish_diagnostics();
    // Clears the measured shaft period of the channels the slot's controller drives.
    void forget_shaft_periods(unsigned slot);
    unsigned drill_configuration() const;
    bool split_system() const;
    bool channel_enabled(unsigned channel) const;
    unsigned bin_count() const;
    // The next enabled bin after *rotation (over the bin count), stored back.
    unsigned next_bin(unsigned& rotation) const;
    // The process id of the channel ECU that drives channel (0 .. 9).
    uint8_t channel_ecu(unsigned channel) const;
    // The second product ECU (60, its second half 61), or in a split system
    // the second channel ECU (52 / 53) in its place.
    uint8_t second_product_ecu(bool second_half) const;
    bool seeding_ecu_reply(const Packet& reply, uint8_t command) const;

    Packet_interface& link_;
    Data_store& store_;
    NV_kelsu::application_t settings_;

    uint32_t poll_index_ = 0;
    uint32_t last_poll_index_ = 0;
    uint32_t awaiting_slot_ = NO_SLOT;
    uint8_t awaited_id_ = 0;
    uint8_t awaited_command_ = 0;
    unsigned polled_item_ = 0; // the channel, bin, half, fan or scale the poll asked about
    bool expects_reply_ = false;
    uint32_t no_comms_mask_ = 0;
    uint8_t first_miss_clears_ = 0;
    uint32_t good_reply_count_ = 0;
    uint32_t missed_total_ = 0;
    uint32_t missed_count_[SLOT_COUNT] = {};
    uint32_t slot_misses_[SLOT_COUNT] = {};
    uint32_t row_misses_[POLL_COUNT] = {};
    uint8_t slot_present_[PRESENT_COUNT] = {};

    // Rotating sub-indexes of the rows that walk a list.
    unsigned shaft_rotation_ = 1;       // row 9: 1 .. 5
    unsigned level_rotation_ = 1;       // row 14: 1 .. 10
    unsigned half_rotation_ = 0;        // rows 15 / 26: 0 .. 19
    unsigned motor_bin_rotation_ = 0;   // row 24
    unsigned shaft_bin_rotation_ = 0;   // row 29
    unsigned fan_rotation_ = 1;         // row 25: 1 .. 2
    unsigned head_alternation_ = 0;     // row 33: 0 .. 2
    unsigned scale_rotation_ = 0;       // row 37: 0 .. 7

    uint32_t expected_reply_length_ = 0;
    bool version_refresh_due_ = false;
    bool versions_this_cycle_ = true;
    unsigned seconds_since_versions_ = 0;
    bool mode2_ = false;
    bool mode2_next_b_ = false;
};
