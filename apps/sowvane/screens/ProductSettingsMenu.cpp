#include "apps/sowvane/screens/ProductSettingsMenu.h"

using Ids = ProductSettingsMenu::Ids;
using Row = Key_row<Ids>;

const Row ProductSettingsMenu::key_rows[3] = {
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::key_multi_tank_cal, Row::KEY, "multi_tank_cal_1_mask"},
};

ProductSettingsMenu::ProductSettingsMenu(const char* name, Screen_man* man) : Data_screen(name, man) {}

ProductSettingsMenu::~ProductSettingsMenu()
{
    drop_listeners(listeners, get_waiter());
    for (int p = 0; p < PRODUCTS; ++p)
        names[p] = tanks[p] = nullptr;
}

bool ProductSettingsMenu::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().product_settings_menu;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int i = 0; i < PRODUCTS; ++i)
        product_buttons[i].init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.product_button[i]);
    for (int i = 0; i < PRODUCTS; ++i) {
        names[i] = find_pool_object<VT::Output_string_obj>(p, ids.product_name[i]);
        tanks[i] = find_pool_object<VT::Output_string_obj>(p, ids.product_tank[i]);
    }
    return true;
}

void ProductSettingsMenu::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    for (int i = 0; i < PRODUCTS; ++i) {
        if (listeners[i] == nullptr) {
            listeners[i] = new Listener(this);
            nv_listen(*listeners[i], &parameters->app.products[i], get_waiter());
        }
    }
    refresh_products();
}

bool ProductSettingsMenu::refresh_products()
{
    if (parameters == nullptr)
        return false;
    for (int i = 0; i < PRODUCTS; ++i) {
        const auto& product = parameters->app.products[i];
        // The row shows 19 characters of the 20-character name.
        char name[Screen_object_ids::product_name_shown + 1];
        product.name.get(name, int(sizeof name));
        name[Screen_object_ids::product_name_shown] = '\0';
        show_text(pool, names[i], name);
        const unsigned tank = product.tank.get();
        char text[16] = "OFF";
        if (tank != 10)
            std::snprintf(text, sizeof text, "Tank%u", tank + 1);
        show_text(pool, tanks[i], text);
    }
    return true;
}

void ProductSettingsMenu::handle_virt_listener_event(Listener*)
{
    refresh_products();
    send_val_updates(false);
}

bool ProductSettingsMenu::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || keys.switch_for(get_man(), a))
        return true;
    for (unsigned p = 0; p < PRODUCTS; ++p) {
        if (&a == &product_buttons[p]) {
            cds_set_uint(ds_head(), &ds().internal.current_product_index, &p);
            get_man()->switch_to_screen("product_settings_mask");
            break;
        }
    }
    return true;
}
