#include "vtui/stat/Stat_indicator.h"

bool Stat_indicator::init(Stat_collector* col)
{
    setup(col);
    return true;
}

bool Stat_indicator::set_state(unsigned int state)
{
    bool all = true;
    for (Stat_indicator_client_base* c = clients.first(); c; c = clients.next(c))
        all = c->set_state(state) && all;
    return all;
}

unsigned short Stat_indicator::get_object_id() const
{
    for (Stat_indicator_client_base* c = clients.first(); c; c = clients.next(c))
        if (VT::VT_obj* o = c->get_object())
            return o->get_id();
    return NULL_ID;
}
