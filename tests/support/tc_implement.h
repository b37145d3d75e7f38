// The implement's TC client over a recording pool, with its own parameter
// tree and data store, for tests and benchmarks. The client's thread is not
// started; `command` hands a process-data command straight to the client.
#pragma once

#include "apps/sowvane/tc/TC_interface.h"
#include "tests/support/item_id_scope.h"
#include "tests/support/tc_client_harness.h"
#include "tests/support/tc_description_dir.h"
#include "tc_client/TC_DOM_xerces_spec_man.h"

#include <memory>
#include <string>

namespace test_support {

struct Tc_implement {
    // Reads a description into the pool; false when it is refused.
    bool load(const std::string& path = tc_spec_dir() + "tc_pool.xml")
    {
        TC::DOM_xerces_spec_man reader(&pool);
        return reader.init(nullptr) && reader.load(path.c_str());
    }
    // The pool's event for a command, as the session posts it.
    waiter_event command_event(TC::Object_pool::pd_event_kind_t kind, unsigned short element,
                               TC::ddi_t ddi, int value)
    {
        return waiter_event(short(pool.get_first_pd_event_id() - kind),
                            uint32_t(element) | uint32_t(ddi) << 16, value);
    }

    Item_id_scope ids{1};
    module_man mm;
    NV_kelsu::parameters_t params{&mm, 0, "PS"};
    Data_store store{&mm};
    Recording_pool pool{&mm};
    std::unique_ptr<TC_interface> tci = std::make_unique<TC_interface>(&mm, store);
};

} // namespace test_support
