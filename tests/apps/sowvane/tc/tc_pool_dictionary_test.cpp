// The implement's device description against the data dictionary of
// ISO 11783-11: every process datum names a DDI of the dictionary (or a
// proprietary one), and every presentation turns the DDI's raw value (its
// unit and resolution) into the unit it shows.
#include "tc_client/TC_DOM_xerces_spec_man.h"

#include "tests/support/app_data_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

// The dictionary entries the description uses: DDI, name, base unit and
// resolution of the raw value.
struct Ddi_entry {
    const char* name;
    const char* unit;
    double resolution;
};
const std::map<int, Ddi_entry> dictionary = {
    {1, {"Setpoint Volume Per Area Application Rate", "mm3/m2", 0.01}},
    {2, {"Actual Volume Per Area Application Rate", "mm3/m2", 0.01}},
    {3, {"Default Volume Per Area Application Rate", "mm3/m2", 0.01}},
    {6, {"Setpoint Mass Per Area Application Rate", "mg/m2", 1}},
    {7, {"Actual Mass Per Area Application Rate", "mg/m2", 1}},
    {8, {"Default Mass Per Area Application Rate", "mg/m2", 1}},
    {11, {"Setpoint Count Per Area Application Rate", "/m2", 0.001}},
    {12, {"Actual Count Per Area Application Rate", "/m2", 0.001}},
    {13, {"Default Count Per Area Application Rate", "/m2", 0.001}},
    {37, {"Actual Volume Per Time Application Rate", "mm3/s", 1}},
    {42, {"Actual Mass Per Time Application Rate", "mg/s", 1}},
    {47, {"Actual Count Per Time Application Rate", "/s", 0.001}},
    {67, {"Actual Working Width", "mm", 1}},
    {70, {"Maximum Working Width", "mm", 1}},
    {71, {"Setpoint Volume Content", "ml", 1}},
    {72, {"Actual Volume Content", "ml", 1}},
    {73, {"Maximum Volume Content", "ml", 1}},
    {74, {"Setpoint Mass Content", "g", 1}},
    {75, {"Actual Mass Content", "g", 1}},
    {76, {"Maximum Mass Content", "g", 1}},
    {77, {"Setpoint Count Content", "#", 1}},
    {78, {"Actual Count Content", "#", 1}},
    {79, {"Maximum Count Content", "#", 1}},
    {116, {"Total Area", "m2", 1}},
    {117, {"Effective Total Distance", "mm", 1}},
    {119, {"Effective Total Time", "s", 1}},
    {134, {"Device Element Offset X", "mm", 1}},
    {135, {"Device Element Offset Y", "mm", 1}},
    {136, {"Device Element Offset Z", "mm", 1}},
    {141, {"Actual Work State", "", 1}},
    {158, {"Prescription Control State", "", 1}},
    {161, {"Actual Condensed Work State (1-16)", "", 1}},
    {178, {"Element Type Instance", "", 1}},
    {179, {"Actual Cultural Practice", "", 1}},
    {290, {"Setpoint Condensed Work State (1-16)", "", 1}},
    {365, {"Setpoint Downforce Pressure", "Pa", 1}},
    {366, {"Actual Downforce Pressure", "Pa", 1}},
};
constexpr int FIRST_PROPRIETARY_DDI = 0xE000;

// The units the presentations show: the base unit they come from and how
// many shown units one base unit is.
struct Shown_unit {
    const char* base;
    double per_base;
};
const std::map<std::string, Shown_unit> shown_units = {
    {"", {"", 1}},
    {"L/ha", {"mm3/m2", 0.01}},
    {"kg/ha", {"mg/m2", 0.01}},
    {"seeds/ha", {"/m2", 10000}},
    {"L/min", {"mm3/s", 60e-6}},
    {"kg/min", {"mg/s", 60e-6}},
    {"seeds/s", {"/s", 1}},
    {"m", {"mm", 0.001}},
    {"km", {"mm", 1e-6}},
    {"ha", {"m2", 1e-4}},
    {"h", {"s", 1.0 / 3600}},
    {"L", {"ml", 0.001}},
    {"kg", {"g", 0.001}},
    {"seeds", {"#", 1}},
    {"kPa", {"Pa", 0.001}},
};

TEST(TcPoolDictionary, EveryDatumUsesADictionaryDdiAndPresentsItInItsOwnUnit)
{
    TC::Object_pool pool(nullptr, nullptr, 0);
    TC::DOM_xerces_spec_man reader(&pool);
    ASSERT_TRUE(reader.init(nullptr));
    ASSERT_TRUE(reader.load((test_support::tc_spec_dir() + "tc_pool.xml").c_str()));

    int checked = 0;
    for (const auto& entry : pool.objects()) {
        if (entry.second->get_type() != TC::TC_obj_type::DEVICE_PROCESS_DATA)
            continue;
        auto* pd = static_cast<const TC::Device_process_data_obj*>(entry.second);
        SCOPED_TRACE(pd->get_name());
        if (pd->get_ddi() >= FIRST_PROPRIETARY_DDI)
            continue;  // ours: its unit is what its presentation says
        auto ddi = dictionary.find(pd->get_ddi());
        if (ddi == dictionary.end()) {
            ADD_FAILURE() << "DDI " << pd->get_ddi() << " is not in the table";
            continue;
        }
        if (pd->get_presentation() == TC::NULL_OBJECT_ID)
            continue;
        auto* dvp = static_cast<const TC::Device_value_presentation_obj*>(
            pool.__find_object(pd->get_presentation()));
        ASSERT_NE(dvp, nullptr);
        auto unit = shown_units.find(dvp->get_unit());
        ASSERT_NE(unit, shown_units.end()) << "unit '" << dvp->get_unit() << "'";
        EXPECT_STREQ(unit->second.base, ddi->second.unit)
            << ddi->second.name << " shown in " << dvp->get_unit();
        const double want = ddi->second.resolution * unit->second.per_base;
        EXPECT_NEAR(dvp->get_scale(), want, want * 1e-3)
            << ddi->second.name << " shown in " << dvp->get_unit();
        EXPECT_EQ(dvp->get_offset(), 0);
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

} // namespace
