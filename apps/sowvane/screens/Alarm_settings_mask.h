// The shape every alarm settings mask shares: three soft keys back to the
// menus, and rows that show and edit the enable or the alarm point of one or
// more alarm records of "PS". A row shows several records as one value (an
// enable is on only when all are; a low point shows the highest threshold,
// a high point the lowest) and an edit writes every record of the row. The
// per-tank masks hide the rows of tanks that are not enabled.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

#include <cstddef>

// One alarm record of a group: element i of an array group, or the single
// record.
using Alarm_ref = NV_kelsu::alarm_t& (*)(NV_kelsu::parameters_t& ps, unsigned i);
#define ALARM_ELEMENT(group)                                                                                     \
    [](NV_kelsu::parameters_t& ps, unsigned i) -> NV_kelsu::alarm_t& { return ps.app.alarms.group[i]; }
#define ALARM_SINGLE(group)                                                                                      \
    [](NV_kelsu::parameters_t& ps, unsigned) -> NV_kelsu::alarm_t& { return ps.app.alarms.group; }

// The object-ID field of a mask's group, as its offset in the table.
#define MASK_FIELD(group, field) (offsetof(Screen_object_ids, group) + offsetof(Screen_object_ids::Group_##group, field))

struct Alarm_setting_row {
    enum kind_t { ENABLE, LOW_POINT, HIGH_POINT };
    enum format_t { NO_FORMAT, FAN_PRESSURE, FAN_SPEED, TANK_PRESSURE };
    size_t field;      // the input list or input number
    kind_t kind;
    Alarm_ref alarm;
    unsigned first;    // first record of the row
    unsigned shown;    // records the shown value is made of
    unsigned written;  // records an edit writes
    format_t format;
};

// A container of a tank's row, hidden while the tank is not enabled.
struct Tank_row_container {
    size_t field;
    unsigned tank;
};

class Alarm_settings_mask : public Data_screen {
public:
    static constexpr int MAX_ROWS = 16;
    static constexpr int KEYS = 3;

    struct Layout {
        size_t data_mask;
        size_t keys[KEYS]; // alarm settings menu, settings menu, main
        const Alarm_setting_row* rows;
        int row_count;
        const Tank_row_container* containers;
        int container_count;
        // Printed on every edit (null: nothing).
        const char* update_line;
    };

    Alarm_settings_mask(const char* name, Screen_man* man, const Layout& layout);
    ~Alarm_settings_mask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    // The value row r shows: 0 or 1 for an enable, the alarm point else.
    double shown(int r) const;
    bool row_hidden(int container) const;

private:
    uint32_t id_of(size_t field) const;
    void load();
    void store(int r);

    const Layout& layout;
    Window::Activator keys[KEYS];
    Stat_list lists[MAX_ROWS];
    Stat_num numbers[MAX_ROWS];
    VT::Container_obj* containers[2 * Screen_object_ids::tank_count] = {};
};

// The rows of one mask per tank 1 to 4.
#define ALARM_PER_TANK(row) row(0), row(1), row(2), row(3)

// The four containers of a per-tank row field.
#define ALARM_TANK_CONTAINERS(group, field)                                                                      \
    {MASK_FIELD(group, field[0]), 0}, {MASK_FIELD(group, field[1]), 1}, {MASK_FIELD(group, field[2]), 2},        \
    {                                                                                                            \
        MASK_FIELD(group, field[3]), 3                                                                           \
    }

// A mask's layout from its rows and containers (arrays; containers may be
// null with a count of 0).
#define ALARM_MASK_LAYOUT(group, rows, containers, container_count, line)                                        \
    {                                                                                                            \
        MASK_FIELD(group, data_mask),                                                                            \
            {MASK_FIELD(group, key_alarm_settings_menu), MASK_FIELD(group, key_settings_menu),                   \
             MASK_FIELD(group, key_main)},                                                                       \
            rows, int(sizeof rows / sizeof rows[0]), containers, container_count, line                           \
    }
