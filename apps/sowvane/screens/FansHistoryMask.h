// Maximum and average speed and pressure of one of the two fans, chosen in a
// list that offers only enabled fans.
#pragma once

#include "apps/sowvane/screens/History_page.h"

class FansHistoryMask : public History_page<Screen_object_ids::Group_fans_history_mask> {
public:
    using Fan_listener = NV_store::Virt_listener<FansHistoryMask>;
    using History_page::handle_virt_listener_event;
    static constexpr unsigned FANS = 2;
    enum value_t { MAX_SPEED, MAX_PRESSURE, AVG_SPEED, AVG_PRESSURE, VALUES };

    FansHistoryMask(const char* name, Screen_man* man);
    ~FansHistoryMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool handle_stat_update(Stat* s) override;
    void handle_virt_listener_event(Fan_listener* l);

    Stat_list& fan_list() { return list; }
    Stat_num& value(value_t v) { return values[v]; }

protected:
    void refresh() override;

private:
    void show_fan(unsigned f);

    Stat_list list;
    Stat_num values[VALUES];
    VT::Input_list_obj* list_obj = nullptr;
    unsigned short items[FANS] = {};
    Fan_listener* fan_listeners[FANS] = {};
};
