// One button per product, showing the product's name and its tank; a
// button opens the product settings page for that product.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "glue/NV_store/NV_access.h"

class ProductSettingsMenu : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_product_settings_menu;
    using Listener = NV_store::Virt_listener<ProductSettingsMenu>;
    static constexpr int PRODUCTS = 16;

    ProductSettingsMenu(const char* name, Screen_man* man);
    ~ProductSettingsMenu() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    // Writes every product's name and tank into its row.
    bool refresh_products();

private:
    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Window::Activator product_buttons[PRODUCTS];
    Listener* listeners[PRODUCTS] = {};
    VT::Output_string_obj* names[PRODUCTS] = {};
    VT::Output_string_obj* tanks[PRODUCTS] = {};
};
