// The parameter table keeps the rules of the settings file: NV ids rise within
// each record, and only the documented ids are left without a member.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// One record of the table with the NV ids and names of its members.
struct Record_rows {
    std::vector<int> ids;
    std::vector<std::string> names;
};

std::map<std::string, Record_rows> read_table() {
    std::map<std::string, Record_rows> records;
    Record_rows* current = nullptr;
#define NV_RECORD(type) current = &records[#type];
#define NV_ROOT(type) current = &records[#type];
#define NV_END(type) current = nullptr;
#define NV_ROOT_END(type) current = nullptr;
#define NV_MEMBER(id, name) current->ids.push_back(id), current->names.push_back(#name);
#define NV_LEAF(id, name, key, def) NV_MEMBER(id, name)
#define NV_TEXT(id, name, length) NV_MEMBER(id, name)
#define NV_STRUCT(id, name, type) NV_MEMBER(id, name)
#define NV_ARRAY(id, name, count, type) NV_MEMBER(id, name)
#include "apps/sowvane/params/parameters_schema.def"
#undef NV_RECORD
#undef NV_ROOT
#undef NV_END
#undef NV_ROOT_END
#undef NV_MEMBER
#undef NV_LEAF
#undef NV_TEXT
#undef NV_STRUCT
#undef NV_ARRAY
    (void)current;
    return records;
}

std::set<int> missing_ids(const Record_rows& r) {
    std::set<int> missing;
    for (int id = 1; id < r.ids.back(); ++id) missing.insert(id);
    for (int id : r.ids) missing.erase(id);
    return missing;
}

TEST(ParameterTable, IdsRiseWithinEveryRecordAndNamesAreUnique) {
    auto records = read_table();
    EXPECT_EQ(records.size(), 30u);
    for (auto& [record, rows] : records) {
        ASSERT_FALSE(rows.ids.empty()) << record;
        for (size_t i = 1; i < rows.ids.size(); ++i)
            EXPECT_LT(rows.ids[i - 1], rows.ids[i]) << record << " member " << rows.names[i];
        std::set<std::string> names(rows.names.begin(), rows.names.end());
        EXPECT_EQ(names.size(), rows.names.size()) << record;
    }
}

TEST(ParameterTable, OnlyTheDocumentedIdsAreSkipped) {
    auto records = read_table();
    const std::map<std::string, std::set<int>> gaps = {
        {"temporary_t", {1, 2, 3, 4}},
        {"areas_t", {3}},
        {"boom_t", {3, 4}},
        {"application_t", {5, 7, 8, 43, 44, 45, 46, 47, 48}},
        {"channel_t", {46, 47, 48, 67, 68, 69, 70}},
    };
    for (auto& [record, rows] : records) {
        auto expected = gaps.count(record) ? gaps.at(record) : std::set<int>{};
        EXPECT_EQ(missing_ids(rows), expected) << record;
    }
    EXPECT_EQ(records["application_t"].ids.back(), 63);
    EXPECT_EQ(records["channel_t"].ids.back(), 85);
    EXPECT_EQ(records["alarms_t"].ids.size(), 38u);
    EXPECT_EQ(records["parameters_t"].names,
              (std::vector<std::string>{"app", "temporary", "system", "can"}));
}

}  // namespace
