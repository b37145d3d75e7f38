// The fixed-size event record that modules send each other.
#pragma once

#include <cstdint>

struct waiter_event {
    // Who sent it or what kind it is: 0 a Diner's stop request (code -1),
    // 1 the anonymous wake-up, 2..1025 free for fixed use, 1026 and up plain
    // ids, -1 and down extended ids (both handed out by module_man).
    short module_id = 0;
    // How many more times a queued record is delivered; only meaningful
    // while it sits in a queue, never copied.
    unsigned short repeat_count = 0;
    uint32_t data = 0;
    // Tells events of one module id apart; often the address of the object
    // the event is about, so it is as wide as a pointer.
    intptr_t code = 0;
    // Optional block owned by the record: a 32-bit byte count followed by
    // the bytes; null when there is none.
    unsigned char* extended_data = nullptr;

    waiter_event() = default;
    waiter_event(short id, uint32_t data_word, intptr_t code_word)
        : module_id(id), data(data_word), code(code_word)
    {
    }
    waiter_event(const waiter_event& other);
    waiter_event& operator=(const waiter_event& other);
    waiter_event(waiter_event&& other) noexcept;
    waiter_event& operator=(waiter_event&& other) noexcept;
    ~waiter_event();

    // The byte count of the extended block, 0 without one.
    unsigned int get_extended_data_len() const;
    // The bytes of the extended block, null without one.
    const unsigned char* get_extended_data() const;
    // Replaces the extended block with a copy of the bytes: 1, or 0 when
    // the record ends up without a block (no bytes, or no memory).
    int set_extended_data(const unsigned char* bytes, unsigned int len);
    void clear_extended_data();

    // Same module id, data and code.
    bool same_as(const waiter_event& other) const
    {
        return module_id == other.module_id && data == other.data && code == other.code;
    }
};
