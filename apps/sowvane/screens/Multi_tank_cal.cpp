#include "apps/sowvane/screens/Multi_tank_cal.h"

#include <cctype>
#include <cstring>

namespace multi_tank_cal {

bool is_cal_tank(NV_kelsu::parameters_t& ps, unsigned i)
{
    if (i >= TANKS)
        return false;
    auto& tank = ps.app.channels[i];
    return tank.enabled.get() && tank.mode.get() == 0 &&
           cds_get_byte(ds_head(), &ds().channels.channels[i].product_assigned) != 0;
}

void show_tank_name(NV_kelsu::parameters_t& ps, unsigned i, Stat_string& out)
{
    char text[SETTING_NAME_BUFFER];
    const char* name = setting_name(ps.app.channels[i].name, text);
    while (std::isspace((unsigned char)*name))
        ++name;
    out = *name != '\0' ? name : ".......";
}

void show_key(VT::Object_pointer_obj* slot, uint32_t key)
{
    const unsigned short id = key < VT::Object_pool::NULL_ID ? (unsigned short)key : VT::Object_pool::NULL_ID;
    if (slot != nullptr && slot->get_value() != id)
        slot->set_value(id);
}

float store_float(const float* field)
{
    const unsigned bits = cds_get_word(ds_head(), field);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

} // namespace multi_tank_cal
