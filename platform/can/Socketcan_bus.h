// A Linux SocketCAN interface through a raw CAN socket (can0 on a board).
// Kernels without CAN sockets make opening fail with a clear message.
#pragma once

#include "platform/can/Queued_bus.h"

#include <atomic>
#include <string>
#include <thread>

class Socketcan_bus : public Queued_bus {
public:
    Socketcan_bus(const std::string& interface, std::string spec);
    ~Socketcan_bus() override;

    bool open_ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

    int tx_space(int prio) override;

protected:
    int send_frame(const CAN_packet& frame, int prio) override;
    int check_errors() override { return report_errors(); }

private:
    void run();

    int fd_ = -1;
    int wake_fd_ = -1;
    std::string error_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> tx_starved_{false};
    std::thread thread_;
};
