// The module that owns the seeder's control: the Diner "CLIF" with its five
// timers, the RS485 link to the metering ECUs and the link to the I/O
// processor, the control core and the comms core. Timers, data-store and
// settings events, speed messages and serial replies all turn into calls on
// the two cores, on the module's own thread.
//
// Every handler is a public operation, so that a test can drive the module
// with its thread parked (init(..., false)) under Diner::Protection.
#pragma once

#include "apps/sowvane/control_logic/Comms_logic.h"
#include "apps/sowvane/control_logic/Iop_Packet_interface.h"
#include "apps/sowvane/control_logic/Packet_interface.h"
#include "apps/sowvane/control_logic/Seeder_logic.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"

#include <memory>
#include <string>
#include <vector>

class JIN_smart_stack;
class Posix_threaded_serial_data_stream;
struct Data_store;

class Control_logic : public Diner_protection<Diner> {
public:
    static constexpr const char* IOP_PORT = "/dev/ttymxc3:57600:rs232";
    static constexpr int TICK_MS = 1000;
    static constexpr int CONTROL_MS = 500;
    static constexpr int FAST_MS = 100;
    static constexpr int STARTUP_WAIT_MS = 1000;

    // I/O processor commands (a reply carries the command plus one).
    enum Iop_command : uint8_t {
        IOP_READ_SWITCHES = 15,
        IOP_SET_CAN_TERMINATION = 17,
        IOP_SET_BUZZER = 37,
        IOP_SET_RS485_TERMINATION = 39,
        IOP_READ_SPEED_PERIOD = 47,
        IOP_SET_RUNNING = 49,
    };

    Control_logic(const char* port_spec, NV_kelsu::parameters_t& params, Data_store& store,
                  const char* iop_port = IOP_PORT);
    ~Control_logic() override;

    // Opens both links, builds the cores, registers for its events, starts
    // the timers and (with start_thread) the Diner. False, with the part
    // that could not be made named on the console, when a link cannot be
    // opened; the module then stays inert and registered nowhere.
    bool init(module_man* mm, JIN_smart_stack* stack, bool start_thread = true);
    // Why init failed, for the user: the link that could not be opened
    // (empty when none). The I/O processor's link is opened first: when it
    // fails, the port given for the satellite ECUs was not tried.
    std::string link_failure() const;
    // Saves the runtime (as the runtime timer does).
    void stop();
    // The pause after the I/O processor is told it runs (tests shorten it).
    void set_startup_wait(int ms) { startup_wait_ms_ = ms; }

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

    // --- what the timers and events do ---
    void tick_1s();
    void control_step();
    void fast_loop();
    void save_runtime();
    void comms_deadline();
    void rs485_data();
    void iop_data();
    // A speed message's payload; written as the speed when the speed source
    // selects it and no other node serves the VT.
    void speed_message(unsigned pgn, const uint8_t* data, unsigned length);
    void process_ecu_mode_state_changes();

    // The comms-suspend and ECU-mode-2 requests (the data store has no
    // fields for them): set by the owner, from any thread. While suspended
    // the reply deadline lapses; resuming starts the poll cycle again.
    void set_comms_suspended(bool on);
    void set_ecu_mode_2_requested(bool on);
    // Whether the reply deadline (and so the poll cycle) is running.
    bool comms_deadline_pending() const { return submitted(t5_reply_); }
    void deregister_speed_messages();

    Seeder_logic* seeder() { return seeder_logic_.get(); }
    Comms_logic* comms() { return comms_logic_.get(); }
    uint32_t ecu_mode() const { return ecu_mode_; }
    uint32_t speed_silence() const { return speed_silence_; }
    uint16_t rs485_termination() const { return rs485_termination_; }

private:
    // A data-store field this module watches, and what a change of it means.
    enum Watch_kind {
        CHANNEL_SETPOINT,
        CHANNEL_TANK_SWITCH,
        DOWNFORCE_SETPOINT,
        DOWNFORCE_TANK_SWITCH,
        BOOM_STATE,
        CONNECTION_FLAG,
    };
    struct Watched {
        const void* field;
        int size;
        Watch_kind kind;
        unsigned index;
        int code;
    };

    // init's work under the module's lock.
    bool set_up(module_man* mm, JIN_smart_stack* stack);
    void watch(const void* field, int size, Watch_kind kind, unsigned index);
    // Takes back every registration with the data store, the settings
    // tree, the CAN stack and the serial links: nothing sends to this
    // module any more.
    void remove_registrations();
    void drop_speed_registrations();
    bool give_up(const char* what, const std::string& port);
    void field_changed(const Watched& w);
    void connection_changed();
    void apply_throttling();
    void send_rs485_termination();
    bool send_iop(uint8_t command, const std::vector<uint8_t>& payload = {});
    void handle_iop_reply(const Iop_Packet_interface::Packet& reply);
    void next_poll();
    void restart_deadline();
    unsigned speed_source() const;

    Timeout t1_tick_, t2_control_, t3_fast_, t4_runtime_, t5_reply_;
    JIN_smart_stack* stack_ = nullptr;
    std::unique_ptr<Posix_threaded_serial_data_stream> stream_;
    std::unique_ptr<Posix_threaded_serial_data_stream> iop_stream_;
    std::string port_spec_;
    std::string iop_port_;
    std::string unopened_port_;
    bool iop_unopened_ = false;
    NV_kelsu::parameters_t& params_;
    Data_store& store_;
    std::unique_ptr<Packet_interface> packet_interface_;
    std::unique_ptr<Iop_Packet_interface> iop_packet_interface_;
    std::unique_ptr<Seeder_logic> seeder_logic_;
    std::unique_ptr<Comms_logic> comms_logic_;
    uint16_t rs485_termination_ = 0;
    uint32_t speed_silence_ = 0;
    uint32_t ecu_mode_ = 1;
    bool comms_suspended_ = false;
    bool ecu_mode_2_requested_ = false;
    bool speed_registered_ = false;
    short speed_event_ids_[3] = {-1, -1, -1};
    std::vector<Watched> watched_;
    int startup_wait_ms_ = STARTUP_WAIT_MS;
    bool ready_ = false;
};
