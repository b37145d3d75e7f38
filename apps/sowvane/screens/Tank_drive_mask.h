// The shape of the drive and valve settings masks: the parameters of one
// tank (internal.current_channel_index, followed through the data store),
// named once as rows of numbers and lists over app.channels[i], four soft
// keys back to the settings and the tank's number on the page. Tanks 4 and
// above have no drive pages: their number shows, nothing is read or written.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

template <class Group, size_t K, size_t N, size_t L>
class Tank_drive_mask : public Data_screen {
public:
    using Listener = CDS::Virt_listener<Tank_drive_mask>;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;

    struct Rows {
        Group Screen_object_ids::*group;
        const Key_row<Group> (&keys)[K];
        const Number_row<Group>* numbers; // N rows
        const List_row<Group>* lists;     // L rows
        const char* update_line;
    };

    Tank_drive_mask(const char* name, Screen_man* man, const Rows& rows)
        : Data_screen(name, man), group_(rows.group), update_line_(rows.update_line), keys_(rows.keys),
          numbers_(rows.numbers), lists_(rows.lists)
    {
    }
    ~Tank_drive_mask() override
    {
        if (get_waiter() != nullptr && listener_.get_head() != nullptr)
            cds_unlisten(listener_, get_waiter());
    }

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override
    {
        tank_ = 0;
        const Group& ids = mask_ids().*group_;
        if (!bind_data_mask(*this, pool, params, ids.data_mask))
            return false;
        keys_.bind(this, ids);
        tank_output_ = find_pool_object<VT::Output_number_obj>(pool, ids.tank_output);
        numbers_.bind(*this, pool, ids);
        lists_.bind(*this, pool, ids);
        return true;
    }
    void post_snapshot_init() override
    {
        if (listener_.get_head() == nullptr)
            cds_listen(listener_, &ds().internal, int(sizeof(ds_internal)), get_waiter());
        update_from_cds();
    }
    bool handle_stat_update(Stat* s) override
    {
        Debug_print::dprint("%s", update_line_);
        if (parameters == nullptr || !has_tank())
            return false;
        if (!store(s))
            numbers_.store(s, *parameters, tank_) || lists_.store(s, *parameters, tank_);
        return false;
    }
    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        if (is_release(ev))
            keys_.switch_for(get_man(), a);
        return true;
    }
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l)
    {
        if (l == &listener_)
            update_from_cds();
        send_val_updates(false);
    }

    unsigned tank() const { return tank_; }
    Stat_num& number(size_t r) { return numbers_[r]; }
    Stat_list& list(size_t r) { return lists_[r]; }

protected:
    bool has_tank() const { return tank_ < TANKS; }
    // Reads the tank index, shows its number and refreshes.
    void update_from_cds()
    {
        tank_ = cds_get_word(ds_head(), &ds().internal.current_channel_index);
        if (tank_output_ != nullptr && tank_output_->get_value() != tank_ + 1)
            tank_output_->set_value(tank_ + 1);
        refresh();
    }
    // Loads every row of the tank; masks add their own steps.
    virtual void refresh()
    {
        if (parameters == nullptr || !has_tank())
            return;
        numbers_.load(*parameters, tank_);
        lists_.load(*parameters, tank_);
    }
    // A mask's own handling of an edit; false leaves it to the rows.
    virtual bool store(Stat*) { return false; }

    Group Screen_object_ids::*group_;
    const char* update_line_;
    unsigned tank_ = 0;
    Listener listener_{this};
    Key_rows<Group, K> keys_;
    VT::Output_number_obj* tank_output_ = nullptr;
    Number_rows<Group, N> numbers_;
    List_rows<Group, L> lists_;
};

// The four soft keys every drive and valve page has.
#define TANK_DRIVE_KEYS(Ids)                                                                                     \
    {&Ids::key_tank_settings, Key_row<Ids>::KEY, "tank_settings_mask"},                                          \
        {&Ids::key_main, Key_row<Ids>::KEY, "main"}, {&Ids::key_settings_menu, Key_row<Ids>::KEY, "settings_menu"}, \
    {                                                                                                            \
        &Ids::key_seeder_settings_menu, Key_row<Ids>::KEY, "seeder_settings_menu"                                \
    }
