#include "apps/sowvane/screens/Alarm_settings_mask.h"

#include <algorithm>
#include <cstring>

namespace {

struct Point_format {
    Stat_num_format metric, imperial;
    double max;
};

// By Alarm_setting_row::format_t.
const Point_format point_formats[] = {
    {{Units_man::UNITS_NONE, 1.0, 0}, {Units_man::UNITS_NONE, 1.0, 0}, 0.0},
    {{Units_man::UNITS_PRESSURE, 0.1, 1}, {Units_man::UNITS_PRESSURE, 0.01, 2}, 100.0},
    {{Units_man::UNITS_NONE, 0.1, 1}, {Units_man::UNITS_NONE, 0.1, 1}, 20000.0},
    {{Units_man::UNITS_PRESSURE, 0.1, 1}, {Units_man::UNITS_PRESSURE, 0.01, 2}, 10000.0},
};

const char* const key_targets[Alarm_settings_mask::KEYS] = {"alarm_settings_menu", "settings_menu", "main"};

} // namespace

Alarm_settings_mask::Alarm_settings_mask(const char* name, Screen_man* man, const Layout& layout)
    : Data_screen(name, man), layout(layout)
{
}

Alarm_settings_mask::~Alarm_settings_mask() = default;

uint32_t Alarm_settings_mask::id_of(size_t field) const
{
    uint32_t id;
    std::memcpy(&id, reinterpret_cast<const char*>(&mask_ids()) + field, sizeof id);
    return id;
}

bool Alarm_settings_mask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!bind_data_mask(*this, p, params, id_of(layout.data_mask)))
        return false;
    for (int k = 0; k < KEYS; ++k)
        keys[k].init(this, (unsigned short)id_of(layout.keys[k]), VT::Object_pool::NULL_ID);
    for (int r = 0; r < layout.row_count && r < MAX_ROWS; ++r) {
        const Alarm_setting_row& row = layout.rows[r];
        if (row.kind == Alarm_setting_row::ENABLE) {
            if (auto* list = find_pool_object<VT::Input_list_obj>(p, id_of(row.field)))
                lists[r].init(&stats, list, nullptr, p, false);
            continue;
        }
        auto* in = find_pool_object<VT::Input_number_obj>(p, id_of(row.field));
        if (in == nullptr)
            continue;
        const Point_format& f = point_formats[row.format];
        numbers[r].init(&stats, in, SETTING_UPDATE_MS, f.metric, f.imperial, nullptr,
                        Stat_num::RAW_MAX, 0, p, nullptr);
        numbers[r].set_range(0.0, f.max);
        numbers[r].set_editable(true);
    }
    for (int c = 0; c < layout.container_count && c < 2 * Screen_object_ids::tank_count; ++c)
        containers[c] = find_pool_object<VT::Container_obj>(p, id_of(layout.containers[c].field));
    return true;
}

double Alarm_settings_mask::shown(int r) const
{
    if (parameters == nullptr || r < 0 || r >= layout.row_count)
        return 0.0;
    const Alarm_setting_row& row = layout.rows[r];
    if (row.kind == Alarm_setting_row::ENABLE) {
        bool all = true;
        for (unsigned i = row.first; i < row.first + row.shown; ++i)
            all = all && row.alarm(*parameters, i).enabled.get();
        return all ? 1.0 : 0.0;
    }
    double v = row.alarm(*parameters, row.first).threshold.get();
    for (unsigned i = row.first + 1; i < row.first + row.shown; ++i) {
        const double t = row.alarm(*parameters, i).threshold.get();
        v = row.kind == Alarm_setting_row::LOW_POINT ? std::max(v, t) : std::min(v, t);
    }
    return v;
}

void Alarm_settings_mask::load()
{
    for (int r = 0; r < layout.row_count && r < MAX_ROWS; ++r) {
        if (layout.rows[r].kind == Alarm_setting_row::ENABLE)
            lists[r].set_item((unsigned short)shown(r));
        else
            numbers[r].set_val(shown(r));
    }
}

void Alarm_settings_mask::post_snapshot_init()
{
    load();
    send_val_updates(false);
}

bool Alarm_settings_mask::row_hidden(int c) const
{
    return c >= 0 && c < layout.container_count && containers[c] != nullptr && containers[c]->get_hidden();
}

bool Alarm_settings_mask::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    for (int c = 0; c < layout.container_count; ++c) {
        const Tank_row_container& row = layout.containers[c];
        if (containers[c] == nullptr || !index_in_range("alarm row tank", long(row.tank), 10))
            continue;
        const bool hide = !parameters->app.channels[row.tank].enabled.get();
        if (containers[c]->get_hidden() != hide)
            containers[c]->set_hidden(hide);
    }
    return ok;
}

void Alarm_settings_mask::store(int r)
{
    const Alarm_setting_row& row = layout.rows[r];
    for (unsigned i = row.first; i < row.first + row.written; ++i) {
        NV_kelsu::alarm_t& alarm = row.alarm(*parameters, i);
        if (row.kind == Alarm_setting_row::ENABLE)
            alarm.enabled.set(lists[r].get_item() != 0);
        else
            alarm.threshold.set(float(numbers[r].get_stat_val()));
    }
}

bool Alarm_settings_mask::handle_stat_update(Stat* s)
{
    if (layout.update_line != nullptr)
        std::printf("%s", layout.update_line);
    if (parameters == nullptr)
        return false;
    for (int r = 0; r < layout.row_count && r < MAX_ROWS; ++r) {
        if (s == &lists[r] || s == &numbers[r]) {
            store(r);
            break;
        }
    }
    return false;
}

bool Alarm_settings_mask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    for (int k = 0; k < KEYS; ++k) {
        if (&a == &keys[k]) {
            get_man()->switch_to_screen(key_targets[k]);
            break;
        }
    }
    return true;
}
