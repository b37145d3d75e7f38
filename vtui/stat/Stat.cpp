#include "vtui/stat/Stat.h"

bool Stat::can_update_from_id(unsigned short id) const
{
    // The null id names no object: a stat without objects must not take an
    // event that names none.
    if (id == NULL_ID)
        return false;
    return id == get_var_id() || id == get_in_object_id() || id == get_object_id();
}

void Stat::setup(Stat_collector* collector)
{
    if (collector)
        collector->push(this);
}

void Stat::set_editable(bool editable)
{
    editable_ = editable;
    _set_editable(editable);
}

void Stat_collector::suspend_editable()
{
    for_each([](Stat& s) { s.suspend_editable(); });
}

void Stat_collector::resume_editable()
{
    for_each([](Stat& s) { s.resume_editable(); });
}
