#include "platform/tc/TC_client_engine.h"

#include "platform/tc/TC_ddi_range.h"
#include "platform/util/Util.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace TC {

namespace {

const unsigned char FF7[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

bool all_ff(const unsigned char* d, int n)
{
    for (int i = 0; i < n; ++i)
        if (d[i] != 0xFF)
            return false;
    return true;
}

// The process-data commands the client takes: the pool event each becomes
// and the trigger method a datum must offer for it (0: none needed).
const struct {
    command_t cmd;
    Object_pool::pd_event_kind_t kind;
    unsigned char trigger;
} pd_commands[] = {
    {CMD_REQUEST_VALUE, Object_pool::PD_REQUEST_VALUE, 0},
    {CMD_VALUE, Object_pool::PD_SET_VALUE, 0},
    {CMD_SET_VALUE_ACK, Object_pool::PD_SET_VALUE, 0},
    {CMD_TIME_INTERVAL, Object_pool::PD_TIME_INTERVAL, Device_process_data_obj::TRIG_TIME},
    {CMD_DISTANCE_INTERVAL, Object_pool::PD_DISTANCE_INTERVAL,
     Device_process_data_obj::TRIG_DISTANCE},
    {CMD_MINIMUM_THRESHOLD, Object_pool::PD_MINIMUM_THRESHOLD,
     Device_process_data_obj::TRIG_THRESHOLD},
    {CMD_MAXIMUM_THRESHOLD, Object_pool::PD_MAXIMUM_THRESHOLD,
     Device_process_data_obj::TRIG_THRESHOLD},
    {CMD_CHANGE_THRESHOLD, Object_pool::PD_CHANGE_THRESHOLD,
     Device_process_data_obj::TRIG_ON_CHANGE},
};

// The pool event of a process-data command, -1 for none.
int event_kind(command_t cmd)
{
    for (const auto& row : pd_commands)
        if (row.cmd == cmd)
            return row.kind;
    return -1;
}

// The trigger method a datum must offer for the command, 0 for none.
unsigned char needed_trigger(command_t cmd)
{
    for (const auto& row : pd_commands)
        if (row.cmd == cmd)
            return row.trigger;
    return 0;
}

} // namespace

const char* Client_engine::state_name(state_t s)
{
    static const char* const names[] = {
        "disabled",          "waiting for a TC",    "version",      "structure label",
        "localisation label", "deactivating",       "deleting",     "asking for room",
        "transferring",       "transfer response",  "activating",   "active",
        "refused",            "pause",
    };
    return unsigned(s) < sizeof names / sizeof names[0] ? names[s] : "?";
}

Client_engine::Client_engine(Object_pool& pool, Client_link& link) : pool_(pool), link_(link) {}

void Client_engine::set_own_name(const unsigned char* name8)
{
    std::memcpy(own_name_, name8, 8);
    own_name_known_ = true;
}

void Client_engine::set_own_address(unsigned char address, int64_t now_ms)
{
    if (address == own_address_)
        return;
    const unsigned char was = own_address_;
    own_address_ = address;
    if (!session_up())
        return;
    // The TC knows the client by its address: from another one (or none)
    // the client is a stranger to it, and nothing more goes out until the
    // session is joined again.
    Debug_print::dprint("TC client: own address %d became %d; the session starts again\n", was,
                        address);
    tc_ = Tc_info();
    go(ST_WAIT_TC, now_ms);
    pool_.post_status(Object_pool::STATUS_WAITING_FOR_TC);
}

const Object_pool::Described_datum* Client_engine::find_described(unsigned short element,
                                                                  ddi_t ddi) const
{
    const Object_pool::Described_datum key{element, ddi, 0, 0};
    auto at = std::lower_bound(described_.begin(), described_.end(), key);
    return at != described_.end() && at->element == element && at->ddi == ddi ? &*at : nullptr;
}

bool Client_engine::send_process_data(unsigned short element, ddi_t ddi, int32_t value)
{
    if (state_ != ST_ACTIVE || !find_described(element, ddi))
        return false;
    unsigned char d[8];
    pd_encode(d, CMD_VALUE, element, ddi, value);
    return link_.send(PGN_PROCESS_DATA, tc_.address, PD_PRIORITY, d, 8, 0) == 0;
}

bool Client_engine::acknowledge(unsigned short element, ddi_t ddi, unsigned char errors)
{
    if (state_ != ST_ACTIVE)
        return false;
    send_ack(element, ddi, errors, CMD_SET_VALUE_ACK);
    return true;
}

// ---------------------------------------------------------------------------
// Switches

void Client_engine::set_enabled(bool enabled, int64_t now_ms)
{
    enabled_ = enabled;
    set_tx_state(tx_state_, now_ms);
}

void Client_engine::set_tx_state(Object_pool::tx_state_t state, int64_t now_ms)
{
    tx_state_ = state;
    bool running = enabled_ && state != Object_pool::TX_STOPPED;
    if (!running) {
        tc_ = Tc_info();
        go(ST_DISABLED, now_ms);
        return;
    }
    if (state_ == ST_DISABLED) {
        go(ST_WAIT_TC, now_ms);
        pool_.post_status(Object_pool::STATUS_WAITING_FOR_TC);
        return;
    }
    if (state == Object_pool::TX_RUNNING || tc_.address == NO_ADDRESS)
        return;  // without a TC the labels decide once one is found
    if (state == Object_pool::TX_RELOAD)
        reload_wanted_ = true;
    if (state_ == ST_ACTIVE && !reload_wanted_) {
        // Offered again while active: the TC keeps what it holds when the
        // labels are the same; another pool replaces it like a reload.
        unsigned char structure[7], localisation[7];
        std::memcpy(structure, structure_label_, 7);
        std::memcpy(localisation, localisation_label_, 7);
        if (!build_pool()) {
            fail(Object_pool::STATUS_POOL_REFUSED, "no pool to offer", now_ms);
            return;
        }
        if (std::memcmp(structure, structure_label_, 7) == 0 &&
            std::memcmp(localisation, localisation_label_, 7) == 0)
            return;
        reload_wanted_ = true;
    }
    // The pool changed: an active one is switched off before it is deleted.
    if (state_ == ST_ACTIVE && reload_wanted_) {
        unsigned char rest[7] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        send_subcommand(SUB_ACTIVATE, rest);
        go(ST_WAIT_DEACTIVATE, now_ms, RESPONSE_MS);
    } else if (state_ == ST_ACTIVE || state_ == ST_REFUSED || state_ == ST_PAUSE) {
        start_session(now_ms);
    }
}

// ---------------------------------------------------------------------------
// States

void Client_engine::go(state_t s, int64_t now_ms, int64_t timeout_ms)
{
    // The application serves the data of the active description only.
    if (s == ST_ACTIVE && state_ != ST_ACTIVE)
        pool_.set_described(described_);
    else if (s != ST_ACTIVE && state_ == ST_ACTIVE)
        pool_.set_described({});
    state_ = s;
    deadline_ = timeout_ms < 0 ? -1 : now_ms + timeout_ms;
}

void Client_engine::fail(Object_pool::status_code_t code, const char* why, int64_t now_ms)
{
    Debug_print::dprint("TC client: %s\n", why);
    pool_.post_status(code);
    if (code == Object_pool::STATUS_POOL_REFUSED)
        go(ST_REFUSED, now_ms);
    else
        go(ST_PAUSE, now_ms, PAUSE_MS);
}

void Client_engine::lose_tc(const char* why, int64_t now_ms)
{
    Debug_print::dprint("TC client: task controller %d %s\n", tc_.address, why);
    tc_ = Tc_info();
    ask_label_at_status_ = false;
    go(ST_WAIT_TC, now_ms);
    pool_.post_status(Object_pool::STATUS_TC_LOST);
}

bool Client_engine::build_pool()
{
    pool_.lock(-1);
    Device_obj* device = nullptr;
    for (const auto& entry : pool_.objects())
        if (entry.second->get_type() == TC_obj_type::DEVICE)
            device = static_cast<Device_obj*>(entry.second);
    std::string why;
    bool ok = device != nullptr;
    if (ok) {
        if (own_name_known_)
            device->set_working_set_master_name(own_name_);
        // The structure label follows the pool's content: any change of the
        // pool gives another label, the same pool the same one.
        device->set_structure_label("       ");
        ok = pool_.serialise_ddop(ddop_, why);
        if (ok) {
            char label[8];
            std::snprintf(label, sizeof label, "%07lX",
                          Util::crc32(0, ddop_.data(), int(ddop_.size())) & 0xFFFFFFFul);
            device->set_structure_label(label);
            std::memcpy(structure_label_, label, 7);
            std::memcpy(localisation_label_, device->get_localisation_label(), 7);
            ok = pool_.serialise_ddop(ddop_, why) && pool_.describe_upload(described_, why);
        }
    } else {
        why = "the pool holds no device";
    }
    pool_.unlock();
    if (!ok)
        Debug_print::dprint("TC client: the pool cannot be built: %s\n", why.c_str());
    return ok;
}

void Client_engine::start_session(int64_t now_ms)
{
    if (!build_pool()) {
        fail(Object_pool::STATUS_POOL_REFUSED, "no pool to offer", now_ms);
        return;
    }
    pool_.post_status(Object_pool::STATUS_CONNECTING);
    send_working_set_master();
    next_periodic_ = now_ms;
    send_periodic(now_ms);
    send_subcommand(SUB_REQUEST_VERSION);
    go(ST_WAIT_VERSION, now_ms, RESPONSE_MS);
}

void Client_engine::start_upload(int64_t now_ms)
{
    if (!build_pool()) {
        fail(Object_pool::STATUS_POOL_REFUSED, "no pool to offer", now_ms);
        return;
    }
    uint32_t size = uint32_t(ddop_.size());
    unsigned char rest[7] = {static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
                             static_cast<unsigned char>(size >> 16),
                             static_cast<unsigned char>(size >> 24), 0xFF, 0xFF, 0xFF};
    send_subcommand(SUB_REQUEST_POOL_TRANSFER, rest);
    go(ST_WAIT_SPACE, now_ms, RESPONSE_MS);
}

void Client_engine::send_pool(int64_t now_ms)
{
    pool_.post_status(Object_pool::STATUS_UPLOADING);
    std::vector<unsigned char> message(ddop_.size() + 1);
    message[0] = SUB_POOL_TRANSFER;
    std::memcpy(message.data() + 1, ddop_.data(), ddop_.size());
    if (link_.send(PGN_PROCESS_DATA, tc_.address, PD_PRIORITY, message.data(), int(message.size()),
                   TRANSFER_TAG) != 0) {
        fail(Object_pool::STATUS_BUS_ERROR, "the pool transfer could not be queued", now_ms);
        return;
    }
    go(ST_TRANSFERRING, now_ms,
       RESPONSE_MS + int64_t(message.size()) * 1000 / TRANSFER_BYTES_PER_S);
}

// ---------------------------------------------------------------------------
// Sending

void Client_engine::send8(unsigned char dest, const unsigned char* d, int prio)
{
    link_.send(PGN_PROCESS_DATA, dest, prio, d, 8, 0);
}

void Client_engine::send_subcommand(unsigned char sub, const unsigned char* rest7)
{
    unsigned char d[8];
    d[0] = sub;
    std::memcpy(d + 1, rest7 ? rest7 : FF7, 7);
    send8(tc_.address, d);
}

void Client_engine::send_version()
{
    pool_.lock(-1);
    const Object_pool::tc_version_params_t p = pool_.get_version_params();
    const unsigned char version = pool_.get_version();
    pool_.unlock();
    // The boot time is the TC's to give: a client always sends "not available".
    unsigned char rest[7] = {version,
                             0xFF,
                             p.bytes[Object_pool::VERSION_OPTIONS],
                             p.bytes[Object_pool::VERSION_RESERVED_OPTIONS],
                             p.bytes[Object_pool::VERSION_BOOMS],
                             p.bytes[Object_pool::VERSION_SECTIONS],
                             p.bytes[Object_pool::VERSION_CHANNELS]};
    send_subcommand(SUB_VERSION, rest);
}

void Client_engine::send_periodic(int64_t now_ms)
{
    if (now_ms < next_periodic_)
        return;
    next_periodic_ = now_ms + STATUS_PERIOD_MS;
    // The client task message echoes the TC's task-active bit; the reserved
    // bytes after it are zero.
    const unsigned char task[8] = {0xFF, 0xFF, 0xFF, 0xFF,
                                   static_cast<unsigned char>(tc_.task_active ? 0x01 : 0x00),
                                   0x00, 0x00, 0x00};
    send8(tc_.address, task);
}

void Client_engine::send_working_set_master()
{
    // A working set of one: the master.
    const unsigned char master[8] = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    link_.send(PGN_WORKING_SET_MASTER, GLOBAL_ADDRESS, WORKING_SET_PRIORITY, master, 8, 0);
}

void Client_engine::send_ack(unsigned short element, ddi_t ddi, unsigned char errors,
                             command_t cmd)
{
    unsigned char d[8];
    pd_encode(d, CMD_ACKNOWLEDGE, element, ddi, 0);
    d[4] = errors;
    d[5] = static_cast<unsigned char>(cmd | 0xF0);
    d[6] = 0xFF;
    d[7] = 0xFF;
    send8(tc_.address, d);
}

// ---------------------------------------------------------------------------
// Receiving

void Client_engine::handle_message(unsigned pgn, unsigned char src, unsigned char dest,
                                   const unsigned char* data, int len, int64_t now_ms)
{
    if (own_address_ == NO_ADDRESS || (dest != own_address_ && dest != GLOBAL_ADDRESS))
        return;
    switch (pgn) {
    case PGN_PROCESS_DATA:
        break;
    case PGN_REQUEST:
        on_request(data, len, dest, now_ms);
        return;
    case PGN_ADDRESS_CLAIMED:
        on_address_claimed(src, now_ms);
        return;
    case PGN_ACKNOWLEDGEMENT:
        on_acknowledgement(data, len, src, dest, now_ms);
        return;
    default:
        return;
    }
    if (state_ == ST_DISABLED)
        return;
    if (!data || len < 8) {
        Debug_print::dprint("TC client: refused a process-data message of %d bytes from %d\n", len,
                            src);
        return;
    }
    auto cmd = command_t(data[0] & 0x0F);
    if (cmd == CMD_STATUS) {
        on_status(data, src, now_ms);
        return;
    }
    if (src != tc_.address || dest != own_address_)
        return;  // another ECU's process data, or not ours
    switch (cmd) {
    case CMD_TECHNICAL:
        on_technical(data, len, src, now_ms);
        break;
    case CMD_DEVICE_DESCRIPTOR:
        on_descriptor(data, len, now_ms);
        break;
    case CMD_ACKNOWLEDGE:
    case CMD_CLIENT_TASK:
        break;
    default:
        on_process_data(data, now_ms);
        break;
    }
}

void Client_engine::on_status(const unsigned char* d, unsigned char src, int64_t now_ms)
{
    if (tc_.address == NO_ADDRESS && state_ == ST_WAIT_TC) {
        tc_ = Tc_info();
        tc_.address = src;
        tc_last_heard_ = now_ms;
        tc_.task_active = (d[4] & 0x01) != 0;
        Debug_print::dprint("TC client: task controller found at %d\n", src);
        start_session(now_ms);
    } else if (src == tc_.address) {
        tc_last_heard_ = now_ms;
        tc_.task_active = (d[4] & 0x01) != 0;
        if (ask_label_at_status_ && state_ == ST_ACTIVE)
            send_subcommand(SUB_REQUEST_LOCALISATION_LABEL);
        ask_label_at_status_ = false;
    }
}

void Client_engine::on_request(const unsigned char* d, int len, unsigned char dest,
                               int64_t now_ms)
{
    if (!d || len < 3)
        return;
    const unsigned requested = unsigned(d[0]) | unsigned(d[1]) << 8 | unsigned(d[2]) << 16;
    if (requested == PGN_WORKING_SET_MASTER)
        send_working_set_master();
    // From any node, one that starts (at the null address) included: the
    // TC's claim that follows answers it.
    claim_requests_.on_request(d, len, dest, now_ms);
}

void Client_engine::on_address_claimed(unsigned char src, int64_t now_ms)
{
    if (!session_up() || src != tc_.address)
        return;
    if (!claim_requests_.answers_request(src, now_ms)) {
        lose_tc("claimed its address anew, unasked: it started again", now_ms);
        return;
    }
    // A TC that starts asks for the claims itself before it claims, so its
    // claim too answers a request. Asked for the localisation label, a TC
    // that knows the client answers with it (and nothing changes); one that
    // started again refuses it, which ends the session. Asked at its next
    // status, when a TC that just claimed has surely begun to serve.
    if (state_ == ST_ACTIVE)
        ask_label_at_status_ = true;
}

void Client_engine::on_acknowledgement(const unsigned char* d, int len, unsigned char src,
                                       unsigned char dest, int64_t now_ms)
{
    // Control byte, group function, two reserved bytes, the address
    // acknowledged (the client's, when sent to all) and the PGN.
    if (!d || len < 8 || !session_up() || src != tc_.address)
        return;
    const bool refused = d[0] == 1 || d[0] == 2;  // NACK, access denied
    const unsigned pgn = unsigned(d[5]) | unsigned(d[6]) << 8 | unsigned(d[7]) << 16;
    if (!refused || pgn != PGN_PROCESS_DATA || (dest == GLOBAL_ADDRESS && d[4] != own_address_))
        return;
    lose_tc("refused the client's process data", now_ms);
}

void Client_engine::on_technical(const unsigned char* d, int len, unsigned char src,
                                 int64_t now_ms)
{
    if (d[0] == SUB_REQUEST_VERSION) {
        send_version();
    } else if (d[0] == SUB_VERSION && state_ == ST_WAIT_VERSION) {
        tc_.version = d[1];
        tc_.boot_time = d[2];
        tc_.options = d[3];
        tc_.booms = d[5];
        tc_.sections = d[6];
        tc_.channels = d[7];
        tc_.version_known = true;
        send_subcommand(SUB_REQUEST_STRUCTURE_LABEL);
        go(ST_WAIT_STRUCTURE, now_ms, RESPONSE_MS);
    }
}

void Client_engine::on_descriptor(const unsigned char* d, int len, int64_t now_ms)
{
    switch (d[0]) {
    case SUB_STRUCTURE_LABEL:
        if (state_ != ST_WAIT_STRUCTURE)
            return;
        tc_has_other_pool_ = !all_ff(d + 1, 7);
        if (!reload_wanted_ && std::memcmp(d + 1, structure_label_, 7) == 0) {
            send_subcommand(SUB_REQUEST_LOCALISATION_LABEL);
            go(ST_WAIT_LOCALISATION, now_ms, RESPONSE_MS);
        } else if (tc_has_other_pool_) {
            send_subcommand(SUB_DELETE);
            go(ST_WAIT_DELETE, now_ms, RESPONSE_MS);
        } else {
            start_upload(now_ms);
        }
        break;
    case SUB_LOCALISATION_LABEL:
        if (state_ != ST_WAIT_LOCALISATION)
            return;
        pool_.post_status(Object_pool::STATUS_ACTIVATING);
        if (std::memcmp(d + 1, localisation_label_, 7) == 0) {
            unsigned char rest[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
            send_subcommand(SUB_ACTIVATE, rest);
            go(ST_WAIT_ACTIVATE, now_ms, POOL_RESPONSE_MS);
        } else {
            send_subcommand(SUB_DELETE);
            go(ST_WAIT_DELETE, now_ms, RESPONSE_MS);
        }
        break;
    case SUB_DELETE_RESPONSE:
        if (state_ != ST_WAIT_DELETE)
            return;
        // A refused delete (often: nothing stored) is settled by the transfer.
        if (d[1] != 0)
            Debug_print::dprint("TC client: the TC did not delete the pool (errors 0x%02X)\n", d[1]);
        start_upload(now_ms);
        break;
    case SUB_POOL_TRANSFER_RESPONSE_SPACE:
        if (state_ != ST_WAIT_SPACE)
            return;
        if (d[1] == 0)
            send_pool(now_ms);
        else
            fail(Object_pool::STATUS_POOL_REFUSED, "the TC has no room for the pool", now_ms);
        break;
    case SUB_POOL_TRANSFER_RESPONSE:
        if (state_ != ST_WAIT_TRANSFER && state_ != ST_TRANSFERRING)
            return;
        if (d[1] == 0) {
            pool_.post_status(Object_pool::STATUS_ACTIVATING);
            unsigned char rest[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
            send_subcommand(SUB_ACTIVATE, rest);
            go(ST_WAIT_ACTIVATE, now_ms, POOL_RESPONSE_MS);
        } else {
            char why[80];
            std::snprintf(why, sizeof why, "the TC refused the transferred pool (errors 0x%02X)",
                          d[1]);
            fail(Object_pool::STATUS_POOL_REFUSED, why, now_ms);
        }
        break;
    case SUB_ACTIVATE_RESPONSE:
        if (state_ == ST_WAIT_DEACTIVATE) {
            if (d[1] != 0)
                Debug_print::dprint("TC client: the TC did not switch the pool off (errors "
                                    "0x%02X); deleting it all the same\n",
                                    d[1]);
            send_subcommand(SUB_DELETE);
            go(ST_WAIT_DELETE, now_ms, RESPONSE_MS);
        } else if (state_ == ST_WAIT_ACTIVATE) {
            if (d[1] == 0) {
                reload_wanted_ = false;
                go(ST_ACTIVE, now_ms);
                Debug_print::dprint("TC client: pool active on task controller %d\n", tc_.address);
                pool_.post_status(Object_pool::STATUS_ACTIVE);
            } else {
                char why[120];
                std::snprintf(why, sizeof why,
                              "the TC refused to activate the pool (errors 0x%02X, object %u of "
                              "parent %u, object errors 0x%02X)",
                              d[1], unsigned(d[4] | d[5] << 8), unsigned(d[2] | d[3] << 8), d[6]);
                fail(Object_pool::STATUS_POOL_REFUSED, why, now_ms);
            }
        }
        break;
    default:
        break;
    }
}

unsigned char Client_engine::check_target(command_t cmd, unsigned short element, ddi_t ddi,
                                          int32_t value) const
{
    // Against the description the TC holds, not the pool as it is now.
    if (const Object_pool::Described_datum* pd = find_described(element, ddi))
        return check_use(cmd, value, *pd);
    const Object_pool::Described_datum key{element, 0, 0, 0};
    auto at = std::lower_bound(described_.begin(), described_.end(), key);
    return at != described_.end() && at->element == element ? PDACK_DDI_NOT_SUPPORTED
                                                            : PDACK_INVALID_ELEMENT;
}

unsigned char Client_engine::check_use(command_t cmd, int32_t value,
                                       const Object_pool::Described_datum& pd)
{
    // What the pool told the TC it may do with the datum: set it, and start
    // which of the triggers.
    if (cmd == CMD_VALUE || cmd == CMD_SET_VALUE_ACK) {
        if (!(pd.properties & Device_process_data_obj::PROP_SETTABLE))
            return PDACK_NOT_SETTABLE;
        return ddi_defines_value(pd.ddi, value) ? PDACK_NO_ERROR : PDACK_VALUE_NOT_CONFORMING;
    }
    unsigned char trigger = needed_trigger(cmd);
    if (trigger == 0)
        return PDACK_NO_ERROR;
    if (!(pd.triggers & trigger))
        return PDACK_TRIGGER_NOT_SUPPORTED;
    // Intervals (ms, mm) and a change of a value cannot be below nothing.
    bool magnitude = cmd == CMD_TIME_INTERVAL || cmd == CMD_DISTANCE_INTERVAL ||
                     cmd == CMD_CHANGE_THRESHOLD;
    return magnitude && value < 0 ? PDACK_INVALID_INTERVAL : PDACK_NO_ERROR;
}

void Client_engine::on_process_data(const unsigned char* d, int64_t now_ms)
{
    auto cmd = command_t(d[0] & 0x0F);
    unsigned short element = pd_element(d);
    ddi_t ddi = pd_ddi(d);
    int32_t value = pd_value(d);
    int kind = event_kind(cmd);
    unsigned char errors = PDACK_NO_ERROR;
    if (state_ != ST_ACTIVE || kind < 0)
        errors = PDACK_COMMAND_NOT_SUPPORTED;
    else if (!(cmd == CMD_REQUEST_VALUE && ddi == DDI_DEFAULT_DATA && element == 0))
        // The default data are asked for on element 0 only; elsewhere the
        // DDI is one like any other the element does not have.
        errors = check_target(cmd, element, ddi, value);
    if (errors != PDACK_NO_ERROR) {
        Debug_print::dprint("TC client: command %d for element %u, DDI 0x%04X refused (0x%02X)\n",
                            cmd, element, ddi, errors);
        send_ack(element, ddi, errors, cmd);
        return;
    }
    // A set value to acknowledge is answered once the application has
    // taken or refused it.
    const bool acknowledge = cmd == CMD_SET_VALUE_ACK;
    if (!pool_.post_pd_event(Object_pool::pd_event_kind_t(kind), element, ddi, value,
                             acknowledge) &&
        acknowledge) {
        Debug_print::dprint("TC client: set value for element %u, DDI 0x%04X not delivered\n",
                            element, ddi);
        send_ack(element, ddi, PDACK_COMMAND_NOT_SUPPORTED, cmd);
    }
}

void Client_engine::handle_transfer_result(int tag, bool ok, int64_t now_ms)
{
    if (tag != TRANSFER_TAG || state_ != ST_TRANSFERRING)
        return;
    if (ok)
        go(ST_WAIT_TRANSFER, now_ms, POOL_RESPONSE_MS);
    else
        fail(Object_pool::STATUS_BUS_ERROR, "the pool transfer failed", now_ms);
}

// ---------------------------------------------------------------------------
// Time

void Client_engine::handle_time(int64_t now_ms)
{
    if (state_ == ST_DISABLED || state_ == ST_WAIT_TC || own_address_ == NO_ADDRESS)
        return;
    if (now_ms - tc_last_heard_ >= TC_LOST_MS) {
        lose_tc("went silent", now_ms);
        return;
    }
    send_periodic(now_ms);
    if (deadline_ < 0 || now_ms < deadline_)
        return;
    if (state_ == ST_PAUSE) {
        start_session(now_ms);
        return;
    }
    char why[80];
    std::snprintf(why, sizeof why, "no answer from the TC while %s", state_name(state_));
    fail(Object_pool::STATUS_BUS_ERROR, why, now_ms);
}

int64_t Client_engine::next_deadline() const
{
    if (state_ == ST_DISABLED || state_ == ST_WAIT_TC)
        return INT64_MAX;
    int64_t next = std::min(next_periodic_, tc_last_heard_ + TC_LOST_MS);
    if (deadline_ >= 0)
        next = std::min(next, deadline_);
    return next;
}

} // namespace TC
