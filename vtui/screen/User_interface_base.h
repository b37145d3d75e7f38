// The event-loop module that carries the whole user interface: a Diner
// "UI00" on whose thread the screen manager and every screen run. The
// application's user interface derives from it and handles the events.
#pragma once

#include "glue/diner/Diner.h"

class Data_screen;
class Alarm_screen;

class User_interface_base : public Diner {
public:
    static constexpr int PRIORITY = 43;
    static constexpr int STACK_SIZE = 30720;

    explicit User_interface_base(module_man* man);

    bool init() { return true; }

    // The VT shows another mask than the current screen's while the pool is
    // idle; the derived module decides what to do.
    virtual void handle_mask_mismatch(bool mismatch) = 0;
    virtual void notify_data_screen_up(Data_screen* screen) {}
    virtual void notify_data_screen_down(Data_screen* screen) {}
    virtual void notify_alarm_screen_up(Alarm_screen* screen) {}
    virtual void notify_alarm_screen_down(Alarm_screen* screen) {}
};
