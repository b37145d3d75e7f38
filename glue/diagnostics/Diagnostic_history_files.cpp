#include "glue/diagnostics/Diagnostic_history_files.h"

#include "glue/data_stream/PCFile_data_stream.h"
#include "glue/diagnostics/Diagnostics_messages.h"
#include "glue/quor/Quor_parser.h"
#include "platform/util/pcf_store.h"
#include "util/Debug_base.h"

#include <cstdio>

namespace {

constexpr auto DIAG = _JDB::DIAGNOSTICS;
using Item = Trouble_code_registry::Item;
using Diagnostics_messages::Msg_SP;

// A parser over a file of records: records carry no line ends.
struct Record_reader {
    explicit Record_reader(PCFile_data_stream& file) : parser(&file)
    {
        parser.set_newline_mode(false);
    }
    Quor_parser parser;
};

} // namespace

Diagnostic_history_files::Diagnostic_history_files(const char* base,
                                                   Trouble_code_registry& registry)
    : base_(base ? base : ""), registry_(registry)
{
    set_current(0);
}

bool Diagnostic_history_files::file_name(unsigned n, char* name) const
{
    int len = std::snprintf(name, NAME_SIZE, "%s%u.dat", base_, n);
    return len > 0 && len < static_cast<int>(NAME_SIZE);
}

void Diagnostic_history_files::set_current(unsigned n)
{
    current_ = n % NUM_FILES;
    if (!file_name(current_, name_))
        name_[0] = '\0';
}

void Diagnostic_history_files::schedule(const Atime& when)
{
    if (scheduler_)
        scheduler_->schedule_history(when);
}

bool Diagnostic_history_files::is_history_record(unsigned char* buf, int len)
{
    // The parser hands over the 16 bytes plus the line end it adds.
    if (len != static_cast<int>(Msg_SP::SIZE) + 1)
        return false;
    Msg_SP record(buf, static_cast<unsigned>(len));
    return record.get_msg_len() == Msg_SP::SIZE - Quor_message::HEADER_LEN &&
           record.validate(Msg_SP::ID);
}

bool Diagnostic_history_files::write_record(PCFile_data_stream& file, unsigned char src,
                                            unsigned short count, unsigned short code,
                                            unsigned seconds, unsigned short ms)
{
    Msg_SP record;
    record.set(src, count, code, seconds, ms);
    return file.is_write_open() && file.write(record, false);
}

bool Diagnostic_history_files::pcf_init()
{
    if (!pcfIsMounted())
        return false;
    if (name_[0] == '\0') {
        JDB::print(DIAG, "History file name too long: %s\n", base_);
        return false;
    }
    JDB::print(DIAG, "<PCF Init>\n");
    unsigned current = 0;
    char name[NAME_SIZE];
    for (unsigned n = 0; n < NUM_FILES; n++) {
        file_name(inc_file_num(n), name);
        if (!pcfExists(name)) {
            current = n;
            break;
        }
    }
    set_current(current);
    load_items_from_file();
    ready_ = true;
    JDB::print(DIAG, "</PCF Init>\n");
    return true;
}

void Diagnostic_history_files::load_items_from_file()
{
    records_ = 0;
    if (!pcfExists(name_))
        return;
    PCFile_data_stream file;
    int error = file.open_read(name_, FILE_TRIES);
    if (error != PCFile_data_stream::PCF_OK) {
        JDB::print(DIAG, "Could not open file %d: %s\r\n", error, name_);
        return;
    }
    Record_reader reader(file);
    unsigned char buf[PACKET_SIZE];
    for (;;) {
        int len = reader.parser.get_packet(buf, PACKET_SIZE);
        if (len == 0)
            break;
        if (len < 0 || !is_history_record(buf, len))
            continue;
        Msg_SP record(buf, static_cast<unsigned>(len));
        JDB::print(DIAG, "Got Msg %x %x %x %x %x\n", record.get_source(), record.get_code(),
                   record.get_count(), record.get_seconds(), record.get_ms_quarter());
        if (Item* it = Trouble_code_registry::find_item(registry_.active_list(),
                                                        record.get_source(), record.get_code())) {
            it->count = (it->is(Item::ACTIVE) || record.get_count() != 0) ? 1 : 0;
        } else if (Item* in = Trouble_code_registry::find_item(
                       registry_.inactive_list(), record.get_source(), record.get_code())) {
            in->count = record.get_count();
        }
        records_++;
    }
    file.close_read();
}

void Diagnostic_history_files::write_dirty()
{
    JDB::print(DIAG, "<WRITE>\n");
    if (!registry_.history_dirty()) {
        JDB::print(DIAG, "Not dirty\n");
        return;
    }
    if (!ready_) {
        JDB::print(DIAG, "Not init\n");
        return;
    }
    PCFile_data_stream file;
    if (file.open_write(name_, FILE_TRIES) != PCFile_data_stream::PCF_OK)
        return;
    bool all_written = true;
    Trouble_code_registry::Item_list& active = registry_.active_list();
    for (Item* it = active.first(); it; it = active.next(it)) {
        it->state &= static_cast<unsigned char>(~Item::SENT);
        if (!it->is(Item::DIRTY))
            continue;
        struct timeb t = it->time.real_timeb();
        // An occurrence that did not reach the file stays dirty for the
        // next tick instead of being lost.
        if (!write_record(file, it->src(), it->count, it->err_code(),
                          static_cast<unsigned>(t.time), t.millitm)) {
            all_written = false;
            continue;
        }
        JDB::print(DIAG, "Write Dirty %d %d %d %u.%03d\n", it->src(), it->err_code(), it->count,
                   static_cast<unsigned>(t.time), t.millitm);
        it->state &= static_cast<unsigned char>(~Item::DIRTY);
        records_++;
    }
    if (file.is_write_open())
        file.close_write();
    if (all_written)
        registry_.set_history_dirty(false);
    JDB::print(DIAG, "</WRITE>\n");
}

void Diagnostic_history_files::check_rotation()
{
    JDB::print(DIAG, "Done %d/%d\n", records_, MAX_ITEMS_PER_FILE);
    if (records_ < MAX_ITEMS_PER_FILE)
        return;
    set_current(inc_file_num(current_));
    char name[NAME_SIZE];
    if (file_name(inc_file_num(current_), name))
        pcfRemove(name);
    records_ = 0;
    write_nonzero();
}

void Diagnostic_history_files::write_nonzero()
{
    if (!ready_)
        return;
    JDB::print(DIAG, "<WRITE>\n");
    PCFile_data_stream file;
    if (file.open_write(name_, FILE_TRIES) != PCFile_data_stream::PCF_OK)
        return;
    bool all_written = true;
    for (Trouble_code_registry::Item_list* list :
         {&registry_.inactive_list(), &registry_.active_list()}) {
        for (Item* it = list->first(); it; it = list->next(it)) {
            if (it->count == 0)
                continue;
            if (!write_record(file, it->src(), it->count, it->err_code(), 0, 0)) {
                all_written = false;
                continue;
            }
            it->state &= static_cast<unsigned char>(~Item::DIRTY);
            records_++;
        }
    }
    if (file.is_write_open())
        file.close_write();
    if (all_written)
        registry_.set_history_dirty(false);
    JDB::print(DIAG, "</WRITE>\n");
}

void Diagnostic_history_files::remove_all()
{
    char name[NAME_SIZE];
    for (unsigned n = 0; n < NUM_FILES; n++)
        if (file_name(n, name) && pcfExists(name))
            pcfRemove(name);
    set_current(0);
    records_ = 0;
}

int Diagnostic_history_files::_request_history(Diagnostic_history* h)
{
    if (!h || pending_)
        return 0;
    pending_ = h;
    h->end_file_ = inc_file_num(current_);
    h->next_file_ = inc_file_num(h->end_file_);
    h->finished_ = false;
    h->delivered_ = 0;
    schedule(h->ready_time_);
    h->history_started();
    return 1;
}

void Diagnostic_history_files::finish_replay(Diagnostic_history* h)
{
    h->finished_ = true;
    pending_ = nullptr;
    h->history_finished();
    if (JDB::enabled(DIAG) && h != &printer_)
        _request_history(&printer_);
}

void Diagnostic_history_files::process_history()
{
    Diagnostic_history* h = pending_;
    if (!h)
        return;
    if (!h->check_ready()) {
        schedule(h->ready_time_);
        return;
    }
    char name[NAME_SIZE];
    while (h->next_file_ != h->end_file_) {
        if (!file_name(h->next_file_, name) || !pcfExists(name)) {
            h->next_file_ = inc_file_num(h->next_file_);
            h->delivered_ = 0;
            continue;
        }
        PCFile_data_stream file;
        int error = file.open_read(name, FILE_TRIES);
        if (error != PCFile_data_stream::PCF_OK) {
            JDB::print(DIAG, "Could not open file %d: %s\r\n", error, name);
            // Nothing would ever schedule another step: the replay ends
            // here, and the consumer hears that it did.
            finish_replay(h);
            return;
        }
        Record_reader reader(file);
        int done = process_history(reader.parser);
        file.close_read();
        if (done == 0)
            return;
        h->next_file_ = inc_file_num(h->next_file_);
        h->delivered_ = 0;
    }
    finish_replay(h);
}

int Diagnostic_history_files::process_history(Quor_parser& parser)
{
    Diagnostic_history* h = pending_;
    if (!h)
        return 1;
    unsigned index = 0;
    unsigned char buf[PACKET_SIZE];
    for (;;) {
        int len = parser.get_packet(buf, PACKET_SIZE);
        if (len == 0)
            return 1;
        if (len < 0 || !is_history_record(buf, len))
            continue;
        if (++index <= h->delivered_)
            continue;
        h->delivered_++;
        Msg_SP record(buf, static_cast<unsigned>(len));
        JDB::print(DIAG, "Hist Msg %x %x %x %x %x\n", record.get_source(), record.get_code(),
                   record.get_count(), record.get_seconds(), record.get_ms_quarter());
        if (record.get_seconds() == 0)
            continue;
        h->_output(record.get_source(), record.get_count(), record.get_code(),
                   record.get_seconds(), record.get_ms());
        if (!h->check_ready()) {
            schedule(h->ready_time_);
            return 0;
        }
    }
}
