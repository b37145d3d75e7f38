#include "apps/sowvane/tc/TC_interface.h"

#include "apps/sowvane/tc/TC_interface_boom.h"
#include "apps/sowvane/tc/TC_interface_channel.h"
#include "apps/sowvane/tc/TC_interface_device.h"
#include "apps/sowvane/tc/TC_interface_downforce.h"
#include "tc_client/ECU_access.h"

#include <cstdio>

using namespace TaskController_interface;

namespace {
using Jdb = Debug_base<_JDB, _JDB::jdb_enum>;
}

TC_interface::TC_interface(module_man* mm, Data_store& store)
    : TC_interface_base(mm), store_(store)
{
}

TC_interface::~TC_interface()
{
    // The thread goes first: nothing may run while the elements go.
    terminate(true);
    if (pool_)
        pool_->deregister_event_waiter(get_waiter());
    if (params_) {
        cds_event_unregister(&store(), &get_waiter(), &body().system.reset_tc, 1, CDS::REG_APP,
                             cds_change_code(&body().system.reset_tc, 1));
        cds_event_unregister(&store(), &get_waiter(), &body().system.reset_tc_counter, 4,
                             CDS::REG_APP, cds_change_code(&body().system.reset_tc_counter, 4));
    }
    delete_elements();
}

TC_interface_channel* TC_interface::channel(int i) const
{
    return i >= 0 && i < NUM_CHANNELS ? channels_[i] : nullptr;
}
TC_interface_downforce* TC_interface::downforce(int i) const
{
    return i >= 0 && i < NUM_DOWNFORCES ? downforces_[i] : nullptr;
}
TC_interface_boom* TC_interface::boom(int i) const
{
    return i >= 0 && i < NUM_BOOMS ? booms_[i] : nullptr;
}

bool TC_interface::init(TC::Object_pool* pool, NV_kelsu::parameters_t* params, bool start_diner)
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface init\n");
    params_ = params;
    if (pool) {
        pool->lock(-1);
        pool_event_id_ = pool->get_event_id();
        pool->unlock();
    }
    init_core(pool);

    ds_system& sys = body().system;
    cds_event_register_byte(&store(), &get_waiter(), &sys.reset_tc, CDS::REG_APP,
                            cds_change_code(&sys.reset_tc, 1));
    cds_event_register_word(&store(), &get_waiter(), &sys.reset_tc_counter, CDS::REG_APP,
                            cds_change_code(&sys.reset_tc_counter, 4));

    pool_enabled_ = params_ && params_->system.tc_enabled.get();
    std::printf("*****TC POOL WAS enabled = %d ****\n", pool_enabled_ ? 1 : 0);
    std::printf(pool_enabled_ ? "*****TC POOL enabled on startup!!****\n"
                              : "*****TC POOL disabled on startup!!****\n");
    switch_pool(pool_enabled_);
    create_objects();

    Jdb::print(_JDB::TC_CLIENT, "TC Interface start\n");
    if (start_diner)
        start();
    return true;
}

void TC_interface::switch_pool(bool enabled)
{
    if (!pool_)
        return;
    pool_->set_enabled(enabled);
    if (enabled)
        pool_->register_event_waiter(get_waiter());
    else
        pool_->deregister_event_waiter(get_waiter());
}

void TC_interface::report_config_error(const std::string& text)
{
    if (!config_error_.empty())
        return;
    config_error_ = text;
    std::fprintf(stderr, "%s; the task controller interface stays off\n", text.c_str());
}

int TC_interface::configured_booms(NV_kelsu::parameters_t* params)
{
    int n = params ? params->app.booms.num_booms.get() : 0;
    if (n > NUM_BOOMS) {
        std::printf("TC: %d booms configured, only %d are served\n", n, NUM_BOOMS);
        n = NUM_BOOMS;
    }
    return n;
}

void TC_interface::create_objects()
{
    std::printf("Creating TC Interface objects\n");
    if (!pool_)
        return;
    // The tree is built whole before the session may write the pool out.
    pool_->lock(-1);
    device_ = new TC_interface_device(this, pool_, params_);
    if (params_ && device_->ok()) {
        TC::object_id_t root = device_->root_id();
        for (int i = 0; i < NUM_CHANNELS && !configuration_error(); ++i)
            channels_[i] = new TC_interface_channel(this, pool_, params_, root, unsigned(i));
        for (int i = 0; i < NUM_DOWNFORCES && !configuration_error(); ++i)
            downforces_[i] = new TC_interface_downforce(this, pool_, params_, root, unsigned(i));
        for (int i = 0; i < NUM_BOOMS && !configuration_error(); ++i)
            booms_[i] = new TC_interface_boom(this, pool_, params_, root, unsigned(i));
    }
    pool_->unlock();
    if (configuration_error()) {
        turn_off();
        return;
    }
    update_version_params();
    pool_->set_tx_state(TC::Object_pool::TX_RELOAD);
}

void TC_interface::turn_off()
{
    // Without the objects it needs the implement cannot describe itself:
    // the TC part stays off, everything else runs on. Change events queued
    // for the process data that go with the elements are dropped with them.
    delete_elements();
    reset_pdtree();
    get_waiter().flush_events();
    pool_enabled_ = false;
    switch_pool(false);
}

void TC_interface::delete_elements()
{
    delete device_;
    device_ = nullptr;
    for (auto*& c : channels_) {
        delete c;
        c = nullptr;
    }
    for (auto*& d : downforces_) {
        delete d;
        d = nullptr;
    }
    for (auto*& b : booms_) {
        delete b;
        b = nullptr;
    }
}

void TC_interface::update_version_params()
{
    if (!pool_ || !params_)
        return;
    int booms = configured_booms(params_);
    uint32_t sections = 0;
    for (int b = 0; b < booms; ++b)
        sections += params_->app.booms.booms[b].num_sections.get();
    if (sections > 255) {
        Jdb::print(_JDB::TC_CLIENT, "TC Version total section count overflow!\n");
        sections = 255;
    }
    unsigned char channels = params_->app.num_channels.get();
    // Documentation always; section control when there are sections to
    // control.
    unsigned char options = TC::Object_pool::OPTION_DOCUMENTATION;
    if (booms > 0 && sections > 0)
        options |= TC::Object_pool::OPTION_SECTION_CONTROL;
    TC::Object_pool::tc_version_params_t v = TC::Object_pool::version_params(
        options, (unsigned char)booms, (unsigned char)sections, channels);
    pool_->set_version_params(VERSION, &v);
    std::printf("TC version params: %hhu booms, %hhu sections, %hhu channels\n",
                (unsigned char)booms, (unsigned char)sections, channels);
}

void TC_interface::reset()
{
    std::printf("Resetting TC interface\n");
    if (configuration_error() || !params_) {
        std::printf("TC interface off: %s\n", config_error_.c_str());
        return;
    }
    bool enabled = params_->system.tc_enabled.get();
    std::printf("tc_pool_enabled = %d\n", enabled ? 1 : 0);
    if (!enabled) {
        std::printf("*****TC POOL disabled!!****\n");
        switch_pool(false);
    } else if (!pool_enabled_) {
        std::printf("*****TC POOL enabled!!****\n");
        switch_pool(true);
    }
    pool_enabled_ = enabled;
    if (!enabled || !pool_)
        return;
    // The description the triggers were set on is replaced.
    clear_triggers();
    refresh_elements();
    if (configuration_error()) {
        turn_off();
        return;
    }
    update_version_params();
    // Offered again only once it is whole.
    pool_->set_tx_state(TC::Object_pool::TX_RELOAD);
}

void TC_interface::refresh_elements()
{
    // Nothing here may reach the session (its calls take the pool's lock
    // from the other side): the refresh only writes the pool's objects, the
    // data store and the settings, whose subscribers hear of it by event.
    pool_->lock(-1);
    if (device_)
        device_->refresh_geometry();
    for (auto* c : channels_)
        if (c) {
            c->refresh_enabled();
            c->update_type_based_process_data();
        }
    for (auto* d : downforces_)
        if (d)
            d->refresh_enabled();
    for (auto* b : booms_)
        if (b)
            b->refresh_layout();
    pool_->unlock();
}

void TC_interface::handle_store_change(intptr_t code)
{
    ds_system& sys = body().system;
    if (code == cds_change_code(&sys.reset_tc, 1)) {
        if (!cds_get(&store(), &sys.reset_tc))
            return;
        std::printf("TC Reload required!!\n");
        bool no = false;
        cds_set_bool(&store(), &sys.reset_tc, &no);
        reset();
    } else if (code == cds_change_code(&sys.reset_tc_counter, 4)) {
        if (cds_get(&store(), &sys.reset_tc_counter) == 0)
            return;
        bool yes = true;
        cds_set_bool(&store(), &sys.reset_tc, &yes);
    }
}

void TC_interface::handle_event(waiter_event& event)
{
    Jdb::print(_JDB::TC_CLIENT, "TC Interface handle event %d, %d\n", event.module_id,
               int(event.code));
    if (event.module_id == store().get_virt_access_id()) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface - Virtual access event\n");
        if (event.code) {
            Jdb::print(_JDB::TC_CLIENT, "TC Interface - handling date store event\n");
            handle_change_event(event, &store(), nullptr);
        }
        return;
    }
    if (event.module_id == store().get_plain_id()) {
        handle_store_change(event.code);
        return;
    }
    if (params_ && handle_change_event(event, nullptr, params_))
        return;
    if (pool_ && event.module_id == pool_event_id_) {
        if (event.code == 0) {
            // Every change of the session (a task controller lost, found or
            // another one, a description deactivated, replaced or activated)
            // starts without the triggers set before it.
            clear_triggers();
            bool alive = event.data == POOL_STATUS_ACTIVE;
            cds_set_bool(&store(), &body().system.tc_alive, &alive);
        }
        return;
    }
    if (get_event_kind(pool_, event) >= 0) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface - TC Event\n");
        handle_tc_event(event);
        return;
    }
    if (ecu_access_ && ecu_access_->handle_event(event)) {
        Jdb::print(_JDB::TC_CLIENT, "TC Interface - ECU access to process data\n");
        return;
    }
    std::printf("TC Interface Unhandled Event!!!!\n");
}
