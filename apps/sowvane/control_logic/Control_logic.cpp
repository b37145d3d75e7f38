#include "apps/sowvane/control_logic/Control_logic.h"

#include "apps/sowvane/control_logic/Speed_messages.h"
#include "apps/sowvane/data_store/data_store.h"
#include "can/JIN_header.h"
#include "can/JIN_smart_stack.h"
#include "can/JIN_trans.h"
#include "glue/data_stream/Posix_threaded_serial_data_stream.h"
#include "util/Atime.h"

#include <cstdio>

namespace {

const char* const INIT_NAME = "bool Control_logic::init(module_man*, JIN_smart_stack*)";

constexpr unsigned SPEED_PGNS[3] = {Speed_messages::PGN_GROUND_BASED_SPEED,
                                    Speed_messages::PGN_WHEEL_BASED_SPEED,
                                    Speed_messages::PGN_COG_SOG_RAPID};
constexpr unsigned SPEED_SOURCE_FOR[3] = {5, 4, 6};    // by SPEED_PGNS entry
constexpr unsigned MASTER_SWITCH_FROM_IOP = 3;         // master-switch source: the I/O processor
constexpr unsigned SPEED_SOURCE_SENSOR = 2;
constexpr int MAX_SPEED_MESSAGE = 64;

void missing(const char* what)
{
    std::printf("%s: failed to make %s\n", INIT_NAME, what);
}

// Holds the module's lock for a caller from another thread; its own
// handlers hold it already.
class Lock_unless_held {
public:
    explicit Lock_unless_held(const Diner& d) : d_(d), took_(!d.is_locked())
    {
        if (took_)
            d_.lock(-1);
    }
    ~Lock_unless_held()
    {
        if (took_)
            d_.unlock();
    }
    Lock_unless_held(const Lock_unless_held&) = delete;
    Lock_unless_held& operator=(const Lock_unless_held&) = delete;

private:
    const Diner& d_;
    bool took_;
};

} // namespace

Control_logic::Control_logic(const char* port_spec, NV_kelsu::parameters_t& params, Data_store& store,
                             const char* iop_port)
    : port_spec_(port_spec ? port_spec : ""), iop_port_(iop_port ? iop_port : IOP_PORT),
      params_(params), store_(store)
{
}

// The thread ends first, so that no handler runs while the links close
// under it; the store, the settings and the stack outlive the module and
// must not send to it once it is gone.
Control_logic::~Control_logic()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
    remove_registrations();
    if (get_state() != Diner::UNINIT)
        for (Timeout* t : {&t1_tick_, &t2_control_, &t3_fast_, &t4_runtime_, &t5_reply_})
            remove_timeout(*t);
    if (stream_ && stream_->is_open()) {
        std::printf("\n\nClosing com port...\n");
        stream_->close();
    }
    if (iop_stream_ && iop_stream_->is_open()) {
        std::printf("Closing IOP port...\n");
        iop_stream_->close();
    }
}

bool Control_logic::init(module_man* mm, JIN_smart_stack* stack, bool start_thread)
{
    Diner::init(*mm, nullptr, Diner::Descriptor("CLIF", 0), 50, 6144, true, false);
    {
        Diner::Protection lock(*this);
        if (!set_up(mm, stack))
            return false;
    }
    if (start_thread)
        start();
    return true;
}

bool Control_logic::set_up(module_man* mm, JIN_smart_stack* stack)
{
    stack_ = stack;
    apply_throttling();

    // Data-store fields, the settings tree and the speed messages.
    data_store_body& b = store_.body;
    for (unsigned i = 0; i < Seeder_logic::CHANNELS; ++i) {
        watch(&b.channels.channels[i].requested_rate, sizeof(double), CHANNEL_SETPOINT, i);
        watch(&b.channels.channels[i].active, sizeof(bool), CHANNEL_TANK_SWITCH, i);
    }
    for (unsigned i = 0; i < 5; ++i) {
        watch(&b.downforces.channels[i].requested_rate, sizeof(double), DOWNFORCE_SETPOINT, i);
        watch(&b.downforces.channels[i].active, sizeof(bool), DOWNFORCE_TANK_SWITCH, i);
    }
    for (unsigned i = 0; i < Seeder_logic::BOOMS; ++i)
        watch(&b.booms.boom[i].boom_state, sizeof(int), BOOM_STATE, i);
    watch(&b.system.vt_alive, sizeof(bool), CONNECTION_FLAG, 0);
    watch(&b.system.tc_alive, sizeof(bool), CONNECTION_FLAG, 1);
    watch(&b.system.non_vtt_connected, sizeof(bool), CONNECTION_FLAG, 2);
    params_.autoreg_waiter(&get_waiter(), false);
    params_.system.non_vtt_connected.autoreg_waiter(&get_waiter(), false);
    if (stack_) {
        for (unsigned i = 0; i < 3; ++i)
            stack_->register_pgn(SPEED_PGNS[i], &get_waiter(), &speed_event_ids_[i]);
        speed_registered_ = true;
    }

    for (Timeout* t : {&t1_tick_, &t2_control_, &t3_fast_})
        t->set_diner(this);
    t1_tick_.set_period(TICK_MS);
    t2_control_.set_period(CONTROL_MS);
    t3_fast_.set_period(FAST_MS);
    submit_timeout(t1_tick_, TICK_MS);
    submit_timeout(t2_control_, CONTROL_MS);
    submit_timeout(t3_fast_, FAST_MS);
    unsigned save_minutes = params_.app.save_time.get();
    if (save_minutes != 0) {
        int period = int(save_minutes) * 60000;
        t4_runtime_.set_period(period);
        submit_timeout(t4_runtime_, period);
        std::printf("Save runtime = %u ms\n", unsigned(period));
    }

    iop_stream_ = std::make_unique<Posix_threaded_serial_data_stream>(iop_port_.c_str());
    if (!iop_stream_->is_open()) {
        iop_unopened_ = true;
        return give_up("iop_stream", iop_port_);
    }
    iop_stream_->init(*mm);
    iop_stream_->register_waiter(&get_waiter());
    iop_packet_interface_ = std::make_unique<Iop_Packet_interface>(*iop_stream_);

    send_rs485_termination();
    send_iop(IOP_SET_RUNNING);
    if (startup_wait_ms_ > 0)
        Atime::delay(startup_wait_ms_);

    stream_ = std::make_unique<Posix_threaded_serial_data_stream>(port_spec_.c_str());
    if (!stream_->is_open()) {
        return give_up("stream", port_spec_);
    }
    stream_->init(*mm);
    stream_->register_waiter(&get_waiter());
    packet_interface_ = std::make_unique<Packet_interface>(*stream_);

    seeder_logic_ = std::make_unique<Seeder_logic>(&params_, store_);
    comms_logic_ = std::make_unique<Comms_logic>(*packet_interface_, store_, params_.app);
    t5_reply_.set_diner(this);
    submit_timeout(t5_reply_, int(packet_interface_->timeout()));

    ecu_mode_ = 1;
    ready_ = true;
    return true;
}

// A link that cannot be opened: the module stays inert, registered nowhere,
// with nothing left in its queue.
bool Control_logic::give_up(const char* what, const std::string& port)
{
    missing(what);
    unopened_port_ = port;
    remove_registrations();
    get_waiter().flush_events();
    return false;
}

std::string Control_logic::link_failure() const
{
    if (unopened_port_.empty())
        return "";
    const std::string ends = " cannot be opened: the control logic cannot run, the program ends";
    if (!iop_unopened_)
        return "The serial link " + unopened_port_ + ends;
    return "The I/O processor's serial link " + unopened_port_ + ends + " (the port " + port_spec_ +
           " given with -p was not reached)";
}

void Control_logic::stop()
{
    Diner::Protection lock(*this);
    if (seeder_logic_)
        seeder_logic_->save_runtime();
}

void Control_logic::watch(const void* field, int size, Watch_kind kind, unsigned index)
{
    int code = cds_change_code(field, size);
    cds_event_register(&store_.head, &get_waiter(), field, size, CDS::REG_APP, code);
    watched_.push_back(Watched{field, size, kind, index, code});
}

void Control_logic::remove_registrations()
{
    for (const Watched& w : watched_)
        cds_event_unregister(&store_.head, &get_waiter(), w.field, w.size, CDS::REG_APP, w.code);
    watched_.clear();
    params_.autounreg_waiter(&get_waiter());
    params_.system.non_vtt_connected.autounreg_waiter(&get_waiter());
    drop_speed_registrations();
    for (auto* link : {stream_.get(), iop_stream_.get()})
        if (link)
            link->deregister_waiter(&get_waiter());
}

// --- timers ----------------------------------------------------------------

void Control_logic::handle_timeout(Timeout& timeout)
{
    if (!ready_)
        return;
    if (&timeout == &t1_tick_)
        tick_1s();
    else if (&timeout == &t2_control_)
        control_step();
    else if (&timeout == &t3_fast_)
        fast_loop();
    else if (&timeout == &t4_runtime_)
        save_runtime();
    else if (&timeout == &t5_reply_)
        comms_deadline();
}

void Control_logic::tick_1s()
{
    seeder_logic_->one_second_tick();
    comms_logic_->one_second_step();
}

unsigned Control_logic::speed_source() const { return params_.app.speed_source.get(); }

void Control_logic::control_step()
{
    seeder_logic_->control_step();
    comms_logic_->half_second_step();
    unsigned source = speed_source();
    if (source == SPEED_SOURCE_SENSOR)
        send_iop(IOP_READ_SPEED_PERIOD);
    // Speed messages that stop coming leave no stale speed behind.
    if (++speed_silence_ >= Seeder_logic::SPEED_SILENCE_STEPS && source >= 4 && source <= 6) {
        float zero = 0;
        cds_set(&store_.head, &store_.body.vehicle.speed, zero);
    }
    if (params_.app.swbox_ecu_master_sw_mode.get() == MASTER_SWITCH_FROM_IOP)
        send_iop(IOP_READ_SWITCHES);
}

void Control_logic::fast_loop() { seeder_logic_->fast_loop(); }

void Control_logic::save_runtime() { seeder_logic_->save_runtime(); }

// --- RS485 poll cycle ---------------------------------------------------------

void Control_logic::restart_deadline()
{
    remove_timeout(t5_reply_);
    submit_timeout(t5_reply_, int(packet_interface_->timeout()));
}

// The next poll; rows that send nothing are passed over at once.
void Control_logic::next_poll()
{
    if (ecu_mode_ == 2) {
        comms_logic_->next_mode2_poll();
        return;
    }
    for (unsigned tries = 0; tries < Comms_logic::POLL_COUNT; ++tries) {
        comms_logic_->poll_step();
        if (comms_logic_->expects_reply())
            break;
    }
}

void Control_logic::comms_deadline()
{
    if (comms_suspended_) {
        remove_timeout(t5_reply_); // stopped until set_comms_suspended(false)
        return;
    }
    process_ecu_mode_state_changes();
    if (comms_logic_->expects_reply()) {
        if (ecu_mode_ == 1)
            std::printf("NO COMMS - PollIndex=%u\n", unsigned(comms_logic_->last_poll_index()));
        comms_logic_->reply_status(false);
        seeder_logic_->poll_failure_reset();
    }
    next_poll();
    restart_deadline();
}

void Control_logic::rs485_data()
{
    Packet_interface::Packet frame;
    while (packet_interface_->receive(frame, comms_logic_->ascii_reply_awaited())) {
        if (comms_suspended_)
            continue;
        // Only the awaited reply moves the cycle on; anything else waits
        // for the deadline.
        if (!comms_logic_->dispatch_reply(frame))
            continue;
        process_ecu_mode_state_changes();
        next_poll();
        restart_deadline();
    }
}

void Control_logic::set_comms_suspended(bool on)
{
    Lock_unless_held lock(*this);
    comms_suspended_ = on;
    // The deadline lapsed while suspended: nothing would poll again.
    if (!on && ready_ && !submitted(t5_reply_))
        restart_deadline();
}

void Control_logic::set_ecu_mode_2_requested(bool on)
{
    Lock_unless_held lock(*this);
    ecu_mode_2_requested_ = on;
}

void Control_logic::process_ecu_mode_state_changes()
{
    uint32_t wanted = ecu_mode_2_requested_ ? 2 : 1;
    if (wanted == ecu_mode_)
        return;
    std::printf("process_ecu_mode_state_changes: current_ecu_mode:%u new_ecu_mode:%u\n",
                unsigned(ecu_mode_), unsigned(wanted));
    if (wanted == 2)
        comms_logic_->enter_mode2();
    else
        comms_logic_->leave_mode2();
    ecu_mode_ = wanted;
}

// --- I/O processor ------------------------------------------------------------

bool Control_logic::send_iop(uint8_t command, const std::vector<uint8_t>& payload)
{
    if (!iop_packet_interface_)
        return false;
    Iop_Packet_interface::Packet request(command);
    for (uint8_t byte : payload)
        request.append(byte);
    return iop_packet_interface_->send(request);
}

void Control_logic::send_rs485_termination()
{
    rs485_termination_ = params_.app.RS485_termination_enabled.get() ? 1 : 0;
    send_iop(IOP_SET_RS485_TERMINATION, {uint8_t(rs485_termination_)});
    std::printf("RS485 termination set to %d\n", int(rs485_termination_));
}

void Control_logic::iop_data()
{
    Iop_Packet_interface::Packet reply;
    while (iop_packet_interface_->receive(reply))
        handle_iop_reply(reply);
}

void Control_logic::handle_iop_reply(const Iop_Packet_interface::Packet& reply)
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    switch (uint8_t(reply.command() - 1)) {
    case IOP_READ_SWITCHES:
        if (params_.app.swbox_ecu_master_sw_mode.get() == MASTER_SWITCH_FROM_IOP) {
            bool active = !((reply.byte(5) >> 1) & 1);
            cds_set(head, &b.operation.master_switch_active, active);
        }
        break;
    case IOP_SET_CAN_TERMINATION:
        std::printf("IOP replied to set can term message\n");
        break;
    case IOP_SET_BUZZER:
        std::printf("IOP replied to set buzzer message\n");
        break;
    case IOP_SET_RS485_TERMINATION:
        std::printf("IOP replied to set RS485 term message\n");
        break;
    case IOP_READ_SPEED_PERIOD: {
        ds_ulong period = ds_ulong(reply.byte(4)) * 256 + reply.byte(5);
        period *= 64; // 0 stays 0
        cds_set(head, &b.vehicle.ground_speed_sensor.period, period);
        cds_set(head, &b.diagnostics.ground_speed.period, period);
        break;
    }
    case IOP_SET_RUNNING:
        std::printf("IOP replied to set running message\n");
        break;
    default:
        std::printf("Unknown IOP reply!! Command = %02x\n", reply.command());
        break;
    }
}

// --- speed messages ---------------------------------------------------------------

void Control_logic::speed_message(unsigned pgn, const uint8_t* data, unsigned length)
{
    if (params_.system.non_vtt_connected.get())
        return;
    unsigned wanted = 0;
    for (unsigned i = 0; i < 3; ++i)
        if (SPEED_PGNS[i] == pgn)
            wanted = SPEED_SOURCE_FOR[i];
    float mps = 0;
    if (wanted == 0 || speed_source() != wanted
        || !Speed_messages::decode_speed(pgn, data, length, mps))
        return;
    cds_set(&store_.head, &store_.body.vehicle.speed, mps);
    speed_silence_ = 0;
}

void Control_logic::deregister_speed_messages()
{
    if (!stack_ || !speed_registered_)
        return;
    std::printf("Deregister speed PGNs\n");
    drop_speed_registrations();
}

void Control_logic::drop_speed_registrations()
{
    if (!stack_ || !speed_registered_)
        return;
    for (unsigned pgn : SPEED_PGNS)
        stack_->deregister_pgn(pgn, &get_waiter());
    speed_registered_ = false;
}

// --- events ------------------------------------------------------------------------

void Control_logic::handle_event(waiter_event& event)
{
    if (!ready_)
        return;
    if (stream_ && event.module_id == stream_->get_module_id()) {
        rs485_data();
        return;
    }
    if (iop_stream_ && event.module_id == iop_stream_->get_module_id()) {
        iop_data();
        return;
    }
    for (unsigned i = 0; i < 3; ++i) {
        if (speed_registered_ && event.module_id == speed_event_ids_[i]) {
            JIN_header h;
            uint8_t data[MAX_SPEED_MESSAGE];
            while (stack_->read(unsigned(event.data), h, data, sizeof data, sizeof data, &get_waiter()) == 0)
                speed_message(h.pgn, data, h.length);
            return;
        }
    }
    if (params_.system.non_vtt_connected.is_event(event)) {
        apply_throttling();
        return;
    }
    if (params_.is_event(event)) {
        bool termination = params_.app.RS485_termination_enabled.get();
        seeder_logic_->refresh_settings();
        comms_logic_->take_parameters(params_.app);
        if ((termination ? 1 : 0) != rs485_termination_)
            send_rs485_termination();
        return;
    }
    if (event.module_id == store_.head.get_module_id(CDS::REG_APP)) {
        for (const Watched& w : watched_)
            if (w.code == int(event.code))
                field_changed(w);
    }
}

void Control_logic::field_changed(const Watched& w)
{
    switch (w.kind) {
    case CHANNEL_SETPOINT:
        std::printf("Setpoint on chan %d changed\n", int(w.index));
        seeder_logic_->setpoint_changed(w.index);
        break;
    case CHANNEL_TANK_SWITCH:
        std::printf("Tank switch state on chan %d changed\n", int(w.index));
        seeder_logic_->setpoint_changed(w.index);
        seeder_logic_->tank_switch_changed(w.index);
        break;
    case DOWNFORCE_SETPOINT:
        std::printf("Setpoint on downforce %d changed\n", int(w.index));
        break;
    case DOWNFORCE_TANK_SWITCH:
        std::printf("Tank switch state on downforce %d changed\n", int(w.index));
        break;
    case BOOM_STATE:
        std::printf("Boomstate on boom %d changed\n", int(w.index));
        seeder_logic_->boom_state_changed(w.index);
        break;
    case CONNECTION_FLAG:
        connection_changed();
        break;
    }
}

// Without the VT, or with neither a task controller nor another terminal,
// nothing may meter: the master switch and every tank switch go off.
void Control_logic::connection_changed()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    bool vt = cds_get_byte(head, &b.system.vt_alive);
    bool tc = cds_get_byte(head, &b.system.tc_alive);
    bool other_vt = cds_get_byte(head, &b.system.non_vtt_connected);
    if (vt && (tc || other_vt))
        return;
    bool off = false;
    cds_set(head, &b.operation.master_switch_active, off);
    for (unsigned i = 0; i < Seeder_logic::CHANNELS; ++i)
        cds_set(head, &b.channels.channels[i].active, off);
    for (unsigned i = 0; i < 5; ++i)
        cds_set(head, &b.downforces.channels[i].active, off);
}

void Control_logic::apply_throttling()
{
    if (!stack_)
        return;
    if (params_.system.non_vtt_connected.get()) {
        unsigned delay = params_.can.non_vtt_throttling.delay_ms.get();
        unsigned pkts = params_.can.non_vtt_throttling.pkts_between_delay.get();
        stack_->set_default_throttler(JIN_trans::Throttler(uint16_t(delay), uint8_t(pkts)));
        std::printf("non_vtt_throttling: delay_ms=%i pkts=%i\n", int(delay), int(pkts));
    } else {
        unsigned delay = params_.can.vtt_throttling.delay_ms.get();
        unsigned pkts = params_.can.vtt_throttling.pkts_between_delay.get();
        stack_->set_default_throttler(JIN_trans::Throttler(uint16_t(delay), uint8_t(pkts)));
        std::printf("vtt_throttling: delay_ms=%i pkts=%i\n", int(delay), int(pkts));
    }
}
