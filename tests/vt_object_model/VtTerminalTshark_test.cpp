// Commands to the in-process terminal and its answers, decoded by Wireshark's
// ISObus VT dissector (tshark), which reads ISO 11783-6 independently of this
// code: a working set that follows the standard reads the answers as meant.
// Skipped where tshark is missing.
#include "VtTestPool.h"

#include "tests/support/tshark_fields.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// The dissector's fields of every frame, joined by '/', one line per frame.
std::vector<std::string> decode(const std::vector<std::string>& lines)
{
    std::vector<std::string> fields;
    for (const char* field :
         {"command", "enable_disable_object.object_id", "enable_disable_object.enable_disable",
          "enable_disable_object.error_codes", "change_soft_key_mask.mask_type",
          "change_soft_key_mask.data_mask_object_id", "change_soft_key_mask.new_soft_key_mask_object_id",
          "change_soft_key_mask.error_codes", "change_list_item.list_object_id", "change_list_item.list_index",
          "change_list_item.new_object_id", "change_list_item.error_codes", "change_attributes.object_id",
          "change_attributes.attribute_id", "change_attributes.error_codes"})
        fields.push_back(std::string("isobus.vt.") + field);
    return test_support::tshark_isobus_fields(lines, fields);
}

} // namespace

TEST(VtTerminalTshark, ChangeCommandsAndAnswersDecodeAsTheStandardSays)
{
    if (!test_support::tshark_available())
        GTEST_SKIP() << "tshark is not installed";
    InProcessVt vt;
    const Bytes pool = build();
    vt.uploadPool(pool.data(), uint32_t(pool.size()));
    vt.takeResponses();

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
    std::vector<std::string> lines;
    for (const Bytes& request : requests) {
        lines.push_back(candumpLine(request, true, int(lines.size())));
        vt.receive(request);
        const std::vector<Bytes> answers = vt.takeResponses();
        ASSERT_EQ(answers.size(), 1u);
        lines.push_back(candumpLine(answers[0], false, int(lines.size())));
    }

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
    EXPECT_EQ(decode(lines), expected);
}
