// Objects per second written into an object-pool stream, for a pool of about
// 4,000 mixed objects shaped like a generated implement pool.
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class MixedPool {
public:
    MixedPool() : table_(65536, nullptr)
    {
        uint32_t next = 10000;
        auto* workingSet = new VtObjectWorkingSet(next++);
        workingSet->setActiveMask(next);
        add(workingSet);
        while (count_ < 4000) {
            auto* mask = new VtObjectDataMask(next++);
            mask->setBackgroundColour(VtColour(1));
            add(mask);
            for (int field = 0; field < 12 && count_ < 4000; ++field) {
                auto* font = new VtObjectFontAttribute(next++);
                font->setFontSize(3);
                add(font);
                auto* variable = new VtObjectNumberVariable(next++);
                add(variable);
                auto* number = new VtObjectOutputFieldNumber(next++);
                number->setSize(VtSize(60, 16));
                number->setFontAttributes(font->getOid());
                number->setVariableReference(variable->getOid());
                number->setScale(0.01);
                add(number);
                auto* label = new VtObjectOutputFieldString(next++);
                label->setSize(VtSize(100, 16));
                label->setValue(VtString(("Label " + std::to_string(next)).c_str()));
                add(label);
                auto* frame = new VtObjectRectangle(next++);
                frame->setSize(VtSize(170, 20));
                add(frame);
                auto* container = new VtObjectContainer(next++);
                container->setSize(VtSize(170, 20));
                for (VtObject* child : {static_cast<VtObject*>(frame), static_cast<VtObject*>(label),
                                        static_cast<VtObject*>(number)})
                    container->getChilds().append(new VtObjectRef(child->getOid(), 2, 2));
                add(container);
                mask->getChilds().append(new VtObjectRef(container->getOid(), 0, int32_t(20 * field)));
            }
        }
    }
    ~MixedPool()
    {
        for (VtObject* object : table_)
            delete object;
    }

    const std::vector<VtObject*>& table() const { return table_; }
    int count() const { return count_; }

private:
    void add(VtObject* object)
    {
        table_[object->getOid()] = object;
        ++count_;
    }

    std::vector<VtObject*> table_;
    int count_ = 0;
};

void BM_WriteMixedPool(benchmark::State& state)
{
    MixedPool pool;
    VtMessageWriter writer(1000000, nullptr);
    for (auto _ : state) {
        int result = writeVtObjectPool(writer, pool.table().data(), pool.table().size());
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(writer.getData());
    }
    state.SetItemsProcessed(state.iterations() * pool.count());
    state.counters["pool_bytes"] = double(writer.getLength());
}

BENCHMARK(BM_WriteMixedPool);

// The terminal side reading the same pool back into its object table.
void BM_ReadMixedPool(benchmark::State& state)
{
    MixedPool pool;
    VtMessageWriter writer(1000000, nullptr);
    writeVtObjectPool(writer, pool.table().data(), pool.table().size());
    VtCommandProcessor processor;
    VtMessageReader reader;
    for (auto _ : state) {
        reader.setData(writer.getData(), writer.getLength());
        int result = processor.readPool(reader);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * pool.count());
}

BENCHMARK(BM_ReadMixedPool);

} // namespace
