// The project's terminal side (VtCommandProcessor with the recording display)
// as a VT on a CAN bus: its own stack and NAME, a thread that takes the
// working set's messages (PGN 0xE700), answers through the stack on PGN
// 0xE600 and sends its VT status every second. As a VT does, it knows a
// working set once it has announced itself (maintenance with the initiating
// bit) and refuses the messages of others with a NACK. Operator events are
// scripted by the test through with_processor(), under the VT's lock.
#pragma once

#include "RecordingVtDisplay.h"

#include "can/JIN_smart_stack.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"
#include "platform/can/CAN_bus.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtSystemInterface.h"
#include "vt_object_model/terminal/VtTransportHandler.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class Bus_vt : public Diner_protection<Diner>, private VtTransportHandler {
public:
    // A VT's NAME: function virtual terminal, the given identity number.
    static JIN_name::RAWNAME vt_name(unsigned identity);

    Bus_vt();
    ~Bus_vt() override;

    // Opens the bus (a Bus_select specification), claims the NAME at the
    // preferred address and starts. False on any failure. With
    // `asks_claims_first` it asks all nodes for their claims from the null
    // address before it claims, as many starting nodes do.
    bool open(const std::string& bus_spec, module_man& mm, unsigned identity, unsigned char address,
              bool asks_claims_first = false);
    void close();

    // Runs fn on the processor under the VT's lock.
    void with_processor(const std::function<void(VtCommandProcessor&, RecordingVtDisplay&)>& fn);
    // Stops (false) or resumes the VT status messages: a VT that goes silent.
    void set_announcing(bool on) { announcing_ = on; }
    unsigned char address() const { return address_; }
    // Messages received from working sets so far.
    int messages_received() const { return received_; }
    // Messages refused (NACK) because their working set had not announced itself.
    int messages_refused() const { return refused_; }
    // The first eight bytes (at most) of every message received from working
    // sets so far, in order.
    std::vector<std::vector<uint8_t>> received_messages();
    // The next answer of `function` about `object` (its bytes 1-2) is lost
    // on the way, as a frame a busy bus dropped; true once it was.
    void lose_next_answer(uint8_t function, unsigned short object);
    bool answer_lost();

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

private:
    class Clock : public VtSystemInterface {
    public:
        uint32_t getTimeMs() override;
    };
    void send(uint32_t destination, const uint8_t* data, uint32_t length) override;
    // Whether the message comes from a working set the VT knows, which it
    // does from its maintenance message with the initiating bit on.
    bool knows_sender(unsigned char src, const uint8_t* data, uint32_t length);

    std::unique_ptr<CAN_bus> bus_;
    JIN_smart_stack stack_;
    JIN_name::RAWNAME name_;
    unsigned char address_ = 254;
    short rx_event_ = 0;
    Timeout tick_;
    std::atomic<bool> announcing_{true};
    std::atomic<int> received_{0};
    std::atomic<int> refused_{0};
    std::set<unsigned char> working_sets_;  // the addresses of those announced
    std::mutex record_mutex_;
    std::vector<std::vector<uint8_t>> received_messages_;
    bool losing_ = false;
    uint8_t lose_function_ = 0;
    unsigned short lose_object_ = 0xFFFF;
    bool open_ = false;
    std::vector<unsigned char> buffer_;
    // Destroyed in reverse order: the processor before the display.
    Clock clock_;
    RecordingVtDisplay display_;
    VtCommandProcessor processor_;
};
