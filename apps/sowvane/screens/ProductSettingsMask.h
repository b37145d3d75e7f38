// One stored product: name, density, preset rates, rate step and
// calibration factor, and the tank it is attached to. Attaching marks the
// tank as carrying the product and copies the product into the tank's
// settings; so does an edit of the name, a rate or the step. Calibrate opens the
// tank calibration for the product's tank.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "apps/sowvane/screens/Setting_ranges.h"
#include "vtui/stat/Stat_string.h"

class ProductSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_product_settings_mask;
    using Store_listener = CDS::Virt_listener<ProductSettingsMask>;
    using Settings_listener = NV_store::Virt_listener<ProductSettingsMask>;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;
    static_assert(TANKS == setting_ranges::PRODUCT_TANKS, "the tanks a product may be on are the tanks shown");
    static constexpr unsigned PRODUCTS = 16;
    static constexpr unsigned NO_TANK = setting_ranges::NO_TANK;
    static constexpr unsigned NO_TANK_ITEM = 4;
    enum number_t { PRESET_1, PRESET_2, DENSITY, INC_DEC, FACTOR, NUMBERS };

    ProductSettingsMask(const char* name, Screen_man* man);
    ~ProductSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Store_listener* l);
    void handle_virt_listener_event(Settings_listener* l);

    unsigned product() const { return shown_product; }
    const char* name_text() const { return name_stat.c_str(); }
    Stat_num& number(number_t n) { return numbers[n]; }
    Stat_list& tank_list() { return tank_stat; }
    Stat_string& name() { return name_stat; }

private:
    void update_tank_choice(unsigned i);
    void update_product();
    void apply_units_mode(unsigned t);
    void copy_product_to_tank(unsigned t);
    void detach_tank(unsigned t);
    void attach_product(unsigned item);
    void bind_numbers(Stat_collector* col, int mode);

    enum { KEY_PRODUCT_MENU, KEY_SETTINGS_MENU, KEY_MAIN, CALIBRATE };
    static const Key_row<Ids> key_rows[4];
    unsigned shown_product = 0;
    Store_listener internal_listener{this};
    Settings_listener* product_listeners[PRODUCTS] = {};
    Settings_listener* tank_listeners[TANKS] = {};
    Key_rows<Ids, 4> keys{key_rows};
    Stat_string name_stat;
    Stat_num numbers[NUMBERS];
    Stat_list tank_stat;
    VT::Input_list_obj* tank_list_obj = nullptr;
    unsigned short tank_items[TANKS + 1] = {};
    VT::Container_obj* standard_row = nullptr;
    VT::Container_obj* nh3_row = nullptr;
    int units_mode = -1;
};
