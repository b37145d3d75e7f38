#pragma once
// How often each of the implement's trouble codes occurred, as DM1 and DM2
// report it, read from the diagnostics module for the alarm pop-ups.

class Diagnostics;

class Trouble_code_counts {
public:
    // The diagnostics to read (null: none). The reader's thread must not run
    // while they change, and they must outlive it.
    void set_diagnostics(Diagnostics* d) { diagnostics = d; }
    Diagnostics* get_diagnostics() const { return diagnostics; }

    // The occurrences of the code (its error code) as a DM1/DM2 entry
    // carries them; 0 without diagnostics or for a code they do not know.
    unsigned count(unsigned short err_code) const;

private:
    Diagnostics* diagnostics = nullptr;
};
