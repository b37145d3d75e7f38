#pragma once
// The settings file: the parameter tree "PS" loaded at start-up over the
// start-up defaults, and saved whole (written to a temporary file that then
// replaces the settings file, so a save cut short loses nothing).

#include "glue/NV_store/NV_iterator.h"

namespace NV_kelsu {
class parameters_t;
}

// Sets what the program starts from before the settings file is read: tank
// names "Tank1" to "Tank8", the first fan enabled with its speed and
// pressure sensed, the first product in the first tank, no downforce
// channel, and the alarm defaults. Under the tree's lock.
void apply_startup_defaults(NV_kelsu::parameters_t& ps);

// Writes the whole tree to it as one state of the tree: under the tree's
// lock, so that a change from another thread (the console, the screens, a
// remote peer) lands before or after the save, never half-way through it,
// with the settings a page holds (Held_setting.h) at their operator's
// values. False when a record could not be written.
bool write_settings(NV_kelsu::parameters_t& ps, NV_store::NV_iterator* it);

class Settings_file {
public:
    Settings_file(const char* path, NV_kelsu::parameters_t& ps);
    Settings_file(const Settings_file&) = delete;
    Settings_file& operator=(const Settings_file&) = delete;

    // Reads the file over the tree. A missing or unreadable file, or one
    // that cannot be read whole, leaves the tree at what it had (the
    // sections read before the fault stay) and says so in one line. Then,
    // with a non-VT-terminal connection, the task controller is switched
    // off. True when the file was read whole.
    bool load();
    // Writes the whole tree, the settings a page holds (Held_setting.h) at
    // their operator's values; false (with a line) when the file could not
    // be written, the settings file then stays as it was.
    bool save();
    // The factory reset: every setting back to what a start without a
    // settings file gives (compiled-in and start-up defaults), except the
    // operating totals (machine history, worked areas, applied volumes, job
    // time), which record the machine's work rather than configure it. In
    // one step under the tree's lock, as a save; the tree only, save()
    // writes it.
    void restore_defaults();

    const char* path() const { return file_.get_path(); }

private:
    NV_store::NV_file_iterator file_;
    NV_kelsu::parameters_t& ps_;
};
