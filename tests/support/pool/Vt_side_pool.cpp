#include "Vt_side_pool.h"

namespace {

const std::vector<uint8_t> end_of_object_pool = {0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

} // namespace

void Vt_side_pool::upload(const std::vector<uint8_t>& stream)
{
    vt_.uploadPool(stream.data(), uint32_t(stream.size()));
    vt_.transport.take();
}

void Vt_side_pool::apply(const std::vector<Vt_cmd>& commands)
{
    for (; applied_ < commands.size(); ++applied_) {
        const Vt_cmd& command = commands[applied_];
        vt_.receive(command.bytes);
        if (command.function == object_pool_transfer)
            vt_.receive(end_of_object_pool);
    }
    vt_.transport.take();
}
