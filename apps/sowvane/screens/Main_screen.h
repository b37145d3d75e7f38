// The run screen the operator works from while seeding: four tank columns
// (name, on and selected indicators, requested and actual rate, remaining
// product, pressure, preset and alarm markers), ground speed, area rate, fans,
// area and volume counters, the master-switch and manual-speed indicators.
// Its keys turn tanks on and off, step and preset rates, reset counters and
// lead to tank fill, settings and diagnostics. It also runs the alarm cycle:
// it keeps the active, unacknowledged alarm pop-ups queued and shows the next
// one every second, whatever screen is up.
#pragma once

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/screens/TAlarmManager.h"
#include "glue/NV_store/NV_access.h"
#include "glue/cds/Access.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/stat/Stat_indicator.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_string.h"

struct Screen_object_ids;
class Seeder_alarm_screen;

class Main_screen : public Data_screen {
public:
    static constexpr int TANKS = 4;
    static constexpr int FANS = 2;
    static constexpr int ALL_TANKS_ITEM = 4;
    static constexpr int ALARM_CYCLE_MS = 1000;
    static constexpr int HELD_REPEAT_MS = 200;
    static constexpr int BLINK_MS = 1000;

    // One tank column with its own listeners.
    class Channel {
    public:
        Channel() = default;
        ~Channel();
        Channel(const Channel&) = delete;
        Channel& operator=(const Channel&) = delete;

        void init(Main_screen* screen, Stat_collector* col, VT::Object_pool* pool, unsigned char tank,
                  Screen_object_ids* ids);
        void start();
        bool handle_stat_update(Stat* s);
        void update_from_cds();
        void update_from_nv();
        void update_units();
        void update_liquid_group();
        void set_alarm_indicator(bool shown);
        void handle_virt_listener_event(CDS::Virt_listener<Channel>* l);
        void handle_virt_listener_event(NV_store::Virt_listener<Channel>* l);

        // What the column shows (for tests).
        const Stat_num& requested_rate() const { return rate; }
        const Stat_num& actual() const { return actual_rate; }
        const Stat_num& remaining() const { return remaining_volume; }
        const Stat_string& name() const { return name_stat; }

    private:
        void bind_mode_stats(int mode);

        CDS::Virt_listener<Channel> cds_listener{this};
        NV_store::Virt_listener<Channel> nv_listener{this};
        bool cds_registered = false;
        bool nv_registered = false;
        Stat_indicator active_indicator;
        Stat_indicator selected_indicator;
        Stat_indicator_gen_client<VT::Rectangle_obj> active_client;
        Stat_indicator_gen_client<VT::Rectangle_obj> selected_client;
        unsigned short active_states[2] = {NULL_ID, NULL_ID};
        unsigned short selected_states[2] = {NULL_ID, NULL_ID};
        VT::Container_obj* preset_1_marker = nullptr;
        VT::Container_obj* preset_2_marker = nullptr;
        VT::Container_obj* column = nullptr;
        VT::Container_obj* alarm_marker = nullptr;
        VT::Container_obj* pressure_group = nullptr;
        VT::Container_obj* mode_2_group = nullptr;
        VT::Container_obj* other_mode_group = nullptr;
        Stat_string name_stat;
        Stat_num rate;
        Stat_num actual_rate;
        Stat_num remaining_volume;
        Stat_num pressure;
        unsigned char tank = 0;
        Main_screen* screen = nullptr;
        Stat_collector* col = nullptr;
        VT::Object_pool* pool = nullptr;
        Screen_object_ids* ids = nullptr;
        int mode = -1;
    };

    Main_screen(const char* name, Screen_man* man);
    ~Main_screen() override;

    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    bool send_timeout(Timeout& t) override;
    bool activate() override;
    bool deactivate() override;

    void handle_virt_listener_event(CDS::Virt_listener<Main_screen>* l);
    void handle_virt_listener_event(NV_store::Virt_listener<Main_screen>* l);

    // The alarm cycle.
    void process_alarms(bool active, bool acknowledged, const char* name);
    void scan_alarms();
    void cycle_alarms();
    void start_alarm_cycle();
    void close_alarm_screen(Seeder_alarm_screen* s);

    void update_area_display();
    void update_volume_units();
    void update_fan_display(int fan);

    // Whether tank t takes the master, preset and step commands.
    bool takes_command(int tank);
    void select_tank_item(unsigned short item);

    Channel& channel(int t) { return channels[t]; }
    Stat_list& get_select_list() { return select_list; }
    Stat_list& get_sub_area_list() { return sub_area_list; }
    Stat_list& get_view_tank_list() { return view_tank_list; }
    unsigned short tank_entry(int t) const { return t < TANKS ? tank_entries[t] : all_tanks_entry; }
    TAlarmManager* get_alarm_manager() { return alarm_manager; }
    Timeout& get_alarm_cycle_timeout() { return alarm_cycle; }
    Timeout& get_held_timeout() { return held_repeat; }
    Timeout& get_blink_timeout() { return blink; }

private:
    void bind_key(Activator& a, uint32_t id);
    void refresh_master_key();
    void refresh_operation();
    bool pressed(Activator& a);
    bool released(Activator& a);
    void step_rates(bool up);
    void write_rate(int tank, double rate);
    void show_page(bool page_b);

    bool first_activation = true;
    int viewed_mode = -1;
    TAlarmManager* alarm_manager = nullptr;
    Timeout alarm_cycle;
    Timeout held_repeat;
    Timeout blink;
    bool inc_held = false;
    bool dec_held = false;
    bool blink_phase = false;

    VT::Container_obj* page_a = nullptr;
    VT::Container_obj* page_b = nullptr;
    unsigned short soft_keys_page_a = NULL_ID;
    unsigned short soft_keys_page_b = NULL_ID;
    unsigned short tank_entries[TANKS] = {NULL_ID, NULL_ID, NULL_ID, NULL_ID};
    unsigned short all_tanks_entry = NULL_ID;
    Channel channels[TANKS];
    Stat_list select_list;
    Stat_list sub_area_list;
    Stat_list view_tank_list;
    VT::Container_obj* fan_group[FANS] = {nullptr, nullptr};
    VT::Container_obj* fan_pressure_group[FANS] = {nullptr, nullptr};
    VT::Container_obj* single_fan_group = nullptr;
    VT::Container_obj* single_fan_pressure_group = nullptr;
    Stat_num ground_speed;
    Stat_num area_rate;
    Stat_num fan_speed[FANS];
    Stat_num fan_pressure[FANS];
    Stat_num total_area;
    Stat_num sub_area;
    Stat_num viewed_volume;
    VT::Output_number_obj* viewed_volume_obj = nullptr;

    Activator key_settings, key_to_page_b, key_to_page_a, key_master, key_preset, key_inc, key_dec,
        key_master_switch, key_actuator_diagnostics, key_manual_speed, key_reset_area, key_reset_sub_area;
    Activator fill_button[TANKS], mode_1_button[TANKS], mode_2_button[TANKS], select_button[TANKS];

    CDS::Virt_listener<Main_screen> channels_listener{this}, areas_listener{this}, vehicle_listener{this},
        fans_listener{this}, operation_listener{this}, volumes_listener{this}, alarms_listener{this};
    NV_store::Virt_listener<Main_screen> swbox_listener{this};
    NV_store::Virt_listener<Main_screen>* fan_settings[FANS] = {nullptr, nullptr};
    NV_store::Virt_listener<Main_screen>* channel_settings[TANKS] = {nullptr, nullptr, nullptr, nullptr};
    bool listeners_registered = false;

    Stat_indicator master_switch;
    Stat_indicator manual_speed;
    Stat_indicator_gen_client<VT::Rectangle_obj> master_switch_client;
    Stat_indicator_gen_client<VT::Rectangle_obj> manual_speed_client;
    unsigned short indicator_states[2] = {NULL_ID, NULL_ID};
    VT::Container_obj* manual_speed_group = nullptr;
    VT::Object_pointer_obj* master_key_pointer = nullptr;
    unsigned short master_key_id = NULL_ID;
    VT::Object_pointer_obj* volume_units_pointer = nullptr;
    VT::Output_string_obj* volume_units[TANKS] = {nullptr, nullptr, nullptr, nullptr};
};
