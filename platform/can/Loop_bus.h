// An in-process bus: every Loop_bus opened with the same name is a node on
// one shared wire, and a frame written by one node reaches every other node
// (not itself), in one order for all.
#pragma once

#include "platform/can/Queued_bus.h"

#include <memory>
#include <string>

class Loop_bus : public Queued_bus {
public:
    // Frames one node may write per transmit pass; delivery is immediate.
    static constexpr int TX_SPACE = 16;

    Loop_bus(const std::string& name, std::string spec);
    ~Loop_bus() override;

    int tx_space(int prio) override { return failed() ? 0 : TX_SPACE; }

    struct Wire;  // the nodes sharing one name

protected:
    int send_frame(const CAN_packet& frame, int prio) override;
    int check_errors() override { return report_errors(); }

private:
    std::shared_ptr<Wire> wire_;
};
