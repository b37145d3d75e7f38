#include "apps/sowvane/control_logic/Comms_logic.h"

#include "apps/sowvane/data_store/data_store.h"

#include <cstdio>

namespace {

// The store's per-poll missed-comms counters, one per row that has one.
#define ROW_COUNTER(n) &ds_comms_diags::poll_id_count_##n
constexpr unsigned ds_comms_diags::*ROW_MISS_COUNTERS[Comms_logic::ROWS_WITH_MISS_COUNTER] = {
    ROW_COUNTER(0),  ROW_COUNTER(1),  ROW_COUNTER(2),  ROW_COUNTER(3),  ROW_COUNTER(4),
    ROW_COUNTER(5),  ROW_COUNTER(6),  ROW_COUNTER(7),  ROW_COUNTER(8),  ROW_COUNTER(9),
    ROW_COUNTER(10), ROW_COUNTER(11), ROW_COUNTER(12), ROW_COUNTER(13), ROW_COUNTER(14),
    ROW_COUNTER(15), ROW_COUNTER(16), ROW_COUNTER(17), ROW_COUNTER(18), ROW_COUNTER(19),
    ROW_COUNTER(20), ROW_COUNTER(21), ROW_COUNTER(22), ROW_COUNTER(23), ROW_COUNTER(24),
    ROW_COUNTER(25), ROW_COUNTER(26), ROW_COUNTER(27), ROW_COUNTER(28), ROW_COUNTER(29),
    ROW_COUNTER(30), ROW_COUNTER(31), ROW_COUNTER(32), ROW_COUNTER(33), ROW_COUNTER(34),
    ROW_COUNTER(35), ROW_COUNTER(36), ROW_COUNTER(37),
};
#undef ROW_COUNTER

constexpr unsigned ECU_COUNTERS = sizeof(ds_comms_diags::ecu_count) / sizeof(unsigned);

} // namespace

Comms_logic::Comms_logic(Packet_interface& link, Data_store& store,
                         const NV_kelsu::application_t& live)
    : link_(link), store_(store)
{
    take_parameters(live);
}

void Comms_logic::take_parameters(const NV_kelsu::application_t& live)
{
    // A record outside any tree copies under the lock of the tree it reads.
    settings_.set(live);
}

unsigned Comms_logic::channel_count_for(unsigned drill_configuration)
{
    switch (drill_configuration) {
    case 1:
    case 3:
    case 6:
        return 8;
    case 2:
    case 5:
        return 6;
    case 4:
        return 10;
    default:
        return 4;
    }
}

unsigned Comms_logic::slot_for(uint8_t id, bool second_channel_ecu)
{
    switch (id) {
    case 50:
    case 51:
        return 0;
    case 52:
        return second_channel_ecu ? 4 : 1;
    case 53:
        return second_channel_ecu ? 5 : 1;
    case 54:
        return 7;
    case 55:
        return 13;
    case 57:
        return 8;
    case 58:
        return 6;
    case 60:
        return 2;
    case 61:
        return 3;
    case 68:
    case 69:
    case 70:
    case 71:
        return 9 + unsigned(id - 68);
    default:
        return NO_SLOT;
    }
}

void Comms_logic::poll_step()
{
    send_row(poll_index_);
    // Advance to the next row that is not skipped; the wrap comes before
    // any row is looked at, so there is never a row 40.
    for (unsigned tries = 0; tries < POLL_COUNT; ++tries) {
        if (++poll_index_ >= POLL_COUNT) {
            poll_index_ = 0;
            wrap_cycle();
        }
        if (!skipped(poll_index_))
            break;
    }
}

void Comms_logic::next_mode2_poll()
{
    unsigned index = mode2_next_b_ ? MODE2_ROW_B : MODE2_ROW_A;
    mode2_next_b_ = !mode2_next_b_;
    if (skipped(index)) {
        last_poll_index_ = index;
        expects_reply_ = false;
        awaiting_slot_ = NO_SLOT;
        return;
    }
    send_row(index);
}

void Comms_logic::enter_mode2()
{
    mode2_ = true;
    mode2_next_b_ = false;
}

void Comms_logic::leave_mode2()
{
    mode2_ = false;
    // The slots that were not polled in mode 2 kept their old state: the
    // first miss after it starts the mask afresh.
    first_miss_clears_ = 1;
}

void Comms_logic::send_row(unsigned index)
{
    const Poll_row& r = row(index);
    expected_reply_length_ = r.reply_length;
    link_.set_timeout(REPLY_TIMEOUT_MS);
    Packet request(0, 0);
    polled_item_ = 0;
    uint8_t target = (this->*r.build)(index, request);
    last_poll_index_ = index;
    awaited_id_ = target;
    awaited_command_ = request.command();
    awaiting_slot_ = target ? slot_for(target, split_system()) : NO_SLOT;
    if (awaiting_slot_ < PRESENT_COUNT)
        slot_present_[awaiting_slot_] = 1;
    // A request the port would not take is a poll left unanswered: the
    // deadline counts it against the controller like any other silence.
    expects_reply_ = target != 0;
    if (expects_reply_)
        link_.send(request);
}

bool Comms_logic::skipped(unsigned index) const
{
    const Poll_row& r = row(index);
    return r.skip && (this->*r.skip)(index);
}

void Comms_logic::wrap_cycle()
{
    // A slot that was not asked at all this cycle cannot be in no-comms.
    for (unsigned slot = 0; slot < PRESENT_COUNT; ++slot) {
        if (!slot_present_[slot] && slot < 32)
            no_comms_mask_ &= ~(1u << slot);
        slot_present_[slot] = 0;
    }
    versions_this_cycle_ = version_refresh_due_;
    version_refresh_due_ = false;
    unsigned mask = no_comms_mask_;
    cds_set(&store_.head, &store_.body.system.ECU_status, mask);
}

bool Comms_logic::dispatch_reply(const Packet& reply)
{
    if (!expects_reply_)
        return false;
    uint32_t length = reply.packet_length();
    bool from_other = !reply.ascii
                      && ((awaited_id_ != ANY_SOURCE && reply.source() != awaited_id_)
                          || reply.command() != awaited_command_);
    if (length != expected_reply_length_ || bool(reply.ascii) != ascii_reply_awaited()
        || from_other) {
        if (length == expected_reply_length_ && from_other)
            std::printf("Check failed! idx = %d Exp: src %x cmd %x Act: src %x cmd %x\n",
                        int(last_poll_index_), awaited_id_, awaited_command_, reply.source(),
                        reply.command());
        else
            std::printf("Check failed! idx = %d Exp: %d Act: %d\n", int(last_poll_index_),
                        int(expected_reply_length_), int(length));
        std::printf("Got a valid packet: src=%x len=%x dest=%x cmd=%x data=", reply.source(),
                    reply.length_byte(), reply.destination(), reply.command());
        for (uint32_t i = 0; i < reply.length; ++i)
            std::printf("%02x ", reply.data_byte(i));
        std::printf("\n");
        return false;
    }
    reply_status(true);
    expects_reply_ = false;
    (this->*row(last_poll_index_).handle)(reply);
    return true;
}

void Comms_logic::reply_status(bool ok)
{
    unsigned slot = awaiting_slot_;
    bool has_slot = slot < SLOT_COUNT;
    expects_reply_ = false;
    if (ok) {
        if (has_slot) {
            missed_count_[slot] = 0;
            no_comms_mask_ &= ~(1u << slot);
        }
        ++good_reply_count_;
        return;
    }
    if (first_miss_clears_) {
        no_comms_mask_ = 0;
        first_miss_clears_ = 0;
    } else if (has_slot) {
        if (missed_count_[slot] < MISSES_BEFORE_NO_COMMS) {
            ++missed_count_[slot];
        } else {
            no_comms_mask_ |= 1u << slot;
            forget_shaft_periods(slot);
        }
    }
    ++missed_total_;
    if (has_slot)
        ++slot_misses_[slot];
    if (last_poll_index_ < ROWS_WITH_MISS_COUNTER)
        ++row_misses_[last_poll_index_];
    publish_diagnostics();
}

// A controller in no-comms measures nothing: the last shaft period it
// reported must not go on as a measured rate (and product counted out of
// the tank) while nobody knows what its drives do.
void Comms_logic::forget_shaft_periods(unsigned slot)
{
    for (unsigned channel = 0; channel < 10; ++channel) {
        if (slot_for(channel_ecu(channel), split_system()) != slot)
            continue;
        ds_ulong none = 0;
        cds_set(&store_.head, &store_.body.channels.channels[channel].actual_period, none);
    }
}

void Comms_logic::publish_diagnostics()
{
    CDS::Head* head = &store_.head;
    ds_comms_diags& diags = store_.body.diagnostics.comms;
    cds_set(head, &diags.valid_messages, unsigned(good_reply_count_));
    cds_set(head, &diags.system_count, unsigned(missed_total_));
    for (unsigned slot = 0; slot < SLOT_COUNT && slot < ECU_COUNTERS; ++slot)
        cds_set(head, &diags.ecu_count[slot], unsigned(slot_misses_[slot]));
    for (unsigned r = 0; r < ROWS_WITH_MISS_COUNTER; ++r)
        cds_set(head, &(diags.*ROW_MISS_COUNTERS[r]), unsigned(row_misses_[r]));
    unsigned mask = no_comms_mask_;
    cds_set(head, &store_.body.system.ECU_status, mask);
}

void Comms_logic::one_second_step()
{
    if (++seconds_since_versions_ >= VERSION_REFRESH_S) {
        seconds_since_versions_ = 0;
        version_refresh_due_ = true;
    }
}

void Comms_logic::half_second_step()
{
    unsigned mask = no_comms_mask_;
    cds_set(&store_.head, &store_.body.system.ECU_status, mask);
}

unsigned Comms_logic::drill_configuration() const { return settings_.ecu_config._get(); }

bool Comms_logic::split_system() const
{
    unsigned type = drill_configuration();
    return type == 5 || type == 6;
}

bool Comms_logic::channel_enabled(unsigned channel) const
{
    return channel < 10 && settings_.channels.at(int(channel)).enabled._get();
}

unsigned Comms_logic::bin_count() const
{
    unsigned n = settings_.num_channels._get();
    return n > 10 ? 10 : n;
}

unsigned Comms_logic::next_bin(unsigned& rotation) const
{
    unsigned n = bin_count();
    for (unsigned tries = 0; tries < n; ++tries) {
        unsigned bin = rotation % n;
        rotation = (bin + 1) % n;
        if (channel_enabled(bin))
            return bin;
    }
    return NO_SLOT;
}

uint8_t Comms_logic::channel_ecu(unsigned channel) const
{
    // Two channels per channel ECU (50 .. 53); channels 9 and 10 on the
    // second product ECU (60) of the larger drills.
    if (channel >= 8)
        return channel == 8 ? 60 : 61;
    return uint8_t(50 + channel / 2);
}

uint8_t Comms_logic::second_product_ecu(bool second_half) const
{
    if (second_half)
        return drill_configuration() == 6 ? 53 : 61;
    return split_system() ? 52 : 60;
}

bool Comms_logic::seeding_ecu_reply(const Packet& reply, uint8_t command) const
{
    uint8_t id = reply.source();
    bool seeding = id == 52 || id == 53 || id == 60 || id == 61;
    return seeding && drill_configuration() != 1 && reply.command() == command;
}
