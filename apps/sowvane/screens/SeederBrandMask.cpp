#include "apps/sowvane/screens/SeederBrandMask.h"

using Ids = SeederBrandMask::Ids;
using Row = Key_row<Ids>;

const Row SeederBrandMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

const List_row<Ids> SeederBrandMask::list_rows[1] = {
    {&Ids::brand_list, SETTING_REF(app.personality)},
};

SeederBrandMask::SeederBrandMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

SeederBrandMask::~SeederBrandMask() = default;

bool SeederBrandMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().seeder_brand_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    lists.bind(*this, p, ids);
    return true;
}

void SeederBrandMask::update_brand()
{
    if (parameters != nullptr)
        lists.load(*parameters, 0);
}

void SeederBrandMask::post_snapshot_init()
{
    update_brand();
}

bool SeederBrandMask::activate()
{
    const bool ok = Data_screen::activate();
    update_brand();
    return ok;
}

bool SeederBrandMask::handle_stat_update(Stat* s)
{
    if (parameters != nullptr)
        lists.store(s, *parameters, 0);
    return false;
}

bool SeederBrandMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
