#include "platform/vt/Vt_session.h"

#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"

#include <algorithm>
#include <cstdio>

namespace VT {

namespace {

constexpr uint8_t FN_STATUS = 0xFE;
constexpr uint8_t FN_MAINTENANCE = 0xFF;
constexpr uint8_t FN_POOL_TRANSFER = 0x11;
constexpr uint8_t FN_END_OF_POOL = 0x12;
constexpr uint8_t FN_GET_MEMORY = 0xC0;
constexpr uint8_t FN_GET_SOFT_KEYS = 0xC2;
constexpr uint8_t FN_GET_FONTS = 0xC3;
constexpr uint8_t FN_GET_HARDWARE = 0xC7;
constexpr uint8_t FN_DELETE_POOL = 0xB2;
constexpr uint8_t FN_AUDIO_SIGNAL = 0xA3;
constexpr uint8_t FN_AUDIO_VOLUME = 0xA4;
constexpr uint8_t FN_STRING_VALUE = 0xB3;
constexpr uint8_t FN_ACTIVE_MASK = 0xAD;
constexpr uint8_t FN_NUMERIC_VALUE = 0xA8;
constexpr uint8_t FN_SOFT_KEY = 0x00;
constexpr uint8_t FN_BUTTON = 0x01;
constexpr unsigned short NULL_ID = 0xFFFF;
// Busy bits of the VT status that hold a command back: a VT parsing a pool
// or out of memory cannot take one. One executing a command (bit 2) takes the
// next when it is done, in the order it received them, so that bit holds
// nothing back.
constexpr uint8_t BUSY_PARSING = 0x10;
constexpr uint8_t BUSY_OUT_OF_MEMORY = 0x80;
constexpr uint8_t BUSY_HOLD = BUSY_PARSING | BUSY_OUT_OF_MEMORY;
// The version of the standard the working set follows.
constexpr uint8_t OUR_VERSION = 3;
// VTs from this version on carry a transaction number in the messages that
// report the operator's actions, and expect it back in the answers.
constexpr uint8_t VT_VERSION_TRANSACTION_NUMBER = 6;
constexpr uint8_t PRIO_ECU_TO_VT = 5;

uint16_t u16(const uint8_t* d) { return uint16_t(d[0] | d[1] << 8); }
uint32_t u32(const uint8_t* d) { return uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 | uint32_t(d[3]) << 24; }

// A message padded with 0xFF to eight bytes.
std::vector<uint8_t> padded(std::vector<uint8_t> b)
{
    while (b.size() < 8)
        b.push_back(0xFF);
    return b;
}

// What the answer to a command echoes of it: `length` bytes at `answer_at`
// of the answer, as the command had them at `command_at`. A numeric value
// comes back in the width of the object's value, the rest padded.
struct Echo {
    uint8_t function;
    uint8_t answer_at;
    uint8_t command_at;
    uint8_t length;
    bool padded;
};
constexpr Echo ECHOES[] = {
    {0xA0, 3, 3, 1, false},              // Hide/Show: the state
    {0xA1, 3, 3, 1, false},              // Enable/Disable: the state
    {0xA5, 3, 3, 2, false},              // Child Location: the child
    {0xA7, 3, 3, 1, false},              // Background Colour: the colour
    {FN_NUMERIC_VALUE, 4, 4, 4, true},   // Numeric Value: the value
    {0xAE, 3, 4, 2, false},              // Soft Key Mask: the soft key mask
    {0xAF, 3, 3, 1, false},              // Attribute: the attribute id
    {0xB0, 3, 3, 1, false},              // Priority: the priority
    {0xB1, 3, 3, 3, false},              // List Item: the index and the item
    {0xB4, 3, 3, 2, false},              // Child Position: the child
};

const Echo* echo_of(uint8_t function)
{
    for (const Echo& e : ECHOES)
        if (e.function == function)
            return &e;
    return nullptr;
}

// Whether the bytes an answer echoes are the command's: equal, or (for a
// value sent wider than the object holds it) padding above the first byte
// where the command has zero.
bool echoes(const Echo& e, const uint8_t* answer, const uint8_t* command)
{
    for (int i = 0; i < e.length; ++i) {
        const uint8_t a = answer[e.answer_at + i], c = command[e.command_at + i];
        if (a != c && !(e.padded && i > 0 && c == 0 && a == 0xFF))
            return false;
    }
    return true;
}

} // namespace

int Vt_session::error_byte_of(uint8_t function)
{
    switch (function) {
    // Hide/Show, Enable/Disable, Select Input Object (after the selection
    // byte), Background Colour, Attribute, Priority.
    case 0xA0: case 0xA1: case 0xA2: case 0xA7: case 0xAF: case 0xB0: return 4;
    // Child Location, Soft Key Mask, String Value (after two reserved
    // bytes), Child Position.
    case 0xA5: case 0xAE: case 0xB3: case 0xB4: return 5;
    case 0xB1: return 6;  // List Item
    case 0xB2: return 1;  // Delete Object Pool
    default: return 3;    // object (or mask) ID, then the error codes
    }
}

int Vt_session::object_byte_of(uint8_t function)
{
    switch (function) {
    case FN_AUDIO_SIGNAL:
    case FN_AUDIO_VOLUME:
    case FN_DELETE_POOL:
    case FN_END_OF_POOL:
    // A VT that refuses a mask may name the one it still shows.
    case FN_ACTIVE_MASK: return -1;
    case FN_STRING_VALUE: return 3;  // after two reserved bytes
    default: return 1;  // the object, the parent of a child, the mask
    }
}

Vt_session::Vt_session(Object_pool& pool, Vt_link& link, const Config& config)
    : pool_(pool), link_(link), config_(config)
{
}

void Vt_session::enter(State s, int64_t now_ms)
{
    state_ = s;
    state_since_ = now_ms;
    int conn = CONN_WAIT_VT;
    switch (s) {
    case DISABLED: conn = CONN_DISABLED; break;
    case WAIT_VT:
    case GET_MEMORY:
    case GET_SOFT_KEYS:
    case GET_FONTS:
    case GET_HARDWARE: conn = CONN_WAIT_VT; break;
    case UPLOADING:
    case END_OF_POOL: conn = CONN_UPLOADING; break;
    case UPLOAD_FAILED: conn = CONN_UPLOAD_FAILED; break;
    case RUNNING: conn = CONN_ACTIVE; break;
    }
    pool_.set_tx_state(s == UPLOADING || s == END_OF_POOL ? 16 : 0);
    pool_.set_connection_state(conn);
}

void Vt_session::start(int64_t now_ms)
{
    started_ = now_ms;
    if (!enabled_) {
        enter(DISABLED, now_ms);
        return;
    }
    enter(WAIT_VT, now_ms);
    choose_vt(now_ms);
}

void Vt_session::set_enabled(bool enabled, int64_t now_ms)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled) {
        lose_vt(now_ms);
        enter(DISABLED, now_ms);
    } else {
        start(now_ms);
    }
}

Vt_session::Known_vt* Vt_session::find_vt(uint8_t address)
{
    for (Known_vt& vt : vts_)
        if (vt.address == address)
            return &vt;
    return nullptr;
}

void Vt_session::choose_vt(int64_t now_ms)
{
    // Without an address of its own the working set cannot talk to a VT.
    if (state_ != WAIT_VT || vts_.empty() || link_.own_address() >= NO_OWN_ADDRESS)
        return;
    if (config_.has_preferred) {
        for (const Known_vt& vt : vts_)
            if (vt.named && vt.name == config_.preferred_vt) {
                take_vt(vt, now_ms);
                return;
            }
        if (now_ms - started_ < int64_t(config_.terminal_timeout_s) * 1000)
            return;
    }
    take_vt(vts_.front(), now_ms);
}

void Vt_session::take_vt(const Known_vt& vt, int64_t now_ms)
{
    own_address_ = link_.own_address();
    vt_address_ = vt.address;
    vt_answered_ = false;
    vt_name_ = vt.name;
    vt_named_ = vt.named;
    pool_.set_vt_name(vt.name, vt.named);
    error_.clear();
    // Working set master message: one member.
    std::vector<uint8_t> master = padded({1});
    link_.send(0xFF, PGN_WS_MASTER, 7, master.data(), uint32_t(master.size()), next_tag(TAG_OTHER, false));
    send_maintenance(true);
    next_maintenance_ = now_ms + MAINTENANCE_MS;
    // Its language and units: a VT that came up before us told them before
    // we listened.
    const uint8_t language[3] = {uint8_t(PGN_LANGUAGE), uint8_t(PGN_LANGUAGE >> 8), uint8_t(PGN_LANGUAGE >> 16)};
    link_.send(vt_address_, PGN_REQUEST, 6, language, 3, next_tag(TAG_OTHER, false));
    retry_at_ = -1;
    retry_pause_ms_ = UPLOAD_RETRY_MS;
    ask_memory(now_ms);
}

// What the pool needs of the VT's memory: the first step of an upload.
void Vt_session::ask_memory(int64_t now_ms)
{
    std::vector<uint8_t> stream;
    pool_.serialise_pool(stream);
    uint32_t size = uint32_t(stream.size());
    enter(GET_MEMORY, now_ms);
    send_to_vt(padded({FN_GET_MEMORY, 0xFF, uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                       uint8_t(size >> 24)}),
               TAG_OTHER);
}

void Vt_session::lose_vt(int64_t now_ms)
{
    pool_.set_running(false);
    pool_.set_vt_active(false);
    pool_.clear_vt_status();
    pool_.set_vt_version(0);
    pool_.flush_commands();
    command_active_ = false;
    abandoned_.clear();
    transports_.clear();
    command_held_since_ = -1;
    chunk_tag_ = 0;
    retry_at_ = -1;
    stream_.clear();
    busy_ = 0;
    vt_address_ = 0xFE;
}

bool Vt_session::session_up() const
{
    return state_ != DISABLED && state_ != WAIT_VT && vt_address_ < NO_OWN_ADDRESS;
}

void Vt_session::join_again(const char* why, int64_t now_ms)
{
    std::fprintf(stderr, "VT: the VT at %u %s; the working set announces itself again\n", unsigned(vt_address_),
                 why);
    const Known_vt* known = find_vt(vt_address_);
    const bool take_same = known && link_.own_address() < NO_OWN_ADDRESS;
    const Known_vt same = known ? *known : Known_vt{vt_address_, vt_name_, vt_named_, now_ms};
    lose_vt(now_ms);
    enter(WAIT_VT, now_ms);
    // The same VT, even when another one comes first or is preferred.
    if (take_same)
        take_vt(same, now_ms);
    else
        choose_vt(now_ms);
}

void Vt_session::on_acknowledgement(uint8_t src, uint8_t dest, const uint8_t* data, uint32_t len, int64_t now_ms)
{
    // Control byte, group function, two reserved bytes, the address
    // acknowledged (ours, when sent to all) and the PGN. Refusals of what
    // went before the working set announced itself again (still on their
    // way) count only once the VT has answered it since.
    if (!data || len < 8 || !session_up() || src != vt_address_ || !vt_answered_)
        return;
    const bool refused = data[0] == 1 || data[0] == 2;  // NACK, Access Denied
    const uint32_t pgn = uint32_t(data[5]) | uint32_t(data[6]) << 8 | uint32_t(data[7]) << 16;
    const uint8_t own = link_.own_address();
    const bool to_us = own < NO_OWN_ADDRESS && (dest == own || (dest == 0xFF && data[4] == own));
    if (refused && pgn == PGN_ECU_TO_VT && to_us)
        join_again("refused the working set's messages", now_ms);
}

void Vt_session::on_request(uint8_t dest, const uint8_t* data, uint32_t len, int64_t now_ms)
{
    claim_requests_.on_request(data, int(len), dest, now_ms);
}

void Vt_session::on_address_claimed(uint8_t src, int64_t now_ms)
{
    if (!session_up() || src != vt_address_ || claim_requests_.answers_request(src, now_ms))
        return;
    join_again("claimed its address anew, unasked: it started again", now_ms);
}

int Vt_session::next_tag(Tag_kind kind, bool transport)
{
    sequence_ = sequence_ % (TAG_SEQUENCES - 1) + 1;
    return sequence_ << TAG_SEQUENCE_SHIFT | (transport ? TAG_TRANSPORT : 0) | kind;
}

int Vt_session::send_to_vt(std::vector<uint8_t> bytes, Tag_kind kind)
{
    const bool transport = bytes.size() > 8;
    const int tag = next_tag(kind, transport);
    if (!link_.send(vt_address_, PGN_ECU_TO_VT, PRIO_ECU_TO_VT, bytes.data(), uint32_t(bytes.size()), tag))
        return 0;
    if (transport)
        transports_.push_back(tag);
    return tag;
}

void Vt_session::send_request(uint8_t function, int64_t now_ms)
{
    send_to_vt(padded({function}), TAG_OTHER);
    state_since_ = now_ms;
}

void Vt_session::send_maintenance(bool initiating)
{
    send_to_vt(padded({FN_MAINTENANCE, uint8_t(initiating ? 1 : 0), OUR_VERSION}), TAG_OTHER);
}

void Vt_session::on_vt_message(uint8_t src, const uint8_t* data, uint32_t len, int64_t now_ms)
{
    if (!data || len < 1 || !enabled_)
        return;
    const uint8_t function = data[0];
    if (function == FN_STATUS) {
        if (len >= 8)
            handle_status(src, data, now_ms);
        return;
    }
    if (src != vt_address_ || state_ == WAIT_VT || state_ == DISABLED)
        return;
    vt_answered_ = true;
    if (function <= 0x09) {
        handle_event(function, data, len);
        return;
    }
    handle_response(data, len, now_ms);
}

void Vt_session::handle_status(uint8_t src, const uint8_t* d, int64_t now_ms)
{
    Known_vt* vt = find_vt(src);
    if (!vt) {
        vts_.push_back({src, JIN_name::RAWNAME(), false, now_ms});
        vt = &vts_.back();
    }
    vt->named = link_.name_of(src, vt->name);
    vt->last_seen = now_ms;
    if (state_ == WAIT_VT) {
        choose_vt(now_ms);
        return;
    }
    if (src != vt_address_)
        return;
    if (vt->named && (vt_name_ != vt->name || !vt_named_)) {
        vt_name_ = vt->name;
        vt_named_ = true;
        pool_.set_vt_name(vt->name, true);
    }
    busy_ = d[6];
    pool_.set_vt_status(d);
    pool_.set_vt_active(d[1] == link_.own_address());
    if (state_ == RUNNING)
        pool_.post_pool_event(EVENT_VT_STATUS, 0);
}

void Vt_session::handle_response(const uint8_t* d, uint32_t len, int64_t now_ms)
{
    const uint8_t function = d[0];
    switch (state_) {
    case GET_MEMORY:
        if (function != FN_GET_MEMORY || len < 3)
            return;
        vt_version_ = d[1];
        pool_.set_vt_version(vt_version_);
        if (d[2] != 0) {
            upload_failed("the VT has not enough memory for the pool", now_ms, false);
            return;
        }
        enter(GET_SOFT_KEYS, now_ms);
        send_request(FN_GET_SOFT_KEYS, now_ms);
        return;
    case GET_SOFT_KEYS:
        if (function != FN_GET_SOFT_KEYS || len < 8)
            return;
        // navigation keys, virtual keys, physical keys; designator size.
        caps_[2] = uint32_t(d[1]) | uint32_t(d[6]) << 8 | uint32_t(d[7]) << 16;
        caps_[3] = uint32_t(d[4]) | uint32_t(d[5]) << 8;
        enter(GET_FONTS, now_ms);
        send_request(FN_GET_FONTS, now_ms);
        return;
    case GET_FONTS:
        if (function != FN_GET_FONTS || len < 8)
            return;
        // Small and large font sizes in the upper half, the styles apart.
        caps_[4] = (uint32_t(d[5]) | uint32_t(d[6]) << 8) << 16;
        caps_[5] = d[7];
        enter(GET_HARDWARE, now_ms);
        send_request(FN_GET_HARDWARE, now_ms);
        return;
    case GET_HARDWARE: {
        if (function != FN_GET_HARDWARE || len < 8)
            return;
        // Graphic type, the VT's version, hardware.
        caps_[0] = uint32_t(d[2]) | uint32_t(vt_version_) << 8 | uint32_t(d[3]) << 16;
        const uint16_t x = u16(d + 4), y = u16(d + 6);
        caps_[1] = uint32_t(x) | uint32_t(y) << 16;
        pool_.set_resolution(x, y);
        vt_capabilities_t caps;
        for (int i = 0; i < 6; ++i)
            caps.word[i] = caps_[i];
        pool_.set_capabilities(caps);
        pool_.set_connection_state(CONN_VT_FOUND);
        start_upload(now_ms);
        return;
    }
    case END_OF_POOL:
        if (function == FN_END_OF_POOL)
            end_of_pool(d, len, now_ms);
        return;
    case RUNNING:
        take_answer(d, len, now_ms);
        return;
    default: return;
    }
}

bool Vt_session::pool_holds(unsigned short id)
{
    return id != 0xFFFF && pool_.find<VT_obj>(id) != nullptr;
}

uint8_t Vt_session::transaction_byte(uint8_t received) const
{
    return vt_version_ >= VT_VERSION_TRANSACTION_NUMBER ? uint8_t(received | 0x0F) : 0xFF;
}

// The mask the working set shows is the one it activated last (before any,
// the working set's active mask). A button acts only on that data or alarm
// mask; a soft key only in that mask's soft key mask, and only when the VT
// names as its parent that mask or the soft key mask (VTs differ in which
// they name).
bool Vt_session::key_is_shown(uint8_t function, unsigned short key, unsigned short parent)
{
    if (parent == NULL_ID)
        return false;
    pool_.lock(-1);
    unsigned short shown = pool_.get_active_mask();
    if (shown == NULL_ID)
        if (Working_set_obj* ws = pool_.get_working_set())
            shown = ws->get_active_mask();
    Mask_obj* mask = pool_.find<Data_mask_obj>(shown);
    if (!mask)
        mask = pool_.find<Alarm_mask_obj>(shown);
    bool is_shown = false;
    if (mask && function == FN_BUTTON) {
        is_shown = parent == shown;
    } else if (mask) {
        const unsigned short soft_keys = mask->get_soft_key_mask();
        is_shown = (parent == shown || parent == soft_keys) && soft_key_mask_holds(soft_keys, key);
    }
    pool_.unlock();
    return is_shown;
}

// A key of the soft key mask, placed there itself or by an object pointer.
bool Vt_session::soft_key_mask_holds(unsigned short soft_key_mask, unsigned short key)
{
    const Soft_key_mask_obj* keys = pool_.find<Soft_key_mask_obj>(soft_key_mask);
    for (int i = 0; keys && i < keys->num_keys(); ++i) {
        const unsigned short id = keys->get_key_id(i);
        if (id == key)
            return true;
        if (const Object_pointer_obj* pointer = pool_.find<Object_pointer_obj>(id))
            if (pointer->get_value() == key)
                return true;
    }
    return false;
}

void Vt_session::handle_event(uint8_t function, const uint8_t* d, uint32_t len)
{
    // The words of each event as the screens read them: first and second.
    // An event about an object the pool does not hold (the null id among
    // them), or a key the operator cannot see, reaches no screen; the VT
    // still gets its answer.
    switch (function) {
    case FN_SOFT_KEY:
    case FN_BUTTON:
        // Activation code, key, parent, key code; the answer repeats them.
        if (len >= 7) {
            const unsigned short key = u16(d + 2), parent = u16(d + 4);
            if (pool_holds(key) && key_is_shown(function, key, parent))
                pool_.post_vt_event(function, uint32_t(d[1]) | uint32_t(d[6]) << 8,
                                    uint32_t(key) | uint32_t(parent) << 16);
            send_to_vt({function, d[1], d[2], d[3], d[4], d[5], d[6], transaction_byte(len >= 8 ? d[7] : 0xFF)},
                       TAG_OTHER);
        }
        return;
    case 0x02:  // pointing: the answer repeats the position (and, from
                // version 6, the touch state, transaction and mask)
        if (len >= 5) {
            pool_.post_vt_event(2, u16(d + 1), u16(d + 3));
            send_to_vt(padded(std::vector<uint8_t>(d, d + std::min<uint32_t>(len, 8))), TAG_OTHER);
        }
        return;
    case 0x03:  // select input object: the answer repeats object and state
        if (len >= 4) {
            if (pool_holds(u16(d + 1)))
                pool_.post_vt_event(3, d[3], u16(d + 1));
            std::vector<uint8_t> answer = padded(std::vector<uint8_t>(d, d + std::min<uint32_t>(len, 8)));
            answer[7] = transaction_byte(len >= 8 ? d[7] : 0xFF);
            send_to_vt(std::move(answer), TAG_OTHER);
        }
        return;
    case 0x04:  // ESC: the null id when no input was open
        if (len >= 4) {
            if (u16(d + 1) == 0xFFFF || pool_holds(u16(d + 1)))
                pool_.post_vt_event(4, d[3], u16(d + 1));
            send_to_vt({0x04, d[1], d[2], 0xFF, 0xFF, 0xFF, 0xFF, transaction_byte(len >= 8 ? d[7] : 0xFF)},
                       TAG_OTHER);
        }
        return;
    case 0x05:  // change numeric value
        if (len >= 8) {
            if (pool_holds(u16(d + 1)))
                pool_.post_vt_event(5, u16(d + 1), u32(d + 4));
            send_to_vt({0x05, d[1], d[2], transaction_byte(d[3]), d[4], d[5], d[6], d[7]}, TAG_OTHER);
        }
        return;
    case 0x06:  // change active mask
        if (len >= 8) {
            if (pool_holds(u16(d + 1)))
                pool_.post_vt_event(6, uint32_t(u16(d + 1)) | uint32_t(d[3]) << 16,
                                    uint32_t(u16(d + 4)) | uint32_t(u16(d + 6)) << 16);
            send_to_vt(padded({0x06, d[1], d[2]}), TAG_OTHER);
        }
        return;
    case 0x07:  // change soft key mask
        if (len >= 7) {
            if (pool_holds(u16(d + 2)))
                pool_.post_vt_event(7, uint32_t(u16(d + 2)) | uint32_t(d[1]) << 16,
                                    uint32_t(u16(d + 4)) | uint32_t(d[6]) << 16);
            send_to_vt(padded({0x07, d[1], d[2], d[3], d[4], d[5]}), TAG_OTHER);
        }
        return;
    case 0x08: {  // change string value
        if (len < 4)
            return;
        uint32_t n = d[3];
        if (n > len - 4)
            n = len - 4;  // a length beyond the message is cut to it
        if (pool_holds(u16(d + 1)))
            pool_.post_vt_string_event(u16(d + 1), d + 4, n);
        send_to_vt(padded({0x08, 0xFF, 0xFF, d[1], d[2]}), TAG_OTHER);
        return;
    }
    default: return;
    }
}

void Vt_session::start_upload(int64_t now_ms)
{
    if (config_.intro_mask != 0xFFFF)
        if (Working_set_obj* ws = pool_.get_working_set())
            ws->set_active_mask(config_.intro_mask);
    stream_.clear();
    record_ends_.clear();
    pool_.lock(-1);
    for (const auto& entry : pool_.objects()) {
        entry.second->append_record(stream_);
        record_ends_.push_back(uint32_t(stream_.size()));
    }
    pool_.unlock();
    sent_bytes_ = 0;
    chunk_tag_ = 0;
    if (config_.progress)
        config_.progress->set_progress(0, uint32_t(stream_.size()));
    enter(UPLOADING, now_ms);
    send_next_chunk(now_ms);
}

void Vt_session::send_next_chunk(int64_t now_ms)
{
    if (sent_bytes_ >= stream_.size()) {
        enter(END_OF_POOL, now_ms);
        send_to_vt(padded({FN_END_OF_POOL}), TAG_OTHER);
        return;
    }
    // Whole records up to the chunk size (at least one record).
    uint32_t end = sent_bytes_;
    for (uint32_t e : record_ends_) {
        if (e <= sent_bytes_)
            continue;
        if (end != sent_bytes_ && e - sent_bytes_ > CHUNK_BYTES)
            break;
        end = e;
    }
    std::vector<uint8_t> msg;
    msg.reserve(end - sent_bytes_ + 1);
    msg.push_back(FN_POOL_TRANSFER);
    msg.insert(msg.end(), stream_.begin() + sent_bytes_, stream_.begin() + end);
    chunk_end_ = end;
    state_since_ = now_ms;
    chunk_tag_ = send_to_vt(std::move(msg), TAG_CHUNK);
    if (chunk_tag_ == 0)
        upload_failed("the transport refused the pool", now_ms, true);
}

// The VT's verdict on a pool is in its two error bytes: the error codes and
// the object pool error codes. The faulting-object fields only explain a
// failure; named alongside no error they are logged and the pool stands.
bool Vt_session::end_of_pool_ok(const uint8_t* d, uint32_t len, std::string& why) const
{
    if (len < 7) {
        why = "End of Object Pool: answer too short";
        return false;
    }
    const uint8_t errors = d[1];
    const uint16_t parent = u16(d + 2);
    const uint16_t faulty = u16(d + 4);
    const uint8_t pool_error = d[6];
    if (errors == 0 && pool_error == 0) {
        if (faulty != 0xFFFF || parent != 0xFFFF)
            std::fprintf(stderr, "VT: End of Object Pool without errors names object %u (parent %u)\n",
                         unsigned(faulty), unsigned(parent));
        return true;
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "End of Object Pool: error codes %02x, faulty object %u (parent %u), pool error %02x", errors,
                  unsigned(faulty), unsigned(parent), pool_error);
    why = line;
    return false;
}

void Vt_session::end_of_pool(const uint8_t* d, uint32_t len, int64_t now_ms)
{
    std::string why;
    if (!end_of_pool_ok(d, len, why)) {
        upload_failed(why, now_ms, false);  // the VT refused the pool
        return;
    }
    stream_.clear();
    record_ends_.clear();
    retry_pause_ms_ = UPLOAD_RETRY_MS;
    pool_.set_running(true);
    enter(RUNNING, now_ms);
    run_commands(now_ms);
}

// A pool the VT refused (errors in End of Object Pool, not memory enough)
// stays refused until the VT is lost or another one is chosen; an upload
// that went wrong on the way, on a busy bus or a VT slow to answer, is tried
// again after a pause, longer after each failure.
void Vt_session::upload_failed(const std::string& why, int64_t now_ms, bool retry)
{
    error_ = "VT pool upload failed: " + why;
    std::fprintf(stderr, "%s\n", error_.c_str());
    stream_.clear();
    chunk_tag_ = 0;
    pool_.set_running(false);
    enter(UPLOAD_FAILED, now_ms);
    retry_at_ = retry ? now_ms + retry_pause_ms_ : -1;
    if (retry)
        retry_pause_ms_ = std::min(retry_pause_ms_ * 2, UPLOAD_RETRY_MAX_MS);
}

void Vt_session::on_sent(int tag, bool ok, int64_t now_ms)
{
    if (tag & TAG_TRANSPORT) {
        auto it = std::find(transports_.begin(), transports_.end(), tag);
        if (it == transports_.end())
            return;  // of a VT left behind
        transports_.erase(it);
    }
    if (tag != 0 && tag == chunk_tag_ && state_ == UPLOADING) {
        chunk_tag_ = 0;
        if (!ok) {
            upload_failed("a pool transfer message could not be sent", now_ms, true);
            return;
        }
        sent_bytes_ = chunk_end_;
        if (config_.progress)
            config_.progress->set_progress(sent_bytes_, uint32_t(stream_.size()));
        send_next_chunk(now_ms);
        return;
    }
    if (tag != 0 && command_active_ && tag == command_.tag) {
        if (command_.data_in_transit)
            sent_upload_data(ok, now_ms);
        else if (!ok)
            complete_command(1, 0xFF);
    }
    // The end of a transport may free the next command.
    run_commands(now_ms);
}

// The data of a partial upload went (or not); End of Object Pool follows
// only now, so that the VT parses the pool with it.
void Vt_session::sent_upload_data(bool ok, int64_t now_ms)
{
    command_.data_in_transit = false;
    if (!ok) {
        complete_command(1, 0xFF);
        return;
    }
    command_.sent_ms = now_ms;
    command_.tag = send_to_vt(padded({FN_END_OF_POOL}), TAG_COMMAND);
    if (command_.tag == 0)
        complete_command(1, 0xFF);
}

// Whether an answer can be the one `c` waits for: the same function and,
// where the answer names them, the same object and the values the command
// set. A refusal is not held to the values: a VT may report the ones it
// kept.
bool Vt_session::answers(const Sent_command& c, const uint8_t* d, uint32_t len)
{
    if (len < 1 || d[0] != c.function)
        return false;
    const int at = object_byte_of(c.function);
    if (at >= 0 && !(uint32_t(at) + 2 <= len && u16(d + at) == c.object_id))
        return false;
    const Echo* echo = echo_of(c.function);
    const uint32_t error_at = uint32_t(error_byte_of(c.function));
    if (!echo || (error_at < len && d[error_at] != 0) || uint32_t(echo->answer_at + echo->length) > len ||
        size_t(echo->command_at + echo->length) > c.head.size())
        return true;
    return echoes(*echo, d, c.head.data());
}

// Whether no answer could tell the two commands apart.
bool Vt_session::answered_alike(const Sent_command& a, const Sent_command& b)
{
    if (a.function != b.function || a.is_upload != b.is_upload)
        return false;
    if (object_byte_of(a.function) >= 0 && a.object_id != b.object_id)
        return false;
    const Echo* echo = echo_of(a.function);
    if (!echo || size_t(echo->command_at + echo->length) > a.head.size() ||
        size_t(echo->command_at + echo->length) > b.head.size())
        return true;
    return std::equal(a.head.begin() + echo->command_at, a.head.begin() + echo->command_at + echo->length,
                      b.head.begin() + echo->command_at);
}

// Matches an answer of the VT to the command it belongs to, and completes
// that command: the one place where a command is answered.
void Vt_session::take_answer(const uint8_t* d, uint32_t len, int64_t now_ms)
{
    // The VT answers in the order it received: an answer that can only be
    // that of a command given up before the one now waiting is that
    // command's, late, and is dropped with those given up before it.
    for (size_t i = 0; i < abandoned_.size(); ++i) {
        if (answers(abandoned_[i], d, len)) {
            abandoned_.erase(abandoned_.begin(), abandoned_.begin() + long(i) + 1);
            return;
        }
    }
    if (!command_active_ || command_.data_in_transit || !answers(command_, d, len))
        return;  // no command waits for it
    // Those given up before it will not be answered now.
    abandoned_.clear();
    uint8_t result, error;
    if (command_.is_upload) {
        std::string why;
        result = end_of_pool_ok(d, len, why) ? 0 : 1;
        error = len > 1 ? d[1] : 0xFF;
        if (result != 0) {
            char line[200];
            std::snprintf(line, sizeof line, "partial upload of object %u failed: %s", unsigned(command_.object_id),
                          why.c_str());
            error_ = line;
            std::fprintf(stderr, "VT: %s\n", line);
        }
    } else {
        const int at = error_byte_of(command_.function);
        error = uint32_t(at) < len ? d[at] : 0;
        result = error == 0 ? 0 : 1;
    }
    complete_command(result, error);
    run_commands(now_ms);
}

// Result 0 done, 1 refused by the VT (or not sent), 2 no answer.
void Vt_session::complete_command(uint8_t result, uint8_t error)
{
    if (!command_active_)
        return;
    command_active_ = false;
    pool_.set_tx_state(0);
    // What the VT holds now: what the command set, when it took it.
    pool_.change_answered(result == 0);
    if (command_.is_upload)
        pool_.upload_done();
    else
        pool_.command_done();
    // Event 10: object id; command, result, error, extra.
    pool_.post_vt_event(10, command_.object_id,
                        uint32_t(command_.function) | uint32_t(result) << 8 | uint32_t(error) << 16);
}

// The command waited too long: it counts as unanswered, and an answer that
// still comes for it is known as late.
void Vt_session::abandon_command()
{
    const Sent_command given_up = command_;
    complete_command(2, 0xFF);
    abandoned_.push_back(given_up);
    if (abandoned_.size() > MAX_ABANDONED)
        abandoned_.pop_front();
}

void Vt_session::run_commands(int64_t now_ms)
{
    // One at a time, and none behind a message still with the transport:
    // the VT must have it whole before the next command.
    if (state_ != RUNNING || command_active_ || !transports_.empty())
        return;
    if (busy_ & BUSY_HOLD) {
        if (command_held_since_ < 0)
            command_held_since_ = now_ms;
        if (now_ms - command_held_since_ < BUSY_WAIT_MS)
            return;
    }
    command_held_since_ = -1;
    VT_obj* obj = nullptr;
    if (pool_.take_upload(obj)) {
        std::vector<uint8_t> msg(1, FN_POOL_TRANSFER);
        obj->append_record(msg);  // as the screens last published it
        command_active_ = true;
        command_ = Sent_command();
        command_.function = FN_END_OF_POOL;
        command_.object_id = obj->get_id();
        command_.is_upload = true;
        command_.data_in_transit = true;
        command_.sent_ms = now_ms;
        forget_answered_alike();
        pool_.set_tx_state(16);
        command_.tag = send_to_vt(std::move(msg), TAG_UPLOAD);
        if (command_.tag == 0) {
            command_.data_in_transit = false;
            complete_command(1, 0xFF);
        }
        return;
    }
    Vt_command c;
    if (!pool_.take_command(c))
        return;
    command_active_ = true;
    command_ = Sent_command();
    command_.function = c.bytes[0];
    command_.object_id = c.object_id;
    command_.head.assign(c.bytes.begin(), c.bytes.begin() + long(std::min<size_t>(c.bytes.size(), 8)));
    command_.sent_ms = now_ms;
    forget_answered_alike();
    command_.tag = send_to_vt(std::move(c.bytes), TAG_COMMAND);
    if (command_.tag == 0)
        complete_command(1, 0xFF);
}

// A command given up whose answer could not be told from that of the
// command now sent is forgotten: the next such answer is taken as the new
// command's (were it the late one, the VT answers both alike), so that one
// lost answer does not hold every later command to the same object to its
// time-out.
void Vt_session::forget_answered_alike()
{
    abandoned_.erase(std::remove_if(abandoned_.begin(), abandoned_.end(),
                                    [this](const Sent_command& c) { return answered_alike(c, command_); }),
                     abandoned_.end());
}

void Vt_session::tick(int64_t now_ms)
{
    if (state_ == DISABLED)
        return;
    // VTs not heard for a while are gone.
    for (size_t i = 0; i < vts_.size();) {
        if (now_ms - vts_[i].last_seen > VT_LOST_MS)
            vts_.erase(vts_.begin() + long(i));
        else
            ++i;
    }
    if (state_ == WAIT_VT) {
        choose_vt(now_ms);
        return;
    }
    if (link_.own_address() != own_address_) {
        // The VT knows the working set by its address: from another one (or
        // none) the working set announces itself and uploads its pool anew.
        std::fprintf(stderr, "VT: the working set's address %u became %u; the session starts again\n",
                     unsigned(own_address_), unsigned(link_.own_address()));
        lose_vt(now_ms);
        enter(WAIT_VT, now_ms);
        choose_vt(now_ms);
        return;
    }
    if (!find_vt(vt_address_)) {
        error_ = "the VT was lost";
        lose_vt(now_ms);
        enter(WAIT_VT, now_ms);
        choose_vt(now_ms);
        return;
    }
    if (now_ms >= next_maintenance_) {
        send_maintenance(false);
        next_maintenance_ += MAINTENANCE_MS;
        if (next_maintenance_ <= now_ms)
            next_maintenance_ = now_ms + MAINTENANCE_MS;
    }
    switch (state_) {
    case GET_MEMORY:
    case GET_SOFT_KEYS:
    case GET_FONTS:
    case GET_HARDWARE:
        if (now_ms - state_since_ > RESPONSE_MS)
            upload_failed("the VT did not answer", now_ms, true);
        return;
    case END_OF_POOL:
        if (end_of_pool_overdue(state_since_, now_ms))
            upload_failed("the VT did not answer", now_ms, true);
        return;
    case UPLOAD_FAILED:
        if (retry_at_ >= 0 && now_ms >= retry_at_) {
            retry_at_ = -1;
            ask_memory(now_ms);
        }
        return;
    case UPLOADING:
        return;  // the transport times out the transfer itself
    case RUNNING:
        // A partial upload's data is timed by the transport; its End of
        // Object Pool, and every command, by the answer.
        if (command_active_ && !command_.data_in_transit &&
            (command_.is_upload ? end_of_pool_overdue(command_.sent_ms, now_ms)
                                : now_ms - command_.sent_ms > RESPONSE_MS))
            abandon_command();
        run_commands(now_ms);
        return;
    default: return;
    }
}

// The VT answers End of Object Pool once it has parsed the pool; while its
// status says it is parsing, the answer is waited for longer.
bool Vt_session::end_of_pool_overdue(int64_t sent_ms, int64_t now_ms) const
{
    const int64_t waited = now_ms - sent_ms;
    if (waited <= RESPONSE_MS)
        return false;
    return !(busy_ & BUSY_PARSING) || waited > PARSE_WAIT_MS;
}

int Vt_session::get_next_vt() const
{
    for (size_t i = 0; i < vts_.size(); ++i)
        if (vts_[i].address != vt_address_)
            return int(i) + 1;
    return 0;
}

int Vt_session::switch_next_vt(int64_t now_ms)
{
    int next = get_next_vt();
    if (next == 0)
        return -1;
    Known_vt target = vts_[size_t(next - 1)];
    if (vt_address_ != 0xFE && state_ == RUNNING)
        send_to_vt(padded({FN_DELETE_POOL}), TAG_OTHER);
    lose_vt(now_ms);
    enter(WAIT_VT, now_ms);
    take_vt(target, now_ms);
    return 0;
}

// Several nodes may send the Language command (a tractor ECU, other VTs);
// the working set follows the VT it shows its pool on.
void Vt_session::on_language(uint8_t src, const uint8_t* data, uint32_t len)
{
    if (state_ == DISABLED || state_ == WAIT_VT || src != vt_address_)
        return;
    Locale_info locale;
    if (locale.decode(data, int(len)))
        pool_.set_locale(locale);
}

} // namespace VT
