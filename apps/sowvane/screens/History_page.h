// The shape the three history pages share: four soft keys back to the menus
// and a listener on the data store's history record, whose every change
// refreshes the page. The pages only show; they never write the history.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

#include <cstring>

template <class Group>
class History_page : public Data_screen {
public:
    using Listener = CDS::Virt_listener<History_page>;

    History_page(const char* name, Screen_man* man, Group Screen_object_ids::*group)
        : Data_screen(name, man), group_(group)
    {
    }
    ~History_page() override
    {
        if (get_waiter() != nullptr && listener_.get_head() != nullptr)
            cds_unlisten(listener_, get_waiter());
    }

    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        if (is_release(ev))
            keys_.switch_for(get_man(), a);
        return true;
    }
    bool handle_stat_update(Stat*) override { return false; }
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener*)
    {
        refresh();
        send_val_updates(false);
    }

protected:
    // Binds the data mask and the keys; false when the mask is missing.
    bool bind(VT::Object_pool* pool, NV_kelsu::parameters_t* params)
    {
        const Group& ids = ids_of();
        if (!bind_data_mask(*this, pool, params, ids.data_mask))
            return false;
        keys_.bind(this, ids);
        return true;
    }
    void listen()
    {
        if (listener_.get_head() == nullptr)
            cds_listen(listener_, &ds().history, int(sizeof(ds_history)), get_waiter());
    }
    const Group& ids_of() const { return mask_ids().*group_; }
    virtual void refresh() = 0;
    static float history_value(const float* field)
    {
        const unsigned bits = cds_get_word(ds_head(), field);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // An output-only number of the page.
    static void bind_output(Stat_num& stat, Stat_collector* col, VT::Object_pool* pool, uint32_t id,
                            const Stat_num_format& metric, const Stat_num_format& imperial,
                            VT::Output_string_obj* units = nullptr)
    {
        stat.init(col, find_pool_object<VT::Output_number_obj>(pool, id), SETTING_UPDATE_MS, metric, imperial,
                  nullptr, Stat_num::RAW_MAX, 0, pool, units);
    }

private:
    static constexpr Key_row<Group> key_rows[4] = {
        {&Group::key_operating_history_menu, Key_row<Group>::KEY, "operating_history_menu_mask"},
        {&Group::key_seeder_settings_menu, Key_row<Group>::KEY, "seeder_settings_menu"},
        {&Group::key_settings_menu, Key_row<Group>::KEY, "settings_menu"},
        {&Group::key_main, Key_row<Group>::KEY, "main"},
    };
    Group Screen_object_ids::*group_;
    Key_rows<Group, 4> keys_{key_rows};
    Listener listener_{this};
};
