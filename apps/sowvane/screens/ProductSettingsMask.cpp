#include "apps/sowvane/screens/ProductSettingsMask.h"

#include "apps/sowvane/screens/Calibration_factor.h"

#include <cstring>

using Ids = ProductSettingsMask::Ids;
using Row = Key_row<Ids>;
using M = ProductSettingsMask;

namespace {

constexpr double PER_ACRE = 0.11208511561944565;
constexpr int RATE_MS = 100, DENSITY_MS = 1000, NAME_MS = 100;

// Rate and factor formats by tank type.
struct Product_formats {
    Stat_num_format rate[2], factor[2];
};
const Product_formats granular = {
    {{Units_man::UNITS_MASS_PER_AREA, 0.1, 1}, {Units_man::UNITS_MASS_PER_AREA, PER_ACRE, 1}},
    {{Units_man::UNITS_MASS_PER_REV, 0.001, 3}, {Units_man::UNITS_MASS_PER_REV, 0.00045359237, 3}},
};
const Product_formats liquid = {
    {{Units_man::UNITS_VOLUME_PER_AREA, 0.1, 1}, {Units_man::UNITS_VOLUME_PER_AREA, 0.1, 1}},
    {{Units_man::UNITS_PULSE_PER_VOLUME, 0.001, 3}, {Units_man::UNITS_PULSE_PER_VOLUME, 0.001, 3}},
};
const Product_formats nh3 = {
    {{Units_man::UNITS_MASS_N_PER_AREA, 0.1, 1}, {Units_man::UNITS_MASS_N_PER_AREA, PER_ACRE, 1}},
    {{Units_man::UNITS_PULSE_PER_KG_N, 0.001, 3}, {Units_man::UNITS_PULSE_PER_KG_N, 0.001, 3}},
};

// The input field and the range of each number.
struct Number_field {
    uint32_t Ids::*input;
    double max;
};
// The factor's range goes with the tank's type (Calibration_factor.h).
const Number_field number_fields[M::NUMBERS] = {
    {&Ids::preset_rate_1_input, setting_ranges::product_rate.max},
    {&Ids::preset_rate_2_input, setting_ranges::product_rate.max},
    {&Ids::density_input, setting_ranges::product_density.max},
    {&Ids::inc_dec_input, setting_ranges::product_rate.max},
    {&Ids::factor_input, 0.0},
};

} // namespace

const Row ProductSettingsMask::key_rows[4] = {
    {&Ids::key_product_settings_menu, Row::KEY, "product_settings_menu"},
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::calibrate_button, Row::BUTTON, nullptr},
};

ProductSettingsMask::ProductSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

ProductSettingsMask::~ProductSettingsMask()
{
    waiter_descriptor* w = get_waiter();
    if (w != nullptr && internal_listener.get_head() != nullptr)
        cds_unlisten(internal_listener, w);
    drop_listeners(product_listeners, w);
    drop_listeners(tank_listeners, w);
}

void ProductSettingsMask::bind_numbers(Stat_collector* col, int mode)
{
    const Product_formats& f = mode == 1 ? liquid : mode == 2 ? nh3 : granular;
    const Ids& ids = mask_ids().product_settings_mask;
    auto* rate_units = find_pool_object<VT::Output_string_obj>(pool, ids.rate_units);
    for (int n : {PRESET_1, PRESET_2, INC_DEC})
        numbers[n].init(col, find_pool_object<VT::Input_number_obj>(pool, ids.*number_fields[n].input), RATE_MS,
                        f.rate[0], f.rate[1], nullptr, Stat_num::RAW_MAX, 0, pool, rate_units);
    numbers[FACTOR].init(col, find_pool_object<VT::Input_number_obj>(pool, ids.factor_input), RATE_MS, f.factor[0],
                         f.factor[1], nullptr, Stat_num::RAW_MAX, 0, pool,
                         find_pool_object<VT::Output_string_obj>(pool, ids.factor_units));
}

bool ProductSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().product_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    for (unsigned i = 0; i < TANKS; ++i)
        tank_items[i] = (unsigned short)mask_ids().common.tank_entry[i];
    tank_items[TANKS] = (unsigned short)mask_ids().common.all_tanks_entry;
    keys.bind(this, ids);
    shown_product = 0;
    tank_list_obj = find_pool_object<VT::Input_list_obj>(p, ids.tank_list);
    tank_stat.init(&stats, tank_list_obj, nullptr, p, false);
    name_stat.init(&stats, find_pool_object<VT::Input_string_obj>(p, ids.name_input), p, NAME_MS);
    bind_numbers(&stats, 0);
    const Stat_num_format density(Units_man::UNITS_MASS_PER_VOLUME, 0.01, 2);
    numbers[DENSITY].init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.density_input), DENSITY_MS, density,
                          density, nullptr, Stat_num::RAW_MAX, 0, p,
                          find_pool_object<VT::Output_string_obj>(p, mask_ids().common.density_units));
    for (int n = 0; n < NUMBERS; ++n) {
        numbers[n].set_editable(true);
        if (n != FACTOR)
            numbers[n].set_range(0.0, number_fields[n].max);
    }
    set_factor_range(numbers[FACTOR], tank_factor_range(0));
    standard_row = find_pool_object<VT::Container_obj>(p, ids.standard_row);
    nh3_row = find_pool_object<VT::Container_obj>(p, ids.nh3_row);
    show_container(standard_row, true);
    show_container(nh3_row, false);
    return true;
}

void ProductSettingsMask::apply_units_mode(unsigned t)
{
    if (t >= TANKS || parameters == nullptr)
        return;
    const int mode = parameters->app.channels[t].mode.get();
    if (mode == units_mode)
        return;
    units_mode = mode;
    bind_numbers(nullptr, mode);
    for (int n : {PRESET_1, PRESET_2, INC_DEC})
        numbers[n].set_range(0.0, number_fields[n].max);
    set_factor_range(numbers[FACTOR], tank_factor_range(mode));
    for (int n : {PRESET_1, PRESET_2, INC_DEC, FACTOR})
        if (get_man() != nullptr && get_man()->get_units() != nullptr)
            numbers[n].set_units(*get_man()->get_units());
    const auto& product = parameters->app.products[shown_product];
    numbers[PRESET_1].set_val(product.preset_rate_1.get());
    numbers[PRESET_2].set_val(product.preset_rate_2.get());
    numbers[INC_DEC].set_val(product.inc_dec.get());
    numbers[FACTOR].set_val(product.product_cal_factor.get());
}

void ProductSettingsMask::update_product()
{
    if (parameters == nullptr || !index_in_range("product", long(shown_product), PRODUCTS))
        return;
    auto& product = parameters->app.products[shown_product];
    char text[SETTING_NAME_BUFFER];
    const char* name = setting_name(product.name, text);
    while (*name == ' ')
        ++name;
    name_stat = name;
    numbers[PRESET_1].set_val(product.preset_rate_1.get());
    numbers[PRESET_2].set_val(product.preset_rate_2.get());
    numbers[DENSITY].set_val(product.density.get());
    numbers[INC_DEC].set_val(product.inc_dec.get());
    numbers[FACTOR].set_val(product.product_cal_factor.get());
    const unsigned t = product.tank.get();
    if (t >= TANKS) {
        tank_stat.set_item(NO_TANK_ITEM);
        show_container(standard_row, true);
        show_container(nh3_row, false);
    } else {
        tank_stat.set_item((unsigned short)t);
        const bool is_nh3 = parameters->app.channels[t].mode.get() == 2;
        show_container(standard_row, !is_nh3);
        show_container(nh3_row, is_nh3);
        apply_units_mode(t);
    }
    send_val_updates(false);
}

void ProductSettingsMask::update_tank_choice(unsigned i)
{
    if (parameters == nullptr || i >= TANKS || tank_list_obj == nullptr)
        return;
    const unsigned short shown = parameters->app.channels[i].enabled.get() ? tank_items[i] : VT::Object_pool::NULL_ID;
    if (int(i) < tank_list_obj->num_items() && tank_list_obj->get_child_objects_val(i) != shown)
        tank_list_obj->set_child_objects_val(i, shown, true);
    send_val_updates(false);
}

void ProductSettingsMask::copy_product_to_tank(unsigned t)
{
    if (t >= TANKS)
        return;
    auto& product = parameters->app.products[shown_product];
    auto& tank = parameters->app.channels[t];
    tank.preset_rate_1.set(product.preset_rate_1.get());
    tank.preset_rate_2.set(product.preset_rate_2.get());
    tank.rate_increment.set(product.inc_dec.get());
    char name[SETTING_NAME_CHARS];
    product.name.get(name, SETTING_NAME_CHARS);
    tank.name.set(name, SETTING_NAME_CHARS);
    tank.cal_setting.set(product.product_cal_factor.get());
}

void ProductSettingsMask::detach_tank(unsigned t)
{
    if (t >= TANKS)
        return;
    char none[SETTING_NAME_CHARS];
    std::memset(none, ' ', sizeof none);
    std::memcpy(none, "---", 3);
    parameters->app.channels[t].name.set(none, SETTING_NAME_CHARS);
    auto& channel = ds().channels.channels[t];
    cds_set(ds_head(), &channel.active, false);
    cds_set(ds_head(), &channel.product_assigned, false);
    cds_set(ds_head(), &channel.product_number, 0);
}

void ProductSettingsMask::attach_product(unsigned item)
{
    const unsigned t = item >= NO_TANK_ITEM ? NO_TANK : item;
    for (unsigned q = 0; q < PRODUCTS; ++q) {
        auto& other = parameters->app.products[q];
        if (other.tank.get() == t && t < TANKS) {
            detach_tank(t);
            other.tank.set(NO_TANK);
        }
    }
    if (t < TANKS) {
        auto& channel = ds().channels.channels[t];
        cds_set(ds_head(), &channel.product_assigned, true);
        cds_set(ds_head(), &channel.product_number, int(shown_product));
        // The tank meters what it now carries: the product's name, rates,
        // step and calibration factor, not those of the one before.
        copy_product_to_tank(t);
    }
    parameters->app.products[shown_product].tank.set((unsigned char)t);
}

void ProductSettingsMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    if (internal_listener.get_head() == nullptr)
        cds_listen(internal_listener, &ds().internal, int(sizeof(ds_internal)), get_waiter());
    for (unsigned i = 0; i < TANKS; ++i) {
        if (tank_listeners[i] == nullptr) {
            tank_listeners[i] = new Settings_listener(this);
            nv_listen(*tank_listeners[i], &parameters->app.channels[i], get_waiter());
        }
        update_tank_choice(i);
    }
    for (unsigned q = 0; q < PRODUCTS; ++q) {
        if (product_listeners[q] == nullptr) {
            product_listeners[q] = new Settings_listener(this);
            nv_listen(*product_listeners[q], &parameters->app.products[q], get_waiter());
        }
    }
    update_product();
}

void ProductSettingsMask::handle_virt_listener_event(Store_listener*)
{
    const unsigned p = cds_get_word(ds_head(), &ds().internal.current_product_index);
    if (p != shown_product && index_in_range("product", long(p), PRODUCTS)) {
        shown_product = p;
        update_product();
    }
    send_val_updates(false);
}

void ProductSettingsMask::handle_virt_listener_event(Settings_listener* l)
{
    for (unsigned i = 0; i < TANKS; ++i)
        if (l == tank_listeners[i])
            update_tank_choice(i);
    if (l == product_listeners[shown_product])
        update_product();
    send_val_updates(false);
}

bool ProductSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    update_product();
    return ok;
}

bool ProductSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr || !index_in_range("product", long(shown_product), PRODUCTS))
        return false;
    auto& product = parameters->app.products[shown_product];
    const unsigned chosen = tank_stat.get_item();
    if (s == &name_stat) {
        // The VT pads a typed text with spaces to its field's length; the
        // stat has taken them off. The name is kept as typed, the rest of
        // the field empty (NUL), not padded again.
        char name[SETTING_NAME_CHARS + 1] = {};
        std::strncpy(name, name_stat.c_str(), SETTING_NAME_CHARS);
        Debug_print::dprint("NEW NAME='%s'\n", name);
        product.name.set(name, SETTING_NAME_CHARS);
        copy_product_to_tank(chosen);
        return true;
    }
    if (s == &numbers[PRESET_1] || s == &numbers[PRESET_2] || s == &numbers[INC_DEC]) {
        const float v = float(static_cast<Stat_num*>(s)->get_stat_val());
        if (s == &numbers[PRESET_1])
            product.preset_rate_1.set(v);
        else if (s == &numbers[PRESET_2])
            product.preset_rate_2.set(v);
        else
            product.inc_dec.set(v);
        copy_product_to_tank(chosen);
    } else if (s == &numbers[DENSITY]) {
        product.density.set(float(numbers[DENSITY].get_stat_val()));
    } else if (s == &numbers[FACTOR]) {
        const float f = float(numbers[FACTOR].get_stat_val());
        product.product_cal_factor.set(f);
        const unsigned t = product.tank.get();
        if (t < TANKS)
            parameters->app.channels[t].cal_setting.set(f);
    } else if (s == &tank_stat) {
        Debug_print::dprint("TANK=%d\n", int(chosen));
        const unsigned old = product.tank.get();
        if (old < TANKS) {
            Debug_print::dprint("Detach product from TANK #%d\n", int(old));
            detach_tank(old);
        }
        attach_product(chosen);
    }
    return false;
}

bool ProductSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || parameters == nullptr)
        return true;
    if (keys.find(a) != CALIBRATE) {
        keys.switch_for(get_man(), a);
        return true;
    }
    const unsigned s = tank_stat.get_item();
    if (s >= TANKS || parameters->app.channels[s].mode.get() == 2)
        return true;
    cds_set(ds_head(), &ds().internal.current_tank_cal_step, 0u);
    cds_set(ds_head(), &ds().internal.current_tank_cal_index, s);
    get_man()->switch_to_screen("tank_calibration_settings_mask");
    return true;
}
