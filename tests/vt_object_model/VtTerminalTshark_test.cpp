// Commands to the in-process terminal and its answers, decoded by Wireshark's
// ISObus VT dissector (tshark), which reads ISO 11783-6 independently of this
// code: a working set that follows the standard reads the answers as meant.
// Skipped where tshark is missing.
#include "VtTestPool.h"

#include "tests/support/tshark_fields.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

using namespace vt_test_pool;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kTerminalAddress = 0x26;

// One frame as a candump log line: ECU to VT (PGN 0xE700) or VT to ECU
// (PGN 0xE600), priority 7, between the implement and the terminal.
std::string candumpLine(const Bytes& data, bool toTerminal, int index)
{
    const uint32_t id = toTerminal ? 0x1CE70000u | kTerminalAddress << 8 | InProcessVt::kWorkingSetAddress
                                   : 0x1CE60000u | InProcessVt::kWorkingSetAddress << 8 | kTerminalAddress;
    char head[64];
    snprintf(head, sizeof head, "(1700000000.%06d) can0 %08X#", index * 1000, unsigned(id));
    std::string line = head;
    for (uint8_t byte : data) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
    }
    return line + "\n";
}

// The dissector's fields (names under "isobus.vt.") of every frame, joined by
// '/', one line per frame.
std::vector<std::string> decode(const std::vector<std::string>& lines, std::initializer_list<const char*> names)
{
    std::vector<std::string> fields;
    for (const char* field : names)
        fields.push_back(std::string("isobus.vt.") + field);
    return test_support::tshark_isobus_fields(lines, fields);
}

// Each request and the terminal's one answer to it, as candump lines, from a
// terminal that holds the test pool.
std::vector<std::string> exchange(const std::vector<Bytes>& requests)
{
    InProcessVt vt;
    const Bytes pool = build();
    vt.uploadPool(pool.data(), uint32_t(pool.size()));
    vt.takeResponses();
    std::vector<std::string> lines;
    for (const Bytes& request : requests) {
        lines.push_back(candumpLine(request, true, int(lines.size())));
        vt.receive(request);
        const std::vector<Bytes> answers = vt.takeResponses();
        EXPECT_EQ(answers.size(), 1u);
        if (!answers.empty())
            lines.push_back(candumpLine(answers[0], false, int(lines.size())));
    }
    return lines;
}

} // namespace

TEST(VtTerminalTshark, ChangeCommandsAndAnswersDecodeAsTheStandardSays)
{
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    const std::vector<Bytes> requests = {
        {161, 0xEB, 0x03, 0, 255, 255, 255, 255},      // disable the rate input
        {161, 0x39, 0x30, 1, 255, 255, 255, 255},      // enable a missing object
        {174, 1, 0xB0, 0x04, 0x1A, 0x04, 255, 255},    // soft keys of the other data mask
        {174, 2, 0xB0, 0x04, 0x1A, 0x04, 255, 255},    // the same named as an alarm mask
        {177, 0x24, 0x04, 1, 0x2E, 0x04, 255, 255},    // second list element
        {177, 0x24, 0x04, 2, 0x2E, 0x04, 255, 255},    // index at the list's size
        {175, 0x38, 0x04, 9, 0xFC, 0x03, 0, 255},      // bar graph variable reference
        {175, 0xEB, 0x03, 13, 1, 0, 0, 0},             // input number justification
    };
    const std::vector<std::string> lines = exchange(requests);

    const std::vector<std::string> expected = {
        "161/1003/0",        "161/1003/0/0x00",        // object, state, error
        "161/12345/1",       "161/12345/1/0x02",       // invalid object ID
        "174/0x01/1200/1050", "174/1200/1050/0x00",    // mask type, mask, soft keys, error
        "174/0x02/1200/1050", "174/1200/1050/0x01",    // invalid data or alarm mask
        "177/1060/1/1070",   "177/1060/1/1070/0x00",   // list, index, new object, error
        "177/1060/2/1070",   "177/1060/2/1070/0x02",   // invalid list index
        "175/1080/9",        "175/1080/9/0x00",        // object, attribute, error
        "175/1003/13",       "175/1003/13/0x00",
    };
    EXPECT_EQ(decode(lines, {"command", "enable_disable_object.object_id", "enable_disable_object.enable_disable",
                             "enable_disable_object.error_codes", "change_soft_key_mask.mask_type",
                             "change_soft_key_mask.data_mask_object_id",
                             "change_soft_key_mask.new_soft_key_mask_object_id", "change_soft_key_mask.error_codes",
                             "change_list_item.list_object_id", "change_list_item.list_index",
                             "change_list_item.new_object_id", "change_list_item.error_codes",
                             "change_attributes.object_id", "change_attributes.attribute_id",
                             "change_attributes.error_codes"}),
              expected);
}

TEST(VtTerminalTshark, StringMaskSelectAndSoftKeyAnswersDecodeAsTheStandardSays)
{
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    const std::vector<Bytes> requests = {
        {179, 0x2E, 0x04, 2, 0, 'O', 'k', 255},         // string variable
        {179, 0x39, 0x30, 1, 0, 'a', 255, 255},         // missing object
        {173, 0xE8, 0x03, 0xB0, 0x04, 255, 255, 255},   // the other data mask
        {173, 0xE8, 0x03, 0x39, 0x30, 255, 255, 255},   // missing mask
        {173, 0x39, 0x30, 0xB0, 0x04, 255, 255, 255},   // not the working set
        {162, 0xEB, 0x03, 255, 255, 255, 255, 255},     // select the rate input
        {194, 255, 255, 255, 255, 255, 255, 255},       // number of soft keys
    };
    const std::vector<std::string> lines = exchange(requests);

    const std::vector<std::string> expected = {
        "179/1070/2/Ok",     "179/1070/0x00",          // object, error after two reserved bytes
        "179/12345/1/a",     "179/12345/0x02",         // invalid object ID
        "173/1000/1200",     "173/1200/0x00",          // working set, mask; mask, error
        "173/1000/12345",    "173/12345/0x02",         // invalid mask
        "173/12345/1200",    "173/1200/0x01",          // invalid working set
        "162/1003/0xff",     "162/1003/1/0",           // object selected
        "194",               "194/0/60/32/8/8",        // navigation keys, key size, virtual, physical
    };
    EXPECT_EQ(decode(lines, {"command", "change_string_value.object_id", "change_string_value.length",
                             "change_string_value.value", "change_string_value.error_codes",
                             "chg_active_mask.working_set_object_id", "chg_active_mask.new_active_mask_object_id",
                             "chg_active_mask.error_codes", "select_input_object.object_id",
                             "select_input_object.option", "select_input_object.response",
                             "select_input_object.error_codes", "get_number_of_soft_keys.navigation_soft_keys",
                             "get_number_of_soft_keys.x_dots", "get_number_of_soft_keys.y_dots",
                             "get_number_of_soft_keys.virtual_soft_keys",
                             "get_number_of_soft_keys.physical_soft_keys"}),
              expected);
}

TEST(VtTerminalTshark, ObjectCommandErrorsDecodeAsTheStandardSays)
{
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    const std::vector<Bytes> requests = {
        {160, 0xEC, 0x03, 0, 255, 255, 255, 255},       // hide the frame
        {160, 0x39, 0x30, 1, 255, 255, 255, 255},       // show a missing object
        {165, 0xB0, 0x04, 0xEA, 0x03, 130, 130, 255},   // move a child of another mask
        {166, 0xF2, 0x03, 1, 0, 1, 0, 255},             // size of font attributes
        {167, 0xEC, 0x03, 12, 255, 255, 255, 255},      // background of a container
        {168, 0xE9, 0x03, 255, 1, 0, 0, 0},             // numeric value of a data mask
    };
    const std::vector<std::string> lines = exchange(requests);

    const std::vector<std::string> expected = {
        "160/1004/0",                "160/1004/0/0x00",       // object, hide, error
        "160/12345/1",               "160/12345/1/0x02",      // invalid object ID
        "165/1200/1002/130/130",     "165/1200/1002/0x01",    // invalid parent object ID
        "166/1010/1/1",              "166/1010/0x01",         // invalid object ID
        "167/1004/12",               "167/1004/12/0x01",      // invalid object ID
        "168/1001/1",                "168/1001/0x01/0",       // invalid object ID
    };
    EXPECT_EQ(decode(lines, {"command", "hide_show_object.object_id", "hide_show_object.action",
                             "hide_show_object.error_codes", "change_child_location.parent_object_id",
                             "change_child_location.object_id", "change_child_location.relative_x_position",
                             "change_child_location.relative_y_position", "change_child_location.error_codes",
                             "change_size.object_id", "change_size.new_width", "change_size.new_height",
                             "change_size.error_codes", "change_background_colour.object_id",
                             "change_background_colour.colour", "change_background_colour.error_codes",
                             "change_numeric_value.object_id", "change_numeric_value.error_codes",
                             "change_numeric_value.val"}),
              expected);
}
