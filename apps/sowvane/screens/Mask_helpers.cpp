#include "apps/sowvane/screens/Mask_helpers.h"

#include "util/Debug_print.h"

#include <cstring>

namespace {
Screen_object_ids* object_ids = nullptr;
} // namespace

void set_mask_object_ids(Screen_object_ids* ids)
{
    object_ids = ids;
}

Screen_object_ids* mask_object_ids()
{
    return object_ids;
}

const Screen_object_ids::Record& tank_record(const Screen_object_ids& ids, int t)
{
    return ids.tank_records[t] ? *ids.tank_records[t] : ids.records[t];
}

void cds_toggle_bool(bool* field)
{
    bool value = !cds_get_byte(ds_head(), field);
    cds_set_bool(ds_head(), field, &value);
}

namespace {

// Imperial mass per area and mass: lb/ac and lb over kg/ha and kg.
constexpr double LB_PER_AC_SCALE = 0.11208511561944565;
constexpr double LB_SCALE = 0.045359237;

Format_pair pair(int units, double metric_scale, double imperial_scale)
{
    return {Stat_num_format(units, metric_scale, 1), Stat_num_format(units, imperial_scale, 1)};
}

} // namespace

Format_pair tank_rate_formats(int mode)
{
    switch (mode) {
    case 1:
        return pair(Units_man::UNITS_VOLUME_PER_AREA, 0.1, 0.1);
    case 2:
        return pair(Units_man::UNITS_MASS_N_PER_AREA, 0.1, LB_PER_AC_SCALE);
    default:
        return pair(Units_man::UNITS_MASS_PER_AREA, 0.1, LB_PER_AC_SCALE);
    }
}

Format_pair tank_volume_formats(int mode)
{
    switch (mode) {
    case 1:
        return pair(Units_man::UNITS_VOLUME, 0.1, 0.1);
    case 2:
        return pair(Units_man::UNITS_MASS_KGN, 0.1, LB_SCALE);
    default:
        return pair(Units_man::UNITS_MASS, 0.1, LB_SCALE);
    }
}

const char* setting_name(const NV_store::NV_array<char, 3, unsigned char, 20>& name, char* out)
{
    int n = name.get(out, SETTING_NAME_CHARS);
    out[n] = '\0';
    // A name may hold a terminator before its 20 characters.
    n = int(std::strlen(out));
    while (n > 0 && out[n - 1] == ' ')
        out[--n] = '\0';
    if (n == 0)
        std::strcpy(out, ".......");
    return out;
}

const char* tank_product_name(int product_number, bool assigned, char* out)
{
    if (!assigned || product_number < 0 || product_number >= ps().app.products.size()) {
        std::strcpy(out, "---");
        return out;
    }
    return setting_name(ps().app.products[product_number].name, out);
}

bool index_in_range(const char* what, long index, long count)
{
    if (index >= 0 && index < count)
        return true;
    Debug_print::dprint("%s index %ld out of range\n", what, index);
    return false;
}

int cds_listen(CDS::Virt_access& listener, const void* field, int size, waiter_descriptor* waiter)
{
    CDS::Head* head = ds_head();
    listener.init(head, head->offset_of(field), size);
    head->lock();
    int r = listener.autoreg(waiter);
    head->unlock();
    return r;
}

int cds_unlisten(CDS::Virt_access& listener, waiter_descriptor* waiter)
{
    CDS::Head* head = listener.get_head();
    if (!head)
        return -1;
    head->lock();
    int r = listener.autounreg(waiter);
    head->unlock();
    return r;
}

int nv_listen(NV_store::Virt_access& listener, NV_store::NV_item* item, waiter_descriptor* waiter)
{
    listener.init(item);
    return listener.autoreg(waiter, true) == 1 ? 0 : -1;
}
