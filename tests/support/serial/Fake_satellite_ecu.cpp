#include "tests/support/serial/Fake_satellite_ecu.h"

#include <algorithm>

namespace test_support {

void Fake_satellite_ecu::set_reply(uint8_t id, uint8_t command, const std::vector<uint8_t>& data)
{
    set_reply(id, command, command, data);
}

void Fake_satellite_ecu::set_reply(uint8_t id, uint8_t command, uint8_t reply_command,
                                   const std::vector<uint8_t>& data)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[{id, command}] = Reply{reply_command, data};
}

void Fake_satellite_ecu::set_ascii_reply(const std::string& request, const std::string& reply)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ascii_replies_[request] = reply;
}

void Fake_satellite_ecu::set_behaviour(uint8_t id, Behaviour behaviour, int argument)
{
    std::lock_guard<std::mutex> lock(mutex_);
    behaviours_[id] = {behaviour, argument};
}

void Fake_satellite_ecu::set_echo(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = on;
}

size_t Fake_satellite_ecu::release_late()
{
    std::vector<uint8_t> held;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        held.swap(held_);
    }
    if (!held.empty())
        line_.write(held);
    return held.size();
}

size_t Fake_satellite_ecu::last_reply_size()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return last_reply_size_;
}

std::vector<std::vector<uint8_t>> Fake_satellite_ecu::requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void Fake_satellite_ecu::clear_requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

std::vector<uint8_t> Fake_satellite_ecu::reply_to(const std::vector<uint8_t>& request)
{
    uint8_t id = request[0];
    auto found = replies_.find({id, request[3]});
    if (found == replies_.end())
        return {};
    std::vector<uint8_t> data = found->second.data;
    auto behaviour = behaviours_.find(id);
    Behaviour how = behaviour == behaviours_.end() ? Behaviour::ANSWER : behaviour->second.first;
    int argument = behaviour == behaviours_.end() ? 0 : behaviour->second.second;
    if (how == Behaviour::WRONG_LENGTH) {
        if (argument >= 0)
            data.insert(data.end(), size_t(argument), uint8_t(0x5A));
        else
            data.resize(data.size() - std::min(data.size(), size_t(-argument)));
    }
    std::vector<uint8_t> reply = frame(OWN_ADDRESS, id, found->second.command, data);
    switch (how) {
    case Behaviour::SILENT:
        return {};
    case Behaviour::LATE:
        held_.insert(held_.end(), reply.begin(), reply.end());
        return {};
    case Behaviour::CORRUPT: {
        size_t at = argument > 0 ? size_t(argument) : 4;
        reply[std::min(at, reply.size() - 1)] ^= 0x5A;
        break;
    }
    default:
        break;
    }
    return reply;
}

int Fake_satellite_ecu::serve(std::vector<uint8_t>& input)
{
    int served = 0;
    for (;;) {
        if (input.empty())
            return served;
        std::vector<uint8_t> request;
        std::vector<uint8_t> reply;
        bool ascii_pending = false;
        for (const auto& ascii : ascii_replies_) {
            const std::string& text = ascii.first;
            size_t n = std::min(text.size(), input.size());
            if (!std::equal(text.begin(), text.begin() + long(n), input.begin()))
                continue;
            if (n < text.size()) {
                ascii_pending = true;
                continue;
            }
            request.assign(input.begin(), input.begin() + long(n));
            reply.assign(ascii.second.begin(), ascii.second.end());
            break;
        }
        if (request.empty()) {
            if (ascii_pending || input.size() < 2)
                return served;
            unsigned l = input[1];
            if (l < 4 || l >= 32) {
                input.erase(input.begin());
                continue;
            }
            if (input.size() < l + 1)
                return served;
            unsigned sum = 0;
            for (unsigned i = 0; i < l; ++i)
                sum += input[i];
            if (uint8_t(sum) != input[l]) {
                input.erase(input.begin());
                continue;
            }
            request.assign(input.begin(), input.begin() + l + 1);
            reply = reply_to(request);
        }
        input.erase(input.begin(), input.begin() + long(request.size()));
        requests_.push_back(request);
        last_reply_size_ = reply.size();
        ++served;
        std::vector<uint8_t> out;
        if (echo_)
            out = request;
        out.insert(out.end(), reply.begin(), reply.end());
        if (!out.empty())
            line_.write(out);
    }
}

} // namespace test_support
