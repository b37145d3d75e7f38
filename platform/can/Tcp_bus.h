// A bus reached over TCP with socketcand's raw mode: the CAN hub on this
// machine, or a socketcand server on a board with CAN hardware. Frames go
// out from the writer's thread when the socket takes them at once; the
// bus's own thread reads, and sends what the socket could not take.
#pragma once

#include "platform/can/Queued_bus.h"
#include "platform/can/Socketcand_text.h"

#include <mutex>
#include <string>
#include <thread>

class Tcp_bus : public Queued_bus {
public:
    // Frames the bus holds for sending before it reports no space.
    static constexpr int TX_FRAMES = 64;
    // The socketcand bus the client opens.
    static constexpr const char* BUS_NAME = "can0";
    // Received frames are gathered this long before the reader is woken.
    static constexpr int GATHER_MS = 4;

    // Connects and negotiates raw mode; connect_ok() says whether it worked
    // and error() why not.
    Tcp_bus(const std::string& host, int port, std::string spec, int timeout_ms = 5000);
    ~Tcp_bus() override;

    bool connect_ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

    int tx_space(int prio) override;

protected:
    int send_frame(const CAN_packet& frame, int prio) override;
    int check_errors() override { return report_errors(); }

private:
    bool open_connection(const std::string& host, int port, int timeout_ms);
    bool expect(const char* wanted, int timeout_ms);
    bool send_all(const std::string& text, int timeout_ms);
    void run();
    bool take_text(const char* p, size_t left);
    bool read_socket(bool& got_frames);
    // Sends queued text as far as the socket takes it; under tx_mutex_.
    bool push_out_locked();
    void poke();

    int fd_ = -1;
    int wake_fd_ = -1;  // eventfd: new output or stop
    std::string error_;
    bool stopping_ = false;
    std::thread thread_;
    static constexpr int STORE_BATCH = 64;

    Socketcand::Message_reader reader_;
    std::string pending_in_;  // read during the handshake, not yet cut

    std::mutex tx_mutex_;
    std::string out_;          // text not yet taken by the socket
    size_t out_sent_ = 0;
    bool tx_starved_ = false;  // space was reported as 0
};
