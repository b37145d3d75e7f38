// The implement's VT user interface: the module "UI00" that owns the screen
// manager, the units, the shared stats and every data-mask screen, creates
// one pop-up per alarm mask, and is where VT events, data-store changes and
// settings changes enter the screens. It also decides whether the VT display
// is used at all (a non-VT terminal may be connected) and applies a change of
// the VT's language and units.
#pragma once

#include "apps/sowvane/diagnostics/Trouble_code_counts.h"
#include "apps/sowvane/screens/Intro_screen.h"
#include "apps/sowvane/screens/Main_screen.h"
#include "apps/sowvane/screens/ActuatorDiagnostics.h"
#include "apps/sowvane/screens/ActuatorDriveSettingsMask.h"
#include "apps/sowvane/screens/AdvancedSettingsMask.h"
#include "apps/sowvane/screens/AlarmSettingsMenu.h"
#include "apps/sowvane/screens/AreaTestMask.h"
#include "apps/sowvane/screens/ElectricDriveSettingsMask.h"
#include "apps/sowvane/screens/ExternalOptionsMask.h"
#include "apps/sowvane/screens/FanAlarmsMask.h"
#include "apps/sowvane/screens/FanSettingsMask.h"
#include "apps/sowvane/screens/FansHistoryMask.h"
#include "apps/sowvane/screens/ShaftAlarmsMask.h"
#include "apps/sowvane/screens/TankAlarmsMask.h"
#include "apps/sowvane/screens/OtherAlarmsMask.h"
#include "apps/sowvane/screens/TankMotorAlarmsMask.h"
#include "apps/sowvane/screens/TankGearAlarmsMask.h"
#include "apps/sowvane/screens/TankPressureAlarmsMask.h"
#include "apps/sowvane/screens/NoFlowAlarmsMask.h"
#include "apps/sowvane/screens/BlockedHeadDiagsMask.h"
#include "apps/sowvane/screens/BlockedHeadSettingsMask.h"
#include "apps/sowvane/screens/ConfirmFactoryResetMask.h"
#include "apps/sowvane/screens/Diagnostics2.h"
#include "apps/sowvane/screens/LiquidPropValveControlSettingsMask.h"
#include "apps/sowvane/screens/LiquidPropValveSettingsMask.h"
#include "apps/sowvane/screens/LiquidRegValveControlSettingsMask.h"
#include "apps/sowvane/screens/MultiTankCal1Mask.h"
#include "apps/sowvane/screens/MultiTankCal2Mask.h"
#include "apps/sowvane/screens/MultiTankCal3Mask.h"
#include "apps/sowvane/screens/MultiTankCalWarningMask.h"
#include "apps/sowvane/screens/OperatingHistoryMenuMask.h"
#include "apps/sowvane/screens/ProductSettingsMask.h"
#include "apps/sowvane/screens/PropValveControlSettingsMask.h"
#include "apps/sowvane/screens/PropValveDriveSettingsMask.h"
#include "apps/sowvane/screens/ProductSettingsMenu.h"
#include "apps/sowvane/screens/SeederBrandMask.h"
#include "apps/sowvane/screens/SeederSettingsMenu.h"
#include "apps/sowvane/screens/ShaftsHistoryMask.h"
#include "apps/sowvane/screens/SettingsMenu.h"
#include "apps/sowvane/screens/SystemInfoMask.h"
#include "apps/sowvane/screens/TankCalibrationSettingsMask.h"
#include "apps/sowvane/screens/TankFillMask.h"
#include "apps/sowvane/screens/TankPreloadSettingsMask.h"
#include "apps/sowvane/screens/TankSettingsMask.h"
#include "apps/sowvane/screens/TotalsHistoryMask.h"
#include "apps/sowvane/screens/Vt_backlog_wait.h"
#include "apps/sowvane/screens/WheelCalibrationMask.h"
#include "apps/sowvane/screens/WheelCalibrationSettingsMask.h"
#include "apps/sowvane/screens/WidthAndSpeedSettingsMask.h"
#include "vtui/helpers/Units_man.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/screen/User_interface_base.h"

#include <vector>

struct Screen_object_ids;
class Diagnostics;

class User_interface : public User_interface_base {
public:
    // A VT alarm mask missing from the pool.
    static constexpr int EXIT_NO_ALARM_MASK = -138;
    // The registration of system.non_vtt_connected.
    static constexpr uint32_t NON_VTT_EVENT = 0xFFFF0000u;
    static constexpr int INTRO_RETRY_MS = 100;
    static constexpr int LOCALE_WAIT_MS = 100;
    static constexpr int LOCALE_RETRY_MS = 30;
    // The longest the run screen and a new locale wait for the VT to take
    // the changes queued before them.
    static constexpr int INTRO_WAIT_LIMIT_MS = 3000;
    static constexpr int LOCALE_WAIT_LIMIT_MS = 1000;

    explicit User_interface(module_man* mm);
    ~User_interface() override;

    int init(VT::Object_pool* pool, Screen_object_ids* ids);
    // The screens' set-up that reads the settings and the store, then the
    // module's thread is let go: until then no event of the store or the VT
    // reaches screens still being set up on the caller's thread.
    void post_snapshot_init()
    {
        screen_man.post_snapshot_init();
        release_thread();
    }

    void handle_event(waiter_event& ev) override;
    void handle_timeout(Timeout& t) override;
    // The VT shows another mask than the current screen's: the screens
    // follow the VT when one of them shows that mask and the operator can
    // leave it, else (the start-up mask, a mask of no screen) the VT is
    // asked again for the current screen's. Nothing while another working
    // set is on the VT (its masks are not ours) or the pool is not up.
    void handle_mask_mismatch(bool) override;
    // The diagnostics whose occurrence counts the alarm pop-ups show, and
    // whose code events refresh the pop-up shown (null: none). Set before
    // post_snapshot_init; they must outlive the module, which takes back its
    // registration when it goes.
    void set_diagnostics(Diagnostics* diagnostics);
    void update_vt_display(bool force_enable);
    void apply_locale();
    void handle_vt_info(VT_information info);

    Screen_man& get_screen_man() { return screen_man; }
    Units_man& get_units_man() { return units_man; }
    int get_vt_state() const { return vt_state; }
    bool is_intro_pending() const { return intro_pending; }
    Timeout& get_intro_timeout() { return intro_timeout; }
    Timeout& get_locale_timeout() { return locale_timeout; }
    Timeout& get_terminal_timeout() { return terminal_timeout; }

protected:
    // Releases the module's thread; a test drives the module itself.
    virtual int release_thread() { return Diner::start(); }

private:
    void handle_pool_event(waiter_event& ev);
    void connection_changed(int state);
    void locale_changed();
    void enter_vt_only_operation();

    Units_man units_man;
    Screen_man screen_man;
    Global_stat_manager stat_man;
    Intro_screen intro;
    Main_screen main_screen;
    TankFillMask tank_fill_mask;
    SettingsMenu settings_menu{"settings_menu", &screen_man};
    SeederSettingsMenu seeder_settings_menu{"seeder_settings_menu", &screen_man};
    ProductSettingsMenu product_settings_menu{"product_settings_menu", &screen_man};
    TankSettingsMask tank_settings_mask{"tank_settings_mask", &screen_man};
    TankPreloadSettingsMask tank_preload_settings_mask{"tank_preload_settings_mask", &screen_man};
    ActuatorDriveSettingsMask actuator_drive_settings_mask{"actuator_drive_settings_mask", &screen_man};
    ElectricDriveSettingsMask electric_drive_settings_mask{"electric_drive_settings_mask", &screen_man};
    PropValveDriveSettingsMask prop_valve_drive_settings_mask{"prop_valve_drive_settings_mask", &screen_man};
    PropValveControlSettingsMask prop_valve_control_settings_mask{"prop_valve_control_settings_mask", &screen_man};
    LiquidPropValveSettingsMask liquid_prop_valve_settings_mask{"liquid_prop_valve_settings_mask", &screen_man};
    LiquidPropValveControlSettingsMask liquid_prop_valve_control_settings_mask{
        "liquid_prop_valve_control_settings_mask", &screen_man};
    LiquidRegValveControlSettingsMask liquid_reg_valve_control_settings_mask{"liquid_reg_valve_control_settings_mask",
                                                                             &screen_man};
    FanSettingsMask fan_settings_mask{"fan_settings_mask", &screen_man};
    ExternalOptionsMask external_options_mask{"external_options_mask", &screen_man};
    ProductSettingsMask product_settings_mask{"product_settings_mask", &screen_man};
    WidthAndSpeedSettingsMask width_and_speed_settings_mask{"width_and_speed_settings_mask", &screen_man};
    WheelCalibrationSettingsMask wheel_calibration_settings_mask{"wheel_calibration_settings_mask", &screen_man};
    WheelCalibrationMask wheel_calibration_mask{"wheel_calibration_mask", &screen_man};
    OperatingHistoryMenuMask operating_history_menu_mask{"operating_history_menu_mask", &screen_man};
    AdvancedSettingsMask advanced_settings_mask{"advanced_settings_mask", &screen_man};
    ConfirmFactoryResetMask factory_reset_mask{"factory_reset_mask", &screen_man};
    TankCalibrationSettingsMask tank_calibration_settings_mask{"tank_calibration_settings_mask", &screen_man};
    AreaTestMask area_test_mask{"area_test_mask", &screen_man};
    TotalsHistoryMask totals_history_mask{"totals_history_mask", &screen_man};
    ShaftsHistoryMask shafts_history_mask{"shafts_history_mask", &screen_man};
    FansHistoryMask fans_history_mask{"fans_history_mask", &screen_man};
    SeederBrandMask seeder_brand_mask{"seeder_brand_mask", &screen_man};
    MultiTankCalWarningMask multi_tank_cal_warning_mask{"multi_tank_cal_warning_mask", &screen_man};
    MultiTankCal1Mask multi_tank_cal_1_mask{"multi_tank_cal_1_mask", &screen_man};
    MultiTankCal2Mask multi_tank_cal_2_mask{"multi_tank_cal_2_mask", &screen_man};
    MultiTankCal3Mask multi_tank_cal_3_mask{"multi_tank_cal_3_mask", &screen_man};
    BlockedHeadSettingsMask blocked_head_settings_mask{"blocked_head_settings_mask", &screen_man};
    BlockedHeadDiagsMask blocked_head_diags_mask{"blocked_head_diags_mask", &screen_man};
    ActuatorDiagnostics actuator_diagnostics{"actuator_diagnostics", &screen_man};
    Diagnostics2 diagnostics2{"diagnostics2", &screen_man};
    SystemInfoMask system_info_mask{"system_info_mask", &screen_man};
    AlarmSettingsMenu alarm_settings_menu{"alarm_settings_menu", &screen_man};
    FanAlarmsMask fan_alarms_mask{"fan_alarms_mask", &screen_man};
    ShaftAlarmsMask shaft_alarms_mask{"shaft_alarms_mask", &screen_man};
    TankAlarmsMask tank_alarms_mask{"tank_alarms_mask", &screen_man};
    OtherAlarmsMask other_alarms_mask{"other_alarms_mask", &screen_man};
    TankMotorAlarmsMask tank_motor_alarms_mask{"tank_motor_alarms_mask", &screen_man};
    TankGearAlarmsMask tank_gear_alarms_mask{"tank_gear_alarms_mask", &screen_man};
    TankPressureAlarmsMask tank_pressure_alarms_mask{"tank_pressure_alarms_mask", &screen_man};
    NoFlowAlarmsMask no_flow_alarms_mask{"no_flow_alarms_mask", &screen_man};

    VT_information vt_info;
    VT::Object_pool* pool = nullptr;
    short pool_module_id = 0;
    short cds_module_id = 0;
    int vt_state = 1;
    VT::Locale_info locale;
    Timeout intro_timeout;
    Timeout locale_timeout;
    Timeout terminal_timeout;
    Vt_backlog_wait intro_wait;
    Vt_backlog_wait locale_wait;
    bool intro_pending = false;
    // The alarm pop-ups, deleted with the module.
    std::vector<Screen*> alarm_screens;
    Trouble_code_counts trouble_code_counts;
    short diagnostics_module_id = 0;
};
