// What every device element of the implement shares: finding its objects
// in the TC object pool by name, registering its process data under its
// element number, building and adding its device-element object, and
// stopping cleanly when the description lacks an object it needs.
#pragma once

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/params/parameters.h"
#include "platform/tc/TC_object_pool.h"
#include "tc_client/TC_interface_base.h"
#include "tc_client/TC_interface_process_data_cds.h"
#include "tc_client/TC_interface_process_data_nv.h"

#include <memory>
#include <vector>

class TC_interface;

namespace TaskController_interface {

// The pool object of that name, found under the pool's lock; null when
// there is none.
TC::TC_obj* find_object(TC::Object_pool* pool, const char* name);

class TC_implement_element : public TC_interface_device_element {
public:
    static constexpr int NAME_SIZE = 32;
    static constexpr int DEFAULT_INTERVAL_MS = 200;

    TC_implement_element(TC_interface* client, TC::Object_pool* pool,
                         NV_kelsu::parameters_t* params, unsigned short element_number);
    // Takes the element's process data out of the tree and deletes them;
    // the client drops change events still queued for them.
    ~TC_implement_element() override;

    // False when the element stopped while it was built.
    bool ok() const { return !failed_; }
    bool has_config() const { return client_ && pool_ && params_; }
    unsigned short element_number() const { return element_number_; }
    const char* object_name() const { return object_name_; }
    const char* designator() const { return designator_; }
    // The process datum registered in row `row`, null when none.
    TC_interface_process_data_base* pd(int row) const;
    int pd_count() const { return int(entries_.size()); }

protected:
    CDS::Head& store() const;
    data_store_body& body() const;

    // The process-data object of that name; null, with the configuration
    // error reported, when the description has none.
    TC::Device_process_data_obj* find_pd(const char* name);
    // Reports a configuration error (the description lacks what the element
    // needs) and stops the element.
    void config_error(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Registers a variable under this element's number and takes it over.
    template <class V> V* add_pd(V* var, TC::ddi_t ddi, double multiplier)
    {
        var->set_multiplier(multiplier);
        Entry e;
        e.var.reset(var);
        e.node.reset(new PD_node);
        register_node(*e.node, ddi, var);
        entries_.push_back(std::move(e));
        return var;
    }
    // A variable over a data-store field; DDI from the object unless fixed.
    template <typename T>
    TC_interface_process_data_cds_basic<T>* bind_field(const TC::Device_process_data_obj* obj,
                                                       T* field, double multiplier, int ddi = -1)
    {
        TC::ddi_t d = ddi < 0 ? obj->get_ddi() : TC::ddi_t(ddi);
        return add_pd(new TC_interface_process_data_cds_basic<T>(this, obj->get_id(), d,
                                                                 next_event_id(), store(), field,
                                                                 nullptr),
                      d, multiplier);
    }
    // A variable over a setting.
    template <typename T, int CODE>
    TC_interface_process_data_nv_basic<T, CODE>* bind_setting(const TC::Device_process_data_obj* obj,
                                                              NV_store::NV_number<T, CODE>& setting,
                                                              double multiplier)
    {
        return add_pd(new TC_interface_process_data_nv_basic<T, CODE>(this, obj->get_id(),
                                                                      obj->get_ddi(), setting),
                      obj->get_ddi(), multiplier);
    }
    // Moves the variable of a row to another pool object (a type change).
    void retarget(int row, const TC::Device_process_data_obj* obj, double multiplier);

    // Builds the device-element object and adds it to the pool; false (the
    // element stopped, the refusal reported) when the pool refuses it.
    bool create_element_object(unsigned char element_type, TC::object_id_t parent,
                               const std::vector<TC::object_id_t>& children);
    // Lists the children again on the element object.
    void set_children(const std::vector<TC::object_id_t>& children);
    // Stops the element: its process data leave the tree.
    void stop();

    unsigned long next_event_id();

    TC_interface* client_;
    TC::Object_pool* pool_;
    NV_kelsu::parameters_t* params_;
    unsigned short element_number_;
    char object_name_[NAME_SIZE] = "";
    char designator_[NAME_SIZE] = "";
    bool failed_ = false;

private:
    struct Entry {
        std::unique_ptr<TC_interface_process_data_base> var;
        std::unique_ptr<PD_node> node;
    };
    void register_node(PD_node& node, TC::ddi_t ddi, TC_interface_process_data_api* var);
    void unregister_entries();
    void drop_entries();

    std::vector<Entry> entries_;
};

} // namespace TaskController_interface
