// The comms core's 40 polls: per row the expected reply length, the request
// builder, the reply handler and the skip predicate; and the builders,
// handlers and predicates themselves.
//
// Requests and replies are binary frames (dest, L, src, cmd, data, sum) except
// the scale's ASCII weight request. Multi-byte values go high byte first.
#include "apps/sowvane/control_logic/Comms_logic.h"

#include "apps/sowvane/control_logic/Iop_analogue.h"
#include "apps/sowvane/data_store/data_store.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum Command : uint8_t {
    CMD_STATUS = 1,       // temperatures of the first channel ECU
    CMD_CHANNEL = 2,      // set period out, measured shaft period back; head inputs on id 55
    CMD_ADC = 3,          // actuator position reading
    CMD_LEVEL = 4,        // bin level sensor and liquid pressure reading
    CMD_MOTOR = 5,        // motor current and pulse count
    CMD_MOTOR_ADC = 6,    // motor current reading (the other half-channel request)
    CMD_VERSION = 7,      // firmware version
    CMD_SECTION = 8,      // section shaft of a channel half; latched head inputs on id 55
    CMD_SHAFT = 9,        // shaft period and pulse count
    CMD_LIQUID = 10,      // liquid pressure of the second product ECU
    CMD_FAN = 11,         // fan pressure reading
    CMD_HEAD_STATE = 24,  // blocked-head systems active
    CMD_AUX_STATUS = 73,  // switch box, monitor and spray ECU states
    CMD_DRILL = 83,       // drill control ECU presence (the reply carries no data)
    CMD_HEAD_VERSION = 200,
    CMD_DISCOVER = 255,
};

constexpr uint8_t FRAME_SWBOX_ID = 58;
constexpr uint8_t MONITOR_ID = 54;
constexpr uint8_t HEAD_SENSOR_ID = 55;
constexpr uint8_t DRILL_CONTROL_ID = 59;
constexpr uint8_t AUX_INPUTS_ID = 71;
constexpr uint8_t FIRST_FAN_ID = 68;

uint32_t be32(const Packet_interface::Packet& p, unsigned at)
{
    return uint32_t(p.data_byte(at)) << 24 | uint32_t(p.data_byte(at + 1)) << 16
           | uint32_t(p.data_byte(at + 2)) << 8 | p.data_byte(at + 3);
}

unsigned be16(const Packet_interface::Packet& p, unsigned at)
{
    return unsigned(p.data_byte(at)) << 8 | p.data_byte(at + 1);
}

void append_be32(Packet_interface::Packet& p, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        p.append(uint8_t(v >> shift));
}

// The actuator reading index of a channel or product ECU.
unsigned ecu_index(uint8_t id) { return id >= 60 ? 4u + (id - 60u) : unsigned(id - 50); }

} // namespace

const Comms_logic::Poll_row& Comms_logic::row(unsigned index)
{
    using C = Comms_logic;
    static const Poll_row rows[POLL_COUNT] = {
        /*  0 */ {10, &C::build_status, &C::handle_status, nullptr},
        /*  1 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  2 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  3 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  4 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  5 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  6 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  7 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  8 */ {10, &C::build_channel, &C::handle_channel, &C::skip_channel_row},
        /*  9 */ {10, &C::build_shaft_rotation, &C::handle_shaft, nullptr},
        /* 10 */ {15, &C::build_version, &C::handle_version, &C::skip_version_rows},
        /* 11 */ {15, &C::build_version, &C::handle_version, &C::skip_version_rows},
        /* 12 */ {15, &C::build_version, &C::handle_version, &C::skip_version_rows},
        /* 13 */ {15, &C::build_version, &C::handle_version, &C::skip_version_rows},
        /* 14 */ {7, &C::build_level, &C::handle_level, nullptr},
        /* 15 */ {6, &C::build_section_half, &C::handle_section_half, nullptr},
        /* 16 */ {9, &C::build_frame_swbox, &C::handle_frame_swbox, &C::skip_frame_swbox},
        /* 17 */ {10, &C::build_status, &C::handle_status, nullptr},
        /* 18 */ {6, &C::build_adc, &C::handle_adc, &C::skip_adc_row},
        /* 19 */ {6, &C::build_adc, &C::handle_adc, &C::skip_adc_row},
        /* 20 */ {6, &C::build_adc, &C::handle_adc, &C::skip_adc_row},
        /* 21 */ {6, &C::build_adc, &C::handle_adc, &C::skip_adc_row},
        /* 22 */ {6, &C::build_adc, &C::handle_adc, &C::skip_second_ecu_row},
        /* 23 */ {6, &C::build_adc, &C::handle_adc, &C::skip_second_ecu_row},
        /* 24 */ {10, &C::build_motor, &C::handle_motor, &C::skip_bin_rows},
        /* 25 */ {6, &C::build_fan, &C::handle_fan, nullptr},
        /* 26 */ {6, &C::build_section_half, &C::handle_section_half, nullptr},
        /* 27 */ {12, &C::build_liquid, &C::handle_liquid, &C::skip_second_ecu_row},
        /* 28 */ {12, &C::build_liquid, &C::handle_liquid, &C::skip_second_ecu_row},
        /* 29 */ {11, &C::build_bin_shaft, &C::handle_shaft, &C::skip_bin_rows},
        /* 30 */ {9, &C::build_frame_swbox, &C::handle_frame_swbox, &C::skip_frame_swbox},
        /* 31 */ {9, &C::build_monitor, &C::handle_monitor, &C::skip_monitor},
        /* 32 */ {13, &C::build_broadcast, &C::handle_nothing, &C::skip_broadcast},
        /* 33 */ {11, &C::build_head_sensor, &C::handle_head_sensor, &C::skip_head_sensor_rows},
        /* 34 */ {10, &C::build_head_sensor, &C::handle_head_sensor, &C::skip_head_sensor_rows},
        /* 35 */ {7, &C::build_head_sensor, &C::handle_head_sensor, &C::skip_head_sensor_rows},
        /* 36 */ {10, &C::build_aux_inputs, &C::handle_aux_inputs, &C::skip_aux_inputs},
        /* 37 */ {21, &C::build_scale, &C::handle_scale, &C::skip_scale},
        /* 38 */ {11, &C::build_refresh, &C::handle_nothing, nullptr},
        /* 39 */ {5, &C::build_drill_control, &C::handle_nothing, &C::skip_drill_control},
    };
    return rows[index < POLL_COUNT ? index : 0];
}

// --- skip predicates -----------------------------------------------------------

bool Comms_logic::skip_channel_row(unsigned row) const
{
    return row - 1 >= channel_count_for(drill_configuration());
}

bool Comms_logic::skip_version_rows(unsigned) const { return !versions_this_cycle_; }

bool Comms_logic::skip_frame_swbox(unsigned) const
{
    return settings_.swbox_external_swbox_type._get() == 0;
}

bool Comms_logic::skip_adc_row(unsigned row) const
{
    return (row - 18) * 2 >= channel_count_for(drill_configuration());
}

// Rows 22 / 27 need a second product ECU (types 2 to 6); rows 23 / 28 its
// second half (types 3 and 6).
bool Comms_logic::skip_second_ecu_row(unsigned row) const
{
    unsigned type = drill_configuration();
    if (row == 22 || row == 27)
        return type < 2 || type > 6;
    return type != 3 && type != 6;
}

bool Comms_logic::skip_bin_rows(unsigned) const
{
    for (unsigned bin = 0; bin < bin_count(); ++bin)
        if (channel_enabled(bin))
            return false;
    return true;
}

bool Comms_logic::skip_monitor(unsigned) const
{
    return settings_.monitor_ecus.monitoring_config._get() == 0;
}

bool Comms_logic::skip_broadcast(unsigned) const
{
    return !cds_get_byte(&store_.head, &store_.body.monitor_ecus.activate_auto_detect);
}

bool Comms_logic::skip_head_sensor_rows(unsigned) const
{
    return settings_.monitor_ecus.head_systems_enabled._get() == 0;
}

bool Comms_logic::skip_aux_inputs(unsigned) const
{
    return !settings_.using_case_drain_alarm._get() && !settings_.using_ladder_switch_alarm._get();
}

bool Comms_logic::skip_scale(unsigned) const
{
    if (cds_get(&store_.head, &store_.body.operation.calibration_scales_mode) == 0)
        return true;
    for (unsigned i = 0; i < SCALE_COUNT; ++i)
        if (cds_get_byte(&store_.head, &store_.body.operation.calibration_scales[i].scale_enabled))
            return false;
    return true;
}

bool Comms_logic::skip_drill_control(unsigned) const
{
    return !settings_.drill_control_enabled._get();
}

// --- request builders ------------------------------------------------------------

uint8_t Comms_logic::build_status(unsigned, Packet& request)
{
    request = Packet(50, CMD_STATUS);
    return 50;
}

// Channel row-1: its number, on/off and the set period to drive to.
uint8_t Comms_logic::build_channel(unsigned row, Packet& request)
{
    unsigned channel = row - 1;
    const ds_channel& live = store_.body.channels.channels[channel];
    request = Packet(channel_ecu(channel), CMD_CHANNEL);
    request.append(uint8_t(channel));
    request.append(cds_get_byte(&store_.head, &live.active));
    append_be32(request, cds_get_word(&store_.head, &live.set_period));
    polled_item_ = channel;
    return request.destination();
}

// Row 9: shaft diagnostics of the next enabled channel of the first five.
uint8_t Comms_logic::build_shaft_rotation(unsigned, Packet& request)
{
    unsigned channel = shaft_rotation_ - 1;
    for (unsigned tries = 0; tries < 5; ++tries) {
        channel = shaft_rotation_ - 1;
        shaft_rotation_ = shaft_rotation_ % 5 + 1;
        if (channel_enabled(channel))
            break;
    }
    request = Packet(channel_ecu(channel), CMD_SHAFT);
    request.append(uint8_t(channel));
    polled_item_ = channel;
    return request.destination();
}

uint8_t Comms_logic::build_version(unsigned row, Packet& request)
{
    unsigned type = drill_configuration();
    uint8_t id = uint8_t(50 + (row - 10));
    uint8_t command = CMD_VERSION;
    if (row == 12) {
        if (type == 5 || type == 6) {
            command = CMD_AUX_STATUS; // the split system's second channel ECU
            expected_reply_length_ = 6;
        } else if (type >= 2 && type <= 4) {
            id = 60;
        }
    } else if (row == 13 && type == 3) {
        id = 61;
    }
    request = Packet(id, command);
    return id;
}

// Row 14: level sensor of the next channel that is enabled and senses its
// tank level; nothing is sent when there is none.
uint8_t Comms_logic::build_level(unsigned, Packet& request)
{
    for (unsigned tries = 0; tries < 10; ++tries) {
        unsigned channel = level_rotation_ - 1;
        level_rotation_ = level_rotation_ % 10 + 1;
        if (channel_enabled(channel) && settings_.channels.at(int(channel)).sense_tank_level._get()) {
            request = Packet(channel_ecu(channel), CMD_LEVEL);
            request.append(uint8_t(channel));
            polled_item_ = channel;
            return request.destination();
        }
    }
    return 0;
}

// Rows 15 / 26: the next of the 20 channel halves: the section shaft from a
// seeding ECU, else the motor current reading.
uint8_t Comms_logic::build_section_half(unsigned, Packet& request)
{
    unsigned half = half_rotation_;
    half_rotation_ = (half_rotation_ + 1) % 20;
    unsigned channel = half / 2;
    uint8_t id = channel_ecu(channel);
    bool seeding = (id == 52 || id == 53 || id == 60 || id == 61) && drill_configuration() != 1;
    request = Packet(id, seeding ? CMD_SECTION : CMD_MOTOR_ADC);
    if (seeding)
        expected_reply_length_ = 7;
    request.append(uint8_t(channel));
    request.append(uint8_t(half % 2));
    polled_item_ = half;
    return id;
}

uint8_t Comms_logic::build_frame_swbox(unsigned, Packet& request)
{
    request = Packet(FRAME_SWBOX_ID, CMD_AUX_STATUS);
    return FRAME_SWBOX_ID;
}

uint8_t Comms_logic::build_adc(unsigned row, Packet& request)
{
    uint8_t id = row >= 22 ? second_product_ecu(row == 23) : uint8_t(50 + (row - 18));
    request = Packet(id, CMD_ADC);
    polled_item_ = ecu_index(id);
    return id;
}

uint8_t Comms_logic::build_motor(unsigned, Packet& request)
{
    return build_bin_request(motor_bin_rotation_, CMD_MOTOR, request);
}

uint8_t Comms_logic::build_fan(unsigned, Packet& request)
{
    unsigned fan = fan_rotation_ - 1;
    fan_rotation_ = fan_rotation_ % 2 + 1;
    uint8_t id = uint8_t(FIRST_FAN_ID + fan);
    request = Packet(id, CMD_FAN);
    polled_item_ = fan;
    return id;
}

uint8_t Comms_logic::build_liquid(unsigned row, Packet& request)
{
    uint8_t id = second_product_ecu(row == 28);
    request = Packet(id, CMD_LIQUID);
    // The channel this ECU drives second: 9 / 10 on the product ECUs, 5 / 6
    // on the split system's second channel ECU.
    polled_item_ = id >= 60 ? 8u + (id - 60u) : 4u + (id - 52u);
    return id;
}

uint8_t Comms_logic::build_bin_shaft(unsigned, Packet& request)
{
    return build_bin_request(shaft_bin_rotation_, CMD_SHAFT, request);
}

// The next enabled bin of a rotation, asked of its channel ECU; nothing is
// sent when no bin is enabled.
uint8_t Comms_logic::build_bin_request(unsigned& rotation, uint8_t command, Packet& request)
{
    unsigned bin = next_bin(rotation);
    if (bin == NO_SLOT)
        return 0;
    request = Packet(channel_ecu(bin), command);
    request.append(uint8_t(bin));
    polled_item_ = bin;
    return request.destination();
}

uint8_t Comms_logic::build_monitor(unsigned, Packet& request)
{
    request = Packet(MONITOR_ID, CMD_AUX_STATUS);
    return MONITOR_ID;
}

uint8_t Comms_logic::build_broadcast(unsigned, Packet& request)
{
    request = Packet(ANY_SOURCE, CMD_DISCOVER);
    return ANY_SOURCE;
}

// Rows 33 to 35: the blocked-head sensor ECU. Row 33 asks which head systems
// are active on two polls of three and its version on the third.
uint8_t Comms_logic::build_head_sensor(unsigned row, Packet& request)
{
    uint8_t command = row == 34 ? CMD_CHANNEL : CMD_SECTION;
    if (row == 33) {
        command = head_alternation_ < 2 ? CMD_HEAD_STATE : CMD_HEAD_VERSION;
        if (command == CMD_HEAD_STATE)
            expected_reply_length_ = 7;
        head_alternation_ = (head_alternation_ + 1) % 3;
    }
    request = Packet(HEAD_SENSOR_ID, command);
    return HEAD_SENSOR_ID;
}

uint8_t Comms_logic::build_aux_inputs(unsigned, Packet& request)
{
    bool shaft = settings_.using_ladder_switch_alarm._get();
    request = Packet(AUX_INPUTS_ID, shaft ? CMD_SHAFT : CMD_STATUS);
    if (shaft)
        expected_reply_length_ = 11;
    return AUX_INPUTS_ID;
}

// Row 37: the weight of the next enabled scale, "S0n110026:".
uint8_t Comms_logic::build_scale(unsigned, Packet& request)
{
    unsigned scale = scale_rotation_;
    for (unsigned tries = 0; tries < SCALE_COUNT; ++tries) {
        scale = scale_rotation_;
        scale_rotation_ = (scale_rotation_ + 1) % SCALE_COUNT;
        if (cds_get_byte(&store_.head, &store_.body.operation.calibration_scales[scale].scale_enabled))
            break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "S0%u110026:", scale + 1);
    request.init(true);
    for (const char* c = text; *c; ++c)
        request.append(uint8_t(*c));
    polled_item_ = scale;
    return ANY_SOURCE;
}

// Row 38 asks no controller: it brings the comms diagnostics in the store up
// to date.
uint8_t Comms_logic::build_refresh(unsigned, Packet&)
{
    publish_diagnostics();
    return 0;
}

uint8_t Comms_logic::build_drill_control(unsigned, Packet& request)
{
    request = Packet(DRILL_CONTROL_ID, CMD_DRILL);
    return DRILL_CONTROL_ID;
}

// --- reply handlers ----------------------------------------------------------------

// Two temperatures, offset by 40 degrees C.
void Comms_logic::handle_status(const Packet& reply)
{
    for (unsigned i = 0; i < 2; ++i) {
        float celsius = float(reply.data_byte(i)) - 40.0f;
        cds_set(&store_.head, &store_.body.temperatures.value[i], celsius);
    }
}

void Comms_logic::handle_channel(const Packet& reply)
{
    ds_channel& live = store_.body.channels.channels[polled_item_ % 10];
    ds_ulong period = be32(reply, 0);
    float load = float(reply.data_byte(4));
    cds_set(&store_.head, &live.actual_period, period);
    cds_set(&store_.head, &live.motor_load, load);
}

// Rows 9 and 29: shaft period, then the pulse count (one byte, or two when
// the reply has room).
void Comms_logic::handle_shaft(const Packet& reply)
{
    ds_shaft& shaft = store_.body.diagnostics.shaft[polled_item_ % 10];
    ds_ulong period = be32(reply, 0);
    unsigned pulses = reply.length >= 6 ? be16(reply, 4) : reply.data_byte(4);
    cds_set(&store_.head, &shaft.period, period);
    cds_set(&store_.head, &shaft.pulse_count, pulses);
}

// The firmware version goes to every channel the answering ECU drives.
void Comms_logic::handle_version(const Packet& reply)
{
    if (reply.command() == CMD_AUX_STATUS) {
        handle_spray_state(reply);
        return;
    }
    ds_version version;
    version.v_major = reply.data_byte(0);
    version.v_minor = reply.data_byte(1);
    version.v_patch = reply.data_byte(2);
    for (unsigned channel = 0; channel < 10; ++channel)
        if (channel_ecu(channel) == reply.source())
            cds_set(&store_.head, &store_.body.channels.channels[channel].ecu_version, version);
}

void Comms_logic::handle_spray_state(const Packet& reply)
{
    unsigned char state = reply.data_byte(0);
    cds_set(&store_.head, &store_.body.diagnostics.spray_ecu[1].state, state);
}

void Comms_logic::handle_level(const Packet& reply)
{
    unsigned channel = polled_item_ % 10;
    bool level_on = reply.data_byte(0) != 0;
    unsigned pressure_reading = reply.data_byte(1);
    cds_set(&store_.head, &store_.body.diagnostics.level_sensor_on[channel], level_on);
    cds_set(&store_.head, &store_.body.diagnostics.liquid_pressure_sensor[channel].adc_val,
            pressure_reading);
}

// Rows 15 / 26 accept the section shaft only from a seeding ECU; anything
// else answering is the motor current reading.
void Comms_logic::handle_section_half(const Packet& reply)
{
    if (!seeding_ecu_reply(reply, CMD_SECTION)) {
        handle_motor_current_adc(reply);
        return;
    }
    unsigned half = polled_item_ % 20;
    ds_section_monitoring& monitors = store_.body.section_monitors;
    unsigned status = cds_get(&store_.head, &monitors.raw_pulsed_section_monitors_status);
    if (reply.data_byte(0))
        status |= 1u << half;
    else
        status &= ~(1u << half);
    cds_set(&store_.head, &monitors.raw_pulsed_section_monitors_status, status);
}

void Comms_logic::handle_motor_current_adc(const Packet& reply)
{
    unsigned reading = reply.data_byte(0);
    unsigned channel = (polled_item_ / 2) % 10;
    cds_set(&store_.head, &store_.body.diagnostics.motor_current[channel].adc_val, reading);
}

void Comms_logic::handle_frame_swbox(const Packet& reply)
{
    ds_frame_swbox_diags diags;
    diags.switch_state = reply.data_byte(0);
    diags.button_state = reply.data_byte(1);
    diags.guide_state = reply.data_byte(2);
    diags.LED_state = reply.data_byte(3);
    cds_set(&store_.head, &store_.body.diagnostics.frame_swbox, diags);
    bool found = true;
    cds_set(&store_.head, &store_.body.operation.frame_swbox.found, found);
}

void Comms_logic::handle_adc(const Packet& reply)
{
    unsigned reading = reply.data_byte(0);
    cds_set(&store_.head, &store_.body.diagnostics.actuator[polled_item_ % 10].adc.adc_val,
            reading);
}

// Motor current in 0.01 A, pulse count, motor current reading.
void Comms_logic::handle_motor(const Packet& reply)
{
    unsigned bin = polled_item_ % 10;
    ds_channel& live = store_.body.channels.channels[bin];
    float amps = float(be16(reply, 0)) / 100.0f;
    unsigned pulses = be16(reply, 2);
    unsigned reading = reply.data_byte(4);
    cds_set(&store_.head, &live.motor_current, amps);
    cds_set(&store_.head, &live.motor_pulse_count, pulses);
    cds_set(&store_.head, &store_.body.diagnostics.motor_current[bin].adc_val, reading);
}

void Comms_logic::handle_fan(const Packet& reply)
{
    unsigned fan = polled_item_ % 5;
    unsigned reading = reply.data_byte(0);
    float pressure = Iop_analogue::offset_scaled(reply.data_byte(0));
    cds_set(&store_.head, &store_.body.diagnostics.fans[fan].adc.adc_val, reading);
    cds_set(&store_.head, &store_.body.fans[fan].pressure, pressure);
}

// Liquid pressure in kPa, then the raw pressure reading.
void Comms_logic::handle_liquid(const Packet& reply)
{
    unsigned channel = polled_item_ % 10;
    float kpa = float(be16(reply, 0));
    unsigned reading = reply.data_byte(2);
    cds_set(&store_.head, &store_.body.channels.channels[channel].liquid_pressure, kpa);
    cds_set(&store_.head, &store_.body.diagnostics.liquid_pressure_sensor[channel].adc_val,
            reading);
}

void Comms_logic::handle_monitor(const Packet& reply)
{
    ds_monitor_ecu& monitor = store_.body.monitor_ecus.monitor_ecu[0];
    unsigned char state[4];
    for (unsigned i = 0; i < 4; ++i)
        state[i] = reply.data_byte(i);
    cds_set_array(&store_.head, monitor.monitor_state, state, int(sizeof state));
}

void Comms_logic::handle_nothing(const Packet&) {}

void Comms_logic::handle_head_sensor(const Packet& reply)
{
    ds_monitor_ecus& monitors = store_.body.monitor_ecus;
    switch (reply.command()) {
    case CMD_HEAD_STATE:
        for (unsigned i = 0; i < 3; ++i) {
            bool active = (reply.data_byte(0) >> i) & 1;
            cds_set(&store_.head, &monitors.head_system_active[i], active);
        }
        break;
    case CMD_HEAD_VERSION: {
        ds_version version;
        version.v_major = reply.data_byte(0);
        version.v_minor = reply.data_byte(1);
        version.v_patch = reply.data_byte(2);
        cds_set(&store_.head, &monitors.monitor_ecu[4].version, version);
        break;
    }
    case CMD_CHANNEL:
    case CMD_SECTION: {
        // One bit per input, 20 inputs in three bytes (latched: two bytes, 16).
        unsigned char* inputs = reply.command() == CMD_CHANNEL
                                    ? monitors.monitor_inputs_active
                                    : monitors.monitor_latched_inputs_active;
        unsigned count = reply.command() == CMD_CHANNEL ? 20 : 16;
        unsigned char bits[20] = {};
        for (unsigned i = 0; i < count; ++i)
            bits[i] = (reply.data_byte(i / 8) >> (i % 8)) & 1;
        cds_set_array(&store_.head, inputs, bits, int(sizeof bits));
        break;
    }
    default:
        break;
    }
}

// Bit 0 the case drain switch, bit 1 the ladder switch.
void Comms_logic::handle_aux_inputs(const Packet& reply)
{
    bool case_drain = reply.data_byte(0) & 1;
    bool ladder = (reply.data_byte(0) >> 1) & 1;
    cds_set(&store_.head, &store_.body.diagnostics.case_drain_state, case_drain);
    cds_set(&store_.head, &store_.body.diagnostics.ladder_switch_state, ladder);
}

// "S0n110026:" then the weight and ETX; a weight that does not read as a
// number leaves the last one in place.
void Comms_logic::handle_scale(const Packet& reply)
{
    char text[Packet_interface::PACKET_SIZE + 1] = {};
    unsigned n = 0;
    for (unsigned i = Packet_interface::ASCII_COLON_INDEX + 1;
         i < reply.length && reply.data[i] != Packet_interface::ETX; ++i)
        text[n++] = char(reply.data[i]);
    char* end = nullptr;
    float weight = std::strtof(text, &end);
    if (end == text || !std::isfinite(weight)) // "nan", "inf" and overflows are no weight
        return;
    cds_set(&store_.head,
            &store_.body.operation.calibration_scales[polled_item_ % SCALE_COUNT].gross_weight,
            weight);
}
