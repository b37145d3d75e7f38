#include "InProcessVt.h"

#include <algorithm>

InProcessVt::InProcessVt()
{
    processor.setDisplayInterface(&display);
    processor.setSystemInterface(&system);
    processor.setTransportHandler(&transport);
    processor.setWorkingSetMaster(kWorkingSetAddress);
    display.setProcessor(&processor);
}

void InProcessVt::receive(const std::vector<uint8_t>& message)
{
    processor.process(message.data(), uint32_t(message.size()));
}

void InProcessVt::uploadPool(const uint8_t* stream, uint32_t length)
{
    std::vector<uint8_t> transfer(size_t(length) + 1, 17);
    std::copy(stream, stream + length, transfer.begin() + 1);
    receive(transfer);
    receive({18});
}

std::vector<std::vector<uint8_t>> InProcessVt::takeResponses()
{
    std::vector<std::vector<uint8_t>> out;
    for (const VtSentMessage& message : transport.take())
        if (message.destination == kWorkingSetAddress)
            out.push_back(message.bytes);
    return out;
}
