// A plain socketcand raw-mode client for tests: blocking socket, deadlines on
// every read.
#pragma once

#include "platform/can/CAN_packet.h"
#include "platform/can/Socketcand_text.h"

#include <string>

class Socketcand_client {
public:
    // How long a read waits for what is due by default: only a hang counts,
    // also on a loaded machine.
    static constexpr int WAIT_MS = 60000;

    Socketcand_client() = default;
    ~Socketcand_client();
    Socketcand_client(const Socketcand_client&) = delete;
    Socketcand_client& operator=(const Socketcand_client&) = delete;

    // Connects to 127.0.0.1:port; receive_buffer > 0 shrinks the socket's
    // receive buffer first (for a client that is meant to fall behind).
    bool connect_to(int port, int receive_buffer = 0);
    // connect_to, then "< hi >", open, rawmode.
    bool join(int port, const char* bus = "can0");
    void close_socket();

    bool send_text(const std::string& text);
    bool send_frame(const CAN_packet& frame);
    // The next complete message, or "" when none came within timeout_ms or
    // the hub closed the connection.
    std::string next_message(int timeout_ms = WAIT_MS);
    // The next frame message; false when another message or none came.
    bool next_frame(CAN_packet& frame, int timeout_ms = WAIT_MS);
    // Sends "< echo >" and skips whatever arrives before its answer; false
    // when the answer never came.
    bool sync(int timeout_ms = WAIT_MS);
    // True when the hub has closed this connection (reads to the end first).
    bool closed_by_peer(int timeout_ms = WAIT_MS);

    int fd() const { return fd_; }

private:
    int fd_ = -1;
    Socketcand::Message_reader reader_;
    std::string pending_;  // bytes read but not yet cut into messages
};

CAN_packet make_frame(uint32_t id, bool extended, std::initializer_list<uint8_t> data);
bool same_frame(const CAN_packet& a, const CAN_packet& b);
