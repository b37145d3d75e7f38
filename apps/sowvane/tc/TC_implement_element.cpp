#include "apps/sowvane/tc/TC_implement_element.h"

#include "apps/sowvane/tc/TC_interface.h"

#include <cstdarg>
#include <cstdio>

namespace TaskController_interface {

TC::TC_obj* find_object(TC::Object_pool* pool, const char* name)
{
    return Object_pool_base<TC::TC_obj>::find_object(pool, name, false);
}

TC_implement_element::TC_implement_element(TC_interface* client, TC::Object_pool* pool,
                                           NV_kelsu::parameters_t* params,
                                           unsigned short element_number)
    : TC_interface_device_element(client),
      client_(client),
      pool_(pool),
      params_(params),
      element_number_(element_number)
{
}

TC_implement_element::~TC_implement_element() { drop_entries(); }

TC_interface_process_data_base* TC_implement_element::pd(int row) const
{
    return row >= 0 && row < int(entries_.size()) ? entries_[row].var.get() : nullptr;
}

CDS::Head& TC_implement_element::store() const { return client_->store(); }
data_store_body& TC_implement_element::body() const { return client_->body(); }

unsigned long TC_implement_element::next_event_id() { return client_->next_eventid(); }

void TC_implement_element::config_error(const char* format, ...)
{
    char text[160];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (client_)
        client_->report_config_error(text);
    stop();
}

TC::Device_process_data_obj* TC_implement_element::find_pd(const char* name)
{
    TC::TC_obj* o = find_object(pool_, name);
    auto* pd = dynamic_cast<TC::Device_process_data_obj*>(o);
    if (!pd)
        config_error("TC device description: %s needs the process-data object \"%s\", %s",
                     object_name_[0] ? object_name_ : "the implement", name,
                     o ? "which is of another kind" : "which is missing");
    return pd;
}

void TC_implement_element::register_node(PD_node& node, TC::ddi_t ddi,
                                         TC_interface_process_data_api* var)
{
    client_->add_to_pdtree(&node, element_number_, ddi, var);
}

void TC_implement_element::retarget(int row, const TC::Device_process_data_obj* obj,
                                    double multiplier)
{
    Entry& e = entries_[row];
    client_->remove_from_pdtree(e.node.get());
    e.var->set_oid_and_ddi(obj->get_id(), obj->get_ddi());
    e.var->set_multiplier(multiplier);
    register_node(*e.node, obj->get_ddi(), e.var.get());
}

bool TC_implement_element::create_element_object(unsigned char element_type,
                                                 TC::object_id_t parent,
                                                 const std::vector<TC::object_id_t>& children)
{
    std::vector<TC::Attribute_object_id> ids;
    ids.reserve(children.size());
    for (TC::object_id_t id : children)
        ids.emplace_back("child", id);
    TC::object_id_t own_id = TC::object_id_t(element_number_ + 1000);
    auto* obj = new TC::Client::Device_element_obj(
        pool_, own_id, object_name_, element_type, (unsigned char)std::strlen(designator_),
        designator_, element_number_, parent, (unsigned short)ids.size(), ids.data());
    pool_->lock(-1);
    bool added = pool_->add_object(obj);
    pool_->unlock();
    if (!added) {
        std::fprintf(stderr,
                     "TC: the pool refused the element object %u \"%s\" (its id or name is "
                     "taken); element %u stays out\n",
                     own_id, object_name_, element_number_);
        delete obj;
        stop();
        return false;
    }
    set_element_object(obj);
    return true;
}

void TC_implement_element::set_children(const std::vector<TC::object_id_t>& children)
{
    if (!element_obj_)
        return;
    std::vector<TC::Attribute_object_id> ids;
    for (TC::object_id_t id : children)
        ids.emplace_back("child", id);
    element_obj_->set_child_objects((unsigned short)ids.size(), ids.data());
}

void TC_implement_element::stop()
{
    // The variables stay until the element goes (change events for them
    // may be queued); out of the tree, no command reaches them.
    failed_ = true;
    unregister_entries();
}

void TC_implement_element::unregister_entries()
{
    for (Entry& e : entries_)
        if (client_)
            client_->remove_from_pdtree(e.node.get());
}

void TC_implement_element::drop_entries()
{
    unregister_entries();
    entries_.clear();
}

} // namespace TaskController_interface
