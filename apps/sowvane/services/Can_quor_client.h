// The remote data-store client over CAN: a peer program's side of the
// bridge. It sends its requests to the server's address as fast-packet
// messages of PGN 0x1EF00 behind the 0xF1 0xF1 marker, and its own thread
// "QCLI" hands each reply from that address to the client.
#pragma once

#include "glue/diner/Diner.h"
#include "messaging/cds/CDS_Remote_Client.h"

class JIN_stack;

namespace Can_quor {

class Remote_client : public CDS::Remote::Client, public Diner {
public:
    explicit Remote_client(CDS::Remote::Client::Listener* listener,
                           const char* cache_dir = DEFAULT_CACHE_DIR);
    ~Remote_client() override;

    // start() is the client's: it starts the protocol (the thread is
    // started by init).
    using CDS::Remote::Client::start;

    // Registers the service's PGN on the stack and starts the thread; 1.
    int init(module_man& mm, JIN_stack* stack, unsigned char own_address, unsigned char server_address);

    unsigned char* get_tx_buffer(unsigned char* buffer, int& length) override;
    bool send(unsigned char* buffer, int length) override;

    void diner_start() override;
    void diner_stop() override;
    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout&) override {}

private:
    JIN_stack* stack_ = nullptr;
    short registration_id_ = 0;
    unsigned char own_address_ = 0;
    unsigned char server_address_ = 0;
};

} // namespace Can_quor
