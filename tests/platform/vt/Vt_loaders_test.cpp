// The two loaders refuse broken input as a whole: a broken pool
// specification or pool image leaves the pool as it was and says why.
#include "Vt_test_images.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace VT;

namespace {

std::string write_spec(const std::string& name, const std::string& body, bool with_doctype = true)
{
    std::string dir = test_support::vt_spec_dir() + "test_pool.dtd";
    std::string path = test_support::temp_path(name + ".xml");
    std::ofstream out(path);
    out << "<?xml version=\"1.0\"?>\n";
    if (with_doctype)
        out << "<!DOCTYPE vt_pool SYSTEM \"" << dir << "\">\n";
    out << body << "\n";
    return path;
}

struct Spec_case {
    const char* what;
    const char* body;
    const char* message;  // part of the reported line
};

TEST(Spec_loader, RefusesBrokenSpecificationsWhole)
{
    const Spec_case cases[] = {
        {"not well formed", "<vt_pool><number_variable id=\"1\" value=\"3\"></vt_pool>", "expected end of tag"},
        {"element the DTD lacks", "<vt_pool><gadget id=\"1\"/></vt_pool>", "gadget"},
        {"attribute the DTD lacks", "<vt_pool><number_variable id=\"1\" colour=\"3\"/></vt_pool>", "colour"},
        {"id missing", "<vt_pool><number_variable value=\"3\"/></vt_pool>", "id"},
        {"id twice", "<vt_pool><number_variable id=\"1\"/><number_variable id=\"1\"/></vt_pool>", "comes twice"},
        {"name twice",
         "<vt_pool><number_variable id=\"1\" name=\"a\"/><number_variable id=\"2\" name=\"a\"/></vt_pool>",
         "comes twice"},
        {"id in the generated range", "<vt_pool><number_variable id=\"10000\"/></vt_pool>", "below 10000"},
        {"id not a number", "<vt_pool><number_variable id=\"x1\"/></vt_pool>", "below"},
        {"value out of range", "<vt_pool><font_attributes id=\"1\" font_size=\"256\"/></vt_pool>", "font_size"},
        {"scale beyond a float", "<vt_pool><output_number id=\"1\" scale=\"1e40\"/></vt_pool>", "scale"},
        {"scale not a number", "<vt_pool><output_number id=\"1\" scale=\"nan\"/></vt_pool>", "scale"},
        {"negative unsigned", "<vt_pool><number_variable id=\"1\" value=\"-1\"/></vt_pool>", "value"},
        {"reference to no object", "<vt_pool><object_pointer id=\"1\" value=\"nothing\"/></vt_pool>", "nothing"},
        {"child position out of range",
         "<vt_pool><container id=\"1\"><child id=\"2\" x=\"40000\" y=\"0\"/></container>"
         "<number_variable id=\"2\"/></vt_pool>",
         "position"},
        {"data not hexadecimal", "<vt_pool><macro id=\"1\"><data>A0 zz</data></macro></vt_pool>", "hexadecimal"},
        {"wrong root", "<vt_pool/>", ""},
    };
    for (const Spec_case& c : cases) {
        SCOPED_TRACE(c.what);
        Object_pool pool(nullptr);
        pool.add_object(new Number_variable_obj(500, "kept", 7));
        DOM_xerces_spec_man loader(&pool);
        ASSERT_TRUE(loader.init());
        // One good object first: it must not stay behind either.
        std::string body = c.body;
        if (std::string(c.what) != "wrong root")
            body.insert(std::string("<vt_pool>").size(), "<number_variable id=\"3\" name=\"good\"/>");
        std::string path = write_spec("broken", body);
        if (std::string(c.what) == "wrong root") {
            // A document of another kind validated by its own DTD.
            std::ofstream out(path);
            out << "<?xml version=\"1.0\"?>\n<!DOCTYPE other [<!ELEMENT other EMPTY>]>\n<other/>\n";
        }
        EXPECT_FALSE(loader.load(path.c_str()));
        EXPECT_NE(loader.error().find(path), std::string::npos) << loader.error();
        EXPECT_NE(loader.error().find(c.message), std::string::npos) << loader.error();
        EXPECT_EQ(pool.object_count(), 1);
        EXPECT_EQ(loader.objects_loaded(), 0);
        std::remove(path.c_str());
    }
}

TEST(Spec_loader, RefusesFilesWithoutDtdOrMissing)
{
    Object_pool pool(nullptr);
    DOM_xerces_spec_man loader(&pool);
    EXPECT_FALSE(loader.load(vt_test::spec_path().c_str())) << "load before init";
    ASSERT_TRUE(loader.init());
    std::string path = write_spec("nodtd", "<vt_pool><number_variable id=\"1\"/></vt_pool>", false);
    EXPECT_FALSE(loader.load(path.c_str()));
    EXPECT_FALSE(loader.load("/nonexistent/test_pool.xml"));
    EXPECT_NE(loader.error().find("/nonexistent/test_pool.xml"), std::string::npos);
    EXPECT_EQ(pool.object_count(), 0);
    std::remove(path.c_str());
}

TEST(Spec_loader, ObjectsAlreadyInThePoolRefuseTheFile)
{
    Object_pool pool(nullptr);
    pool.add_object(new Number_variable_obj(1, "taken", 7));
    DOM_xerces_spec_man loader(&pool);
    ASSERT_TRUE(loader.init());
    std::string path = write_spec("clash", "<vt_pool><number_variable id=\"2\" name=\"taken\"/></vt_pool>");
    EXPECT_FALSE(loader.load(path.c_str()));
    EXPECT_EQ(pool.object_count(), 1);
    std::remove(path.c_str());
}

TEST(Spec_loader, TextsAreCutToTheirLengthAndReferencesByName)
{
    Object_pool pool(nullptr);
    DOM_xerces_spec_man loader(&pool);
    ASSERT_TRUE(loader.init());
    std::string longer(300, 'x');
    std::string path = write_spec(
        "texts", "<vt_pool>"
                 "<string_variable id=\"1\" name=\"sv\" value=\"abcdef\" length=\"4\"/>"
                 "<string_variable id=\"2\" name=\"pad\" value=\"ab\" length=\"4\"/>"
                 "<input_string id=\"3\" name=\"is\" value=\"" + longer + "\"/>"
                 "<object_pointer id=\"4\" name=\"ptr\" value=\"sv\"/>"
                 "<input_list id=\"5\" name=\"list\"><item id=\"pad\"/><item id=\"65535\"/></input_list>"
                 "</vt_pool>");
    ASSERT_TRUE(loader.load(path.c_str())) << loader.error();
    EXPECT_STREQ(pool.find<String_variable_obj>("sv")->get_string(), "abcd");
    EXPECT_STREQ(pool.find<String_variable_obj>("pad")->get_string(), "ab  ");
    // A one-byte length never exceeds 255.
    EXPECT_EQ(std::string(pool.find<Input_string_obj>("is")->get_string()).size(), 255u);
    EXPECT_EQ(pool.find<Object_pointer_obj>("ptr")->get_value(), 1);
    Input_list_obj* list = pool.find<Input_list_obj>("list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->num_items(), 2);
    EXPECT_EQ(list->get_child_objects_val(0), 2);
    EXPECT_EQ(list->get_child_objects_val(1), Object_pool::NULL_ID);
    std::remove(path.c_str());
}

// ---------------------------------------------------------------------------

using Bytes = std::vector<uint8_t>;

Bytes record(uint16_t id, uint8_t type, Bytes body)
{
    Bytes r(3 + body.size());
    r[0] = uint8_t(id);
    r[1] = uint8_t(id >> 8);
    r[2] = type;
    std::copy(body.begin(), body.end(), r.begin() + 3);
    return r;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes working_set = record(10000, 0, {0, 1, 0xFF, 0xFF, 0, 0, 0});
const Bytes number_var = record(10001, 21, {1, 0, 0, 0});

struct Image_case {
    const char* what;
    Bytes image;
    const char* message;
};

TEST(Image_loader, RefusesBrokenImagesWhole)
{
    const Image_case cases[] = {
        {"empty", {}, "empty"},
        {"cut inside a header", join({working_set, {0x12, 0x27}}), "cut short"},
        {"cut inside a body", join({working_set, {0x11, 0x27, 21, 1, 0}}), "cut short"},
        {"unknown type", join({working_set, record(10001, 77, {0})}), "unknown type"},
        {"auxiliary types are not ours", join({working_set, record(10001, 29, {0, 0, 0})}), "unknown type"},
        {"null id", join({working_set, record(0xFFFF, 21, {0, 0, 0, 0})}), "null id"},
        {"id twice", join({working_set, number_var, number_var}), "twice"},
        {"id of the specification", join({working_set, record(5, 21, {0, 0, 0, 0})}), "already in the pool"},
        {"two working sets", join({working_set, record(10002, 0, {0, 1, 0xFF, 0xFF, 0, 0, 0})}), "second working set"},
        {"no working set", number_var, "no working set"},
        {"list count beyond the image", join({working_set, record(10003, 3, {10, 0, 10, 0, 0, 5, 0})}), "cut short"},
    };
    for (const Image_case& c : cases) {
        SCOPED_TRACE(c.what);
        Object_pool pool(nullptr);
        pool.add_object(new Number_variable_obj(5, "spec", 0));
        Object_deserial d;
        ASSERT_TRUE(d.init(&pool));
        EXPECT_FALSE(d.run(c.image.data(), uint32_t(c.image.size())));
        EXPECT_NE(d.error().find(c.message), std::string::npos) << d.error();
        EXPECT_EQ(pool.object_count(), 1);
    }
}

TEST(Image_loader, LoadsAGeneratedImage)
{
    Object_pool pool(nullptr);
    Object_deserial d;
    EXPECT_FALSE(d.run(nullptr, 0)) << "run before init";
    ASSERT_TRUE(d.init(&pool));
    Bytes image = vt_test::make_image(3);
    ASSERT_TRUE(d.run(image.data(), uint32_t(image.size()))) << d.error();
    EXPECT_EQ(d.objects_loaded(), 7);
    Working_set_obj* ws = pool.get_working_set();
    ASSERT_NE(ws, nullptr);
    EXPECT_EQ(ws->get_active_mask(), vt_test::RUN_MASK_ID);
    EXPECT_EQ(ws->num_children(), 1);
    Bytes stream;
    pool.serialise_pool(stream);
    EXPECT_EQ(stream, image) << "the pool writes back the image it read";
}

TEST(Image_loader, WritesBackBodiesOfEverySize)
{
    // A string variable of 6000 characters needs more room than most objects.
    Bytes long_text = {uint8_t(6000 & 0xFF), uint8_t(6000 >> 8)};
    long_text.resize(2 + 6000, 'x');
    const Bytes image = join({working_set, number_var, record(10002, 22, long_text)});
    Object_pool pool(nullptr);
    Object_deserial d;
    ASSERT_TRUE(d.init(&pool));
    ASSERT_TRUE(d.run(image.data(), uint32_t(image.size()))) << d.error();
    Bytes stream;
    pool.serialise_pool(stream);
    EXPECT_EQ(stream, image);
}

} // namespace
