#include "Diag_fixture.h"

#include "glue/data_stream/PCFile_data_stream.h"
#include "glue/diagnostics/Diagnostic_history_files.h"
#include "glue/quor/Quor_parser.h"

#include <fstream>
#include <tuple>
#include <vector>

namespace {

using namespace diag_test;
using Diagnostics_messages::Msg_SP;
using Files = Diagnostic_history_files;

// (source, count, code, seconds, ms)
using Record = std::tuple<int, int, int, unsigned, int>;

std::string name_of(unsigned n)
{
    return "hist" + std::to_string(n) + ".dat";
}

// Appends records to a history file through the file store.
void append_records(unsigned n, const std::vector<Record>& records)
{
    PCFile_data_stream file;
    ASSERT_EQ(0, file.open_write(name_of(n).c_str(), 5));
    for (auto& r : records) {
        Msg_SP sp;
        sp.set(static_cast<unsigned char>(std::get<0>(r)), static_cast<unsigned short>(std::get<1>(r)),
               static_cast<unsigned short>(std::get<2>(r)), std::get<3>(r),
               static_cast<unsigned short>(std::get<4>(r)));
        ASSERT_TRUE(file.write(sp, false));
    }
    file.close_write();
}

// Every valid record of a history file.
std::vector<Record> read_records(unsigned n)
{
    std::vector<Record> out;
    PCFile_data_stream file;
    if (file.open_read(name_of(n).c_str(), 5) != 0)
        return out;
    Quor_parser parser(&file);
    parser.set_newline_mode(false);
    unsigned char buf[300];
    for (int len; (len = parser.get_packet(buf, sizeof buf)) != 0;) {
        Msg_SP sp(buf, static_cast<unsigned>(len));
        if (len > 0 && sp.validate(Msg_SP::ID))
            out.emplace_back(sp.get_source(), sp.get_count(), sp.get_code(), sp.get_seconds(),
                             sp.get_ms());
    }
    file.close_read();
    return out;
}

class Recording_history : public Diagnostic_history {
public:
    void output(unsigned char src, unsigned short count, unsigned short code, unsigned int seconds,
                unsigned short ms) override
    {
        got.emplace_back(src, count, code, seconds, ms);
        if (pause_after && got.size() % pause_after == 0)
            set_ready_time(Atime::from_now(60000));
    }
    void history_started() override { started++; }
    void history_finished() override { finished++; }
    std::vector<Record> got;
    size_t pause_after = 0;
    int started = 0;
    int finished = 0;
};

class Recording_scheduler : public Files::Scheduler {
public:
    void schedule_history(const Atime& when) override { times.push_back(when); }
    std::vector<Atime> times;
};

class History_files_test : public Registry_fixture {
protected:
    void SetUp() override
    {
        Registry_fixture::SetUp();
        ASSERT_TRUE(store_.mounted());
        files_.set_scheduler(&scheduler_);
    }
    // A consumer whose ready time has passed.
    void make_ready(Recording_history& h) { h.set_ready_time(Atime::now() - 1000); }
    void replay(Recording_history& h)
    {
        make_ready(h);
        ASSERT_EQ(1, files_._request_history(&h));
        files_.process_history();
    }

    Store store_;
    Files files_{"hist", reg_};
    Recording_scheduler scheduler_;
};

TEST(History_record, LayoutAndMillisecondsInStepsOfFour)
{
    Msg_SP sp;
    sp.set(0x21, 0x0102, 0x0A0B, 0x11223344, 999);
    const unsigned char* b = sp.get_buffer();
    EXPECT_EQ(std::string("SP00B"), std::string(reinterpret_cast<const char*>(b), 5));
    EXPECT_EQ((std::vector<unsigned char>{0x21, 0x02, 0x01, 0x0B, 0x0A, 0x44, 0x33, 0x22, 0x11, 249}),
              std::vector<unsigned char>(b + 5, b + 15));
    EXPECT_EQ(Quor_message::checksum(b, 15), b[15]);
    EXPECT_EQ(996, sp.get_ms());
}

TEST_F(History_files_test, CurrentFileIsFoundFromTheMissingOne)
{
    struct Case {
        std::vector<unsigned> present;
        unsigned current;
    };
    for (const Case& c : {Case{{}, 0}, Case{{0, 1, 2, 3, 4}, 4}, Case{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0},
                          Case{{7, 8, 9, 0, 1}, 1}}) {
        for (unsigned n = 0; n < 10; n++)
            pcfRemove(name_of(n).c_str());
        for (unsigned n : c.present)
            append_records(n, {});
        Files files("hist", reg_);
        EXPECT_TRUE(files.pcf_init());
        EXPECT_EQ(c.current, files.current_file_num());
        EXPECT_TRUE(files.files_ready());
    }
}

TEST_F(History_files_test, NothingHappensBeforeTheStoreIsMounted)
{
    pcfUnmount();
    EXPECT_FALSE(files_.pcf_init());
    EXPECT_FALSE(files_.files_ready());
    report(1, {10});
    files_.write_dirty();
    EXPECT_TRUE(reg_.history_dirty());
    EXPECT_TRUE(items_[0].is(Item::DIRTY));
}

TEST_F(History_files_test, OccurrencesAreWrittenAndCountsReloadedAtStart)
{
    ASSERT_TRUE(files_.pcf_init());
    report(1, {10, 11});
    report(2, {10});
    report(2, {});
    report(2, {10});
    files_.write_dirty();
    EXPECT_FALSE(reg_.history_dirty());
    EXPECT_FALSE(items_[0].is(Item::DIRTY));
    EXPECT_EQ(3u, files_.records_in_current_file());
    auto recs = read_records(0);
    ASSERT_EQ(3u, recs.size());
    EXPECT_EQ(1, std::get<0>(recs[0]));
    EXPECT_EQ(10, std::get<2>(recs[0]));
    EXPECT_EQ(2, std::get<1>(recs[2]));
    EXPECT_NE(0u, std::get<3>(recs[2]));

    // Nothing dirty: nothing written.
    files_.write_dirty();
    EXPECT_EQ(3u, read_records(0).size());

    // A restarted node finds the counts again.
    Registry fresh;
    fresh.create_lists();
    Item again[N];
    for (int i = 0; i < N; i++) {
        again[i] = Item(&refs_[i], items_[i].config);
        fresh.inactive_list().insert(&again[i]);
    }
    Files files("hist", fresh);
    ASSERT_TRUE(files.pcf_init());
    EXPECT_EQ(3u, files.records_in_current_file());
    EXPECT_EQ(1, again[0].count);
    EXPECT_EQ(1, again[1].count);
    EXPECT_EQ(0, again[2].count);
    EXPECT_EQ(2, again[3].count);
}

TEST_F(History_files_test, AFailedWriteKeepsTheOccurrenceForTheNextTick)
{
    ASSERT_TRUE(files_.pcf_init());
    append_records(0, {});
    PcfInfo info{};
    ASSERT_TRUE(pcfInfo(info));
    pcfSetCapacity(info.total_bytes - info.free_bytes + 20); // room for one record
    report(1, {10, 11});
    files_.write_dirty();
    EXPECT_EQ(1u, read_records(0).size());
    EXPECT_TRUE(reg_.history_dirty());
    EXPECT_FALSE(items_[0].is(Item::DIRTY));
    EXPECT_TRUE(items_[1].is(Item::DIRTY));

    pcfSetCapacity(200000);
    files_.write_dirty();
    EXPECT_EQ(2u, read_records(0).size());
    EXPECT_FALSE(reg_.history_dirty());
    EXPECT_EQ(2u, files_.records_in_current_file());
}

TEST_F(History_files_test, RotationAfter1000RecordsStartsTheNextFileWithASnapshot)
{
    append_records(0, std::vector<Record>(999, Record{2, 4, 10, 50, 0}));
    append_records(2, {Record{1, 1, 10, 40, 0}}); // an old file that is next in line
    ASSERT_TRUE(files_.pcf_init());
    EXPECT_EQ(0u, files_.current_file_num());
    EXPECT_EQ(999u, files_.records_in_current_file());
    EXPECT_EQ(4, items_[3].count);
    files_.check_rotation();
    EXPECT_EQ(0u, files_.current_file_num());

    report(1, {10});
    files_.write_dirty();
    EXPECT_EQ(1000u, files_.records_in_current_file());
    files_.check_rotation();
    EXPECT_EQ(1u, files_.current_file_num());
    EXPECT_FALSE(pcfExists(name_of(2).c_str())) << "the file after the new current one goes";
    // Snapshot: inactive list first, then active, with time 0.
    EXPECT_EQ((std::vector<Record>{Record{2, 4, 10, 0, 0}, Record{1, 1, 10, 0, 0}}), read_records(1));
    EXPECT_EQ(2u, files_.records_in_current_file());

    Files restarted("hist", reg_);
    ASSERT_TRUE(restarted.pcf_init());
    EXPECT_EQ(1u, restarted.current_file_num());
}

TEST_F(History_files_test, ReplayReadsOldestFirstThroughTheFilterAndSkipsSnapshots)
{
    // Current file 2: files 4..9 are older, 0..2 newer; 3 is the gap.
    for (unsigned n : {4u, 5u, 6u, 7u, 8u, 9u, 0u, 1u, 2u}) {
        unsigned order = (n + 10 - 4) % 10;
        append_records(n, {Record{1, 1, 10, 0, 0}, Record{1, 1, 10, 1000 + order, 8},
                           Record{2, 1, 10, 2000 + order, 0}});
    }
    ASSERT_TRUE(files_.pcf_init());
    ASSERT_EQ(2u, files_.current_file_num());
    append_records(3, {Record{1, 1, 10, 9999, 0}}); // after the current one: never read

    Recording_history all;
    replay(all);
    ASSERT_EQ(18u, all.got.size());
    for (unsigned i = 0; i < 9; i++) {
        EXPECT_EQ(1000u + i, std::get<3>(all.got[2 * i]));
        EXPECT_EQ(2000u + i, std::get<3>(all.got[2 * i + 1]));
    }
    EXPECT_EQ(8, std::get<4>(all.got[0]));
    EXPECT_TRUE(all.is_finished());
    EXPECT_EQ(1, all.started);
    EXPECT_EQ(1, all.finished);
    EXPECT_EQ(nullptr, files_.pending_history());

    Recording_history filtered;
    filtered.set_filter(2, 0, 2003, 2005);
    replay(filtered);
    EXPECT_EQ((std::vector<Record>{Record{2, 1, 10, 2003, 0}, Record{2, 1, 10, 2004, 0}}),
              filtered.got);
    Recording_history by_code;
    by_code.set_filter(0, 11);
    replay(by_code);
    EXPECT_TRUE(by_code.got.empty());
}

TEST_F(History_files_test, ReplayWaitsForTheConsumerAndResumesWhereItPaused)
{
    append_records(9, {Record{1, 1, 10, 100, 0}, Record{1, 2, 10, 101, 0}, Record{1, 3, 10, 102, 0}});
    append_records(0, {Record{1, 4, 10, 103, 0}});
    ASSERT_TRUE(files_.pcf_init());

    Recording_history h;
    Atime later = Atime::from_now(60000);
    h.set_ready_time(later);
    ASSERT_EQ(1, files_._request_history(&h));
    EXPECT_EQ(0, files_._request_history(&h)) << "one replay at a time";
    ASSERT_EQ(1u, scheduler_.times.size());
    EXPECT_EQ(later, scheduler_.times[0]);
    files_.process_history();
    EXPECT_TRUE(h.got.empty()) << "not ready: the whole replay waits";
    EXPECT_EQ(2u, scheduler_.times.size());

    h.pause_after = 2;
    for (int step = 0; step < 5 && files_.pending_history(); step++) {
        make_ready(h);
        files_.process_history();
    }
    EXPECT_EQ((std::vector<Record>{Record{1, 1, 10, 100, 0}, Record{1, 2, 10, 101, 0},
                                   Record{1, 3, 10, 102, 0}, Record{1, 4, 10, 103, 0}}),
              h.got);
    EXPECT_TRUE(h.is_finished());
}

TEST_F(History_files_test, ReplayThatCannotOpenAFileFinishesAndTakesTheNextRequest)
{
    append_records(5, {Record{1, 1, 10, 100, 0}});
    ASSERT_TRUE(files_.pcf_init());
    Recording_history h;
    make_ready(h);
    ASSERT_EQ(1, files_._request_history(&h));
    pcfSimulateBusy(100);
    files_.process_history();
    pcfSimulateBusy(0);
    EXPECT_TRUE(h.is_finished());
    EXPECT_EQ(1, h.finished);
    EXPECT_EQ(nullptr, files_.pending_history());

    Recording_history next;
    replay(next);
    EXPECT_EQ(1u, next.got.size());
}

TEST_F(History_files_test, RemovingAllFilesRestartsAtFileZero)
{
    for (unsigned n : {0u, 1u, 2u, 3u})
        append_records(n, {Record{1, 1, 10, 5, 0}});
    ASSERT_TRUE(files_.pcf_init());
    EXPECT_EQ(3u, files_.current_file_num());
    files_.remove_all();
    for (unsigned n = 0; n < 10; n++)
        EXPECT_FALSE(pcfExists(name_of(n).c_str()));
    EXPECT_EQ(0u, files_.current_file_num());
    EXPECT_EQ(0u, files_.records_in_current_file());
    EXPECT_STREQ("hist0.dat", files_.current_file_name());
}

TEST_F(History_files_test, DamagedRecordsAreSkipped)
{
    append_records(0, {Record{2, 7, 10, 5, 0}});
    {
        std::ofstream out(store_.path(name_of(0)), std::ios::app | std::ios::binary);
        out << "garbage line\n";
        out << "SP00B" << std::string(11, '\x01'); // bad checksum
    }
    append_records(0, {Record{2, 9, 10, 6, 0}});
    pcfUnmount();
    ASSERT_TRUE(pcfMount(store_.path("").c_str(), 200000));
    ASSERT_TRUE(files_.pcf_init());
    EXPECT_EQ(2u, files_.records_in_current_file());
    EXPECT_EQ(9, items_[3].count);
}

} // namespace
