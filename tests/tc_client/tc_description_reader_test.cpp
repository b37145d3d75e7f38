// The device description reader against the implement's own description
// and against broken ones.
#include "tc_client/TC_DOM_xerces_spec_man.h"

#include "tests/support/tc_description_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace {

const std::string spec_dir = test_support::tc_spec_dir();
using test_support::Description_dir;
using test_support::read_text_file;

struct Load_result {
    bool ok;
    std::string err;
    int objects;
};

Load_result load(TC::Object_pool& pool, const std::string& path, const char* prefix = nullptr)
{
    TC::DOM_xerces_spec_man reader(&pool);
    EXPECT_TRUE(reader.init(prefix));
    testing::internal::CaptureStderr();
    bool ok = reader.load(path.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    return {ok, err, pool.object_count()};
}

// A small whole description with a hole for the test's own lines.
std::string description(const std::string& inside, const std::string& root_attrs = "name=\"p\"")
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">\n"
           "<Object_pool " +
           root_attrs +
           ">\n"
           "  <Device_value_presentation name=\"mm\" object_id=\"10\" scale=\"0.001\" "
           "unit_designator=\"m\"/>\n"
           "  <Device name=\"dev\" object_id=\"0\" designator=\"Dev\">\n"
           "    <Device_element name=\"root\" object_id=\"2\" number=\"0\" designator=\"Root\">\n"
           "      <Device_process_data name=\"width\" object_id=\"3\" ddi=\"67\" "
           "value_presentation_object=\"mm\"/>\n"
           "    </Device_element>\n"
           "  </Device>\n" +
           inside + "</Object_pool>\n";
}

TEST(TcDescription, TheImplementsDescriptionHoldsEveryObjectTheElementsLookUp)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, spec_dir + "tc_pool.xml");
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_STREQ(pool.get_pool_name(), "sowvane_tc_pool");

    using T = TC::TC_obj_type;
    struct Wanted {
        const char* name;
        T::type_t type;
        int ddi;  // -1: any
    };
    const Wanted wanted[] = {
        {"seeder_root", T::DEVICE_ELEMENT, -1},
        // the root element's process data
        {"work_state", T::DEVICE_PROCESS_DATA, 141},
        {"prescription_state", T::DEVICE_PROCESS_DATA, 158},
        {"total_area", T::DEVICE_PROCESS_DATA, 116},
        {"eff_total_dist", T::DEVICE_PROCESS_DATA, 117},
        {"eff_total_time", T::DEVICE_PROCESS_DATA, 119},
        {"max_working_width", T::DEVICE_PROCESS_DATA, 70},
        {"act_working_width", T::DEVICE_PROCESS_DATA, 67},
        {"x_offset", T::DEVICE_PROCESS_DATA, 134},
        {"y_offset", T::DEVICE_PROCESS_DATA, 135},
        {"z_offset", T::DEVICE_PROCESS_DATA, 136},
        // channels, by product kind
        {"chanmass_pd_setpoint_rate", T::DEVICE_PROCESS_DATA, 6},
        {"chanmass_pd_actual_rate", T::DEVICE_PROCESS_DATA, 7},
        {"chanmass_pd_default_rate", T::DEVICE_PROCESS_DATA, 8},
        {"chanmass_flow_rate", T::DEVICE_PROCESS_DATA, 42},
        {"chanvol_pd_setpoint_rate", T::DEVICE_PROCESS_DATA, 1},
        {"chanvol_pd_actual_rate", T::DEVICE_PROCESS_DATA, 2},
        {"chanvol_pd_default_rate", T::DEVICE_PROCESS_DATA, 3},
        {"chanvol_flow_rate", T::DEVICE_PROCESS_DATA, 37},
        {"chancount_pd_setpoint_rate", T::DEVICE_PROCESS_DATA, 11},
        {"chancount_pd_actual_rate", T::DEVICE_PROCESS_DATA, 12},
        {"chancount_pd_default_rate", T::DEVICE_PROCESS_DATA, 13},
        {"chancount_flow_rate", T::DEVICE_PROCESS_DATA, 47},
        // channels and downforces (fixed work-state DDI)
        {"channel_pd_work", T::DEVICE_PROCESS_DATA, 141},
        {"chan_prescription_state", T::DEVICE_PROCESS_DATA, 158},
        {"chan_shaft_rpm", T::DEVICE_PROCESS_DATA, -1},
        {"channel_cultural_practise", T::DEVICE_PROCESS_DATA, 179},
        {"channel_type_instance", T::DEVICE_PROCESS_DATA, 178},
        {"channel_actual_width", T::DEVICE_PROCESS_DATA, 67},
        {"downforce_pd_setpoint", T::DEVICE_PROCESS_DATA, 365},
        {"downforce_pd_actual", T::DEVICE_PROCESS_DATA, 366},
        // bins, by content kind
        {"binmass_pd_setpoint", T::DEVICE_PROCESS_DATA, 74},
        {"binmass_pd_actual", T::DEVICE_PROCESS_DATA, 75},
        {"binmass_pd_max", T::DEVICE_PROCESS_DATA, 76},
        {"binvol_pd_setpoint", T::DEVICE_PROCESS_DATA, 71},
        {"binvol_pd_actual", T::DEVICE_PROCESS_DATA, 72},
        {"binvol_pd_max", T::DEVICE_PROCESS_DATA, 73},
        {"bincount_pd_setpoint", T::DEVICE_PROCESS_DATA, 77},
        {"bincount_pd_actual", T::DEVICE_PROCESS_DATA, 78},
        {"bincount_pd_max", T::DEVICE_PROCESS_DATA, 79},
        {"element_type_instance", T::DEVICE_PROPERTY, 178},
        // booms (fixed DDIs) and sections
        {"boom_pd_actual_condensed", T::DEVICE_PROCESS_DATA, 161},
        {"boom_pd_setpoint_condensed", T::DEVICE_PROCESS_DATA, 290},
        {"boom_pd_active_width", T::DEVICE_PROCESS_DATA, 67},
        {"section_pd_work", T::DEVICE_PROCESS_DATA, 141},
        {"section_pd_x", T::DEVICE_PROCESS_DATA, 134},
        {"section_pd_y", T::DEVICE_PROCESS_DATA, 135},
        {"section_pd_z", T::DEVICE_PROCESS_DATA, 136},
        {"section_pd_width", T::DEVICE_PROCESS_DATA, 67},
    };
    for (const Wanted& w : wanted) {
        SCOPED_TRACE(w.name);
        TC::TC_obj* o = Object_pool_base<TC::TC_obj>::find_object(&pool, w.name, false);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->get_type(), w.type);
        // Clear of the ids the program gives the elements it builds.
        const unsigned id = o->get_id();
        EXPECT_FALSE(id >= 1100 && id <= 1209) << id;
        EXPECT_FALSE(id >= 2000 && id <= 2599) << id;
        if (w.type == T::DEVICE_PROCESS_DATA) {
            auto* pd = static_cast<TC::Device_process_data_obj*>(o);
            if (w.ddi >= 0) {
                EXPECT_EQ(pd->get_ddi(), w.ddi);
            }
            EXPECT_FALSE(pd->get_designator().empty());
        }
        if (w.type == T::DEVICE_PROPERTY) {
            EXPECT_EQ(static_cast<TC::Device_property_obj*>(o)->get_ddi(), w.ddi);
        }
    }

    // The root element is element 0 of the device and lists its ten data.
    auto* root = static_cast<TC::Device_element_obj*>(pool.__find_object("seeder_root", false));
    EXPECT_EQ(root->get_number(), 0);
    EXPECT_EQ(root->get_element_type(), TC::Device_element_obj::DEVICE);
    EXPECT_EQ(root->get_num_children(), 10);
    TC::TC_obj* device = pool.__find_object(root->get_parent());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->get_type(), T::DEVICE);
    // Every object is written into the binary pool.
    std::string why;
    EXPECT_TRUE(pool.check_references(why)) << why;
}

TEST(TcDescription, ReadsNestedObjectsTheirReferencesAndTexts)
{
    Description_dir dir("reader_nested");
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, dir.write(description(
                                   "  <Device_element name=\"sub\" object_id=\"20\" number=\"7\" "
                                   "type=\"2\" parent=\"root\" designator=\"A\\x41B\\q\">\n"
                                   "    <Device_property name=\"p\" object_id=\"21\" ddi=\"0x10\" "
                                   "value=\"-5\"/>\n"
                                   "  </Device_element>\n"
                                   "  <Device_element name=\"gone\" object_id=\"30\" number=\"9\" "
                                   "parent=\"root\" exist=\"FALSE\">\n"
                                   "    <Device_property name=\"gone_p\" object_id=\"31\" "
                                   "ddi=\"1\"/>\n"
                                   "  </Device_element>\n")));
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.objects, 6);
    auto* sub = static_cast<TC::Device_element_obj*>(pool.__find_object("sub", false));
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->get_designator(), "AAB\\q");
    EXPECT_EQ(sub->get_parent(), 2);
    ASSERT_EQ(sub->get_num_children(), 1);
    EXPECT_EQ(sub->get_child(0), 21);
    auto* p = static_cast<TC::Device_property_obj*>(pool.__find_object("p", false));
    EXPECT_EQ(p->get_ddi(), 0x10);
    EXPECT_EQ(p->get_value(), -5);
    auto* width = static_cast<TC::Device_process_data_obj*>(pool.__find_object("width", false));
    EXPECT_EQ(width->get_presentation(), 10);
    EXPECT_EQ(pool.__find_object("gone", false), nullptr);
    EXPECT_EQ(pool.__find_object("gone_p", false), nullptr);
    // The document is gone after the load: no object keeps a view of it.
    EXPECT_EQ(sub->get_spec_node(), nullptr);
}

TEST(TcDescription, APrefixedAttributeGivenInTheDocumentIsTakenFirst)
{
    Description_dir dir("reader_prefix");
    // The DTD does not know prefixed attributes; a document declares them.
    std::string text = description(
        "  <Device_property name=\"p\" object_id=\"21\" ddi=\"5\" alt-ddi=\"6\"/>\n");
    text.replace(text.find("<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">"),
                 std::string("<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">").size(),
                 "<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\" [\n"
                 "<!ATTLIST Device_property alt-ddi CDATA #IMPLIED>\n]>");
    dir.write(text);
    TC::Object_pool with_prefix(nullptr, nullptr, 0);
    ASSERT_TRUE(load(with_prefix, dir.path(), "alt").ok);
    EXPECT_EQ(static_cast<TC::Device_property_obj*>(with_prefix.__find_object("p", false))->get_ddi(), 6);
    TC::Object_pool without(nullptr, nullptr, 0);
    ASSERT_TRUE(load(without, dir.path()).ok);
    EXPECT_EQ(static_cast<TC::Device_property_obj*>(without.__find_object("p", false))->get_ddi(), 5);
}

TEST(TcDescription, APoolNameOver32CharactersIsCutTo32)
{
    Description_dir dir("reader_long_pool_name");
    const std::string forty(40, 'p');
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, dir.write(description("", "name=\"" + forty + "\"")));
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_EQ(std::string(pool.get_pool_name()), forty.substr(0, 32));
    EXPECT_NE(r.err.find("WARNING: Truncated pool name to '" + forty.substr(0, 32) + "'"),
              std::string::npos)
        << r.err;
}

TEST(TcDescription, ADescriptionMayUseAFewEntities)
{
    Description_dir dir("reader_entities");
    std::string text = description("&more;");
    const std::string doctype = "<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">";
    text.replace(text.find(doctype), doctype.size(),
                 "<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\" [\n"
                 "<!ENTITY maker \"Vormek\">\n"
                 "<!ENTITY more \"<Device_property name='x' object_id='44' ddi='1' "
                 "designator='&maker; &amp; &maker;'/>\">\n]>");
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, dir.write(text));
    ASSERT_TRUE(r.ok) << r.err;
    auto* x = static_cast<TC::Device_property_obj*>(pool.__find_object("x", false));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->get_designator(), "Vormek & Vormek");
}

TEST(TcDescription, ALongObjectNameIsCutWithAWarning)
{
    Description_dir dir("reader_long_name");
    const std::string forty(40, 'n');
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, dir.write(description("  <Device_property name=\"" + forty +
                                                     "\" object_id=\"21\" ddi=\"5\"/>\n")));
    ASSERT_TRUE(r.ok) << r.err;
    EXPECT_NE(r.err.find("WARNING: Truncated name to '" + forty.substr(0, 31) + "'"),
              std::string::npos);
    EXPECT_NE(pool.__find_object(forty.substr(0, 31).c_str(), false), nullptr);
}

// Each broken description is refused with its line, and the pool holds
// nothing of it afterwards.
TEST(TcDescription, BrokenDescriptionsAreRefusedWhole)
{
    const std::string big_designator(33, 'd');
    struct Case {
        const char* what;
        std::string text;
        const char* line;
    };
    const Case cases[] = {
        {"no name on the root", description("", "exist=\"true\""), "Error at (file"},
        {"wrong document type",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Other SYSTEM \"+TC2ISO.dtd\">\n"
         "<Object_pool name=\"p\"/>\n",
         "Error at (file"},
        {"no document type", "<?xml version=\"1.0\"?>\n<Object_pool name=\"p\"/>\n",
         "Error at (file"},
        {"not well formed", description("  <Device_property name=\"x\" object_id=\"5\""),
         "Fatal Error at (file"},
        {"unknown element", description("  <Gadget name=\"g\" object_id=\"40\"/>\n"),
         "Error at (file"},
        {"missing object id", description("  <Device_property name=\"x\" ddi=\"1\"/>\n"),
         "Error at (file"},
        {"object id out of range",
         description("  <Device_property name=\"x\" object_id=\"65535\" ddi=\"1\"/>\n"),
         "object_id '65535' is no object id"},
        {"repeated object id",
         description("  <Device_property name=\"x\" object_id=\"3\" ddi=\"1\"/>\n"),
         "Error adding object to pool!"},
        {"repeated name",
         description("  <Device_property name=\"width\" object_id=\"44\" ddi=\"1\"/>\n"),
         "Error adding object to pool!"},
        {"missing presentation",
         description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"1\" "
                     "value_presentation_object=\"nothing\"/>\n"),
         "attribute 'value_presentation_object' names the missing object 'nothing'"},
        {"presentation of the wrong kind",
         description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"1\" "
                     "value_presentation_object=\"root\"/>\n"),
         "which is no value presentation"},
        {"missing parent",
         description("  <Device_element name=\"e\" object_id=\"44\" number=\"3\" "
                     "parent=\"nowhere\"/>\n"),
         "attribute 'parent' names the missing object 'nowhere'"},
        {"element without parent",
         description("  <Device_element name=\"e\" object_id=\"44\" number=\"3\"/>\n"),
         "which is no element or device of the pool"},
        {"parent loop",
         description("  <Device_element name=\"a\" object_id=\"44\" number=\"3\" parent=\"b\"/>\n"
                     "  <Device_element name=\"b\" object_id=\"45\" number=\"4\" parent=\"a\"/>\n"),
         "is in a loop of parents"},
        {"repeated element number",
         description("  <Device_element name=\"e\" object_id=\"44\" number=\"0\" "
                     "parent=\"root\"/>\n"),
         "repeats or exceeds element number 0"},
        {"element number above 4095",
         description("  <Device_element name=\"e\" object_id=\"44\" number=\"4096\" "
                     "parent=\"root\"/>\n"),
         "attribute 'number' is out of range"},
        {"designator over 32 characters",
         description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"1\" designator=\"" +
                     big_designator + "\"/>\n"),
         "attribute 'designator' is longer than 32 characters"},
        {"length that does not match",
         description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"1\" designator=\"ab\" "
                     "length=\"3\"/>\n"),
         "attribute 'length' does not match"},
        {"not a number", description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"12x\"/>\n"),
         "attribute 'ddi' is not a number"},
        {"ddi out of range",
         description("  <Device_property name=\"x\" object_id=\"44\" ddi=\"65536\"/>\n"),
         "attribute 'ddi' is out of range"},
        {"element type out of range",
         description("  <Device_element name=\"e\" object_id=\"44\" number=\"3\" type=\"8\" "
                     "parent=\"root\"/>\n"),
         "attribute 'type' is out of range"},
        {"properties out of range",
         description("  <Device_process_data name=\"x\" object_id=\"44\" ddi=\"1\" "
                     "properties=\"4\"/>\n"),
         "attribute 'properties' is out of range"},
        {"decimals out of range",
         description("  <Device_value_presentation name=\"x\" object_id=\"44\" "
                     "number_of_decimals=\"8\"/>\n"),
         "attribute 'number_of_decimals' is out of range"},
        {"bad master name",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">\n"
         "<Object_pool name=\"p\"><Device name=\"d\" object_id=\"0\" designator=\"D\" "
         "working_set_master_name=\"A0000F00040000G1\"/></Object_pool>\n",
         "attribute 'working_set_master_name' is not hexadecimal"},
        {"structure label over 7 characters",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">\n"
         "<Object_pool name=\"p\"><Device name=\"d\" object_id=\"0\" designator=\"D\" "
         "structure_label=\"ABCDEFGH\"/></Object_pool>\n",
         "attribute 'structure_label' is longer than the field"},
        {"a second device",
         description("  <Device name=\"dev2\" object_id=\"44\" designator=\"D2\"/>\n"),
         "DVC 44 'dev2' must have the object id 0"},
        {"the device not at id 0",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\">\n"
         "<Object_pool name=\"p\"><Device name=\"d\" object_id=\"100\" designator=\"D\"/>"
         "</Object_pool>\n",
         "DVC 100 'd' must have the object id 0"},
        {"entities expanding without end",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Object_pool SYSTEM \"+TC2ISO.dtd\" [\n"
         "<!ENTITY a \"aaaaaaaaaa\">\n"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
         "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">\n"
         "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">\n"
         "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">\n"
         "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">\n]>\n"
         "<Object_pool name=\"p\"><Device name=\"d\" object_id=\"0\" designator=\"&g;\"/>"
         "</Object_pool>\n",
         "Fatal Error at (file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Description_dir dir("reader_broken");
        TC::Object_pool pool(nullptr, nullptr, 0);
        // An object that was there before stays; nothing of the description does.
        ASSERT_TRUE(pool.add_object(new TC::Client::Device_property_obj(&pool, 900, "before")));
        Load_result r = load(pool, dir.write(c.text));
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.err.find(c.line), std::string::npos) << r.err;
        EXPECT_EQ(r.objects, 1);
        EXPECT_NE(pool.__find_object(900), nullptr);
    }
}

TEST(TcDescription, AMissingFileOrDtdIsRefused)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    Load_result r = load(pool, test_support::temp_path("no_such_dir/pool.xml"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.err.find("+TC2ISO.dtd"), std::string::npos) << r.err;
}

} // namespace
