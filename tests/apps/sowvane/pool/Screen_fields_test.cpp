// Per screen, the fields it must hold (titles and labels, number limits,
// scale and decimals, list elements, key codes), checked against the objects
// of the generated pool at the start-up size of 240 x 240.
#include "Generated_pool.h"

#include "tests/support/pool/Whole_pool_check.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ScreenFieldsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pool = new Generated_pool(); }
    static void TearDownTestSuite()
    {
        delete pool;
        pool = nullptr;
    }
    static const Screen_object_ids& ids() { return *pool->table; }

    static Generated_pool* pool;
};

Generated_pool* ScreenFieldsTest::pool = nullptr;

using Strings = std::vector<std::string>;

// A product's name placeholder: padded to the 19 characters its field holds.
std::string padded_name(const std::string& text)
{
    return text.size() < 19 ? text + std::string(19 - text.size(), ' ') : text;
}

struct Label_row {
    uint32_t mask;
    Strings texts;
};

TEST_F(ScreenFieldsTest, ScreensShowTheirTitlesAndLabels)
{
    const Screen_object_ids& t = ids();
    const Label_row rows[] = {
        {t.tank_fill_mask.data_mask, {"Tank Fill", "Volume", "INC/DEC"}},
        {t.actuator_diagnostics.data_mask, {"Diagnostics", "Ground Spd", "Fan ADC", "Shaft4", "Bin 2 Lev", "Empty", "Full"}},
        {t.diagnostics2.data_mask, {"Diagnostics", "Press. 1", "Press. 4"}},
        {t.blocked_head_diags_mask.data_mask, {"Blocked Head Data", "In 8..1", "In 32..25", "00000000"}},
        {t.system_info_mask.data_mask, {"System Info", "Tarnveldt Firmware", "TOLVA Firmware", "012345678901"}},
        {t.settings_menu.data_mask, {"Settings Menu", "Seeder", "Products", "Alarms", "Area", "Test", "Advanced"}},
        {t.operating_history_menu_mask.data_mask, {"Operating History Menu", "Totals", "Shafts", "Fan", "History"}},
        {t.seeder_settings_menu.data_mask, {"Seeder Settings Menu", "Tanks", "External", "Wheel", "Cal.", "Fans",
                                            "Width", "Brand", "Blocked", "Head", "Tank", "Preload"}},
        {t.product_settings_menu.data_mask, {"Product Settings Menu", padded_name("PROD1"), "Tank1",
                                              padded_name("PROD16"), "Tank16"}},
        {t.alarm_settings_menu.data_mask, {"Alarm Settings Menu", "Motor", "Gear", "Pressure", "No Flow", "Other"}},
        {t.tank_settings_mask.data_mask, {"Tank Settings", "Tanks", "Cap.", "Type", "Drive", "Setup1", "Setup4"}},
        {t.tank_preload_settings_mask.data_mask, {"Tank Preload Settings", "Preload Time", "sec"}},
        {t.actuator_drive_settings_mask.data_mask, {"Tank", "Actuator Drive Settings", "Encoder Teeth", "Clutch", "Style"}},
        {t.electric_drive_settings_mask.data_mask, {"Electric Drive Settings", "Motor Selection", "Gear Ratio",
                                                    "Pulses/Rev", "Min Motor RPM", "Max Motor RPM", "Soft Start",
                                                    "Shaft Sensor", "Shaft Pulses/Rev"}},
        {t.prop_valve_drive_settings_mask.data_mask, {"PValve Drive Settings", "Encoder Pulses/Rev", "Min Shaft RPM",
                                                      "Max Shaft RPM", "Control Settings"}},
        {t.prop_valve_control_settings_mask.data_mask, {"PValve Control Settings", "Add Dither", "Min PWM", "Max PWM",
                                                        "Controller Resp", "Dump Valve", "Drive Settings"}},
        {t.liquid_prop_valve_settings_mask.data_mask, {"Liquid/NH3 Settings", "Pressure Sense", "Num Nozzles",
                                                       "Control Settings", "Setup"}},
        {t.liquid_prop_valve_control_settings_mask.data_mask, {"PValve Control Settings", "Settings"}},
        {t.liquid_reg_valve_control_settings_mask.data_mask, {"RValve Control Settings", "Sensitivity", "Controller",
                                                              "Mode", "PWM Setting", "Close Valve", "When Off",
                                                              "Min On Time", "Reverse Valve", "Max On Time",
                                                              "Relay On", "Gain Setting", "Settings"}},
        {t.wheel_calibration_settings_mask.data_mask, {"Wheel Calibration Settings", "Wheel Factor", "/pulse"}},
        {t.wheel_calibration_mask.data_mask, {"Wheel Calibration", "Wheel Factor", "Pulses", "Estimated", "Distance"}},
        {t.width_and_speed_settings_mask.data_mask, {"Width And Speed Settings", "Width", "Manual Speed", "Speed Source"}},
        {t.totals_history_mask.data_mask, {"Totals History", "Total Area", "Total Distance", "Total Time", "Max. Speed",
                                           "Tank 1 Total", "Tank 4 Total"}},
        {t.shafts_history_mask.data_mask, {"Shafts History", "Shaft1 max speed", "Shaft4 max speed"}},
        {t.fans_history_mask.data_mask, {"Fans History", "EditFan", "Fan Max Speed", "Fan Max Press", "Fan Avg Speed",
                                         "Fan Avg Press"}},
        {t.external_options_mask.data_mask, {"External Options", "Cabin Switch Box", "Master Clutch",
                                             "Ext. Master Switch", "Actuator Cal Style", "Cal Switch Box", "Cal Drive"}},
        {t.fan_settings_mask.data_mask, {"Fan Settings", "NumFans", "Fan 1 Press.", "Sense/Gain", "Fan 2 Magnets",
                                         "Case Drain Sensor", "Fan 2 Use As Pump"}},
        {t.product_settings_mask.data_mask, {"Product Settings", "Product Name", "Tank Number", "Density",
                                             "Preset Rate 1", "Cal. Factor", "Preset Rate 2", "INC/DEC", "Cal Factor"}},
        {t.tank_calibration_settings_mask.data_mask, {"Tank Calibration Settings", "Product Name", "Tank Number",
                                                      "Set Rate", "Actuator Extension", "Revs   ", "Estimated Weight",
                                                      "Cal. Factor", "Weight", "pulses/gal"}},
        {t.area_test_mask.data_mask, {"Area Test", "Required Area", "Area Covered", "Tank 1", "Tank 4"}},
        {t.fan_alarms_mask.data_mask, {"Fan Alarms", "Fan Press. Low", "Fan Press. High", "Fan Speed Low",
                                       "Fan Speed High", "Alarm Point"}},
        {t.tank_alarms_mask.data_mask, {"Tank Alarms", "Tank 1 Low", "Tank 4 Empty"}},
        {t.shaft_alarms_mask.data_mask, {"Shaft Alarms", "Shaft 1 Stopped", "Shaft 4 Stopped"}},
        {t.other_alarms_mask.data_mask, {"Other Alarms", "Tank Off", "Alternative Rate", "Case Drain", "Blocked Head"}},
        {t.tank_motor_alarms_mask.data_mask, {"Tank Motor Alarms", "Tank 2 Motor Sensor", "Tank 3 Motor Jam"}},
        {t.tank_gear_alarms_mask.data_mask, {"Tank Gear Alarms", "Tank Gear 1", "Tank Gear 4"}},
        {t.tank_pressure_alarms_mask.data_mask, {"Tank Pressure Alarms", "Tank 1 Press. Low", "Tank 4 Press. High"}},
        {t.no_flow_alarms_mask.data_mask, {"No Flow Alarms", "No Flow", "All Tanks Off", "No Ground Speed",
                                           "No Fan Speed", "No Fan Pressure"}},
        {t.advanced_settings_mask.data_mask, {"Advanced Settings", "Enable TC", "Enable TC Boom", "Switch", "VT",
                                              "Factory", "Reset"}},
        {t.factory_reset_mask.data_mask, {"Confirm Factory Reset", "Settings return to defaults;",
                                          "totals, areas, volumes,", "operating times and", "history are kept.",
                                          "Reset ECU to defaults?"}},
        {t.seeder_brand_mask.data_mask, {"Seeder Brand"}},
        {t.blocked_head_settings_mask.data_mask, {"Blocked Head Settings", "Monitoring", "Sensor Type",
                                                  "Number of Sensors", "Head Systems", "Enabled Heads",
                                                  "1st Fert Sensor"}},
        {t.multi_tank_cal_1_mask.data_mask, {"Product", "Target", "Revs", "Est.", "Weight", "Load", "OFF", "ON"}},
        {t.multi_tank_cal_2_mask.data_mask, {"Product", "Est.", "Act.", "Weight"}},
        {t.multi_tank_cal_3_mask.data_mask, {"Product", "Old", "New", "Cal", "Diff", "Status", "IGNORE", "SAVE",
                                             "kg/rev"}},
    };
    for (const Label_row& row : rows) {
        const Strings shown = pool->texts_under(row.mask);
        for (const std::string& text : row.texts)
            EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end())
                << "mask " << row.mask << " lacks \"" << text << "\"";
    }
}

struct Number_row {
    const char* what;
    uint32_t oid;
    uint32_t min;
    uint32_t max;
    double scale;
    uint32_t decimals;
};

TEST_F(ScreenFieldsTest, NumberInputsCarryTheirLimitsAndFormat)
{
    const Screen_object_ids& t = ids();
    std::vector<Number_row> rows = {
        {"preload time", t.tank_preload_settings_mask.preload_time_input, 0, 5, 0.1, 1},
        {"width", t.width_and_speed_settings_mask.width_input, 0, 100000, 0.001, 3},
        {"manual speed", t.width_and_speed_settings_mask.manual_speed_input, 0, 1000, 0.1, 1},
        {"wheel factor", t.wheel_calibration_settings_mask.wheel_factor_input, 0, 1000, 0.1, 1},
        {"encoder teeth", t.actuator_drive_settings_mask.encoder_teeth, 8, 255, 1.0, 0},
        {"gear ratio", t.electric_drive_settings_mask.gear_ratio, 0, 999, 1.0, 0},
        {"pulses/rev", t.electric_drive_settings_mask.pulses_rev, 0, 999, 1.0, 0},
        {"max motor rpm", t.electric_drive_settings_mask.max_motor_rpm, 0, 999, 1.0, 0},
        {"min shaft rpm", t.prop_valve_drive_settings_mask.min_shaft_rpm, 0, 999, 1.0, 0},
        {"nozzles", t.liquid_prop_valve_settings_mask.num_nozzles, 0, 999, 1.0, 0},
        {"number of sensors", t.blocked_head_settings_mask.num_sensors_input, 0, 999, 1.0, 0},
        {"first fert sensor", t.blocked_head_settings_mask.first_fert_sensor_input, 0, 999, 1.0, 0},
        {"density", t.product_settings_mask.density_input, 0, 999, 1.0, 0},
        {"inc/dec", t.product_settings_mask.inc_dec_input, 0, 999, 1.0, 0},
        {"product factor", t.product_settings_mask.factor_input, 0, 999, 1.0, 0},
        {"fan pressure low", t.fan_alarms_mask.pressure_low_input, 0, 999, 1.0, 0},
        {"fan speed high", t.fan_alarms_mask.speed_high_input, 0, 999, 1.0, 0},
    };
    for (int i = 0; i < 4; ++i) {
        rows.push_back({"capacity", t.tank_settings_mask.capacity_input[i], 0, 999990, 0.1, 1});
        rows.push_back({"tank pressure low", t.tank_pressure_alarms_mask.low_input[i], 0, 999, 1.0, 0});
        rows.push_back({"tank pressure high", t.tank_pressure_alarms_mask.high_input[i], 0, 999, 1.0, 0});
        rows.push_back({"tank fill volume", t.tank_fill_mask.remaining_input[i], 0, 1000, 0.1, 1});
    }
    for (int fan = 0; fan < 2; ++fan)
        rows.push_back({"magnets", t.fan_settings_mask.magnets_input[fan], 0, 10, 1.0, 0});
    for (const Number_row& row : rows) {
        VtObjectInputFieldNumber& input = pool->get<VtObjectInputFieldNumber>(row.oid);
        EXPECT_EQ(input.getMinValue(), row.min) << row.what;
        EXPECT_EQ(input.getMaxValue(), row.max) << row.what;
        EXPECT_FLOAT_EQ(float(input.getScale()), float(row.scale)) << row.what;
        EXPECT_EQ(input.getNumberOfDecimals(), row.decimals) << row.what;
        EXPECT_TRUE(input.getEnabled()) << row.what;
        EXPECT_NE(input.getScale(), 0.0) << row.what << ": a scale of 0 shows nothing";
    }
}

struct List_row {
    const char* what;
    uint32_t oid;
    Strings items;
    uint32_t selected;
};

TEST_F(ScreenFieldsTest, ListsOfferTheirElements)
{
    const Screen_object_ids& t = ids();
    const Strings enable = {"Disabled", "Enabled"};
    std::vector<List_row> rows = {
        {"speed source", t.width_and_speed_settings_mask.speed_source_list,
         {"GPS", "Wheel", "TQ-9", "Manual", "ISO Wheel", "ISO Radar", "NMEA2000"}, 1},
        {"ext master switch", t.external_options_mask.ext_master_switch_list,
         {"Disabled", "Switchbox", "Tillage", "TQ-9"}, 0},
        {"cal switch box", t.external_options_mask.cal_switch_box_list, {"Disabled", "Run/Stop", "Multi-Tank"}, 0},
        {"cal drive", t.external_options_mask.cal_drive_list, {"Disabled", "Drive 1", "Drive 2", "Drive 3", "Drive 4"}, 0},
        {"actuator cal style", t.external_options_mask.actuator_cal_style_list, {"Stationary", "Rolling"}, 0},
        {"brand", t.seeder_brand_mask.brand_list,
         {"Generic", "Northgate", "Kestrel", "Plainline", "Harrowby", "Dunmore", "Talbot"}, 0},
        {"sensor type", t.blocked_head_settings_mask.sensor_type_list, {"Vormek", "Sentrix"}, 0},
        {"enabled heads", t.blocked_head_settings_mask.enabled_heads_list, {"Seed + Fert", "Seed Only", "Fert Only"}, 0},
        {"head systems", t.blocked_head_settings_mask.head_systems_list, {"Single Shoot", "Double Shoot"}, 0},
        {"enable tc", t.advanced_settings_mask.enable_tc_list, enable, 0},
        {"actuator style", t.actuator_drive_settings_mask.style, {"Geartek", "Northgate", "Generic"}, 0},
        {"motor selection", t.electric_drive_settings_mask.motor_selection, {"Two pulse", "Four pulse", "Other"}, 0},
        {"min pwm", t.prop_valve_control_settings_mask.min_pwm, {"5%", "10%", "15%", "20%", "25%", "30%", "35%", "40%"}, 0},
        {"max pwm", t.liquid_prop_valve_control_settings_mask.max_pwm,
         {"100%", "95%", "90%", "85%", "80%", "75%", "70%", "65%"}, 0},
        {"controller resp", t.prop_valve_control_settings_mask.controller_resp,
         {"Fastest", "Medium Fast", "Medium Slow", "Slowest"}, 0},
        {"dump valve", t.prop_valve_control_settings_mask.dump_valve, {"Disabled", "Enabled", "Reversed"}, 0},
        {"controller mode", t.liquid_reg_valve_control_settings_mask.controller_mode,
         {"Standard", "Flowmark", "Sentrix", "Ardent"}, 0},
        {"sensitivity", t.liquid_reg_valve_control_settings_mask.sensitivity, {"Standard", "Reduced"}, 0},
        {"pwm setting 3", t.liquid_reg_valve_control_settings_mask.pwm_setting[2], {"60%", "55%", "50%", "45%"}, 0},
        {"min on time 1", t.liquid_reg_valve_control_settings_mask.min_on_time[0], {"8 ms", "4 ms", "2 ms", "1 ms"}, 0},
        {"max on time 2", t.liquid_reg_valve_control_settings_mask.max_on_time[1], {"64 s", "56 s", "48 s", "40 s"}, 0},
        {"gain 4", t.liquid_reg_valve_control_settings_mask.gain_setting[3],
         {"4.8 ms/%", "4.0 ms/%", "3.2 ms/%", "2.4 ms/%"}, 0},
        {"enabled tanks", t.tank_settings_mask.enabled_tanks_list, {"  1  ", "  2  ", "  3  ", "  4  "}, 0},
        {"tank type", t.tank_settings_mask.tank_type_list[2], {"Granular", "Liquid", "NH3"}, 0},
        {"granular drive", t.tank_settings_mask.granular_drive_list[0], {"Electric", "Actuator", "P. Valve"}, 0},
        {"liquid drive", t.tank_settings_mask.liquid_drive_list[3], {"RegValve", "P. Valve"}, 0},
        {"fans", t.fan_settings_mask.enabled_fans_list, {"1", "2"}, 0},
        {"fan gain", t.fan_settings_mask.pressure_gain_list[1], {"1", "2"}, 0},
        {"fan history", t.fans_history_mask.fan_list, {"1", "2"}, 0},
        {"product tank", t.product_settings_mask.tank_list, {"1", "2", "3", "4", "OFF"}, 0},
    };
    const uint32_t alarm_lists[] = {
        t.fan_alarms_mask.pressure_low_list, t.fan_alarms_mask.speed_high_list,  t.tank_alarms_mask.empty_list[3],
        t.shaft_alarms_mask.enable_list[0],  t.other_alarms_mask.blocked_head_list, t.tank_motor_alarms_mask.jam_list[1],
        t.tank_gear_alarms_mask.enable_list[2], t.tank_pressure_alarms_mask.high_list[3],
        t.no_flow_alarms_mask.no_fan_pressure_list, t.fan_settings_mask.pump_list, t.actuator_drive_settings_mask.clutch,
    };
    for (uint32_t list : alarm_lists)
        rows.push_back({"enable list", list, enable, 0});
    for (const List_row& row : rows) {
        EXPECT_EQ(pool->items_of(row.oid), row.items) << row.what;
        EXPECT_EQ(pool->get<VtObjectInputFieldList>(row.oid).getValue(), row.selected) << row.what;
        EXPECT_TRUE(pool->get<VtObjectInputFieldList>(row.oid).getEnabled()) << row.what;
    }
    // List element IDs the masks rename.
    EXPECT_EQ(pool->items_of(t.width_and_speed_settings_mask.speed_source_list)[6], "NMEA2000");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(t.width_and_speed_settings_mask.speed_source_item[6])
                     .getValue()
                     .c_str(),
                 "NMEA2000");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(t.external_options_mask.cal_drive_item[4]).getValue().c_str(),
                 "Drive 4");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(t.seeder_brand_mask.brand_items[6]).getValue().c_str(), "Talbot");
}

TEST_F(ScreenFieldsTest, MenuButtonsReportTheirCodes)
{
    const Screen_object_ids& t = ids();
    const std::pair<uint32_t, uint32_t> buttons[] = {
        {t.settings_menu.seeder_button, 16},
        {t.settings_menu.area_test_button, 89},
        {t.settings_menu.advanced_settings_button, 94},
        {t.seeder_settings_menu.blocked_head_button, 24},
        {t.seeder_settings_menu.fans_button, 24},
        {t.seeder_settings_menu.tank_preload_button, 75},
        {t.seeder_settings_menu.operating_history_button, 10},
        {t.seeder_settings_menu.seeder_brand_button, 97},
        {t.alarm_settings_menu.no_flow_alarms_button, 93},
        {t.alarm_settings_menu.tank_gear_alarms_button, 77},
        {t.operating_history_menu_mask.fans_button, 63},
        {t.product_settings_menu.product_button[0], 40},
        {t.product_settings_menu.product_button[15], 55},
        {t.advanced_settings_mask.vt_switch_button, 95},
        {t.advanced_settings_mask.factory_reset_button, 96},
        {t.prop_valve_drive_settings_mask.control_settings_button, 70},
        {t.prop_valve_control_settings_mask.drive_settings_button, 71},
        {t.liquid_prop_valve_settings_mask.control_settings_button, 71},
        {t.liquid_reg_valve_control_settings_mask.liquid_settings_button, 71},
        {t.product_settings_mask.calibrate_button, 60},
    };
    for (const auto& button : buttons)
        EXPECT_EQ(pool->get<VtObjectButton>(button.first).getKeyCode(), button.second) << button.first;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pool->get<VtObjectButton>(t.tank_settings_mask.setup_button[i]).getKeyCode(), uint32_t(34 + i));
    // A product's name field holds the 19 characters the menu shows of a
    // name, wrapped over the lines of its button.
    EXPECT_EQ(pool->texts_in(t.product_settings_menu.product_button[15]),
              (Strings{padded_name("PROD16"), "Tank16"}));
    EXPECT_EQ(pool->get<VtObjectOutputFieldString>(t.product_settings_menu.product_name[15]).getOptions() & 2, 2u);
    EXPECT_EQ(pool->texts_in(t.prop_valve_control_settings_mask.drive_settings_button), Strings{"Drive Settings"});
    EXPECT_EQ(pool->texts_in(t.liquid_prop_valve_control_settings_mask.drive_settings_button), Strings{"Settings"});

    // The preload button shows only through its pointer.
    EXPECT_EQ(pool->get<VtObjectPointer>(t.seeder_settings_menu.tank_preload_pointer).getValue(),
              t.seeder_settings_menu.tank_preload_button);
    // The operating history menu's fourth band holds four empty columns.
    VtObjectDataMask& history = pool->get<VtObjectDataMask>(t.operating_history_menu_mask.data_mask);
    VtObjectContainer& band = pool->get<VtObjectContainer>(history.getChilds().at(4)->oid);
    int columns = 0;
    for (uint32_t i = 0; i < band.getChilds().size(); ++i)
        if (auto* column = dynamic_cast<VtObjectContainer*>(pool->objects.find_object(band.getChilds().at(i)->oid))) {
            ++columns;
            EXPECT_EQ(column->getChilds().size(), 0u);
        }
    EXPECT_EQ(columns, 4);
}

TEST_F(ScreenFieldsTest, EverySoftKeyReportsItsCode)
{
    const Screen_object_ids& t = ids();
    const std::pair<uint32_t, uint32_t> keys[] = {
        {t.settings_menu.key_main, 17},
        {t.alarm_settings_menu.key_inhibit_alarms, 92},
        {t.product_settings_menu.key_multi_tank_cal, 99},
        {t.fan_alarms_mask.key_alarm_settings_menu, 29},
        {t.no_flow_alarms_mask.key_settings_menu, 14},
        {t.electric_drive_settings_mask.key_tank_settings, 15},
        {t.liquid_reg_valve_control_settings_mask.key_seeder_settings_menu, 16},
        {t.wheel_calibration_settings_mask.key_calibrate, 18},
        {t.totals_history_mask.key_operating_history_menu, 10},
        {t.system_info_mask.key_actuator_diagnostics, 1},
        {t.blocked_head_diags_mask.key_system_info, 65},
        {t.diagnostics2.key_actuator_diagnostics, 1},
        {t.factory_reset_mask.key_confirm, 7},
        {t.factory_reset_mask.key_cancel, 9},
        {t.wheel_calibration_mask.key_start, 58},
        {t.wheel_calibration_mask.key_cancel, 9},
        {t.area_test_mask.key_pause, 90},
        {t.area_test_mask.key_resume, 91},
        {t.area_test_mask.key_reset, 59},
        {t.tank_calibration_settings_mask.key_preset, 88},
        {t.tank_calibration_settings_mask.key_back, 20},
        {t.product_settings_mask.key_product_settings_menu, 29},
        {t.multi_tank_cal_1_mask.key_product_settings_menu, 29},
        {t.multi_tank_cal_1_mask.key_master, 6},
        {t.multi_tank_cal_1_mask.key_style, 88},
        {t.multi_tank_cal_2_mask.key_cancel, 9},
        {t.multi_tank_cal_3_mask.key_ignore_all, 29},
        {t.multi_tank_cal_3_mask.key_accept_all, 17},
        {t.multi_tank_cal_3_mask.key_save, 109},
        {t.multi_tank_cal_3_mask.key_back, 100},
        {t.actuator_diagnostics.key_blocked_head, 98},
        {t.actuator_diagnostics.key_pressures, 1},
    };
    for (const auto& key : keys)
        EXPECT_EQ(pool->get<VtObjectKey>(key.first).getKeyCode(), key.second) << key.first;
    EXPECT_EQ(pool->texts_in(t.multi_tank_cal_3_mask.key_accept_all), (Strings{"Save", "All"}));
}

TEST_F(ScreenFieldsTest, StepScreensStartWithNothingSwitchedIn)
{
    const Screen_object_ids& t = ids();
    const auto& cal = t.tank_calibration_settings_mask;
    for (uint32_t slot : {cal.start_key_slot, cal.next_key_slot, cal.cancel_key_slot, cal.accept_key_slot,
                          cal.preset_key_slot, cal.back_key_slot, cal.factor_pointer, cal.weight_pointer,
                          t.area_test_mask.target_area_pointer, t.wheel_calibration_mask.distance_pointer})
        EXPECT_EQ(pool->get<VtObjectPointer>(slot).getValue(), VT_NULL_ID) << slot;
    for (uint32_t slot : t.multi_tank_cal_1_mask.key_slot)
        EXPECT_EQ(pool->get<VtObjectPointer>(slot).getValue(), VT_NULL_ID);
    for (uint32_t slot : t.multi_tank_cal_3_mask.key_slot)
        EXPECT_EQ(pool->get<VtObjectPointer>(slot).getValue(), VT_NULL_ID);
    EXPECT_TRUE(pool->get<VtObjectContainer>(cal.rate_row).getHidden());
    EXPECT_FALSE(pool->get<VtObjectContainer>(cal.preset_row).getHidden());
    for (uint32_t row : t.area_test_mask.tank_row)
        EXPECT_FALSE(pool->get<VtObjectContainer>(row).getHidden());

    // The collected and the estimated weight share one unit text.
    EXPECT_EQ(pool->get<VtObjectOutputFieldNumber>(cal.weight_output).getVariableReference(), cal.weight_variable);
    EXPECT_EQ(pool->get<VtObjectInputFieldNumber>(cal.weight_input).getVariableReference(), cal.weight_variable);
    int pointers_to_units = 0;
    for (uint32_t oid = 10000; oid < VT_NULL_ID; ++oid)
        if (auto* pointer = dynamic_cast<VtObjectPointer*>(pool->objects.find_object(oid)))
            pointers_to_units += pointer->getValue() == cal.estimated_weight_units;
    EXPECT_EQ(pointers_to_units, 2);
    // The factors' units hold the widest unit a factor takes.
    VtObjectOutputFieldString& units = pool->get<VtObjectOutputFieldString>(cal.factor_units);
    EXPECT_STREQ(units.getValue().c_str(), "pulses/gal");
    EXPECT_STREQ(pool->get<VtObjectOutputFieldString>(t.product_settings_mask.factor_units).getValue().c_str(),
                 "pulses/gal");
    EXPECT_TRUE(pool->get<VtObjectContainer>(t.product_settings_mask.standard_row).getHidden());
    EXPECT_TRUE(pool->get<VtObjectContainer>(t.product_settings_mask.nh3_row).getHidden());
    EXPECT_EQ(std::string(pool->get<VtObjectOutputFieldString>(cal.product_name).getValue().c_str()).size(), 31u);
}

TEST_F(ScreenFieldsTest, MultiTankPages)
{
    const Screen_object_ids& t = ids();
    const auto& run = t.multi_tank_cal_1_mask;
    const auto& weighing = t.multi_tank_cal_2_mask;
    const auto& result = t.multi_tank_cal_3_mask;
    for (int i = 0; i < 4; ++i) {
        for (uint32_t marker : {run.off_marker[i], run.on_marker[i], run.revs_row[i], run.alt_row[i],
                                result.not_accepted_marker[i], result.accepted_marker[i],
                                result.out_of_range_marker[i]})
            EXPECT_TRUE(pool->get<VtObjectContainer>(marker).getHidden()) << marker;
        EXPECT_EQ(run.preset_input[i], run.preset_input[0]);
        EXPECT_EQ(run.preset_pointer[i], run.preset_pointer[0]);
        if (i > 0) {
            EXPECT_NE(weighing.weight_input[i], weighing.weight_input[0]);
        }
        EXPECT_EQ(pool->get<VtObjectPointer>(weighing.weight_pointer[i]).getValue(), VT_NULL_ID);
    }
    EXPECT_EQ(run.master_off_state, t.common.indicator_off);
    EXPECT_EQ(run.master_on_state, t.common.indicator_on);
    EXPECT_EQ(pool->get<VtObjectButton>(run.on_button[2]).getKeyCode(), 103u);
    EXPECT_EQ(pool->get<VtObjectButton>(run.off_button[2]).getKeyCode(), 107u);
    EXPECT_EQ(pool->get<VtObjectButton>(result.accept_button[2]).getKeyCode(), 103u);
    EXPECT_EQ(pool->get<VtObjectButton>(result.ignore_button[2]).getKeyCode(), 107u);
    EXPECT_EQ(pool->texts_in(run.on_button[0]), Strings{"OFF"});
    EXPECT_EQ(pool->texts_in(result.ignore_button[0]), Strings{"SAVE"});
    // In place of a tank's buttons when its new factor is out of range.
    EXPECT_EQ(pool->texts_in(result.out_of_range_marker[3]), (Strings{"Factor", "out of", "range"}));

    VtObjectButton& run_button = pool->get<VtObjectButton>(run.on_button[0]);
    EXPECT_EQ(run_button.getWidth(), 41u);
    EXPECT_EQ(run_button.getHeight(), 19u);
    EXPECT_EQ(pool->position(run.off_marker[0], run.on_button[0]), std::make_pair(3, 23));
    // "IGNORE" needs 36 pixels of face: its button takes all but one pixel
    // on either side of the 47-pixel column.
    VtObjectButton& result_button = pool->get<VtObjectButton>(result.accept_button[0]);
    EXPECT_EQ(result_button.getHeight(), 38u);
    EXPECT_EQ(result_button.getWidth(), 45u);
    EXPECT_EQ(pool->position(result.not_accepted_marker[0], result.accept_button[0]), std::make_pair(1, 4));
    EXPECT_EQ(pool->position(result.accepted_marker[0], result.ignore_button[0]), std::make_pair(3, 4));
    EXPECT_EQ(pool->position(run.key_master, run.master_indicator), std::make_pair(46, 18));
}

TEST_F(ScreenFieldsTest, SensorDiagnosticsPage)
{
    const auto& d = ids().actuator_diagnostics;
    EXPECT_EQ(pool->get<VtObjectDataMask>(d.data_mask).getSoftKeyMask(), d.soft_key_mask);
    const std::vector<uint32_t> first = pool->keys_of(d.soft_key_mask);
    const std::vector<uint32_t> second = pool->keys_of(d.soft_key_mask_liquid);
    ASSERT_EQ(first.size(), 4u);
    ASSERT_EQ(second.size(), 5u);
    EXPECT_EQ(second[0], d.key_pressures);
    const uint32_t shared[4] = {d.key_system_info, d.key_main, d.key_reset, d.key_blocked_head};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(pool->get<VtObjectPointer>(first[k]).getValue(), shared[k]);
        EXPECT_EQ(pool->get<VtObjectPointer>(second[k + 1]).getValue(), shared[k]);
    }
    EXPECT_EQ(pool->texts_in(d.actuator_row[2]), Strings{"Act 3 %"});
    EXPECT_EQ(pool->texts_in(d.electric_row[2]), Strings{"Elec 3"});
    EXPECT_EQ(pool->texts_in(d.prop_valve_row[2]), Strings{"PV 3 %"});
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(pool->get<VtObjectContainer>(d.actuator_row[i]).getHidden());
        EXPECT_FALSE(pool->get<VtObjectContainer>(d.level_on_row[i]).getHidden());
        EXPECT_FALSE(pool->get<VtObjectContainer>(d.level_off_row[i]).getHidden());
        EXPECT_EQ(pool->get<VtObjectPointer>(d.actuator_position_pointer[i]).getValue(), d.actuator_position[i]);
        EXPECT_EQ(pool->get<VtObjectPointer>(d.motor_current_pointer[i]).getValue(), d.motor_current[i]);
    }
    // "Empty" and "Full" stand at the same place of their column.
    EXPECT_EQ(pool->position(d.tank_row[0], d.level_on_row[0]).second,
              pool->position(d.tank_row[0], d.level_off_row[0]).second);
}

TEST_F(ScreenFieldsTest, RegulatingValveAlternativesStartHidden)
{
    const auto& v = ids().liquid_reg_valve_control_settings_mask;
    for (int i = 0; i < 4; ++i)
        for (uint32_t row : {v.pwm_setting_row[i], v.min_on_time_row[i], v.max_on_time_row[i], v.gain_setting_row[i]})
            EXPECT_TRUE(pool->get<VtObjectContainer>(row).getHidden()) << row;
    for (uint32_t list : v.gain_setting)
        EXPECT_EQ(pool->items_of(list).size(), 4u);
}

TEST_F(ScreenFieldsTest, PoolHoldsAllScreens)
{
    Whole_pool_report report = check_whole_pool(pool->image, ids());
    EXPECT_EQ(report.objects_by_type[VtObjectTypeDataMask], 46u);
    EXPECT_EQ(report.objects_by_type[VtObjectTypeSoftKeyMask], 48u);
    EXPECT_EQ(report.objects_by_type[VtObjectTypeWorkingSet], 1u);
    EXPECT_EQ(report.objects_by_type[VtObjectTypeAlarmMask], 0u);
    EXPECT_EQ(report.objects_by_type[VtObjectTypeMacro], 0u);
    EXPECT_LE(report.bytes, 76000u) << "the 80,000-byte writer keeps some room to spare";
}

} // namespace
