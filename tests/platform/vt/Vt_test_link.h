// The CAN side as a VT session sees it, for the session tests: what the
// session sends is kept until the test delivers it; every message goes out
// whole.
#pragma once

#include "platform/vt/Vt_session.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace vt_test {

// The working set's own address on the test bus.
constexpr uint8_t OUR_ADDRESS = 28;

struct Sent {
    uint8_t dest;
    uint32_t pgn;
    std::vector<uint8_t> bytes;
    int tag;
};

class Test_link : public VT::Vt_link {
public:
    bool send(uint8_t dest, uint32_t pgn, uint8_t prio, const uint8_t* data, uint32_t len, int tag) override
    {
        if (refuse)
            return false;
        out.push_back({dest, pgn, std::vector<uint8_t>(data, data + len), tag});
        return true;
    }
    uint8_t own_address() override { return address; }
    bool name_of(uint8_t address, JIN_name::RAWNAME& name) override
    {
        auto it = names.find(address);
        if (it == names.end())
            return false;
        name = JIN_name::RAWNAME(it->second);
        return true;
    }

    std::deque<Sent> out;
    // The NAMEs of the addresses on the bus.
    std::map<uint8_t, unsigned long long> names;
    // Every send fails (the stack cannot take the message).
    bool refuse = false;
    // The working set's address now (0xFE: none).
    uint8_t address = OUR_ADDRESS;
};

// A message of one frame as a candump log line (for the dissector), with
// the frame's identifier in hex.
inline std::string candump_line(const std::vector<uint8_t>& data, const char* can_id, int index)
{
    char line[80];
    int n = std::snprintf(line, sizeof line, "(1700000000.%06d) can0 %s#", index * 1000, can_id);
    for (uint8_t b : data)
        n += std::snprintf(line + n, sizeof line - size_t(n), "%02X", b);
    return std::string(line) + "\n";
}

}  // namespace vt_test
