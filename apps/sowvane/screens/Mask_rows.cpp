#include "apps/sowvane/screens/Mask_rows.h"

const Screen_object_ids& mask_ids()
{
    static const Screen_object_ids none;
    const Screen_object_ids* ids = mask_object_ids();
    return ids != nullptr ? *ids : none;
}

bool bind_data_mask(Data_screen& screen, VT::Object_pool* pool, NV_kelsu::parameters_t* params, uint32_t id)
{
    auto* mask = find_pool_object<VT::Data_mask_obj>(pool, id);
    if (mask == nullptr)
        return false;
    return screen.Data_screen::init(pool, mask, params, nullptr, 0);
}

void show_text(VT::Object_pool* pool, VT::Output_string_obj* out, const char* text)
{
    if (pool == nullptr || out == nullptr)
        return;
    pool->set_string(out, 0, text, pool->is_running(), 0);
}

void show_container(VT::Container_obj* c, bool shown)
{
    if (c != nullptr && c->get_hidden() == shown)
        c->set_hidden(shown ? 0 : 1);
}
