// The lookup tree "data_store": names, types, ids and paths of the live
// records as the remote protocol and the test console see them.

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Store_with_lookup {
    Data_store store{nullptr};
    CDS::Lookup_data_store_body lookup{store.head, store.body};
};

// Checks that the subtree of item has ids in pre-order without holes and
// returns the last id it holds.
unsigned short check_preorder(CDS::Lookup_item* item, int& items)
{
    ++items;
    unsigned short last = item->get_id();
    CDS::Lookup_struct* record = item->as_struct();
    if (!record)
        return last;
    for (CDS::Lookup_item* child = record->first_child(); child; child = record->next_child(child)) {
        EXPECT_EQ(child->get_id(), last + 1) << "child " << child->get_name() << " of " << item->get_name();
        EXPECT_EQ(child->get_parent(), record);
        last = check_preorder(child, items);
    }
    // Ids are drawn process-wide: after other trees they may lie anywhere
    // up to the top of the range.
    unsigned short min = 0xFFFF, max = 0;
    record->set_minmax(min, max);
    EXPECT_EQ(min, item->get_id()) << item->get_name();
    EXPECT_EQ(max, last) << item->get_name();
    return last;
}

TEST(DataStoreLookup, IdsFollowTheTreeInPreOrderAndEachRecordIsContiguous)
{
    auto t = std::make_unique<Store_with_lookup>();
    int items = 0;
    unsigned short last = check_preorder(&t->lookup, items);
    EXPECT_EQ(last - t->lookup.get_id() + 1, items);
    EXPECT_EQ(t->store.head.get_lookup(), &t->lookup);
}

TEST(DataStoreLookup, PathsThatResolveAndPathsThatDoNot)
{
    auto t = std::make_unique<Store_with_lookup>();
    data_store_body& b = t->store.body;
    struct Path {
        const char* path;
        const void* field;  // null: must not resolve
    };
    const Path paths[] = {
        {"diagnostics.comms.poll_id_count_37", &b.diagnostics.comms.poll_id_count_37},
        {"diagnostics.comms.poll_id_count_38", nullptr},
        {"diagnostics.comms.poll_id_count_3", &b.diagnostics.comms.poll_id_count_3},
        {"channels.channels.9.min_rate", &b.channels.channels[9].min_rate},
        {"channels.channels.10", nullptr},
        {"downforces.channels.4.ecu_version.v_patch", &b.downforces.channels[4].ecu_version.v_patch},
        {"downforces.channels.5", nullptr},
        {"booms.boom.5.sections.9.section_pending_count", &b.booms.boom[5].sections[9].section_pending_count},
        {"booms.boom.6", nullptr},
        {"booms.boom.0.sections.0.requested_state", nullptr},
        {"fans.4.stopped_count", &b.fans[4].stopped_count},
        {"fans.5", nullptr},
        {"areas.area.total", &b.areas.area.total},
        {"areas.sub_areas", nullptr},
        {"interface.channels.9.bin.maximum_content", &b.interface.channels[9].bin.maximum_content},
        {"interface.channels.0.content_kind", nullptr},
        {"system.firmware_version.string", b.system.firmware_version.string},
        {"system.aliv", nullptr},
        {"system.alive.x", nullptr},
        {"alarms.master_on_tillage_off.active", &b.alarms.master_on_tillage_off.active},
        {"section_monitors.inputs.31.section", &b.section_monitors.inputs[31].section},
        {"section_monitors.inputs.32", nullptr},
    };
    for (const Path& p : paths) {
        CDS::Lookup_item* item = t->lookup.find_item(p.path, '.');
        if (!p.field) {
            EXPECT_EQ(item, nullptr) << p.path;
            continue;
        }
        ASSERT_NE(item, nullptr) << p.path;
        EXPECT_EQ(item->get_address(), p.field) << p.path;
    }
    EXPECT_EQ(t->lookup.find_item("", '.'), &t->lookup);
}

TEST(DataStoreLookup, NamesTypesSizesAndCommentsAreTheSchemas)
{
    auto t = std::make_unique<Store_with_lookup>();
    struct Expect {
        const char* path;
        const char* type_name;
        unsigned size;
        int type;
        const char* comment;
    };
    const Expect expected[] = {
        {"", "data_store_body", sizeof(data_store_body), 1, ""},
        {"channels.channels.0.set_period", "unsigned long", 4, 6, "The set period we wish the ECU to control to"},
        {"channels.channels.0.product_assigned", "bool", 1, 2, "the channel has a product assigned"},
        {"channels.channels.0.ecu_version.v_major", "uchar", 1, 4, ""},
        {"channels.channels.0", "ds_channel", sizeof(ds_channel), 1, ""},
        {"channels.channels", "ds_channel", 10 * sizeof(ds_channel), 1, ""},
        {"system.reset_tc_counter", "uint32_t", 4, 6, ""},
        {"system.hardware_id", "unsigned int", 4, 6, ""},
        {"system.firmware_version.string", "char", 12, 3, ""},
        {"temperatures.value", "float", 8, 10, "Temperature of ECU - one sensor for"},
        {"monitor_ecus.monitor_inputs_active", "uchar", 20, 4, ""},
        {"interface.total_area", "double", 8, 11, ""},
        {"areas.area", "ds_total", sizeof(ds_total), 1, "Total area covered"},
    };
    for (const Expect& e : expected) {
        CDS::Lookup_item* item = t->lookup.find_item(e.path, '.');
        ASSERT_NE(item, nullptr) << e.path;
        EXPECT_STREQ(item->get_type_name(), e.type_name) << e.path;
        EXPECT_EQ(item->get_size(), e.size) << e.path;
        EXPECT_EQ(item->get_type(), e.type) << e.path;
        EXPECT_STREQ(item->get_comment(), e.comment) << e.path;
    }
    EXPECT_STREQ(t->lookup.get_name(), "data_store");
    EXPECT_STREQ(t->lookup.find_item("fans.3", '.')->get_name(), "3");
}

TEST(DataStoreLookup, SetFromTextStoresOnlyWhatParses)
{
    auto t = std::make_unique<Store_with_lookup>();
    data_store_body& b = t->store.body;
    CDS::Lookup_item* hw = t->lookup.find_item("system.hardware_id", '.');
    ASSERT_NE(hw->set_from_string("0xFF", &t->store.head), nullptr);
    EXPECT_EQ(b.system.hardware_id, 0xFFu);
    EXPECT_EQ(hw->set_from_string("nonsense", &t->store.head), nullptr);
    EXPECT_EQ(b.system.hardware_id, 0xFFu);

    CDS::Lookup_item* text = t->lookup.find_item("system.firmware_version.string", '.');
    EXPECT_EQ(text->set_from_string("[1234567890123]", &t->store.head), nullptr);
    EXPECT_STREQ(b.system.firmware_version.string, "4.04-r12");
    ASSERT_NE(text->set_from_string("[5.00]", &t->store.head), nullptr);
    EXPECT_STREQ(b.system.firmware_version.string, "5.00");

    CDS::Lookup_item* period = t->lookup.find_item("channels.channels.2.set_period", '.');
    ASSERT_NE(period->set_from_string("4294967295", &t->store.head), nullptr);
    EXPECT_EQ(b.channels.channels[2].set_period, 4294967295u);
    EXPECT_EQ(b.channels.channels[2].actual_period, 0u);
}

}  // namespace
