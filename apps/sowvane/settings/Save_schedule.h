#pragma once
// When the settings file is written after changes: a second after the last
// change (a burst of changes is one save), but never later than three
// seconds after the first change not yet saved, however the changes go on.
// A held INC key or a stream of console writes (a change every 0.1 to 0.4 s)
// is then saved every three seconds: a power cut loses at most the last
// three seconds of them, and the file is written at most once in three
// seconds while they go on. Times are of the process time line
// (Atime::now(), which does not jump when the clock is set).

#include "util/Atime.h"

class Save_schedule {
public:
    // After the last change.
    static constexpr int QUIET_MS = 1000;
    // After the first change not yet saved.
    static constexpr int LATEST_MS = 3000;

    // A setting changed at now.
    void changed(const Atime& now);
    // A change waits for its save.
    bool pending() const { return pending_; }
    // When the save is due (while pending).
    Atime deadline() const;
    bool due(const Atime& now) const { return pending_ && deadline() <= now; }
    // The settings were written: nothing waits.
    void saved() { pending_ = false; }

private:
    bool pending_ = false;
    Atime first_;
    Atime last_;
};
