// Start-up cost of generating the implement's whole VT pool into the
// 80,000-byte writer, with the image's size in bytes and objects, for the
// start-up mask (240 x 240) and the large class (480 x 480).
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Objects in the image, read back record by record.
uint32_t count_objects(const VtMessageWriter& writer)
{
    VtMessageReader reader;
    reader.setData(writer.getData(), writer.getLength());
    uint32_t objects = 0;
    uint32_t oid = 0;
    uint32_t type = 0;
    while (reader.readOid(oid, nullptr) && reader.readByte(type, nullptr)) {
        std::unique_ptr<VtObject> object(createVtObject(type, oid));
        if (object == nullptr || object->read(reader) != 0)
            break;
        ++objects;
    }
    return objects;
}

void BM_build_seeder_pool(benchmark::State& state)
{
    const VtSize size(uint32_t(state.range(0)), uint32_t(state.range(0)));
    VtMessageWriter writer(80000, nullptr);
    int result = 0;
    for (auto _ : state) {
        Screen_object_ids table;
        result |= build_seeder_pool(table, writer, size);
        benchmark::DoNotOptimize(writer.getData());
    }
    if (result != 0)
        state.SkipWithError("the pool did not fit");
    Screen_object_ids table;
    build_seeder_pool(table, writer, size);
    state.counters["bytes"] = writer.getLength();
    state.counters["objects"] = count_objects(writer);
}

} // namespace

BENCHMARK(BM_build_seeder_pool)->Arg(240)->Arg(480)->Unit(benchmark::kMillisecond);
