// The screen object-ID table: the contract between the pool generator and the
// masks. The generator records here the object ID of every generated object
// that a mask shows, hides, fills, edits or receives events from; each mask
// finds its objects here, never by a fixed ID. 65535 means no object.
//
// The fields are named once, in screen_object_ids.def; the groups, the
// defaults and the field list for checks are expanded from it.
#pragma once

#include "vt_object_model/VtObject.h"

#include <cstddef>
#include <cstdint>

// Object type a field may name when it names an object of no fixed type, and
// the marker of a field that is no object ID at all.
constexpr uint32_t screen_field_any_object = 1000;
constexpr uint32_t screen_field_plain = 1001;

struct Screen_object_field {
    const char* group;
    const char* name;
    uint32_t count;
    // VtObjectType the field must name, screen_field_any_object or
    // screen_field_plain.
    uint32_t kind;
    // Offset of element 0 from the start of the table.
    size_t offset;
};

struct Screen_record_field;

struct Screen_object_ids {
    // One product row of the run screen.
    struct Record {
        uint32_t name = VT_NULL_ID;
        uint32_t rate_variable = VT_NULL_ID;
        uint32_t rate_input = VT_NULL_ID;
        uint32_t preset_1_marker = VT_NULL_ID;
        uint32_t preset_2_marker = VT_NULL_ID;
        uint32_t active_rect = VT_NULL_ID;
        uint32_t column = VT_NULL_ID;
        uint32_t alarm_marker = VT_NULL_ID;
        uint32_t actual_rate = VT_NULL_ID;
        uint32_t pressure_group = VT_NULL_ID;
        uint32_t pressure = VT_NULL_ID;
        uint32_t selected_rect = VT_NULL_ID;
        uint32_t select_button = VT_NULL_ID;
        uint32_t fill_button = VT_NULL_ID;
        uint32_t remaining = VT_NULL_ID;
        uint32_t mode_2_group = VT_NULL_ID;
        uint32_t mode_1_button = VT_NULL_ID;
        uint32_t other_mode_group = VT_NULL_ID;
        uint32_t mode_2_button = VT_NULL_ID;
        // Initial value of the rate variable (11.0 with the rate's scale).
        uint32_t initial_rate = 110;
        uint32_t value_2 = 300;
        uint32_t value_3 = 500;
        uint32_t value_4 = 10;
        uint32_t value_5 = 10;
        bool flag = false;
    };

    static constexpr int tank_count = 4;
    // The characters of a product's name that the product settings menu
    // shows (and its name fields hold).
    static constexpr int product_name_shown = 19;
    // The characters of a product's or tank's name the settings keep.
    static constexpr int name_length = 20;

    Screen_object_ids();
    Screen_object_ids(const Screen_object_ids&) = delete;
    Screen_object_ids& operator=(const Screen_object_ids&) = delete;

#define SOI_GROUP(group) struct Group_##group {
#define SOI_ONE(group, field, kind) uint32_t field;
#define SOI_MANY(group, field, n, kind) uint32_t field[n];
#define SOI_PLAIN(group, field) uint32_t field;
#define SOI_END(group)                                                                                             \
    }                                                                                                              \
    group;
#include "apps/sowvane/pool/screen_object_ids.def"
#undef SOI_GROUP
#undef SOI_ONE
#undef SOI_MANY
#undef SOI_PLAIN
#undef SOI_END

    Record* tank_records[tank_count];
    Record records[tank_count];
    uint32_t tank_record_count = tank_count;
    uint32_t reserved_end = 0;

    // Every object-ID field of the groups, in record order.
    static const Screen_object_field* fields(size_t& count);
    // The field's element `index`, or null past its count.
    uint32_t* field(const Screen_object_field& field, uint32_t index);
    const uint32_t* field(const Screen_object_field& field, uint32_t index) const;
    // Every numeric field of a tank record, object IDs first.
    static const Screen_record_field* record_fields(size_t& count);
    // Every field of the groups, the records and the trailer equal.
    bool same_as(const Screen_object_ids& other) const;
};

struct Screen_record_field {
    const char* name;
    uint32_t Screen_object_ids::Record::*member;
    uint32_t kind;
};

// The one table of the process, filled by build_seeder_pool at start-up and
// only read afterwards.
extern Screen_object_ids screen_object_ids;
