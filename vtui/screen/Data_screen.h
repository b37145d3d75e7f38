// A screen on one VT data mask: shows the mask, keeps its soft-key mask, its
// title and the edit decorations, feeds VT input to its own stats and to the
// global stats, and takes in the global stats it uses while shown.
#pragma once

#include "vtui/screen/Screen.h"

class waiter_descriptor;

class Data_screen : public Screen {
public:
    Data_screen(const char* name, Screen_man* man);
    ~Data_screen() override;

    using Screen::init;
    bool init(VT::Object_pool* pool, VT::Data_mask_obj* mask, NV_kelsu::parameters_t* params,
              unsigned short* ids, int count);
    // Manager, pool, mask and parameters are all set.
    bool is_ok() const;
    waiter_descriptor* get_waiter();

    void send_change_numeric_value_event(VT_change_numeric_value_event& ev) override;
    void send_input_string_value_event(Input_string_value_event& ev) override;
    void send_vt_esc_event(VT_ESC_event& ev) override;
    bool base_send_timeout(Timeout& t) override { return send_timeout(t); }
    Data_screen* as_data_screen() override { return this; }
    bool activate() override;
    bool deactivate() override;
    unsigned short get_mask_id() override;
    unsigned short get_button_id() override { return button_id; }
    unsigned short get_softkey_id() override { return softkey_id; }
    unsigned short get_title_ref() override { return title_id; }
    bool reshow_mask() override;
    virtual unsigned short get_title_id() { return title_id; }

    void set_soft_key_mask(unsigned short id);
    void input_unclean();
    void de_edit();
    // Frames the editable stats of the screen, the global stats and the
    // element groups on the mask.
    void update_stat_decorations();
    // Offers the event to every stat of the collector that takes its id.
    void update_stats_for_numeric_value_event(VT_change_numeric_value_event& ev, Stat_collector& col);
    void update_stats_for_string_value_event(Input_string_value_event& ev, Stat_collector& col);

    VT::Data_mask_obj* get_data_mask() const { return data_mask; }
    bool is_edit_clean() const { return edit_clean; }

protected:
    // The bar graph of the screen's own pool that covers unused quadrants;
    // every data screen of one pool finds the same one.
    VT::Linear_bar_graph_obj* unused_cover = nullptr;
    VT::Data_mask_obj* data_mask = nullptr;
    VT::Container_obj* common_items = nullptr;
    VT::Output_string_obj* title_string = nullptr;
    unsigned short title_id = NULL_ID;
    unsigned short reserved_id = NULL_ID;
    unsigned short button_id = NULL_ID;
    unsigned short softkey_id = NULL_ID;
    VT::Soft_key_mask_obj* soft_key_mask = nullptr;
    unsigned short key_cross_id = NULL_ID;
    unsigned short key_cross_alt_id = NULL_ID;
    unsigned short key_tick_id = NULL_ID;
};
