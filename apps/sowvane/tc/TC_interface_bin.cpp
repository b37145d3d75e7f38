#include "apps/sowvane/tc/TC_interface_bin.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_interface_channel.h"

#include <cstdio>
#include <string>

namespace TaskController_interface {

namespace {

struct Content_kind {
    const char* prefix;
    double multiplier;
};
const Content_kind content_kinds[] = {{"binmass", 1000.0}, {"binvol", 1000.0}, {"bincount", 1.0}};
const char* const row_suffix[TC_interface_bin::NUM_PD] = {"_pd_setpoint", "_pd_actual", "_pd_max"};

} // namespace

TC_interface_bin::TC_interface_bin(TC_interface* client, TC::Object_pool* pool,
                                   NV_kelsu::parameters_t* params, TC::object_id_t parent,
                                   unsigned int index, bool placeholder)
    : TC_implement_element(client, pool, params, (unsigned short)(150 + index)),
      index_(index),
      placeholder_(placeholder),
      parent_(parent)
{
    if (placeholder_ || !client_ || !pool_)
        return;
    std::snprintf(object_name_, sizeof object_name_, "bin_%u", index_);
    std::snprintf(designator_, sizeof designator_, "Bin %u", index_ + 1);
    const TC::Device_process_data_obj* objs[NUM_PD];
    if (!choose_kind(true, objs) || !create_instance_property())
        return;
    for (const auto* o : objs)
        children_.push_back(o->get_id());
    children_.push_back(property_->get_id());

    ds_chan& chan = body().interface.channels[index_];
    bind_field(objs[PD_SETPOINT], &chan.bin.content_setpoint, multiplier_);
    bind_field(objs[PD_ACTUAL], &body().channels.channels[index_].remaining_volume, multiplier_);
    bind_field(objs[PD_MAX], &chan.bin.maximum_content, multiplier_);
    if (!create_element_object(TC::Device_element_obj::BIN, parent_, children_))
        return;
    refresh_enabled();
}

bool TC_interface_bin::create_instance_property()
{
    TC::TC_obj* found = find_object(pool_, PROPERTY_NAME);
    auto* shape = dynamic_cast<TC::Device_property_obj*>(found);
    if (!shape) {
        config_error("TC device description: %s needs the property object \"%s\", %s",
                     object_name_, PROPERTY_NAME,
                     found ? "which is of another kind" : "which is missing");
        return false;
    }
    const std::string name = std::string(object_name_) + "_instance";
    const TC::object_id_t id = TC::object_id_t(PROPERTY_ID_BASE + index_);
    auto* own = new TC::Client::Device_property_obj(pool_, id, name.c_str());
    pool_->lock(-1);
    own->take_shape_of(*shape);
    own->set_value(int(index_));
    bool added = pool_->add_object(own);
    pool_->unlock();
    if (!added) {
        std::fprintf(stderr,
                     "TC: the pool refused the property object %u \"%s\" (its id or name is "
                     "taken); element %u stays out\n",
                     id, name.c_str(), element_number_);
        delete own;
        stop();
        return false;
    }
    property_ = own;
    return true;
}

TC_interface_bin::~TC_interface_bin()
{
    if (!placeholder_)
        std::printf("Deleting TC_interface_bin for bin num %u\n", index_);
}

bool TC_interface_bin::choose_kind(bool at_construction,
                                   const TC::Device_process_data_obj* objs[NUM_PD])
{
    int kind = cds_get(&store(), &body().interface.channels[index_].content_kind);
    if (kind < 0 || kind > 2) {
        if (at_construction || !prefix_) {
            std::printf("Bin %u: content kind %d is none of mass, volume or count; taken as mass\n",
                        index_, kind);
            kind = 0;
        } else {
            std::printf("Bin %u: content kind %d is none of mass, volume or count; kept as %s\n",
                        index_, kind, prefix_);
            kind = -1;
        }
    }
    if (kind >= 0) {
        prefix_ = content_kinds[kind].prefix;
        multiplier_ = content_kinds[kind].multiplier;
    }
    for (int k = 0; k < NUM_PD; ++k)
        if (!(objs[k] = find_pd((std::string(prefix_) + row_suffix[k]).c_str())))
            return false;
    return true;
}

void TC_interface_bin::refresh_enabled()
{
    if (element_obj_)
        element_obj_->set_enabled(channel_is_enabled(*client_, params_, index_));
}

void TC_interface_bin::update_type_based_process_data()
{
    if (placeholder_ || !ok() || pd_count() < NUM_PD)
        return;
    const TC::Device_process_data_obj* objs[NUM_PD];
    if (!choose_kind(false, objs))
        return;
    for (int k = 0; k < NUM_PD; ++k) {
        retarget(k, objs[k], multiplier_);
        children_[k] = objs[k]->get_id();
    }
    set_children(children_);
}

void TC_interface_bin::handle_default()
{
    if (!placeholder_ && pd(PD_ACTUAL))
        pd(PD_ACTUAL)->set_change_threshold(1);
}

} // namespace TaskController_interface
