#include "Bus_vt.h"

#include "platform/can/Bus_select.h"
#include "util/Atime.h"

#include <algorithm>

namespace {
constexpr unsigned PGN_VT_TO_ECU = 0xE600;
constexpr unsigned PGN_ECU_TO_VT = 0xE700;
constexpr unsigned PGN_ACKNOWLEDGEMENT = 0xE800;
constexpr unsigned PGN_ADDRESS_CLAIMED = 0xEE00;
constexpr uint8_t FN_MAINTENANCE = 0xFF;
constexpr int MAX_MESSAGE = 70000;
}

JIN_name::RAWNAME Bus_vt::vt_name(unsigned identity)
{
    return JIN_name::RAWNAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_NON_SPECIFIC,
                             J1939::FUNC_CODE_VIRTUAL_TERMINAL, 0, 0, J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS,
                             identity, false);
}

uint32_t Bus_vt::Clock::getTimeMs()
{
    Atime t = Atime::now();
    return uint32_t(int64_t(t.time) * 1000 + t.millitm);
}

Bus_vt::Bus_vt() : buffer_(MAX_MESSAGE)
{
    processor_.setDisplayInterface(&display_);
    processor_.setSystemInterface(&clock_);
    processor_.setTransportHandler(this);
    processor_.setTrace(false);
    display_.setProcessor(&processor_);
}

Bus_vt::~Bus_vt()
{
    close();
}

bool Bus_vt::open(const std::string& bus_spec, module_man& mm, unsigned identity, unsigned char address,
                  bool asks_claims_first)
{
    std::string error;
    bus_.reset(Bus_select::start(bus_spec.c_str(), error));
    if (!bus_ || stack_.open(*bus_, &mm) != 0 || stack_.start() != 0)
        return false;
    name_ = vt_name(identity);
    init(mm, nullptr, Descriptor("TVT", 0), 40, 65536, true, false);
    if (stack_.register_pgn(PGN_ECU_TO_VT, &get_waiter(), &rx_event_) != 1)
        return false;
    waiter_descriptor claim;
    claim.init(&mm);
    if (asks_claims_first && stack_.request(254, 255, PGN_ADDRESS_CLAIMED, nullptr, 0) != 0)
        return false;
    if (!stack_.name_manager().add_local_name(name_, address))
        return false;
    address_ = stack_.wait_for_name(&claim, name_, true);
    if (address_ >= 254)
        return false;
    open_ = true;
    submit_timeout(tick_, 100);
    return start() == 0;
}

void Bus_vt::close()
{
    if (!open_)
        return;
    open_ = false;
    terminate(true);
    stack_.deregister_pgn(PGN_ECU_TO_VT, &get_waiter());
    stack_.close();
}

void Bus_vt::with_processor(const std::function<void(VtCommandProcessor&, RecordingVtDisplay&)>& fn)
{
    Protection lock(*this);
    fn(processor_, display_);
}

std::vector<std::vector<uint8_t>> Bus_vt::received_messages()
{
    std::lock_guard<std::mutex> g(record_mutex_);
    return received_messages_;
}

void Bus_vt::lose_next_answer(uint8_t function, unsigned short object)
{
    std::lock_guard<std::mutex> g(record_mutex_);
    losing_ = true;
    lose_function_ = function;
    lose_object_ = object;
}

bool Bus_vt::answer_lost()
{
    std::lock_guard<std::mutex> g(record_mutex_);
    return !losing_;
}

void Bus_vt::send(uint32_t destination, const uint8_t* data, uint32_t length)
{
    if (destination == 255 && !announcing_)
        return;
    {
        std::lock_guard<std::mutex> g(record_mutex_);
        if (losing_ && length >= 3 && data[0] == lose_function_ && (data[1] | data[2] << 8) == lose_object_) {
            losing_ = false;
            return;
        }
    }
    stack_.write(address_, static_cast<unsigned char>(destination), PGN_VT_TO_ECU, destination == 255 ? 6 : 5,
                 length, data, int(length), nullptr, 0);
}

bool Bus_vt::knows_sender(unsigned char src, const uint8_t* data, uint32_t length)
{
    if (length >= 2 && data[0] == FN_MAINTENANCE && (data[1] & 0x01))
        working_sets_.insert(src);
    if (working_sets_.count(src))
        return true;
    // NACK of the VT messages, to the working set (its address acknowledged).
    ++refused_;
    const uint8_t nack[8] = {0x01, 0xFF, 0xFF, 0xFF, src, uint8_t(PGN_ECU_TO_VT), uint8_t(PGN_ECU_TO_VT >> 8),
                             uint8_t(PGN_ECU_TO_VT >> 16)};
    stack_.write(address_, src, PGN_ACKNOWLEDGEMENT, 6, 8, nack, 8, nullptr, 0);
    return false;
}

void Bus_vt::handle_event(waiter_event& event)
{
    if (event.module_id != rx_event_)
        return;
    JIN_header h;
    while (stack_.read(PGN_ECU_TO_VT, h, buffer_.data(), MAX_MESSAGE, MAX_MESSAGE, &get_waiter()) == 0) {
        if (h.dest != address_)
            continue;
        ++received_;
        {
            std::lock_guard<std::mutex> g(record_mutex_);
            received_messages_.emplace_back(buffer_.begin(), buffer_.begin() + std::min<int>(h.length, 8));
        }
        if (!knows_sender(h.src, buffer_.data(), h.length))
            continue;
        processor_.setWorkingSetMaster(h.src);
        processor_.process(buffer_.data(), h.length);
    }
}

void Bus_vt::handle_timeout(Timeout& timeout)
{
    if (&timeout != &tick_)
        return;
    if (announcing_)
        processor_.sendStatusIfDue();
    submit_timeout(tick_, 100);
}
