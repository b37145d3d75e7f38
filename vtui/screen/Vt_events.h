// The VT's input events as the VT client library posts them: an event id and
// two data words (the waiter event's data and code words).
#pragma once

#include "glue/diner/waiter_event.h"

#include <cstdint>

namespace VT_event {
enum id_t {
    SOFT_KEY_ACTIVATION = 0,
    BUTTON_ACTIVATION = 1,
    POINTING = 2,
    SELECT_INPUT_OBJECT = 3,
    ESC = 4,
    CHANGE_NUMERIC_VALUE = 5,
    CHANGE_ACTIVE_MASK = 6,
    CHANGE_SOFT_KEY_MASK = 7,
    INPUT_STRING_VALUE = 8,
    COMMAND_RESPONSE = 10,
};
} // namespace VT_event

// The two data words of one VT event (no extended data).
struct Vt_event_record {
    uint32_t first = 0;
    uint32_t second = 0;
    Vt_event_record() = default;
    Vt_event_record(uint32_t first, uint32_t second) : first(first), second(second) {}
    explicit Vt_event_record(const waiter_event& e) : first(e.data), second(uint32_t(e.code)) {}
};

// Key and button activation: code (0 released, 1 pressed, 2 held, 3 aborted)
// and key code in the first word, the object id and its parent in the second.
struct Activation_event : Vt_event_record {
    using Vt_event_record::Vt_event_record;
    enum code_t { RELEASED = 0, PRESSED = 1, HELD = 2, ABORTED = 3 };
    unsigned activation_code() const { return first & 0xFF; }
    unsigned key_code() const { return (first >> 8) & 0xFF; }
    unsigned short object_id() const { return uint16_t(second & 0xFFFF); }
};
struct Soft_key_activation_event : Activation_event {
    using Activation_event::Activation_event;
};
struct Button_activation_event : Activation_event {
    using Activation_event::Activation_event;
};

struct VT_select_input_object_event : Vt_event_record {
    using Vt_event_record::Vt_event_record;
    bool selected() const { return (first & 0xFF) != 0; }
    unsigned short object_id() const { return uint16_t(second & 0xFFFF); }
};

// Error code 0: an input was aborted.
struct VT_ESC_event : Vt_event_record {
    using Vt_event_record::Vt_event_record;
    unsigned error_code() const { return first & 0xFF; }
    unsigned short object_id() const { return uint16_t(second & 0xFFFF); }
};

struct VT_change_numeric_value_event : Vt_event_record {
    using Vt_event_record::Vt_event_record;
    unsigned short object_id() const { return uint16_t(first & 0xFFFF); }
    uint32_t value() const { return second; }
    void set(unsigned short id, uint32_t value)
    {
        first = id;
        second = value;
    }
};

// The text travels as the event's extended data; the record keeps a view.
struct Input_string_value_event : Vt_event_record {
    Input_string_value_event() = default;
    explicit Input_string_value_event(const waiter_event& e)
        : Vt_event_record(e), text(reinterpret_cast<const char*>(e.get_extended_data())),
          length(e.get_extended_data_len())
    {
    }
    unsigned short object_id() const { return uint16_t(first & 0xFFFF); }
    const char* text = nullptr;
    unsigned length = 0;
};
