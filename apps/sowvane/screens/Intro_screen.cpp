#include "apps/sowvane/screens/Intro_screen.h"

bool Intro_screen::init(VT::Object_pool* pool, NV_kelsu::parameters_t* params)
{
    VT::Data_mask_obj* mask = pool ? pool->find<VT::Data_mask_obj>("mask_intro") : nullptr;
    return Data_screen::init(pool, mask, params, nullptr, 0);
}
