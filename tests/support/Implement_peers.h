// The peers an implement meets on the bus, for the program run as a
// process: a VT (the project's terminal side, at 0x26) and a task
// controller (the test TC server, at 0xF7), each on a stack of its own.
#pragma once

#include "can/J1939_codes.h"
#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "platform/can/Bus_select.h"
#include "tests/support/tc/Test_tc_server.h"
#include "tests/support/vt_object_model/Bus_vt.h"

#include <memory>
#include <utility>
#include <string>

namespace test_support {

class Implement_peers {
public:
    static constexpr unsigned char VT_ADDRESS = 0x26;
    static constexpr unsigned char TC_ADDRESS = 0xF7;

    static JIN_name::RAWNAME tc_name()
    {
        return JIN_name::RAWNAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::device_class_t(0),
                                 J1939::function_code_t(130), 0, 0, J1939::manufacturer_code_t(100), 10, true);
    }

    // Both on the bus of the specification; false on any failure.
    bool open(const std::string& bus_spec)
    {
        std::string error;
        tc_bus_.reset(Bus_select::start(bus_spec.c_str(), error));
        if (!vt.open(bus_spec, mm_, 1, VT_ADDRESS) || !tc_bus_ || tc_stack_.open(*tc_bus_, &mm_) != 0 ||
            tc_stack_.start() != 0 || !tc_stack_.name_manager().add_local_name(tc_name(), TC_ADDRESS))
            return false;
        tc_ = std::make_unique<Test_tc_server_host>(tc_stack_, tc_name());
        return tc_->start(mm_);
    }
    ~Implement_peers() { close(); }
    void close()
    {
        vt.close();
        tc_.reset();
        tc_stack_.close();
    }

    // The VT holds a whole pool of the working set (it has its working set).
    bool vt_holds_pool()
    {
        bool whole = false;
        vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) { whole = p.getWorkingSet() != nullptr; });
        return whole;
    }
    // The task controller holds the client's pool and has activated it.
    bool tc_pool_active(unsigned char client)
    {
        return tc_->with_server([&](Test_tc_server& s) {
            auto c = s.clients.find(client);
            return c != s.clients.end() && c->second.active;
        });
    }
    // The server, under its host's lock.
    template <typename F>
    auto with_tc(F&& f)
    {
        return tc_->with_server(std::forward<F>(f));
    }

private:
    module_man mm_;  // before the peers that use it

public:
    Bus_vt vt;

private:
    std::unique_ptr<CAN_bus> tc_bus_;
    JIN_smart_stack tc_stack_;
    std::unique_ptr<Test_tc_server_host> tc_;
};

} // namespace test_support
