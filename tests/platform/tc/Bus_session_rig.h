// A TC client (pool, CAN stack session) and the test task controller, each
// on a CAN stack of its own, on a loop bus or through the CAN hub.
#pragma once

#include "Tc_description.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/tc/Test_tc_server.h"

#include "can/JIN_smart_stack.h"
#include "platform/can/Bus_select.h"
#include "platform/tc/TC_stack_session.h"
#include "tests/can/name/Claim_sim.h"
#include "tests/support/wait_until.h"

#include <memory>

namespace bus_rig {

constexpr unsigned char CLIENT_PREFERRED = 28;
constexpr unsigned char SERVER_PREFERRED = 0xF7;

struct Node {
    std::unique_ptr<CAN_bus> bus;
    JIN_smart_stack stack;

    bool open(const std::string& spec, module_man& mm, const JIN_name::RAWNAME& name,
              unsigned char preferred)
    {
        std::string error;
        bus.reset(Bus_select::start(spec.c_str(), error));
        if (!bus)
            return false;
        stack.open(*bus, &mm);
        return stack.start() == 0 && stack.name_manager().add_local_name(name, preferred);
    }
};

// Adds `count` device elements under the root element, each with a 32-byte
// designator (45 bytes each in the binary pool).
inline void add_filler_elements(TC::Object_pool& pool, int count)
{
    auto* root = static_cast<TC::Device_element_obj*>(pool.__find_object("seeder_root", false));
    for (int i = 0; i < count; ++i) {
        char name[32], designator[40];
        std::snprintf(name, sizeof name, "filler_%d", i);
        std::snprintf(designator, sizeof designator, "Filler element %05d with a name", i);
        TC::Attribute_object_id none[1];
        pool.add_object(new TC::Client::Device_element_obj(
            &pool, TC::object_id_t(3000 + i), name, 5, 32, designator,
            static_cast<unsigned short>(1 + i), root->get_id(), 0, none));
    }
}

class Rig {
public:
    const JIN_name::RAWNAME client_name = claim_sim::make_name(700, true);
    const JIN_name::RAWNAME server_name = claim_sim::make_name(10, true);

    // Opens both nodes on the bus; the client's pool is the implement's
    // description with `filler` elements more.
    bool open(const std::string& spec, int filler = 0)
    {
        app.init(&mm);
        if (!tc_description::load(pool))
            return false;
        add_filler_elements(pool, filler);
        pool.register_event_waiter(app);
        spec_ = spec;
        if (!client.open(spec, mm, client_name, CLIENT_PREFERRED))
            return false;
        session = std::make_unique<TC::Stack_session>(pool, client.stack, client_name);
        return session->init(mm) && start_tc();
    }

    // The task controller's node goes off the bus, and a new one with the
    // same NAME comes on at the same address.
    bool restart_tc()
    {
        server.reset();
        tc.reset();
        return start_tc();
    }

    // As the application starts its pool.
    bool start_client()
    {
        pool.set_enabled(true);
        pool.set_tx_state(TC::Object_pool::TX_RELOAD);
        return pool.start();
    }

    bool wait_active()
    {
        return test_support::wait_until(
            [&] { return session->session_state() == TC::Client_engine::ST_ACTIVE; });
    }

    ~Rig()
    {
        server.reset();
        session.reset();
    }

    // The client's address now.
    unsigned char client_address()
    {
        return client.stack.name_manager().gethostbyname(client_name, false);
    }

    module_man mm;
    waiter_descriptor app;
    TC::Object_pool pool{&mm, nullptr, 0};
    Node client;
    std::unique_ptr<Node> tc;
    std::unique_ptr<TC::Stack_session> session;
    std::unique_ptr<test_support::Test_tc_server_host> server;

private:
    bool start_tc()
    {
        tc = std::make_unique<Node>();
        if (!tc->open(spec_, mm, server_name, SERVER_PREFERRED))
            return false;
        server = std::make_unique<test_support::Test_tc_server_host>(tc->stack, server_name);
        return server->start(mm);
    }

    std::string spec_;
};

} // namespace bus_rig
