// The diagnostic history: occurrences of trouble codes recorded as "SP"
// records in ten files "<base><n>.dat" filled in rotation, with a snapshot
// of every nonzero count at the start of each new file. One file after the
// current one is always missing, which is how the current file is found
// again at start-up.
//
// No lock of its own: the diagnostics module runs everything here on its
// thread under its lock.
#pragma once

#include "glue/diagnostics/Diagnostic_history.h"
#include "glue/diagnostics/Trouble_code_registry.h"
#include "util/Atime.h"

class Quor_parser;
class PCFile_data_stream;

class Diagnostic_history_files {
public:
    static constexpr unsigned MAX_ITEMS_PER_FILE = 1000;
    static constexpr unsigned NUM_FILES = 10;
    static constexpr unsigned NAME_SIZE = 32;
    // Tries of a busy file store, and the largest packet read back.
    static constexpr int FILE_TRIES = 5;
    static constexpr int PACKET_SIZE = 300;

    // Where the replay asks to be run again at a given time.
    class Scheduler {
    public:
        virtual ~Scheduler() = default;
        virtual void schedule_history(const Atime& when) = 0;
    };

    Diagnostic_history_files(const char* base, Trouble_code_registry& registry);
    Diagnostic_history_files(const Diagnostic_history_files&) = delete;
    Diagnostic_history_files& operator=(const Diagnostic_history_files&) = delete;

    void set_scheduler(Scheduler* s) { scheduler_ = s; }

    static unsigned inc_file_num(unsigned n) { return (n + 1) % NUM_FILES; }
    // "<base><n>.dat" into name (NAME_SIZE bytes); false when it does not fit.
    bool file_name(unsigned n, char* name) const;

    // Finds the current file and loads the counts from it; false (and
    // nothing done) while the file store is not mounted.
    bool pcf_init();
    bool files_ready() const { return ready_; }
    void load_items_from_file();
    // Appends a record for every active code with an unwritten occurrence.
    void write_dirty();
    // After 1000 records: the next file becomes current and starts with a
    // snapshot of all nonzero counts.
    void check_rotation();
    void write_nonzero();
    // Removes all ten files; the current file becomes 0 with no record.
    void remove_all();

    // Starts a replay to h: 1, or 0 when one is pending or h is null.
    int _request_history(Diagnostic_history* h);
    // One replay step (run when the scheduled time came).
    void process_history();
    // Delivers the records of one open file: 1 at its end, 0 when the
    // consumer asked for a pause.
    int process_history(Quor_parser& parser);
    Diagnostic_history* pending_history() const { return pending_; }

    unsigned current_file_num() const { return current_; }
    unsigned records_in_current_file() const { return records_; }
    const char* current_file_name() const { return name_; }

private:
    void set_current(unsigned n);
    void schedule(const Atime& when);
    void finish_replay(Diagnostic_history* h);
    // The record in buf (len bytes as the parser delivered them), or false.
    static bool is_history_record(unsigned char* buf, int len);
    // Appends one record; false when it did not go out whole.
    static bool write_record(PCFile_data_stream& file, unsigned char src, unsigned short count,
                             unsigned short code, unsigned seconds, unsigned short ms);

    const char* base_;
    Trouble_code_registry& registry_;
    Scheduler* scheduler_ = nullptr;
    bool ready_ = false;
    unsigned current_ = 0;
    unsigned records_ = 0;
    char name_[NAME_SIZE] = {};
    Diagnostic_history* pending_ = nullptr;
    // Prints every record when the diagnostics debug channel is on.
    Debug_print_diagnostic_history printer_;
};
