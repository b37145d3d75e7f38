// Save and load of a settings tree of 5,000 leaves (the application's
// parameter tree has 4,166), through memory and through the settings file.
#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_root.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace NV_store;

constexpr int records = 100;
constexpr int leaves_per_record = 50;

// 100 records of 50 settings of mixed types, every one changed from its
// default so that a full save writes all of them.
struct Big_tree {
    NV_root root{nullptr, 0, "PS"};
    std::vector<std::unique_ptr<NV_struct>> structs;
    std::vector<std::unique_ptr<NV_item>> leaves;

    Big_tree()
    {
        for (int r = 0; r < records; ++r) {
            structs.push_back(std::make_unique<NV_struct>(&root, &root, r + 1, "record"));
            NV_struct* s = structs.back().get();
            for (int l = 0; l < leaves_per_record; ++l) {
                const unsigned short id = static_cast<unsigned short>(l + 1);
                switch (l % 5) {
                case 0: leaves.push_back(std::make_unique<NV_number<bool, 2>>(s, id, false, "b")); break;
                case 1: leaves.push_back(std::make_unique<NV_number<unsigned char, 4>>(s, id, 0, "u")); break;
                case 2: leaves.push_back(std::make_unique<NV_number<int, 9>>(s, id, 0, "i")); break;
                case 3: leaves.push_back(std::make_unique<NV_number<float, 10>>(s, id, 0, "f")); break;
                default: leaves.push_back(std::make_unique<NV_number<double, 11>>(s, id, 0, "d")); break;
                }
            }
        }
        for (auto& leaf : leaves)
            leaf->_from_string("1");
    }
};

Big_tree& tree()
{
    static Big_tree t;
    return t;
}

void BM_NV_build_5000_leaves(benchmark::State& state)
{
    for (auto _ : state) {
        Big_tree t;
        benchmark::DoNotOptimize(&t);
    }
}
BENCHMARK(BM_NV_build_5000_leaves)->Unit(benchmark::kMillisecond);

void BM_NV_save_5000_leaves_memory(benchmark::State& state)
{
    std::vector<unsigned char> buffer(1 << 20);
    size_t bytes = 0;
    for (auto _ : state) {
        NV_buffer_iterator it(buffer.data(), int(buffer.size()), 0);
        it.set_mode(NV_iterator::MODE_WRITE);
        tree().root.serialise(&it);
        bytes = size_t(it.get_length());
    }
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_NV_save_5000_leaves_memory)->Unit(benchmark::kMillisecond);

void BM_NV_load_5000_leaves_memory(benchmark::State& state)
{
    std::vector<unsigned char> buffer(1 << 20);
    NV_buffer_iterator writer(buffer.data(), int(buffer.size()), 0);
    writer.set_mode(NV_iterator::MODE_WRITE);
    tree().root.serialise(&writer);
    const int length = writer.get_length();
    for (auto _ : state) {
        NV_buffer_iterator it(buffer.data(), int(buffer.size()), length);
        it.set_mode(NV_iterator::MODE_READ);
        benchmark::DoNotOptimize(tree().root.deserialise(&it));
    }
}
BENCHMARK(BM_NV_load_5000_leaves_memory)->Unit(benchmark::kMillisecond);

std::string bench_path()
{
    return "/tmp/sowvane_nv_bench_" + std::to_string(getpid());
}

// A full save: temporary file, fsync, rename.
void BM_NV_save_5000_leaves_file(benchmark::State& state)
{
    const std::string path = bench_path();
    NV_file_iterator file(path.c_str());
    for (auto _ : state) {
        file.set_mode(NV_iterator::MODE_WRITE);
        tree().root.serialise(&file);
        file.set_mode(NV_iterator::MODE_CLOSED);
    }
    unlink(path.c_str());
}
BENCHMARK(BM_NV_save_5000_leaves_file)->Unit(benchmark::kMillisecond);

void BM_NV_load_5000_leaves_file(benchmark::State& state)
{
    const std::string path = bench_path();
    NV_file_iterator file(path.c_str());
    file.set_mode(NV_iterator::MODE_WRITE);
    tree().root.serialise(&file);
    for (auto _ : state) {
        file.set_mode(NV_iterator::MODE_READ);
        benchmark::DoNotOptimize(tree().root.deserialise(&file));
    }
    file.set_mode(NV_iterator::MODE_CLOSED);
    unlink(path.c_str());
}
BENCHMARK(BM_NV_load_5000_leaves_file)->Unit(benchmark::kMillisecond);

} // namespace
