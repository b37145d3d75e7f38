// Implement totals: area, distance, operating time, maximum speed and the
// output of each tank in the units of its tank type.
#pragma once

#include "apps/sowvane/screens/History_page.h"

class TotalsHistoryMask : public History_page<Screen_object_ids::Group_totals_history_mask> {
public:
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;
    TotalsHistoryMask(const char* name, Screen_man* man);

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;

    Stat_num& area() { return area_stat; }
    Stat_num& tank_output(unsigned i) { return outputs[i]; }

protected:
    void refresh() override;

private:
    void bind_tank_output(unsigned i, int mode);

    Stat_num area_stat, distance_stat, time_stat, speed_stat;
    Stat_num outputs[TANKS];
    int output_modes[TANKS] = {-1, -1, -1, -1};
};
