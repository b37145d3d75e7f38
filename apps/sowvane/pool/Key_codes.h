// Key codes that the generated soft keys and buttons report to the masks. The
// same code serves the same navigation on every screen; the comments name the
// labels that carry it.
#pragma once

#include <cstdint>

namespace Key_code {

enum : uint32_t {
    toggle_screen = 1,        // "Toggle"/"Screen", "Diags"/"Screen", "Diags.", "Fill"
    fill = 1,
    preset = 3,
    inc = 4,
    dec = 5,
    master = 6,
    accept = 7,               // "Confirm", "Accept", "Tank"/"ON/Off"
    next = 8,
    cancel = 9,
    history_menu = 10,        // "History"/"Menu", menu button "Seeder"/"History"
    reset_sub_area = 11,
    reset_area = 12,
    manual_speed = 13,
    settings_menu = 14,
    tank_settings = 15,       // "Tank"/"Settings", "Settings"/"Menu" on tank fill, menu button "Tanks"
    seeder_menu = 16,
    main_screen = 17,         // "Main"/"Screen"; "Save"/"All" on the third multi-tank page
    calibrate = 18,
    diagnostics = 19,
    product_settings = 20,    // "Product"/"Settings" on tank calibration, menu button "Products"
    alarms = 21,
    external_options = 22,
    wheel_calibration = 23,
    blocked_head_or_fans = 24,
    width_and_speed = 25,
    fan_alarms = 26,
    shaft_alarms = 27,
    tank_alarms = 28,
    alarms_menu = 29,         // also "Product"/"Settings" and "Clear"/"All" on some pages
    remaining_first = 30,     // + tank index
    setup_first = 34,         // + tank index
    other_alarms = 38,
    pressure_alarms = 39,
    product_first = 40,       // product 1; + product index
    select_first = 54,        // + tank index
    start = 58,
    reset = 59,
    cal_factor = 60,
    totals_history = 61,
    shafts_history = 62,
    fans_history = 63,
    system_info = 65,
    control_settings = 70,
    setup_settings = 71,      // "Setup", "Settings", "Drive Settings"
    tank_preload = 75,
    motor_alarms = 76,
    gear_alarms = 77,
    auto_first = 80,          // + tank index
    manual_first = 84,        // + tank index
    cal_style = 88,
    area_test = 89,
    pause = 90,
    resume = 91,
    inhibit_alarms = 92,
    no_flow_alarms = 93,
    advanced_settings = 94,
    switch_vt = 95,
    factory_reset = 96,
    seeder_brand = 97,
    blocked_head = 98,
    multi_cal = 99,
    back = 100,
    state_off_first = 101,    // red state button; + tank index
    state_on_first = 105,     // green state button; + tank index
    exit = 109,
};

} // namespace Key_code
