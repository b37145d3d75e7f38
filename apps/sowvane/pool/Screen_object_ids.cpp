#include "apps/sowvane/pool/Screen_object_ids.h"

#include <cstring>

namespace {

#define SOI_GROUP(group)
#define SOI_ONE(group, field, kind) {#group, #field, 1, VtObjectType##kind, offsetof(Screen_object_ids, group.field)},
#define SOI_MANY(group, field, n, kind) {#group, #field, n, VtObjectType##kind, offsetof(Screen_object_ids, group.field)},
#define SOI_PLAIN(group, field) {#group, #field, 1, screen_field_plain, offsetof(Screen_object_ids, group.field)},
#define SOI_END(group)
constexpr uint32_t VtObjectTypeAny = screen_field_any_object;
const Screen_object_field all_fields[] = {
#include "apps/sowvane/pool/screen_object_ids.def"
};
#undef SOI_GROUP
#undef SOI_ONE
#undef SOI_MANY
#undef SOI_PLAIN
#undef SOI_END

using Record = Screen_object_ids::Record;

const Screen_record_field all_record_fields[] = {
    {"name", &Record::name, VtObjectTypeOutputFieldString},
    {"rate_variable", &Record::rate_variable, VtObjectTypeNumberVariable},
    {"rate_input", &Record::rate_input, VtObjectTypeInputFieldNumber},
    {"preset_1_marker", &Record::preset_1_marker, VtObjectTypeContainer},
    {"preset_2_marker", &Record::preset_2_marker, VtObjectTypeContainer},
    {"active_rect", &Record::active_rect, VtObjectTypeRectangle},
    {"column", &Record::column, VtObjectTypeContainer},
    {"alarm_marker", &Record::alarm_marker, VtObjectTypeContainer},
    {"actual_rate", &Record::actual_rate, VtObjectTypeOutputFieldNumber},
    {"pressure_group", &Record::pressure_group, VtObjectTypeContainer},
    {"pressure", &Record::pressure, VtObjectTypeOutputFieldNumber},
    {"selected_rect", &Record::selected_rect, VtObjectTypeRectangle},
    {"select_button", &Record::select_button, VtObjectTypeButton},
    {"fill_button", &Record::fill_button, VtObjectTypeButton},
    {"remaining", &Record::remaining, VtObjectTypeOutputFieldNumber},
    {"mode_2_group", &Record::mode_2_group, VtObjectTypeContainer},
    {"mode_1_button", &Record::mode_1_button, VtObjectTypeButton},
    {"other_mode_group", &Record::other_mode_group, VtObjectTypeContainer},
    {"mode_2_button", &Record::mode_2_button, VtObjectTypeButton},
    {"initial_rate", &Record::initial_rate, screen_field_plain},
    {"value_2", &Record::value_2, screen_field_plain},
    {"value_3", &Record::value_3, screen_field_plain},
    {"value_4", &Record::value_4, screen_field_plain},
    {"value_5", &Record::value_5, screen_field_plain},
};

bool same_record(const Record& a, const Record& b)
{
    for (const Screen_record_field& f : all_record_fields)
        if (a.*f.member != b.*f.member)
            return false;
    return a.flag == b.flag;
}

} // namespace

// Defined after the field list that its constructor walks.
Screen_object_ids screen_object_ids;

Screen_object_ids::Screen_object_ids()
{
    for (const Screen_object_field& f : all_fields)
        for (uint32_t i = 0; i < f.count; ++i)
            *field(f, i) = f.kind == screen_field_plain ? 0 : VT_NULL_ID;
    for (int i = 0; i < tank_count; ++i)
        tank_records[i] = &records[i];
}

const Screen_object_field* Screen_object_ids::fields(size_t& count)
{
    count = sizeof(all_fields) / sizeof(all_fields[0]);
    return all_fields;
}

uint32_t* Screen_object_ids::field(const Screen_object_field& f, uint32_t index)
{
    if (index >= f.count)
        return nullptr;
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(this) + f.offset) + index;
}

const uint32_t* Screen_object_ids::field(const Screen_object_field& f, uint32_t index) const
{
    return const_cast<Screen_object_ids*>(this)->field(f, index);
}

const Screen_record_field* Screen_object_ids::record_fields(size_t& count)
{
    count = sizeof(all_record_fields) / sizeof(all_record_fields[0]);
    return all_record_fields;
}

bool Screen_object_ids::same_as(const Screen_object_ids& other) const
{
    for (const Screen_object_field& f : all_fields)
        for (uint32_t i = 0; i < f.count; ++i)
            if (*field(f, i) != *other.field(f, i))
                return false;
    for (int i = 0; i < tank_count; ++i)
        if (!same_record(records[i], other.records[i]))
            return false;
    return tank_record_count == other.tank_record_count && reserved_end == other.reserved_end;
}
