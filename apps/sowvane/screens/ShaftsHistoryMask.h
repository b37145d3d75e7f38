// The maximum shaft speed of each tank.
#pragma once

#include "apps/sowvane/screens/History_page.h"

class ShaftsHistoryMask : public History_page<Screen_object_ids::Group_shafts_history_mask> {
public:
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;
    ShaftsHistoryMask(const char* name, Screen_man* man);

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;

    Stat_num& shaft(unsigned i) { return shafts[i]; }

protected:
    void refresh() override;

private:
    Stat_num shafts[TANKS];
};
