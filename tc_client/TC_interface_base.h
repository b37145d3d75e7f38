// The task-controller client core: the Diner "TCI0" on whose thread every
// device element and process-data variable of the implement lives. It maps
// (element number, DDI) to the variable that serves it, routes the TC object
// pool's process-data events there, answers the default-data request and
// owns the variables' timers.
#pragma once

#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "platform/tc/TC_object_pool.h"
#include "tc_client/TC_interface_device_element.h"
#include "tc_client/TC_interface_process_data.h"
#include "util/c_bstree.h"

class JIN_smart_stack;
namespace JIN_name {
class RAWNAME;
}
namespace CDS {
class Head;
}
namespace NV_store {
class NV_root;
}

namespace TaskController_interface {

class ECU_access;

// A node of the process-data tree; its storage belongs to the caller.
struct PD_node : avl_bsnode {
    unsigned short element = 0;
    unsigned short ddi = 0;
    TC_interface_process_data_api* pd = nullptr;

    // By element number, then DDI; -1 when either node is missing.
    static int compare(const PD_node* a, const PD_node* b);
};

} // namespace TaskController_interface

class TC_interface_base : public Diner_protection<Diner> {
public:
    using PD_node = TaskController_interface::PD_node;
    using TC_interface_process_data_api = TaskController_interface::TC_interface_process_data_api;
    using TC_interface_device_element = TaskController_interface::TC_interface_device_element;

    static constexpr unsigned short DEFAULT_DATA_DDI = 0xDFFF;

    explicit TC_interface_base(module_man* mm);
    ~TC_interface_base() override;

    void diner_start() override {}
    void diner_stop() override;
    using Diner::handle_timeout;
    // Hands an expired timer to the process datum that owns it.
    void handle_timeout(Timeout& t) override;

    int next_eventid();
    // Empties the tree (the nodes are left alone) and restarts the event ids.
    void reset_pdtree();
    void add_to_elem_list(TC_interface_device_element* element);
    // Takes an element out of the list before it is destroyed.
    bool remove_from_elem_list(TC_interface_device_element* element);
    void add_to_pdtree(PD_node* node, unsigned short element, unsigned short ddi,
                       TC_interface_process_data_api* pd);
    void remove_from_pdtree(PD_node* node);
    TC_interface_process_data_api* get_processdata(unsigned short element, unsigned short ddi);

    bool submit_timer(Timeout& t);
    bool submit_timer(Timeout& t, int ms);
    void remove_timer(Timeout& t);

    // The kind (0 to 6) of a process-data event of the pool, -1 for none.
    static int get_event_kind(TC::Object_pool* pool, const waiter_event& event);
    // Decodes a process-data event: its element number and DDI.
    static bool get_event_ref(TC::Object_pool* pool, const waiter_event& event,
                              unsigned short& element, unsigned short& ddi);
    // Whether a set-value event asks for the outcome to be acknowledged.
    static bool wants_acknowledge(const waiter_event& event);
    bool get_event_ref(const waiter_event& event, unsigned short& element, unsigned short& ddi);
    // Routes a process-data event to its variable, or walks every variable
    // and element of the active description on a default-data request.
    bool handle_tc_event(waiter_event& event);
    // Drops every trigger of every variable: the task controller that set
    // them, or the description they were set on, is gone.
    void clear_triggers();

    // A change event of a bound data-store field or setting: runs the
    // handle's change callback. False when the event is neither.
    static bool handle_change_event(const waiter_event& event, CDS::Head* store,
                                    NV_store::NV_root* params);

    bool add_stack(JIN_smart_stack* stack, JIN_name::RAWNAME& name);
    TaskController_interface::ECU_access* get_ecu_access() const { return ecu_access_; }

    TC::Object_pool* get_pool() const { return pool_; }
    int pd_count() const { return pdtree_.count(); }
    const c_sl_list<TC_interface_device_element>& elements() const { return elements_; }

protected:
    // Stores the pool, installs the tree's order and creates the access of
    // other ECUs to the process data.
    void init_core(TC::Object_pool* pool);

    using Jdb = Debug_base<_JDB, _JDB::jdb_enum>;

    TC::Object_pool* pool_ = nullptr;
    c_bstree<avl_bstree, PD_node> pdtree_;
    unsigned char eventid_ = 0;
    TaskController_interface::ECU_access* ecu_access_ = nullptr;
    c_sl_list<TC_interface_device_element> elements_;
};
