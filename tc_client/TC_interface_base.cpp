#include "tc_client/TC_interface_base.h"

#include "glue/NV_store/NV_access.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Access.h"
#include "tc_client/ECU_access.h"
#include "util/Debug_print.h"

using namespace TaskController_interface;

int PD_node::compare(const PD_node* a, const PD_node* b)
{
    if (!a || !b)
        return -1;
    if (a->element != b->element)
        return int(a->element) - int(b->element);
    return int(a->ddi) - int(b->ddi);
}

TC_interface_base::TC_interface_base(module_man* mm)
{
    pdtree_.create();
    if (mm)
        Diner::init(*mm, nullptr, Diner::Descriptor("TCI0", 0), 44, 3072, true, false);
}

TC_interface_base::~TC_interface_base()
{
    terminate(true);
    pdtree_.init();
    delete ecu_access_;
}

void TC_interface_base::init_core(TC::Object_pool* pool)
{
    pool_ = pool;
    pdtree_.create(&PD_node::compare);
    if (!ecu_access_)
        ecu_access_ = new ECU_access(this);
}

void TC_interface_base::diner_stop()
{
    if (ecu_access_)
        ecu_access_->remove_stacks();
    Jdb::print(_JDB::TC_CLIENT, "TC Interface diner stop\n");
}

int TC_interface_base::next_eventid() { return eventid_++; }

void TC_interface_base::reset_pdtree()
{
    eventid_ = 0;
    pdtree_.flush();
}

void TC_interface_base::add_to_elem_list(TC_interface_device_element* element)
{
    elements_.push(element);
}

bool TC_interface_base::remove_from_elem_list(TC_interface_device_element* element)
{
    return element && elements_.remove(element);
}

void TC_interface_base::add_to_pdtree(PD_node* node, unsigned short element, unsigned short ddi,
                                      TC_interface_process_data_api* pd)
{
    if (!node)
        return;
    node->element = element;
    node->ddi = ddi;
    node->pd = pd;
    Jdb::print(_JDB::TC_CLIENT, "TC Interface, add PD e=%d ddi=%d, to tree\n", element, ddi);
    // The first registration of a pair keeps it.
    if (pdtree_.find(node, BSTREE_EQUAL))
        return;
    pdtree_.insert(node);
}

void TC_interface_base::remove_from_pdtree(PD_node* node)
{
    if (node && pdtree_.contains(node))
        pdtree_.remove(node);
}

TC_interface_process_data_api* TC_interface_base::get_processdata(unsigned short element,
                                                                  unsigned short ddi)
{
    PD_node key;
    key.element = element;
    key.ddi = ddi;
    PD_node* found = pdtree_.find(&key, BSTREE_EQUAL);
    if (found && found->pd)
        return found->pd;
    Jdb::print(_JDB::TC_CLIENT, "Did not find process data for element %d, ddi 0x%x\n", element,
               ddi);
    return nullptr;
}

bool TC_interface_base::submit_timer(Timeout& t)
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface submit timeout of %dms\n", t.get_period());
    if (submit_timeout(t) != 0) {
        Debug_print::dprint("TC client maxed out timeouts, some PD's may stop\n");
        return false;
    }
    return true;
}

bool TC_interface_base::submit_timer(Timeout& t, int ms)
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface submit timeout of %dms\n", t.get_period());
    if (submit_timeout(t, ms) != 0) {
        Debug_print::dprint("TC client maxed out timeouts, some PD's may stop\n");
        return false;
    }
    return true;
}

void TC_interface_base::remove_timer(Timeout& t) { remove_timeout(t); }

void TC_interface_base::handle_timeout(Timeout& t)
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface Handle timeout\n");
    auto* timer = dynamic_cast<PD_timeout*>(&t);
    if (!timer || !timer->get_owner()) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface - could not find timeout\n");
        return;
    }
    timer->get_owner()->handle_pd_timeout(t);
}

int TC_interface_base::get_event_kind(TC::Object_pool* pool, const waiter_event& event)
{
    if (!pool)
        return -1;
    pool->lock(-1);
    short first = pool->get_first_pd_event_id();
    pool->unlock();
    int kind = int(short(first - event.module_id));
    if (unsigned(kind) >= unsigned(TC::Object_pool::NUM_PD_EVENTS))
        return -1;
    return kind;
}

bool TC_interface_base::get_event_ref(TC::Object_pool* pool, const waiter_event& event,
                                      unsigned short& element, unsigned short& ddi)
{
    if (!pool)
        return false;
    if (get_event_kind(pool, event) < 0) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface received unknown TC Event: %d\n",
                   int(event.code));
        return false;
    }
    element = (unsigned short)(event.data & TC::Object_pool::PD_EVENT_ELEMENT_MASK);
    ddi = (unsigned short)(event.data >> 16);
    Jdb::print(_JDB::TC_CLIENT, "TC Interface - desired oid = %d\n", 0);
    return true;
}

bool TC_interface_base::wants_acknowledge(const waiter_event& event)
{
    return (event.data & TC::Object_pool::PD_EVENT_ACKNOWLEDGE) != 0;
}

bool TC_interface_base::get_event_ref(const waiter_event& event, unsigned short& element,
                                      unsigned short& ddi)
{
    return get_event_ref(pool_, event, element, ddi);
}

bool TC_interface_base::handle_tc_event(waiter_event& event)
{
    unsigned short element = 0;
    unsigned short ddi = 0;
    if (!get_event_ref(event, element, ddi))
        return false;
    PD_node key;
    key.element = element;
    key.ddi = ddi;
    PD_node* found = pdtree_.find(&key, BSTREE_EQUAL);
    if (found && found->pd) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface found process data\n");
        return found->pd->handle_tc_event(pool_, event) != 0;
    }
    if (ddi != DEFAULT_DATA_DDI) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface did not find the process data requested\n");
        // A set value the task controller waits on is answered all the same.
        if (wants_acknowledge(event) && pool_)
            pool_->acknowledge_set_value(element, ddi,
                                         pool_->is_element_described(element)
                                             ? TC::PDACK_DDI_NOT_SUPPORTED
                                             : TC::PDACK_INVALID_ELEMENT);
        return false;
    }
    int total = pdtree_.count();
    Jdb::print(_JDB::TC_CLIENT, "TC Interface Default Data Requested (total: %d)\n", total);
    // Each variable sends and arms its defaults only when the active
    // description holds it; so do the elements.
    PD_node* node = pdtree_.first();
    for (int i = 0; i < total && node; ++i, node = pdtree_.next(node))
        if (node->pd)
            node->pd->handle_default();
    for (TC_interface_device_element* e = elements_.first(); e; e = elements_.next(e))
        if (e->is_described())
            e->handle_default();
    return false;
}

void TC_interface_base::clear_triggers()
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface clears every trigger\n");
    int total = pdtree_.count();
    PD_node* node = pdtree_.first();
    for (int i = 0; i < total && node; ++i, node = pdtree_.next(node))
        if (node->pd)
            node->pd->clear_triggers();
}

bool TC_interface_base::handle_change_event(const waiter_event& event, CDS::Head* store,
                                            NV_store::NV_root* params)
{
    if (store && event.module_id == store->get_virt_access_id() && event.code) {
        CDS::Virt_access::from_event_code(event.code)->handle_event();
        return true;
    }
    if (params) {
        if (NV_store::Virt_access* listener = NV_store::NV_root::event_listener(params, event)) {
            listener->handle_event();
            return true;
        }
    }
    return false;
}

bool TC_interface_base::add_stack(JIN_smart_stack* stack, JIN_name::RAWNAME& name)
{
    if (!stack || !ecu_access_)
        return false;
    return ecu_access_->add_stack(stack, name);
}
