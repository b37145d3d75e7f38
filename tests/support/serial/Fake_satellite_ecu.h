// The satellite ECUs of the RS485 bus, played on a Pty_pair. Every request
// is echoed back first, as the RS485 line does, and the reply follows in the
// same write (one read at 57,600 baud often holds both). Binary requests get
// the scripted reply of their (controller id, command); ASCII requests of
// the scales get the scripted text reply. Per controller id the script can
// make the answer silent, late (held until release_late()), corrupt (one
// byte flipped) or of the wrong length.
#pragma once

#include "tests/support/serial/Scripted_device.h"

#include <map>
#include <string>
#include <utility>

namespace test_support {

class Fake_satellite_ecu : public Scripted_device {
public:
    enum class Behaviour { ANSWER, SILENT, LATE, CORRUPT, WRONG_LENGTH };
    static constexpr uint8_t OWN_ADDRESS = 0x31; // the address the requests come from

    using Scripted_device::Scripted_device;

    // The reply data bytes to (id, command); the reply carries reply_command
    // (by default the request's command).
    void set_reply(uint8_t id, uint8_t command, const std::vector<uint8_t>& data);
    void set_reply(uint8_t id, uint8_t command, uint8_t reply_command,
                   const std::vector<uint8_t>& data);
    // A scale: the reply text (ending in ETX) to an ASCII request.
    void set_ascii_reply(const std::string& request, const std::string& reply);
    // CORRUPT: argument = frame index whose byte is flipped (default the
    // first data byte); WRONG_LENGTH: data bytes added (negative: removed).
    void set_behaviour(uint8_t id, Behaviour behaviour, int argument = 0);
    // With echo off the line gives back only the replies.
    void set_echo(bool on);

    // Writes the replies that LATE held back; their byte count.
    size_t release_late();
    // Bytes written behind the echo for the last request (0: no reply).
    size_t last_reply_size();
    // Every request received, as framed on the wire.
    std::vector<std::vector<uint8_t>> requests();
    void clear_requests();

    // A binary frame as the ECU with address source sends it to destination.
    static std::vector<uint8_t> frame(uint8_t destination, uint8_t source, uint8_t command,
                                      const std::vector<uint8_t>& data)
    {
        std::vector<uint8_t> f;
        f.reserve(data.size() + 5);
        for (uint8_t b : {destination, uint8_t(data.size() + 4), source, command})
            f.push_back(b);
        for (uint8_t b : data)
            f.push_back(b);
        unsigned sum = 0;
        for (uint8_t b : f)
            sum += b;
        f.push_back(uint8_t(sum));
        return f;
    }

protected:
    int serve(std::vector<uint8_t>& input) override;

private:
    std::vector<uint8_t> reply_to(const std::vector<uint8_t>& request);

    struct Reply {
        uint8_t command;
        std::vector<uint8_t> data;
    };
    std::map<std::pair<uint8_t, uint8_t>, Reply> replies_;
    std::map<std::string, std::string> ascii_replies_;
    std::map<uint8_t, std::pair<Behaviour, int>> behaviours_;
    std::vector<std::vector<uint8_t>> requests_;
    std::vector<uint8_t> held_;
    bool echo_ = true;
    size_t last_reply_size_ = 0;
};

} // namespace test_support
