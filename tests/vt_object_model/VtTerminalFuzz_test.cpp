// Random and mutated input for the terminal side: object pools with flipped,
// cut and inserted bytes, and random commands, fed to the command processor
// (run under the sanitizers). Whatever comes in, nothing crashes or leaks and
// the object table holds only whole objects.
#include "VtTestPool.h"

#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtMessageReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kCommands[] = {17,  18,  146, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173,
                             174, 175, 176, 177, 178, 179, 180, 192, 194, 195, 199, 208, 209, 210, 223, 255, 0, 99};

class Fuzzer {
public:
    explicit Fuzzer(uint32_t seed) : engine_(seed) {}

    uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(engine_); }

    Bytes mutate(Bytes bytes)
    {
        const uint32_t edits = 1 + below(8);
        for (uint32_t i = 0; i < edits && !bytes.empty(); ++i) {
            const uint32_t at = below(uint32_t(bytes.size()));
            switch (below(5)) {
            case 0: bytes[at] = uint8_t(below(256)); break;
            case 1: bytes[at] ^= uint8_t(1u << below(8)); break;
            case 2: bytes.resize(at); break;
            case 3: bytes.insert(bytes.begin() + at, uint8_t(below(256))); break;
            default: bytes.erase(bytes.begin() + at); break;
            }
        }
        return bytes;
    }

    // A command aimed at the objects of the test pool most of the time.
    Bytes command()
    {
        Bytes message(1, kCommands[below(sizeof kCommands)]);
        if (below(3) != 0) {
            const uint32_t oid = 1000 + below(210);
            message.push_back(uint8_t(oid));
            message.push_back(uint8_t(oid >> 8));
        }
        for (uint32_t n = below(10); n > 0; --n)
            message.push_back(uint8_t(below(4) == 0 ? below(256) : below(4)));
        return message;
    }

private:
    std::mt19937 engine_;
};

// Every object in the table writes and reads back whole.
void expectWholeObjects(const VtCommandProcessor& processor)
{
    for (uint32_t oid = 0; oid < VtCommandProcessor::kTableSize; ++oid) {
        VtObject* object = processor.getObject(oid);
        if (object == nullptr)
            continue;
        EXPECT_EQ(object->getOid(), oid);
        VtMessageWriter writer(100000, nullptr);
        ASSERT_EQ(object->write(writer), 0) << oid;
        VtMessageReader reader;
        reader.setData(writer.getData(), writer.getLength());
        std::unique_ptr<VtObject> copy(createVtObject(object->getType(), oid));
        EXPECT_EQ(copy->read(reader), 0) << oid;
        EXPECT_EQ(reader.getRemaining(), 0u) << oid;
    }
}

} // namespace

TEST(VtTerminalFuzz, MutatedPoolsAndRandomCommands)
{
    const Bytes pool = vt_test_pool::build();
    Fuzzer fuzzer(12345);
    for (int round = 0; round < 150; ++round) {
        InProcessVt vt;
        vt.system.timeMs = uint32_t(round) * 1000;
        Bytes transfer(1, 17);
        const Bytes mutated = fuzzer.mutate(pool);
        transfer.insert(transfer.end(), mutated.begin(), mutated.end());
        vt.receive(transfer);
        vt.receive({18});
        for (int i = 0; i < 40; ++i) {
            vt.receive(fuzzer.command());
            vt.system.timeMs += fuzzer.below(500);
        }
        vt.display.redrawChanged();
        expectWholeObjects(vt.processor);
        if (HasFailure())
            return;
    }
}

TEST(VtTerminalFuzz, RandomBytesAsPoolsAndMessages)
{
    Fuzzer fuzzer(777);
    InProcessVt vt;
    // A processor with no display, terminal or transport behind it.
    VtCommandProcessor bare;
    for (int round = 0; round < 400; ++round) {
        Bytes message(1 + fuzzer.below(200));
        for (uint8_t& b : message)
            b = uint8_t(fuzzer.below(3) == 0 ? fuzzer.below(256) : fuzzer.below(32));
        if (fuzzer.below(2) == 0)
            message[0] = 17;
        vt.receive(message);
        bare.process(message.data(), uint32_t(message.size()));
        if (round % 10 == 0) {
            vt.receive({18});
            bare.process(message.data(), 1);
        }
        const Bytes command = fuzzer.command();
        bare.process(command.data(), uint32_t(command.size()));
    }
    expectWholeObjects(vt.processor);
    expectWholeObjects(bare);
    vt.receive({});
}
