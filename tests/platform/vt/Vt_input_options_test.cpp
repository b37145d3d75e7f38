// The input fields' options (enabled, real-time editing) as a VT of each
// version gets them: the enabled state by Enable/Disable Object from version
// 3 (a VT of another stack refuses it as an attribute), a changed real-time
// editing bit of an input number (its options 2) or list (its options) by
// Change Attribute from version 4, nothing before; bits an object or
// VT does not have stay out of the pool and off the bus, and the number's
// display options are never touched. The frames are checked byte by byte,
// by the project's terminal that applies them and by Wireshark's ISObus VT
// dissector (tshark, where installed).
#include "platform/vt/Object_pool.h"
#include "platform/vt/Vt_session.h"

#include "Vt_test_link.h"

#include "tests/support/tshark_fields.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtObjects.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace VT;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr unsigned short MASK = 2, NUMBER = 21, LIST = 22, TEXT = 23, FLAG = 24, ITEM = 25, FONT = 27;
// The number's display options: transparent.
constexpr unsigned char DISPLAY_OPTIONS = 1;

// A running pool of the four input kinds, all enabled and shown on the
// terminal's active mask, whose VT has the given version.
class Inputs_on_vt {
public:
    explicit Inputs_on_vt(int vt_version)
    {
        add(new Working_set_obj(1, "ws", 0, true, MASK));
        auto* mask = new Data_mask_obj(MASK, "mask", 1, Object_pool::NULL_ID);
        for (unsigned short id : {NUMBER, LIST, TEXT, FLAG})
            mask->add_child(id, 0, short(20 * (id - NUMBER)));
        add(mask);
        add(new Font_attributes_obj(FONT, "font", 0, 2, 0, 0));
        add(new Input_number_obj(NUMBER, "number", 40, 16, 1, FONT, DISPLAY_OPTIONS, Object_pool::NULL_ID, 5, 0,
                                 100, 0, 1.0f, 0, 0, 2, true));
        auto* list = new Input_list_obj(LIST, "list", 40, 16, Object_pool::NULL_ID, 0, true);
        list->add_item(ITEM);
        add(list);
        add(new Input_string_obj(TEXT, "text", 40, 16, 1, FONT, Object_pool::NULL_ID, 0, Object_pool::NULL_ID, 0,
                                 "abc", true));
        add(new Input_boolean_obj(FLAG, "flag", 1, 16, FONT, Object_pool::NULL_ID, 0, true));
        add(new Output_string_obj(ITEM, "item", 40, 16, 1, FONT, 0, Object_pool::NULL_ID, 0, "one"));

        // The pool goes up as the session takes it up, then runs.
        pool.set_vt_version(vt_version);
        Bytes stream;
        pool.serialise_pool(stream);
        pool.set_connection_state(CONN_UPLOADING);
        vt.uploadPool(stream.data(), uint32_t(stream.size()));
        EXPECT_FALSE(vt.processor.getPoolError().failed);
        vt.takeResponses();
        pool.set_running(true);
        pool.set_connection_state(CONN_ACTIVE);
    }

    void add(VT_obj* o) { EXPECT_TRUE(pool.add_object(o)) << o->get_name(); }

    // The commands the pool sends, each taken by the terminal; the terminal
    // answers every one without error.
    std::vector<Bytes> deliver()
    {
        std::vector<Bytes> out;
        Vt_command c;
        while (pool.take_command(c)) {
            out.push_back(c.bytes);
            vt.receive(c.bytes);
            std::vector<Bytes> answers = vt.takeResponses();
            EXPECT_EQ(answers.size(), 1u);
            const bool taken = answers.size() == 1 && answers[0][0] == c.bytes[0] &&
                               answers[0].size() > size_t(Vt_session::error_byte_of(c.bytes[0])) &&
                               answers[0][size_t(Vt_session::error_byte_of(c.bytes[0]))] == 0;
            EXPECT_TRUE(taken) << "refused by the terminal";
            pool.change_answered(taken);
            pool.command_done();
        }
        return out;
    }

    // The enabled byte of the terminal's copy of an input.
    uint32_t vt_options(unsigned short id)
    {
        VtObject* o = vt.processor.getObject(id);
        switch (o->getType()) {
        case VtObjectTypeInputFieldNumber: return static_cast<VtObjectInputFieldNumber*>(o)->getEnabled();
        case VtObjectTypeInputFieldList: return static_cast<VtObjectInputFieldList*>(o)->getEnabled();
        case VtObjectTypeInputFieldString: return static_cast<VtObjectInputFieldString*>(o)->getEnabled();
        default: return static_cast<VtObjectInputFieldBoolean*>(o)->getEnabled();
        }
    }

    Object_pool pool{nullptr};
    InProcessVt vt;
};

// One command the VT is to get: Change Attribute `aid` to `value`, or
// (aid -1) Enable/Disable Object with `value` as the state.
struct Expected {
    int aid;
    unsigned value;
};

struct Options_case {
    const char* what;
    int vt_version;
    unsigned short object;
    std::function<bool(Input_obj&)> change;
    std::vector<Expected> sent;
    unsigned char pool_options;  // the input options the pool then holds
    uint32_t vt_options;         // and the terminal
};

Bytes bytes_of(unsigned short id, const Expected& e)
{
    if (e.aid < 0)
        return {0xA1, uint8_t(id), uint8_t(id >> 8), uint8_t(e.value), 0xFF, 0xFF, 0xFF, 0xFF};
    return {0xAF, uint8_t(id), uint8_t(id >> 8), uint8_t(e.aid), uint8_t(e.value), 0, 0, 0};
}

// The dissector's reading of the command: function, object, attribute and
// value, or function, object and state.
std::string decoded(unsigned short id, const Expected& e)
{
    char buf[64];
    if (e.aid < 0)
        std::snprintf(buf, sizeof buf, "161/%u/%u", unsigned(id), e.value);
    else
        std::snprintf(buf, sizeof buf, "175/%u/%d/%u", unsigned(id), e.aid, e.value);
    return buf;
}

} // namespace

TEST(Input_options, EachVtVersionGetsWhatItHasAndTheDisplayOptionsStay)
{
    auto enable = [](bool e) { return [e](Input_obj& o) { return o.set_enabled(e); }; };
    auto options = [](unsigned char v) { return [v](Input_obj& o) { return o.set_input_options(v); }; };
    const std::vector<Options_case> cases = {
        {"version 4: a number made live", 4, NUMBER, options(3), {{15, 3}}, 3, 3},
        {"version 4: a number disabled", 4, NUMBER, enable(false), {{-1, 0}}, 0, 0},
        {"version 4: disabling a live number keeps it live", 4, NUMBER,
         [](Input_obj& o) { return o.set_input_options(3) && o.set_enabled(false); }, {{15, 3}, {-1, 0}}, 2, 2},
        {"version 6: a number made live", 6, NUMBER, options(3), {{15, 3}}, 3, 3},
        {"version 6: a number disabled", 6, NUMBER, enable(false), {{-1, 0}}, 0, 0},
        {"version 4: a list made live", 4, LIST, options(3), {{5, 3}}, 3, 3},
        {"version 4: a list disabled", 4, LIST, enable(false), {{-1, 0}}, 0, 0},
        {"version 4: a string disabled", 4, TEXT, enable(false), {{-1, 0}}, 0, 0},
        {"version 4: a string has no real-time bit", 4, TEXT, options(3), {}, 1, 1},
        {"version 4: a boolean disabled", 4, FLAG, enable(false), {{-1, 0}}, 0, 0},
        {"version 3: a number disabled", 3, NUMBER, enable(false), {{-1, 0}}, 0, 0},
        {"version 3: a number has no options 2", 3, NUMBER, options(3), {}, 1, 1},
        {"version 3: a list disabled, no real-time bit", 3, LIST, options(2), {{-1, 0}}, 0, 0},
        {"version 3: a list disabled and enabled again", 3, LIST,
         [](Input_obj& o) { return o.set_enabled(false) && o.set_enabled(true); }, {{-1, 1}}, 1, 1},
        {"a VT of unknown version counts as version 3", 0, NUMBER, enable(false), {{-1, 0}}, 0, 0},
        {"version 2: no command, the pool alone changes", 2, NUMBER, enable(false), {}, 0, 1},
    };
    std::vector<std::string> frames, expected_decodes;
    for (const Options_case& c : cases) {
        SCOPED_TRACE(c.what);
        Inputs_on_vt rig(c.vt_version);
        auto* input = rig.pool.find<VT_obj>(c.object);
        ASSERT_NE(input, nullptr);
        ASSERT_TRUE(c.change(static_cast<Input_obj&>(*input)));
        const std::vector<Bytes> sent = rig.deliver();
        ASSERT_EQ(sent.size(), c.sent.size());
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i], bytes_of(c.object, c.sent[i]));
            frames.push_back(vt_test::candump_line(sent[i], "1CE7261C", int(frames.size())));
            expected_decodes.push_back(decoded(c.object, c.sent[i]));
        }
        EXPECT_EQ(static_cast<Input_obj&>(*input).get_input_options(), c.pool_options);
        EXPECT_EQ(rig.vt_options(c.object), c.vt_options);
        // The look of the fields is another attribute.
        EXPECT_EQ(rig.pool.find<Input_number_obj>(NUMBER)->get_options(), DISPLAY_OPTIONS);
        EXPECT_EQ(static_cast<VtObjectInputFieldNumber*>(rig.vt.processor.getObject(NUMBER))->getOptions(),
                  DISPLAY_OPTIONS);
    }
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    // Change Attribute: object, attribute, value (the dissector's name for the
    // value field); Enable/Disable Object: object, state.
    const std::vector<std::string> fields = {
        "isobus.vt.command",
        "isobus.vt.change_attributes.object_id",
        "isobus.vt.change_attributes.attribute_id",
        "isobus.vt.change_attributes.new_active_mask",
        "isobus.vt.enable_disable_object.object_id",
        "isobus.vt.enable_disable_object.enable_disable",
    };
    EXPECT_EQ(test_support::tshark_isobus_fields(frames, fields), expected_decodes);
}

// The terminal shows an input disabled and enabled again; a change of the
// real-time editing bit alone leaves the look as it is.
TEST(Input_options, TheTerminalShowsTheEnabledState)
{
    Inputs_on_vt rig(4);
    rig.vt.display.take();
    ASSERT_TRUE(rig.pool.find<Input_number_obj>(NUMBER)->set_enabled(false));
    rig.deliver();
    EXPECT_TRUE(rig.vt.display.saw("disable 21"));
    EXPECT_FALSE(vtIsEnabled(rig.vt.processor.getObject(NUMBER)));
    ASSERT_TRUE(rig.pool.find<Input_number_obj>(NUMBER)->set_input_options(3));
    rig.deliver();
    EXPECT_TRUE(rig.vt.display.saw("enable 21"));
    // A change of the real-time bit alone leaves the look as it is.
    rig.vt.display.take();
    ASSERT_TRUE(rig.pool.find<Input_number_obj>(NUMBER)->set_input_options(1));
    rig.deliver();
    EXPECT_TRUE(rig.vt.display.take().empty());
}
