// The implement's TC description of the source tree, loaded into a pool.
#pragma once

#include "tc_client/TC_DOM_xerces_spec_man.h"
#include "tests/support/app_data_dir.h"

#include <string>

namespace tc_description {

inline std::string spec_dir() { return test_support::tc_spec_dir(); }

inline bool load(TC::Object_pool& pool)
{
    TC::DOM_xerces_spec_man reader(&pool);
    return reader.init(nullptr) && reader.load((spec_dir() + "tc_pool.xml").c_str());
}

} // namespace tc_description
