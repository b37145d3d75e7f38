// A small task controller for the tests, written from ISO 11783-10: it
// announces itself every 2 s, answers version and label requests, takes,
// checks, stores and activates a client's device descriptor pool, deletes
// it on request, sends process-data commands and records the client's values
// and acknowledges. Values and acknowledges of a client whose pool is not
// active it refuses with a NACK, as a TC that does not know the client does;
// so too the device descriptor commands of a client that has not announced
// itself (working set master) since the server started. The client task
// message of such a client it leaves unanswered.
// Like the client engine it is fed messages and time; a Stack_host runs it
// on a CAN stack.
#pragma once

#include "platform/tc/TC_client_engine.h"
#include "platform/tc/TC_stack_host.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace test_support {

class Test_tc_server {
public:
    struct Value {
        unsigned char from;
        unsigned short element;
        TC::ddi_t ddi;
        int32_t value;
    };
    struct Ack {
        unsigned char from;
        unsigned short element;
        TC::ddi_t ddi;
        unsigned char errors;
        unsigned char command;
    };
    // What the server holds for one client.
    struct Client {
        std::vector<unsigned char> pool;  // the DDOP, empty when none
        bool active = false;
        bool announced = false;  // its working set master message came
        unsigned char structure[7];
        unsigned char localisation[7];
    };

    explicit Test_tc_server(TC::Client_link& link) : link_(link) {}

    void handle_message(unsigned pgn, unsigned char src, unsigned char dest,
                        const unsigned char* data, int len, int64_t now_ms);
    void handle_time(int64_t now_ms);

    void set_own_address(unsigned char a) { own_ = a; }
    // Stops and resumes the status message (a TC that goes away).
    void set_silent(bool silent) { silent_ = silent; }
    // Refuses every transferred pool with these error bits (0: accepts).
    void set_transfer_errors(unsigned char errors) { transfer_errors_ = errors; }
    void set_no_room(bool no_room) { no_room_ = no_room; }
    // Reports a task running (bit 0 of byte 5 of the status message).
    void set_task_active(bool active) { task_active_ = active; }

    // A process-data command to a client.
    void send_command(unsigned char client, TC::command_t cmd, unsigned short element,
                      TC::ddi_t ddi, int32_t value);
    void request_version(unsigned char client);
    // Starts again: the stored pools stay, none is active, no client is
    // known until it announces itself again, the status message goes out at
    // once.
    void restart();

    std::map<unsigned char, Client> clients;
    std::vector<Value> values;
    std::vector<Ack> acks;
    std::vector<std::vector<unsigned char>> versions;  // the clients' version messages
    int transfers = 0;
    int activations = 0;
    int deletes = 0;
    int master_messages = 0;
    // Values and acknowledges refused (NACK) for want of an active pool.
    int refused = 0;
    // Every process-data message a client addressed to the server.
    int client_messages = 0;
    int64_t first_status_ms = -1;  // when the first status message went out
    int task_messages = 0;
    std::vector<unsigned char> last_task_message;
    std::string last_pool_error;

private:
    void reply(unsigned char client, unsigned char sub, std::initializer_list<unsigned char> rest);
    // A NACK of the client's process data.
    void refuse(unsigned char client);

    TC::Client_link& link_;
    unsigned char own_ = TC::NO_ADDRESS;
    bool silent_ = false;
    unsigned char transfer_errors_ = 0;
    bool no_room_ = false;
    bool task_active_ = false;
    int64_t next_status_ = 0;
};

// Runs a Test_tc_server on a CAN stack with its own thread.
class Test_tc_server_host : public TC::Stack_host {
public:
    Test_tc_server_host(JIN_smart_stack& stack, const JIN_name::RAWNAME& name);
    ~Test_tc_server_host() override;
    bool start(module_man& mm);

    // The server, under the host's lock, for a short look or a command.
    template <typename F>
    auto with_server(F&& f)
    {
        Diner::Protection lock(*this);
        return f(server_);
    }

protected:
    void on_message(const JIN_header& h, const unsigned char* data, int64_t now) override;
    void on_tick(int64_t now) override;

private:
    Test_tc_server server_;
};

} // namespace test_support
