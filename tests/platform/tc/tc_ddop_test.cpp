// The device objects in the binary device descriptor object pool: the
// records as ISO 11783-10 lays them out, both ways.
#include "platform/tc/TC_object_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes text(const char* s) { return Bytes(s, s + std::string(s).size()); }

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// One record of each kind, written by hand from the standard's layout.
const Bytes dvc = cat({text("DVC"), {0x00, 0x00},          // id 0: the device's
                       {0x03}, text("Dev"),                // designator
                       {0x03}, text("1.0"),                // software version
                       {0xA0, 0x00, 0x0F, 0x00, 0x04, 0x00, 0x00, 0x01},  // master NAME
                       {0x01}, text("7"),                  // serial number
                       text("SOWV001"),                    // structure label
                       {0x65, 0x6E, 0x00, 0x00, 0x00, 0x00, 0xFF}});  // localisation label
const Bytes det = cat({text("DET"), {0x02, 0x00},  // id 2
                       {0x02},                     // type: function
                       {0x06}, text("Boom 1"),     // designator
                       {0xE8, 0x03},               // element number 1000
                       {0x00, 0x00},               // parent: the device
                       {0x02, 0x00}, {0x03, 0x00, 0x15, 0x00}});  // children 3 and 21
const Bytes dpd = cat({text("DPD"), {0x03, 0x00},  // id 3
                       {0x43, 0x00},               // DDI 67
                       {0x03}, {0x09},             // properties, triggers
                       {0x05}, text("Width"),      // designator
                       {0x0A, 0x00}});             // presentation 10
const Bytes dvp = cat({text("DVP"), {0x0A, 0x00},     // id 10
                       {0xFB, 0xFF, 0xFF, 0xFF},      // offset -5
                       {0x6F, 0x12, 0x83, 0x3A},      // scale 0.001
                       {0x03},                        // decimals
                       {0x02}, text("mm")});          // unit
const Bytes dpt = cat({text("DPT"), {0x15, 0x00},     // id 21
                       {0xB2, 0x00},                  // DDI 178
                       {0x07, 0x00, 0x00, 0x00},      // value 7
                       {0x03}, text("Bin"),           // designator
                       {0xFF, 0xFF}});                // no presentation
// The device first, then ascending ids.
const Bytes whole = cat({dvc, det, dpd, dvp, dpt});

TEST(TcDdop, EachKindReadsFromAndWritesToTheStandardsLayout)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    std::string why;
    ASSERT_TRUE(pool.load_ddop(whole.data(), int(whole.size()), why)) << why;
    ASSERT_EQ(pool.object_count(), 5);

    auto* device = static_cast<TC::Device_obj*>(pool.__find_object(TC::Object_pool::DEVICE_OBJECT_ID));
    EXPECT_EQ(device->get_designator(), "Dev");
    EXPECT_EQ(device->get_software_version(), "1.0");
    EXPECT_EQ(device->get_serial_number(), "7");
    EXPECT_EQ(Bytes(device->get_working_set_master_name(), device->get_working_set_master_name() + 8),
              Bytes({0xA0, 0x00, 0x0F, 0x00, 0x04, 0x00, 0x00, 0x01}));
    EXPECT_EQ(std::string(device->get_structure_label(), 7), "SOWV001");
    auto* element = static_cast<TC::Device_element_obj*>(pool.__find_object(2));
    EXPECT_EQ(element->get_element_type(), TC::Device_element_obj::FUNCTION);
    EXPECT_EQ(element->get_designator(), "Boom 1");
    EXPECT_EQ(element->get_number(), 1000);
    EXPECT_EQ(element->get_parent(), 0);
    ASSERT_EQ(element->get_num_children(), 2);
    EXPECT_EQ(element->get_child(1), 21);
    auto* pd = static_cast<TC::Device_process_data_obj*>(pool.__find_object(3));
    EXPECT_EQ(pd->get_ddi(), 67);
    EXPECT_EQ(pd->get_properties(), 3);
    EXPECT_EQ(pd->get_trigger_methods(), 9);
    EXPECT_EQ(pd->get_presentation(), 10);
    auto* pres = static_cast<TC::Device_value_presentation_obj*>(pool.__find_object(10));
    EXPECT_EQ(pres->get_offset(), -5);
    EXPECT_FLOAT_EQ(pres->get_scale(), 0.001f);
    EXPECT_EQ(pres->get_decimals(), 3);
    EXPECT_EQ(pres->get_unit(), "mm");
    auto* prop = static_cast<TC::Device_property_obj*>(pool.__find_object(21));
    EXPECT_EQ(prop->get_value(), 7);
    EXPECT_EQ(prop->get_presentation(), TC::NULL_OBJECT_ID);

    // Each object alone writes its own record; the pool writes them all.
    for (const Bytes* record : {&dvc, &det, &dpd, &dvp, &dpt}) {
        TC::object_id_t id = TC::object_id_t((*record)[3] | (*record)[4] << 8);
        TC::TC_obj* o = pool.__find_object(id);
        ASSERT_EQ(o->binary_size(), int(record->size()));
        Bytes out(record->size());
        EXPECT_EQ(o->serialise(0, out.data(), int(out.size())), int(out.size()));
        EXPECT_EQ(out, *record) << TC::TC_obj_type::labels[o->get_type()];
    }
    Bytes out;
    ASSERT_TRUE(pool.serialise_ddop(out, why)) << why;
    EXPECT_EQ(out, whole);
}

TEST(TcDdop, AnObjectWrittenInPiecesJoinsToTheSameRecord)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    std::string why;
    ASSERT_TRUE(pool.load_ddop(whole.data(), int(whole.size()), why)) << why;
    for (int piece = 1; piece <= 4; ++piece) {
        for (TC::object_id_t id : {0, 2, 3, 10, 21}) {
            const TC::TC_obj* o = pool.__find_object(id);
            Bytes joined;
            for (int offset = 0; offset < o->binary_size();) {
                unsigned char buf[4];
                int n = o->serialise(offset, buf, piece);
                ASSERT_GT(n, 0);
                joined.insert(joined.end(), buf, buf + n);
                offset += n;
            }
            Bytes one(size_t(o->binary_size()));
            o->serialise(0, one.data(), int(one.size()));
            EXPECT_EQ(joined, one) << "piece " << piece << " id " << id;
        }
    }
}

TEST(TcDdop, TheApplicationsElementsGoIntoThePoolUnlessDisabled)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    std::string why;
    ASSERT_TRUE(pool.load_ddop(whole.data(), int(whole.size()), why)) << why;
    TC::Attribute_object_id children[1] = {TC::Attribute_object_id("c", 3)};
    auto* section = new TC::Client::Device_element_obj(&pool, 2001, "sect_0.0", 4, 16,
                                                       "Boom 1 Section 1", 1001, 2, 1, children);
    ASSERT_TRUE(pool.add_object(section));
    const Bytes section_record = cat({text("DET"), {0xD1, 0x07}, {0x04}, {0x10},
                                      text("Boom 1 Section 1"), {0xE9, 0x03}, {0x02, 0x00},
                                      {0x01, 0x00}, {0x03, 0x00}});
    Bytes out;
    ASSERT_TRUE(pool.serialise_ddop(out, why)) << why;
    EXPECT_EQ(out, cat({dvc, det, dpd, dvp, dpt, section_record}));

    // A disabled element and everything below it are left out; so is what
    // only they list.
    section->set_enabled(false);
    ASSERT_TRUE(pool.serialise_ddop(out, why)) << why;
    EXPECT_EQ(out, whole);
    section->set_enabled(true);
    static_cast<TC::Device_element_obj*>(pool.__find_object(2))->set_enabled(false);
    ASSERT_TRUE(pool.serialise_ddop(out, why)) << why;
    EXPECT_EQ(out, dvc);
}

TEST(TcDdop, APoolThatIsNotWholeOrDoesNotFitIsRefusedAsAWhole)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    std::string why;
    ASSERT_TRUE(pool.load_ddop(whole.data(), int(whole.size()), why)) << why;

    // Too small a buffer: nothing written.
    Bytes buffer(whole.size() - 1, 0xEE);
    EXPECT_EQ(pool.serialise_ddop(buffer.data(), int(buffer.size())), -1);
    EXPECT_EQ(buffer, Bytes(whole.size() - 1, 0xEE));
    buffer.resize(whole.size());
    EXPECT_EQ(pool.serialise_ddop(buffer.data(), int(buffer.size())), int(whole.size()));

    // An element that lists an object the pool does not hold.
    TC::Attribute_object_id missing[1] = {TC::Attribute_object_id("c", 77)};
    ASSERT_TRUE(pool.add_object(
        new TC::Client::Device_element_obj(&pool, 2001, "e", 4, 1, "E", 5, 2, 1, missing)));
    Bytes out;
    EXPECT_FALSE(pool.serialise_ddop(out, why));
    EXPECT_NE(why.find("object 77"), std::string::npos) << why;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(pool.serialise_ddop(buffer.data(), int(buffer.size())), -1);
}

TEST(TcDdop, BrokenBinaryPoolsAreRefusedWhole)
{
    struct Case {
        const char* what;
        Bytes bytes;
        const char* why;
    };
    Bytes long_designator = dpd;
    long_designator[9] = 33;  // designator length beyond 32
    Bytes bad_label = whole;
    bad_label[dvc.size()] = 'X';
    Bytes dangling = cat({dvc, det, dpd, dvp});  // the element lists 21, which is missing
    // Task controllers find the device at id 0, and only the device there.
    Bytes device_at_5 = dvc;
    device_at_5[3] = 0x05;
    Bytes presentation_at_0 = dvp;
    presentation_at_0[3] = 0x00;
    const Case cases[] = {
        {"empty", {}, "empty"},
        {"unknown label", bad_label, "no known label"},
        {"designator over 32", cat({dvc, long_designator}), "unusable value"},
        {"repeated id", cat({whole, dpt}), "repeats an object id"},
        {"dangling child", dangling, "object 21"},
        {"no device", cat({dvp}), "0 devices"},
        {"device not at id 0", device_at_5, "DVC 5 '' must have the object id 0"},
        {"another object at id 0", presentation_at_0, "has the object id 0, which is the device's"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TC::Object_pool pool(nullptr, nullptr, 0);
        std::string why;
        EXPECT_FALSE(pool.load_ddop(c.bytes.data(), int(c.bytes.size()), why));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(pool.object_count(), 0);
    }
    // Every cut of a whole pool inside a record is short.
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        TC::Object_pool pool(nullptr, nullptr, 0);
        std::string why;
        bool at_record_end = cut == dvc.size() || cut == dvc.size() + det.size() ||
                             cut == dvc.size() + det.size() + dpd.size() ||
                             cut == dvc.size() + det.size() + dpd.size() + dvp.size();
        if (at_record_end)
            continue;  // whole records: refused for what they lack instead
        EXPECT_FALSE(pool.load_ddop(whole.data(), int(cut), why)) << cut;
        EXPECT_EQ(pool.object_count(), 0);
    }
}

TEST(TcAttributes, LengthsWriteTheirCountInPiecesOrNotAtAll)
{
    TC::Attribute_list<TC::Attribute_object_id> list("children");
    list.set_count(0x0102);
    TC::Attribute_list_len<unsigned short> len("num", &list);
    unsigned char b[2] = {0, 0};
    EXPECT_EQ(len.size(), 2);
    EXPECT_EQ(len.serialise(1, b, 1), 1);
    EXPECT_EQ(b[0], 0x01);  // the high byte only

    TC::Attribute_fixed_array_uint8<8> name("name");
    TC::Attribute_list_len<unsigned char> hidden("name_length", &name, false);
    EXPECT_EQ(hidden.size(), 0);
    EXPECT_EQ(hidden.serialise(0, b, 2), 0);
    EXPECT_EQ(hidden.get(), 8);

    TC::Attribute_fixed_array_char<7> label("label");
    EXPECT_EQ(label.data()[0], 3);
    EXPECT_EQ(label.display_string(), std::string("\3\0\0\0\0\0\0", 7));
    EXPECT_EQ(name.display_string(), "0x0000000000000000");
}

} // namespace
