#include "platform/can/Loop_bus.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

struct Loop_bus::Wire {
    std::mutex mutex;
    std::vector<Loop_bus*> nodes;
};

namespace {

std::mutex wires_mutex;
std::map<std::string, std::weak_ptr<Loop_bus::Wire>>& wires()
{
    static std::map<std::string, std::weak_ptr<Loop_bus::Wire>> all;
    return all;
}

}  // namespace

Loop_bus::Loop_bus(const std::string& name, std::string spec) : Queued_bus(std::move(spec))
{
    {
        std::lock_guard<std::mutex> lock(wires_mutex);
        auto& slot = wires()[name];
        wire_ = slot.lock();
        if (!wire_) {
            wire_ = std::make_shared<Wire>();
            slot = wire_;
        }
    }
    std::lock_guard<std::mutex> lock(wire_->mutex);
    wire_->nodes.push_back(this);
}

Loop_bus::~Loop_bus()
{
    {
        std::lock_guard<std::mutex> lock(wire_->mutex);
        auto& nodes = wire_->nodes;
        nodes.erase(std::remove(nodes.begin(), nodes.end(), this), nodes.end());
    }
    std::lock_guard<std::mutex> lock(wires_mutex);
    wire_.reset();
    for (auto it = wires().begin(); it != wires().end();)
        it = it->second.expired() ? wires().erase(it) : std::next(it);
}

int Loop_bus::send_frame(const CAN_packet& frame, int)
{
    std::lock_guard<std::mutex> lock(wire_->mutex);
    for (Loop_bus* node : wire_->nodes)
        if (node != this) node->deliver(frame);
    return 1;
}
