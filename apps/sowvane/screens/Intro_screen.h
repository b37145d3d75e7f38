// The screen shown from start-up until the pool is on the VT: the intro mask
// of the pool specification, nothing on it to drive.
#pragma once

#include "vtui/screen/Data_screen.h"

class Intro_screen : public Data_screen {
public:
    using Data_screen::Data_screen;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool handle_stat_update(Stat*) override { return false; }
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
};
