// A consumer of the diagnostic history: the history files replay their
// records to it, oldest first, through its filter.
#pragma once

#include "util/Atime.h"

class Diagnostic_history {
public:
    Diagnostic_history();
    virtual ~Diagnostic_history();
    Diagnostic_history(const Diagnostic_history&) = delete;
    Diagnostic_history& operator=(const Diagnostic_history&) = delete;

    // One record that passed the filter.
    virtual void output(unsigned char src, unsigned short count, unsigned short code,
                        unsigned int seconds, unsigned short ms) = 0;
    // True when the ready time lies before the present moment; a consumer
    // that is not ready pauses the replay until its ready time.
    virtual bool check_ready();
    virtual void history_finished() {}
    virtual void history_started() {}

    // Source 0 and code 0 take every source and code; seconds from <= s < to.
    void set_filter(unsigned char src, unsigned short code, unsigned int from = 0,
                    unsigned int to = 0xFFFFFFFFu);
    // Calls output when the record passes the filter.
    void _output(unsigned char src, unsigned short count, unsigned short code,
                 unsigned int seconds, unsigned short ms);

    const Atime& get_ready_time() const { return ready_time_; }
    void set_ready_time(const Atime& t) { ready_time_ = t; }
    bool is_finished() const { return finished_; }

private:
    friend class Diagnostic_history_files;

    Atime ready_time_;
    unsigned char filter_src_ = 0;
    unsigned short filter_code_ = 0;
    unsigned int filter_from_ = 0;
    unsigned int filter_to_ = 0xFFFFFFFFu;
    bool finished_ = false;
    // Replay position: the file that ends it, the next file to read and the
    // records of that file delivered already.
    unsigned end_file_ = 0;
    unsigned next_file_ = 0;
    unsigned delivered_ = 0;
};

// Prints every record to the debug output: "ERR,src:code,count,s.ms".
class Debug_print_diagnostic_history : public Diagnostic_history {
public:
    void output(unsigned char src, unsigned short count, unsigned short code,
                unsigned int seconds, unsigned short ms) override;
};
