// The process-wide data model is built before main, in one place and one
// order, so its items draw the same ids on every start.

#include "apps/sowvane/data_model.h"

#include <gtest/gtest.h>

namespace {

TEST(DataModel, TheProcessWideTreesAreBuiltInOrderWithContiguousIds)
{
    // "PS" is the first item of the process and the live store's lookup tree
    // follows it directly; nothing after them draws ids.
    unsigned short ps_min = 30000, ps_max = 0;
    sowvane_parameters.set_minmax(ps_min, ps_max);
    EXPECT_EQ(ps_min, 1);
    EXPECT_EQ(sowvane_parameters.get_id(), 1);

    unsigned short ds_min = 30000, ds_max = 0;
    sowvane_data_store_lookup.set_minmax(ds_min, ds_max);
    EXPECT_EQ(sowvane_data_store_lookup.get_id(), ps_max + 1);
    EXPECT_EQ(ds_min, ps_max + 1);
    EXPECT_EQ(Data_item::lookup_max_id, ds_max + 1);
    EXPECT_LT(ds_max, 65534) << "the ids must not run out";

    EXPECT_STREQ(sowvane_parameters.get_name(), "PS");
    EXPECT_STREQ(sowvane_data_store_lookup.get_name(), "data_store");
    EXPECT_EQ(sowvane_data_store.head.get_lookup(), &sowvane_data_store_lookup);
    EXPECT_EQ(sowvane_data_store.head.get_data_block(),
              reinterpret_cast<unsigned long>(&sowvane_data_store.body));
    EXPECT_STREQ(sowvane_data_store.body.system.firmware_version.string, "4.04-r12");
}

}  // namespace
