// The numbers of the whole pool through an operator's session, as a VT that
// computes in 32-bit floats meets them: rates typed on the run screen and on
// the product page come back as typed, in metric and imperial units, and no
// number object the VT holds, nor any change the screens send, has a raw
// value, limit or offset of 2^24 or more.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "tests/support/pool/Number_encoding_check.h"
#include "tests/support/vtui/Float_vt.h"

#include "apps/sowvane/screens/Main_screen.h"

#include <string>

namespace {

constexpr double PER_ACRE = 0.11208511561944565; // 0.1 lb/ac in kg/ha

class Number_encoding : public Screens_fixture {
protected:
    // The operator types a number as the float VT takes it; the VT sends the
    // input's new value.
    void type(uint32_t input, const char* text)
    {
        auto* in = find_pool_object<VT::Input_number_obj>(&vt.pool, input);
        ASSERT_NE(in, nullptr) << input;
        const int64_t raw = float_vt::entered_raw(text, in->get_offset(), in->get_scale());
        ASSERT_GE(raw, 0) << text;
        ASSERT_TRUE(raw >= in->get_min_value() && raw <= in->get_max_value()) << text << " is raw " << raw;
        // The VT's own copy takes the value (its variable's, if it has one),
        // then the event goes out.
        if (auto* var = find_pool_object<VT::Number_variable_obj>(&vt.pool, in->get_variable_reference()))
            var->set_value(uint32_t(raw));
        else
            in->set_value(uint32_t(raw));
        edit(input, uint32_t(raw));
        vt.sent();
    }
    // The float VT's text for an input (through its variable, if any).
    std::string shown(uint32_t input)
    {
        auto* in = find_pool_object<VT::Input_number_obj>(&vt.pool, input);
        if (!in)
            return "no input";
        const uint16_t ref = in->get_variable_reference();
        auto* var = find_pool_object<VT::Number_variable_obj>(&vt.pool, ref);
        const uint32_t raw = var ? var->get_value() : in->get_value();
        return float_vt::shown(raw, in->get_offset(), in->get_scale(), in->get_no_decimals());
    }
    Object_lookup objects()
    {
        return [this](uint32_t oid) -> VtObject* {
            auto* o = oid < VT::Object_pool::NULL_ID ? vt.pool.find<VT::VT_obj>(uint16_t(oid)) : nullptr;
            return o ? &o->model() : nullptr;
        };
    }
    static std::string lines(const std::vector<std::string>& problems)
    {
        std::string text;
        for (const std::string& p : problems)
            text += p + "\n";
        return text;
    }
};

} // namespace

TEST_F(Number_encoding, TypedRatesComeBackAsTypedAndNoNumberReaches2To24)
{
    give_tank_a_product(0, 0);
    start();
    ASSERT_STREQ(current(), "main");

    // The run screen's rate column.
    const uint32_t rate = ids().tank_records[0]->rate_input;
    for (const auto& typed : {std::pair<const char*, double>{"100.0", 100.0}, {"120.0", 120.0}, {"102.5", 102.5}}) {
        SCOPED_TRACE(typed.first);
        type(rate, typed.first);
        EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), typed.second);
        EXPECT_EQ(shown(rate), typed.first);
    }

    // The preset rate of the product page, in kg/ha, then in lb/ac.
    key(ids().main.key_settings);
    key(ids().settings_menu.products_button, true);
    key(ids().product_settings_menu.product_button[0], true);
    ASSERT_STREQ(current(), "product_settings_mask");
    const uint32_t preset = ids().product_settings_mask.preset_rate_1_input;
    for (const auto& typed : {std::pair<const char*, float>{"100.0", 100.0f}, {"120.0", 120.0f}}) {
        type(preset, typed.first);
        EXPECT_EQ(ps().app.products[0].preset_rate_1.get(), typed.second) << typed.first;
        EXPECT_EQ(shown(preset), typed.first);
    }
    use_system(1);
    EXPECT_EQ(shown(preset), "107.1"); // 120 kg/ha
    type(preset, "100.0");
    EXPECT_FLOAT_EQ(ps().app.products[0].preset_rate_1.get(), float(1000 * PER_ACRE));
    EXPECT_EQ(shown(preset), "100.0");

    // Every screen of a data mask once in each system.
    for (int system : {1, 0}) {
        use_system(system);
        visit_every_data_mask([this](Screen&) { vt.sent(); });
    }

    EXPECT_EQ(lines(number_encoding_problems(objects())), "");
    EXPECT_EQ(lines(number_command_problems(vt.history, objects())), "");
}
