// Small operations the run-screen and settings masks share while they bind
// VT objects and read data: typed pool look-ups by table id, the display
// formats of a tank's rate and volume, setting names as the operator sees
// them, locked toggles and checked indexes of the data store.
#pragma once

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "glue/NV_store/NV_access.h"
#include "glue/cds/Access.h"
#include "platform/vt/Object_pool.h"
#include "vtui/stat/Stat_num.h"

#include <cstdint>

// The object of that id narrowed to T, null when the id names no object (a
// table id above 16 bits included) or one of another class.
template <class T>
T* find_pool_object(VT::Object_pool* pool, uint32_t id)
{
    if (!pool || id >= VT::Object_pool::NULL_ID)
        return nullptr;
    return pool->find<T>(uint16_t(id));
}

// A table id as a 16-bit object id (the null id for none).
inline unsigned short object_id16(uint32_t id)
{
    return id < VT::Object_pool::NULL_ID ? uint16_t(id) : VT::Object_pool::NULL_ID;
}

// Hides or shows a container; nothing when the mask has none.
inline void set_container_hidden(VT::Container_obj* c, bool hidden)
{
    if (c)
        c->set_hidden(hidden ? 1 : 0);
}

// The data the screens read and write: the live data store and the
// parameter tree of the process.
inline CDS::Head* ds_head() { return &sowvane_data_store.head; }
inline data_store_body& ds() { return sowvane_data_store.body; }
inline NV_kelsu::parameters_t& ps() { return sowvane_parameters; }

// The screen object-ID table the masks bind from, given by User_interface::init
// before the screens initialise; null before.
void set_mask_object_ids(Screen_object_ids* ids);
Screen_object_ids* mask_object_ids();

// The run-screen record of tank t (0 to 3).
const Screen_object_ids::Record& tank_record(const Screen_object_ids& ids, int t);

// Writes the negation of a data-store flag, both through the locked accessors.
void cds_toggle_bool(bool* field);

// Metric and imperial formats of one value.
struct Format_pair {
    Stat_num_format metric;
    Stat_num_format imperial;
};
// A tank's application rate and its volume (remaining product) by tank mode:
// 1 liquid, 2 NH3, any other granular.
Format_pair tank_rate_formats(int mode);
Format_pair tank_volume_formats(int mode);

// A 20-character setting name as shown: all 20 characters, trailing spaces
// trimmed, "......." when nothing is left. out must hold 21 bytes.
constexpr int SETTING_NAME_CHARS = 20;
constexpr int SETTING_NAME_BUFFER = SETTING_NAME_CHARS + 1;
const char* setting_name(const NV_store::NV_array<char, 3, unsigned char, 20>& name, char* out);
// The name of a tank's product, "---" when the tank has none.
const char* tank_product_name(int product_number, bool assigned, char* out);

// Binds a listener to a data-store range and registers it with the waiter
// (under the store's lock); the reverse. 0 or -1.
class waiter_descriptor;
int cds_listen(CDS::Virt_access& listener, const void* field, int size, waiter_descriptor* waiter);
int cds_unlisten(CDS::Virt_access& listener, waiter_descriptor* waiter);
// Binds a listener to a settings node and registers it (flag true).
int nv_listen(NV_store::Virt_access& listener, NV_store::NV_item* item, waiter_descriptor* waiter);

// Binds a number stat again (new formats on the same objects): out of its
// collector first, so that it is listed once.
template <class... Args>
bool rebind(Stat_num& stat, Stat_collector* col, Args... args)
{
    if (col)
        col->remove(&stat);
    return stat.init(col, args...);
}

// Whether an index a peer, the operator or the store may set lies in
// [0, count); else prints "<what> index %d out of range\n" and refuses.
bool index_in_range(const char* what, long index, long count);
