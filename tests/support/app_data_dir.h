// The program's data files in the source tree (apps/sowvane/data/), laid out
// as they are installed below /usr/share/sowvane: the VT pool specification
// in spec/, the TC device description in tcspec/.
#pragma once

#include <string>

namespace test_support {

inline std::string app_data_dir() { return std::string(SOWVANE_SOURCE_DIR) + "/apps/sowvane/data/"; }
inline std::string vt_spec_dir() { return app_data_dir() + "spec/"; }
inline const std::string& tc_spec_dir()
{
    static const std::string dir = app_data_dir() + "tcspec/";
    return dir;
}

} // namespace test_support
