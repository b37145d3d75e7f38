// Tank fill: per tank the remaining product, which the operator may type in,
// and a step amount; FILL sets the chosen tanks to their full load, INC and
// DEC add or take away the step. A tank without a full load (its capacity,
// or the density of a tank filled by mass, not set) keeps what it holds on
// FILL and INC, and the page says what to set first.
#pragma once

#include "apps/sowvane/data_model.h"
#include "glue/NV_store/NV_access.h"
#include "glue/cds/Access.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"

#include <cstddef>
#include <string>

class TankFillMask : public Data_screen {
public:
    static constexpr int TANKS = 4;
    static constexpr int ALL_TANKS_ITEM = 4;

    TankFillMask(const char* name, Screen_man* man);
    ~TankFillMask() override;

    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    bool activate() override;

    void handle_virt_listener_event(NV_store::Virt_listener<TankFillMask>* l);
    void handle_virt_listener_event(CDS::Virt_listener<TankFillMask>* l);

    void bind_tank_stats(int mode, int tank);
    void update_units(int tank);
    void update_remaining(int tank);
    void update_tank(int tank);
    // The tank's full load: its capacity, times its product's density for a
    // granular or NH3 tank; -1 when the tank's product number is out of range.
    double full_load(int tank);

    // What the page says under its title ("" for nothing).
    const std::string& get_message() const { return shown_message; }
    Stat_list& get_tank_list() { return tank_list; }
    Stat_num& remaining(int t) { return remaining_input[t]; }
    Stat_num& step(int t) { return step_input[t]; }

private:
    void choose_item(unsigned short item);
    void show_groups(int enabled_tanks);
    int count_enabled() const;
    // What must be set before tank t has a full load to fill to.
    static void describe_missing_full_load(int t, char* out, size_t size);
    // Writes the page's message when it changed.
    void show_message(const char* text);

    Activator key_fill, key_inc, key_dec, key_settings, key_main;
    Stat_list tank_list;
    int tank_mode[TANKS] = {-1, -1, -1, -1};
    NV_store::Virt_listener<TankFillMask>* settings_listener[TANKS] = {nullptr, nullptr, nullptr, nullptr};
    CDS::Virt_listener<TankFillMask>* store_listener[TANKS] = {nullptr, nullptr, nullptr, nullptr};
    Stat_num remaining_input[TANKS];
    Stat_num step_input[TANKS];
    VT::Container_obj* tank_row[TANKS] = {nullptr, nullptr, nullptr, nullptr};
    unsigned short tank_entries[TANKS] = {NULL_ID, NULL_ID, NULL_ID, NULL_ID};
    unsigned short all_tanks_entry = NULL_ID;
    VT::Container_obj* multi_tank_group = nullptr;
    VT::Container_obj* single_tank_group = nullptr;
    VT::Output_string_obj* message_field = nullptr;
    std::string shown_message;
};
