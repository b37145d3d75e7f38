#pragma once
// Where the program keeps its files. Every path starts with the data root,
// fixed when the program is built: empty for the installed program, so the
// paths are the absolute ones below; "." in the test build, so that a test
// runs the program in a directory of its own and the files land below it.

#ifndef SOWVANE_DATA_ROOT
#define SOWVANE_DATA_ROOT ""
#endif

namespace app_paths {

// The data root itself ("" for the installed program).
constexpr const char* DATA_ROOT = SOWVANE_DATA_ROOT;
// The directory of the program's data files.
constexpr const char* DATA_DIR = SOWVANE_DATA_ROOT "/usr/share/sowvane";
// The settings file: the parameter tree "PS".
constexpr const char* SETTINGS_FILE = SOWVANE_DATA_ROOT "/usr/share/sowvane/params";
// The VT pool specification and the TC device description.
constexpr const char* VT_POOL_SPEC = SOWVANE_DATA_ROOT "/usr/share/sowvane/spec/test_pool.xml";
constexpr const char* TC_POOL_SPEC = SOWVANE_DATA_ROOT "/usr/share/sowvane/tcspec/tc_pool.xml";
// The whole VT pool as last loaded at start-up (ISO 11783-6 object-pool
// stream), for a look with a pool viewer.
constexpr const char* VT_POOL_FILE = SOWVANE_DATA_ROOT "/usr/share/sowvane/seeder_pool.iop";
// The file store of the diagnostic history.
constexpr const char* DIAG_HISTORY_DIR = SOWVANE_DATA_ROOT "/usr/share/sowvane/history";

}  // namespace app_paths
