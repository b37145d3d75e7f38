// The stats that several screens show, bound, scaled and refreshed once. A
// data screen that comes up takes the global stats its window lists into the
// active set (this screen's own collector); going down puts them back.
#pragma once

#include "vtui/screen/Data_screen.h"
#include "vtui/stat/Stat_num.h"

class Global_stat_manager : public Data_screen {
public:
    static constexpr int EXIT_NO_SUCH_STAT = -111;

    Global_stat_manager(const char* name, Screen_man* man);
    ~Global_stat_manager() override;

    // Binds to the pool's first data mask; false when it has none.
    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;

    Stat_num* get_num(Stat_ids::num_ids id);
    // The kinds without global stats: a request is a programming error.
    [[noreturn]] void get_other(const char* kind, int id);

    void add_stats(Window* w);
    void clear_active_stats();
    bool set_units(Units_man& units) override;

    bool handle_activator_event(Activator&, Activator_event&) override { return false; }
    bool send_data_store_event(unsigned short) override { return false; }
    bool send_parameters_event(unsigned short, waiter_event&) override { return true; }
    bool activate() override { return true; }
    bool deactivate() override { return true; }

    int available_count() const { return available.count(); }
    bool is_available(Stat* s) const;

private:
    Stat_num nums[Stat_ids::NUM_COUNT];
    c_sl_list<Stat> available;
};
