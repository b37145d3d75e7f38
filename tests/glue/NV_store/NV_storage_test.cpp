#include "Settings_tree.h"

#include "glue/diner/module_man.h"
#include "tests/support/item_id_scope.h"
#include "tests/support/nv_tree_walk.h"
#include "glue/diner/waiter_descriptor.h"
#include "util/Atime.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Writes the node through a buffer iterator in the given mode.
Bytes write_node(NV_item& node, NV_iterator::modes_t mode = NV_iterator::MODE_WRITE)
{
    std::vector<unsigned char> buffer(1 << 16);
    NV_buffer_iterator it(buffer.data(), int(buffer.size()), 0);
    it.set_mode(mode);
    EXPECT_TRUE(node.serialise(&it));
    buffer.resize(size_t(it.get_length()));
    return buffer;
}

// Reads the node from bytes held in a heap block of exactly their size.
bool read_node(NV_item& node, const Bytes& bytes)
{
    std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes.size()]);
    if (!bytes.empty())
        std::memcpy(exact.get(), bytes.data(), bytes.size());
    NV_buffer_iterator it(exact.get(), int(bytes.size()), int(bytes.size()));
    it.set_mode(NV_iterator::MODE_READ);
    return node.deserialise(&it);
}

uint32_t section_crc(const Bytes& bytes, size_t from, size_t length)
{
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>("ZUL6"), 4);
    return uint32_t(crc32(crc, bytes.data() + from, uInt(length)));
}

void append_u32(Bytes& bytes, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::string temp_dir()
{
    char pattern[] = "/tmp/nv_storage_XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

Bytes read_file(const std::string& path)
{
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return bytes;
}

void write_file(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Changes a varied set of settings of a tree.
void change_everything(test_params_t& t)
{
    t.count.set(-2);
    t.sensor.gain.set(3.75f);
    t.channels[0].enabled.set(true);
    t.channels[2].drive.set(17);
    t.channels[2].name.set("Tank3", 5);
    t.types.b.set(false);
    t.types.c.set('z');
    t.types.uc.set(1);
    t.types.us.set(2);
    t.types.ui.set(3);
    t.types.sc.set(-4);
    t.types.s.set(-5);
    t.types.i.set(-6);
    t.types.f.set(-0.5f);
    t.types.d.set(1e-300);
    t.types.ull.set(12345678901234ULL);
    t.types.ll.set(-1);
    t.favourite.set(&t.channels[2].drive, NOTIFY_ALL);
    t.last.set(9.5);
}

void expect_everything(test_params_t& t)
{
    EXPECT_EQ(t.count.get(), -2);
    EXPECT_EQ(t.sensor.gain.get(), 3.75f);
    EXPECT_EQ(t.sensor.offset.get(), -3);
    EXPECT_TRUE(t.channels[0].enabled.get());
    EXPECT_EQ(t.channels[2].drive.get(), 17);
    char name[20];
    t.channels[2].name.get(name, 20);
    EXPECT_EQ(std::string(name, 5), "Tank3");
    EXPECT_FALSE(t.types.b.get());
    EXPECT_EQ(t.types.c.get(), 'z');
    EXPECT_EQ(t.types.uc.get(), 1);
    EXPECT_EQ(t.types.us.get(), 2);
    EXPECT_EQ(t.types.ui.get(), 3u);
    EXPECT_EQ(t.types.sc.get(), -4);
    EXPECT_EQ(t.types.s.get(), -5);
    EXPECT_EQ(t.types.i.get(), -6);
    EXPECT_EQ(t.types.f.get(), -0.5f);
    EXPECT_EQ(t.types.d.get(), 1e-300);
    EXPECT_EQ(t.types.ull.get(), 12345678901234ULL);
    EXPECT_EQ(t.types.ll.get(), -1);
    EXPECT_EQ(t.favourite.get(), &t.channels[2].drive);
    EXPECT_EQ(t.last.get(), 9.5);
}

} // namespace

TEST(NV_storage, GoldenBytesOfSingleValues)
{
    NV_number<bool, 2> on(nullptr, 5, false, "on");
    on._set(true, NOTIFY_ALL);
    EXPECT_EQ(write_node(on), (Bytes{0x02, 0x0A, 0x05, 0x00}));
    on._set(false, NOTIFY_ALL);
    EXPECT_EQ(write_node(on), (Bytes{0x02, 0x0B, 0x05, 0x00}));
    NV_number<unsigned short, 5> word(nullptr, 3, 0, "word");
    word._set(0x1234, NOTIFY_ALL);
    EXPECT_EQ(write_node(word), (Bytes{0x05, 0x09, 0x03, 0x00, 0x34, 0x12}));
    EXPECT_TRUE(write_node(word).size() == 6 && !(word.get_flags() & 0x03)) << "written flags cleared";
}

TEST(NV_storage, GoldenBytesOfARootSection)
{
    NV_root root(nullptr, 0, "PS");
    NV_number<int, 9> value(&root, 1, 0, "value");
    value.set(-2);
    Bytes expect = {0x00, 0x01, 0x00, 0x00, 0x09, 0x09, 0x01, 0x00,
                    0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0x00, 0x00};
    append_u32(expect, section_crc(expect, 0, 16));
    EXPECT_EQ(write_node(root), expect);
}

TEST(NV_storage, BooleanWithValueMarkerIsAccepted)
{
    NV_number<bool, 2> flag(nullptr, 5, false, "flag");
    EXPECT_TRUE(read_node(flag, Bytes{0x02, 0x09, 0x05, 0x00, 0x07}));
    EXPECT_TRUE(flag.get());
    EXPECT_FALSE(read_node(flag, Bytes{0x02, 0x09, 0x06, 0x00, 0x00})) << "another id";
}

TEST(NV_storage, AllDefaultsSaveNothing)
{
    module_man mm;
    test_params_t t(&mm);
    EXPECT_TRUE(write_node(t).empty());
    test_params_t loaded(&mm);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_node(loaded, Bytes{}));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No NV settings for 0:PS"), std::string::npos);
    EXPECT_EQ(loaded.sensor.gain.get(), 1.5f);
}

TEST(NV_storage, RoundTripOfEveryKindOfNode)
{
    module_man mm;
    test_params_t t(&mm);
    change_everything(t);
    const Bytes bytes = write_node(t);
    ASSERT_FALSE(bytes.empty());
    test_params_t loaded(&mm);
    waiter_descriptor waiter;
    waiter.init(&mm);
    loaded.autoreg_waiter(&waiter, false);
    EXPECT_TRUE(read_node(loaded, bytes));
    expect_everything(loaded);
    EXPECT_FALSE(loaded.is_at_default());
    EXPECT_FALSE(loaded.count.is_at_default());
    EXPECT_TRUE(loaded.sensor.offset.is_at_default()) << "never changed, never written";
    waiter_event event;
    EXPECT_NE(waiter.get_event(&event, Atime::now()), 0) << "loading notifies nobody";
    // Saved again, the loaded tree gives the same bytes.
    EXPECT_EQ(write_node(loaded), bytes);
}

TEST(NV_storage, ValueChangedByPlusEqualsIsSaved)
{
    module_man mm;
    test_params_t t(&mm);
    t.sensor.offset += 5;
    test_params_t loaded(&mm);
    EXPECT_TRUE(read_node(loaded, write_node(t)));
    EXPECT_EQ(loaded.sensor.offset.get(), 2);
}

// A load reads one root section, so a section appended behind it would never
// be read back: append saves fail with an error and write nothing.
TEST(NV_storage, AppendSavesAreRefused)
{
    module_man mm;
    test_params_t t(&mm);
    change_everything(t);
    for (auto mode : {NV_iterator::MODE_APPEND_MARKED, NV_iterator::MODE_APPEND_CHANGED}) {
        unsigned char buffer[1024];
        NV_buffer_iterator it(buffer, int(sizeof buffer), 0);
        it.set_mode(mode);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(t.serialise(&it));
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Append saves are not supported"),
                  std::string::npos);
        EXPECT_EQ(it.get_length(), 0);
    }
    EXPECT_FALSE(write_node(t).empty()) << "the change flags are still set for a full save";
}

// A bad nested section resets its own values; the root reads on (the other
// nested sections pass their own checks and are kept), but its own check
// covers the bad bytes too, so its direct values are reset as well.
TEST(NV_storage, CorruptNestedSectionResetsItselfAndTheDirectValuesAroundIt)
{
    module_man mm;
    test_params_t t(&mm);
    change_everything(t);
    Bytes bytes = write_node(t);
    // The sensor section begins right behind the root header and the count
    // record (4 + 8 bytes): its header, then gain (header and 4 bytes).
    const size_t gain_value = 4 + 8 + 4 + 4;
    ASSERT_EQ(bytes[12], 0x01);
    ASSERT_EQ(bytes[13], 0x01);
    bytes[gain_value] ^= 0x40;

    test_params_t loaded(&mm);
    loaded.sensor.offset.set(11);
    waiter_descriptor waiter;
    waiter.init(&mm);
    loaded.sensor.autoreg_waiter(&waiter, false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_node(loaded, bytes));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("NV_store CRC32 Check"), std::string::npos);
    EXPECT_NE(err.find("for 1:sensor"), std::string::npos);
    EXPECT_NE(err.find("for 0:PS"), std::string::npos);
    EXPECT_EQ(loaded.count.get(), 0) << "a direct value of the root, whose check failed";
    EXPECT_EQ(loaded.last.get(), 2.0) << "a direct value of the root, whose check failed";
    EXPECT_EQ(loaded.sensor.gain.get(), 1.5f) << "reset";
    EXPECT_EQ(loaded.sensor.offset.get(), -3) << "reset";
    waiter_event event;
    EXPECT_EQ(waiter.get_event(&event, Atime::now()), 0) << "the reset notifies";

    // The nested sections behind the bad one are still read, so that the next
    // save does not replace their stored values with defaults.
    loaded.sensor.gain.set(3.75f);
    loaded.sensor.offset.set(-3);
    loaded.count.set(-2);
    loaded.last.set(9.5);
    expect_everything(loaded);
}

TEST(NV_storage, BadSectionsAnywhereResetOnlyThemselves)
{
    module_man mm;
    test_params_t t(&mm);
    change_everything(t);
    const Bytes good = write_node(t);
    // Flip a byte of the last record of the file (the root's own last value,
    // behind every nested section): only the root's check can see it.
    Bytes bytes = good;
    bytes[bytes.size() - 4 - 4 - 1] ^= 0x01;
    test_params_t loaded(&mm);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_node(loaded, bytes));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(loaded.last.get(), test_params_t(&mm).last.get()) << "the root resets itself";
    EXPECT_EQ(loaded.count.get(), test_params_t(&mm).count.get());
}

TEST(NV_storage, UnknownRecordsAreSkipped)
{
    module_man mm;
    // A tree with more settings than the reader knows.
    struct wider_t : NV_root {
        wider_t(module_man* mm) : NV_root(mm, 0, "PS") {}
        NV_number<int, 9> count{this, 1, 0, "count"};
        NV_number<float, 10> extra{this, 40, 0, "extra"};
        sensor_t gone{this, this, 41, "gone"};
        NV_array<char, 3, unsigned char, 20> label{this, 42, "label"};
        NV_number<double, 11> last{this, 6, 0, "last"};
    } wide(&mm);
    wide.count.set(5);
    wide.extra.set(1);
    wide.gone.gain.set(9);
    wide.label.set("x", 1);
    wide.last.set(4.5);
    test_params_t t(&mm);
    EXPECT_TRUE(read_node(t, write_node(wide)));
    EXPECT_EQ(t.count.get(), 5);
    EXPECT_EQ(t.last.get(), 4.5);
}

TEST(NV_storage, DeeplyNestedUnknownSectionsFailWithoutExhaustingTheStack)
{
    module_man mm;
    test_params_t t(&mm);
    Bytes bytes = {0x00, 0x01, 0x00, 0x00};
    for (int i = 0; i < 200000; ++i) {
        const unsigned char begin[] = {0x01, 0x01, 0x63, 0x00};
        bytes.insert(bytes.end(), begin, begin + 4);
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_node(t, bytes));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("NV unknown child was bad"), std::string::npos);
}

// Settings that a newer (or older) schema has and this one does not are
// skipped whatever their type, so a firmware update that drops one keeps
// every setting behind it.
TEST(NV_storage, UnknownPointerAndWideArrayRecordsAreSkipped)
{
    module_man mm;
    struct with_more_t : NV_root {
        with_more_t(module_man* mm) : NV_root(mm, 0, "PS") {}
        NV_number<int, 9> count{this, 1, 0, "count"};
        NV_pointer other{this, this, 50, "other"};
        NV_array<unsigned long long, 15, unsigned char, 3> totals{this, 51, "totals"};
        NV_array<long long, 16, unsigned char, 2> offsets{this, 52, "offsets"};
        NV_array<bool, 2, unsigned char, 2> flags{this, 53, "flags"};
        NV_number<double, 11> last{this, 6, 0, "last"};
    } source(&mm);
    source.count.set(5);
    source.other.set(&source.count, NOTIFY_ALL);
    const unsigned long long totals[3] = {1, 2, 3};
    source.totals.set(totals, 3);
    const long long offsets[2] = {-1, -2};
    source.offsets.set(offsets, 2);
    const bool flags[2] = {true, true};
    source.flags.set(flags, 2);
    source.last.set(4.5);
    test_params_t t(&mm);
    EXPECT_TRUE(read_node(t, write_node(source)));
    EXPECT_EQ(t.count.get(), 5);
    EXPECT_EQ(t.last.get(), 4.5);
}

TEST(NV_storage, ForeignTreeIsRefusedUntouched)
{
    module_man mm;
    NV_root other(&mm, 9, "XX");
    NV_number<int, 9> value(&other, 1, 0, "value");
    value.set(3);
    test_params_t t(&mm);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_node(t, write_node(other)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Bad NV settings 9!=0"), std::string::npos);
    EXPECT_TRUE(t.is_at_default());
}

TEST(NV_storage, BufferIteratorStaysInsideItsBuffer)
{
    unsigned char buffer[6] = {1, 2, 3, 4, 5, 6};
    NV_buffer_iterator it(buffer, 6, 3);
    unsigned char out[4];
    EXPECT_FALSE(it.pop_bytes(out, 4));
    EXPECT_TRUE(it.pop_bytes(out, 3));
    EXPECT_FALSE(it.peek_bytes(out, 1));
    EXPECT_FALSE(it.push_bytes(out, 4));
    EXPECT_TRUE(it.push_bytes(out, 3));
}

// Random and mutated files: the loader never crashes nor reads outside the
// bytes (each input lives in a heap block of exactly its size).
TEST(NV_storage, LoaderSurvivesRandomAndMutatedFiles)
{
    module_man mm;
    test_params_t source(&mm);
    change_everything(source);
    const Bytes good = write_node(source);
    test_params_t t(&mm);
    std::mt19937 rng(2024);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes;
        if (round % 4 == 0) {
            bytes.resize(rng() % 200);
            for (auto& b : bytes)
                b = static_cast<unsigned char>(rng());
        } else {
            bytes = good;
            int edits = 1 + int(rng() % 4);
            for (int e = 0; e < edits && !bytes.empty(); ++e) {
                size_t at = rng() % bytes.size();
                switch (rng() % 4) {
                case 0: bytes[at] = static_cast<unsigned char>(rng()); break;
                case 1: bytes.resize(at); break;
                case 2: bytes.erase(bytes.begin() + long(at)); break;
                default: bytes.insert(bytes.begin() + long(at), static_cast<unsigned char>(rng() % 16)); break;
                }
            }
        }
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        read_node(t, bytes);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
    }
}

namespace {
// What a tree holds: every leaf's text and the pointer's target.
std::vector<std::string> tree_state(test_params_t& t)
{
    std::vector<std::string> state = nv_tree_walk::leaf_texts(t);
    char target[32] = "none";
    if (NV_item* item = t.favourite.get())
        std::snprintf(target, sizeof target, "%s/%d", item->get_name(), int(item->get_nv_id()));
    state.push_back(target);
    return state;
}
} // namespace

// Whatever a damaged file loads to (cut at any byte, or any byte flipped), a
// save of the tree unchanged writes all of it: loading that save gives the
// same tree. A load that stops early must not leave the containers it read
// into marked as holding defaults, which a save would leave out.
TEST(NV_storage, SaveAfterADamagedLoadKeepsEverythingThatLoaded)
{
    module_man mm;
    test_params_t source(&mm);
    change_everything(source);
    const Bytes good = write_node(source);
    std::vector<Bytes> damaged;
    for (size_t cut = 0; cut < good.size(); ++cut)
        damaged.emplace_back(good.begin(), good.begin() + long(cut));
    for (size_t at = 0; at < good.size(); ++at) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            Bytes bytes = good;
            bytes[at] ^= flip;
            damaged.push_back(bytes);
        }
    }
    test_params_t defaults(&mm);
    const std::vector<std::string> default_state = tree_state(defaults);
    int partial_loads = 0;
    for (size_t i = 0; i < damaged.size(); ++i) {
        Item_id_scope ids;
        test_params_t first(&mm);
        test_params_t second(&mm);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        read_node(first, damaged[i]);
        const Bytes saved = write_node(first);
        read_node(second, saved);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        if (tree_state(first) != default_state)
            ++partial_loads;
        ASSERT_EQ(tree_state(second), tree_state(first)) << "damaged file " << i;
    }
    EXPECT_GT(partial_loads, int(good.size())) << "most damaged files load something";
}

// --- The settings file ----------------------------------------------------------

TEST(NV_file, SaveAndLoadThroughTheFile)
{
    const std::string dir = temp_dir();
    const std::string path = dir + "/params";
    module_man mm;
    test_params_t t(&mm);
    change_everything(t);
    NV_file_iterator file(path.c_str());
    EXPECT_GE(file.set_mode(NV_iterator::MODE_WRITE), 0);
    EXPECT_TRUE(t.serialise(&file));
    EXPECT_GE(file.set_mode(NV_iterator::MODE_READ), 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_NE(access(file.get_temp_path(), F_OK), 0) << "no temporary file left";

    test_params_t loaded(&mm);
    EXPECT_TRUE(loaded.deserialise(&file));
    expect_everything(loaded);
    file.set_mode(NV_iterator::MODE_CLOSED);
    unlink(path.c_str());
    rmdir(dir.c_str());
}

TEST(NV_file, MissingFileKeepsDefaults)
{
    NV_file_iterator file("/nonexistent-dir/params");
    EXPECT_EQ(file.set_mode(NV_iterator::MODE_READ), -1);
    EXPECT_EQ(file.get_mode(), NV_iterator::MODE_CLOSED);
    module_man mm;
    test_params_t t(&mm);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t.deserialise(&file));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No NV settings"), std::string::npos);
}

// A save cut off at any byte (power cut or kill before the rename) leaves the
// previous settings in place and loadable; the cut temporary file itself
// loads without harm.
TEST(NV_file, InterruptedSaveKeepsThePreviousSettings)
{
    const std::string dir = temp_dir();
    const std::string path = dir + "/params";
    module_man mm;
    test_params_t old_tree(&mm);
    old_tree.count.set(41);
    old_tree.last.set(7.0);
    {
        NV_file_iterator file(path.c_str());
        file.set_mode(NV_iterator::MODE_WRITE);
        ASSERT_TRUE(old_tree.serialise(&file));
        file.set_mode(NV_iterator::MODE_CLOSED);
    }
    const Bytes old_bytes = read_file(path);

    test_params_t new_tree(&mm);
    change_everything(new_tree);
    const Bytes new_bytes = write_node(new_tree);
    const std::string temp = path + ".tmp";
    for (size_t cut = 0; cut < new_bytes.size(); ++cut) {
        write_file(temp, Bytes(new_bytes.begin(), new_bytes.begin() + long(cut)));
        EXPECT_EQ(read_file(path), old_bytes);
        test_params_t loaded(&mm);
        NV_file_iterator file(path.c_str());
        file.set_mode(NV_iterator::MODE_READ);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(loaded.deserialise(&file)) << "cut at " << cut;
        NV_file_iterator partial(temp.c_str());
        partial.set_mode(NV_iterator::MODE_READ);
        test_params_t from_partial(&mm);
        from_partial.deserialise(&partial);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(loaded.count.get(), 41);
        EXPECT_EQ(loaded.last.get(), 7.0);
    }

    // A save whose writes fail (the file size limit stands in for a full
    // disk) leaves the old file too.
    {
        NV_file_iterator file(path.c_str());
        struct rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 20;
        signal(SIGXFSZ, SIG_IGN);
        file.set_mode(NV_iterator::MODE_WRITE);
        setrlimit(RLIMIT_FSIZE, &small);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const bool saved_ok = new_tree.serialise(&file);
        file.set_mode(NV_iterator::MODE_READ);
        setrlimit(RLIMIT_FSIZE, &saved);
        const std::string out = testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(saved_ok);
        EXPECT_NE(out.find("settings not saved"), std::string::npos);
    }
    EXPECT_EQ(read_file(path), old_bytes);
    unlink(path.c_str());
    unlink(temp.c_str());
    rmdir(dir.c_str());
}

TEST(NV_file, AppendModesAreRefusedAndLeaveTheFile)
{
    const std::string dir = temp_dir();
    const std::string path = dir + "/params";
    module_man mm;
    test_params_t t(&mm);
    t.count.set(1);
    NV_file_iterator file(path.c_str());
    file.set_mode(NV_iterator::MODE_WRITE);
    ASSERT_TRUE(t.serialise(&file));
    file.set_mode(NV_iterator::MODE_CLOSED);
    const Bytes before = read_file(path);
    t.count.set(2);
    for (auto mode : {NV_iterator::MODE_APPEND_MARKED, NV_iterator::MODE_APPEND_CHANGED}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(file.set_mode(mode), -1);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("append saves are not supported"),
                  std::string::npos);
        EXPECT_EQ(file.get_mode(), NV_iterator::MODE_CLOSED);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(t.serialise(&file));
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(read_file(path), before);
    unlink(path.c_str());
    rmdir(dir.c_str());
}
