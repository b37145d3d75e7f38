// A CAN bus over TCP: every client speaks the server side of socketcand's raw
// mode with the hub, and every frame a client sends is relayed, in order, to
// every other client in raw mode. One thread, non-blocking sockets: a client
// that stops reading gets a bounded queue and is then dropped, so it never
// holds up the others.
#pragma once

#include "platform/can/CAN_packet.h"
#include "platform/can/Socketcand_text.h"

#include <csignal>
#include <ctime>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct Hub_options {
    std::string address = "127.0.0.1";
    int port = 1500;               // 0 picks a free port
    std::string log_path;          // empty: no frame log
    size_t max_queue = 1u << 20;   // bytes queued for one client before it is dropped
};

class Can_hub {
public:
    explicit Can_hub(const Hub_options& options);
    ~Can_hub();

    Can_hub(const Can_hub&) = delete;
    Can_hub& operator=(const Can_hub&) = delete;

    // Opens the log and the listening socket. False with a message on failure.
    bool start(std::string& error);
    // The port listened on (the chosen one when 0 was asked for).
    int port() const { return port_; }

    // Serves until stop becomes non-zero. The signals in wake_signals are
    // blocked by the caller and let through only while the hub waits, so a
    // signal that sets stop is never missed. Returns 0, or -1 when waiting
    // failed.
    int run(volatile sig_atomic_t& stop, const sigset_t& wait_mask);

private:
    struct Client;

    void accept_clients();
    void read_from(Client& c);
    void handle_message(Client& c, std::string_view message);
    void relay(Client& from, const CAN_packet& frame);
    void queue_text(Client& c, std::string_view text);
    void flush(Client& c);
    void drop(Client& c, const char* why);

    // Milliseconds since restart(), on the monotonic clock.
    struct Stopwatch {
        timespec start{};
        void restart() { clock_gettime(CLOCK_MONOTONIC, &start); }
        long elapsed_ms() const
        {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        }
    };

    Hub_options options_;
    bool accept_paused_ = false;
    Stopwatch accept_pause_;
    int listen_fd_ = -1;
    int port_ = 0;
    int next_client_number_ = 1;
    FILE* log_ = nullptr;
    std::vector<std::unique_ptr<Client>> clients_;
};
