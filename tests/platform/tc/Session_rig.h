// A client engine and the test task controller joined by an in-memory wire,
// driven by hand: messages are delivered whole (the transport is the CAN
// stack's, tested on its own) and time moves only when the test moves it.
#pragma once

#include "Tc_description.h"
#include "platform/tc/TC_client_engine.h"
#include "tests/support/tc/Test_tc_server.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace session_rig {

constexpr unsigned char CLIENT = 0x1C;
constexpr unsigned char SERVER = 0xF7;

struct Msg {
    unsigned pgn;
    unsigned char src;
    unsigned char dest;
    std::vector<unsigned char> data;
    int tag;
};

struct Wire_end : TC::Client_link {
    Wire_end(std::deque<Msg>& out, unsigned char src) : out_(out), src_(src) {}
    void set_source(unsigned char src) { src_ = src; }
    int send(unsigned pgn, unsigned char dest, int, const unsigned char* data, int len,
             int tag) override
    {
        Msg m{pgn, src_, dest, std::vector<unsigned char>(data, data + len), tag};
        sent.push_back(m);
        if (cut)
            return 0;  // lost on the way
        out_.push_back(m);
        return 0;
    }
    std::vector<Msg> sent;
    bool cut = false;

private:
    std::deque<Msg>& out_;
    unsigned char src_;
};

class Rig : private TC::Pool_session {
public:
    Rig()
    {
        app.init(&mm);
        pool.set_session(this);
        EXPECT_TRUE(tc_description::load(pool));
        pool.register_event_waiter(app);
        engine->set_own_address(CLIENT, now);
        server.set_own_address(SERVER);
    }

    // Delivers until nothing is on the way; a transfer the client tagged
    // is reported to it as gone once delivered.
    void pump()
    {
        while (!to_server.empty() || !to_client.empty()) {
            while (!to_server.empty()) {
                Msg m = to_server.front();
                to_server.pop_front();
                server.handle_message(m.pgn, m.src, m.dest, m.data.data(), int(m.data.size()), now);
                if (m.tag)
                    engine->handle_transfer_result(m.tag, transfer_ok, now);
            }
            while (!to_client.empty()) {
                Msg m = to_client.front();
                to_client.pop_front();
                engine->handle_message(m.pgn, m.src, m.dest, m.data.data(), int(m.data.size()), now);
            }
        }
    }

    // Moves time on in 50 ms steps.
    void advance(int64_t ms)
    {
        for (int64_t end = now + ms; now < end;) {
            now += 50;
            server.handle_time(now);
            engine->handle_time(now);
            pump();
        }
    }

    // Runs until the engine reaches the state (at most `limit_ms`).
    bool run_until(TC::Client_engine::state_t s, int64_t limit_ms = 60000)
    {
        for (int64_t end = now + limit_ms; now < end; advance(50))
            if (engine->get_state() == s)
                return true;
        return engine->get_state() == s;
    }

    // The program starts again: a new engine over the same pool.
    void restart_client()
    {
        engine = std::make_unique<TC::Client_engine>(pool, client_end);
        engine->set_own_address(CLIENT, now);
        switch_on();
    }

    // The client's address moves (its NAME lost it, or it has none).
    void move_client(unsigned char address)
    {
        client_end.set_source(address);
        engine->set_own_address(address, now);
    }

    // A message from another node to the client.
    void deliver(unsigned pgn, unsigned char src, unsigned char dest,
                 std::vector<unsigned char> data)
    {
        engine->handle_message(pgn, src, dest, data.data(), int(data.size()), now);
        pump();
    }

    // As the application does: enabled, then the pool offered anew.
    void switch_on()
    {
        pool.set_enabled(true);
        pool.set_tx_state(TC::Object_pool::TX_RELOAD);
    }

    // The events the pool posted since the last call.
    std::vector<waiter_event> events()
    {
        std::vector<waiter_event> out;
        waiter_event e;
        while (app.get_event(&e, Atime::from_now(0)) == 0)
            if (e.module_id != 1)
                out.push_back(e);
        return out;
    }
    std::vector<int> statuses()
    {
        std::vector<int> out;
        for (const waiter_event& e : events())
            if (e.module_id == pool.get_event_id())
                out.push_back(int(e.data));
        return out;
    }

    module_man mm;
    waiter_descriptor app;
    TC::Object_pool pool{&mm, nullptr, 0};
    std::deque<Msg> to_server, to_client;
    Wire_end client_end{to_server, CLIENT};
    Wire_end server_end{to_client, SERVER};
    std::unique_ptr<TC::Client_engine> engine = std::make_unique<TC::Client_engine>(pool, client_end);
    test_support::Test_tc_server server{server_end};
    int64_t now = 1000000;
    bool transfer_ok = true;

private:
    void pool_enabled(bool enabled) override { engine->set_enabled(enabled, now); }
    void pool_tx_state(int state) override
    {
        engine->set_tx_state(TC::Object_pool::tx_state_t(state), now);
    }
    bool pool_send(unsigned short element, TC::ddi_t ddi, int32_t value) override
    {
        return engine->send_process_data(element, ddi, value);
    }
    bool pool_acknowledge(unsigned short element, TC::ddi_t ddi, unsigned char errors) override
    {
        return engine->acknowledge(element, ddi, errors);
    }
    bool pool_start() override { return true; }
};

} // namespace session_rig
