// The settings masks on the generated implement pool: the pool image is
// loaded into a recording VT client pool, every mask is registered with a
// screen manager whose time the test drives, and the operator is scripted as
// VT events (key releases, numbers typed in the units shown). The parameter
// tree is the test's own; the live data store is the application's.
#pragma once

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "apps/sowvane/screens/Mask_rows.h"
#include "apps/sowvane/settings/Settings_file.h"
#include "glue/NV_store/NV_access.h"
#include "glue/NV_store/NV_iterator.h"
#include "platform/vt/Object_deserial.h"
#include "tests/support/temp_path.h"
#include "tests/support/vtui/Recording_pool.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vtui/screen/Global_stat_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace mask_test {

class Ui : public User_interface_base {
public:
    explicit Ui(module_man* mm) : User_interface_base(mm) {}
    ~Ui() override { terminate(true); }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}
    void handle_mask_mismatch(bool) override {}
};

// A manager whose timeouts the test fires.
class Man : public Screen_man {
public:
    using Screen_man::Screen_man;
    std::map<Timeout*, int> pending;
    mutable Atime clock = Atime::now();
    // Fires every armed screen timeout once.
    void fire_timeouts()
    {
        auto due = pending;
        for (auto& p : due)
            send_timeout(*p.first);
    }

protected:
    // Every look at the clock is a millisecond later, so that the screen
    // stack orders the screens by when they were shown.
    Atime now() const override
    {
        clock = clock + 1;
        return clock;
    }
    int carry_timeout(Timeout& t, int ms) override
    {
        pending[&t] = ms;
        return 0;
    }
    int drop_timeout(Timeout& t) override { return pending.erase(&t) ? 0 : -1; }
};

// The generated pool images, each built once into the application's table:
// the implement's pool and the operating history menu's own pool.
using Pool_generator = int (*)(Screen_object_ids&, VtMessageWriter&, const VtSize&);
inline std::vector<uint8_t> generate(Pool_generator build)
{
    VtMessageWriter writer(80000, nullptr);
    EXPECT_EQ(build(screen_object_ids, writer, VtSize(240, 240)), 0);
    return std::vector<uint8_t>(writer.getData(), writer.getData() + writer.getLength());
}
inline const std::vector<uint8_t>& pool_image()
{
    static std::vector<uint8_t> image = generate(build_seeder_pool);
    return image;
}
// Without the leading Object Pool Transfer function code.
inline const std::vector<uint8_t>& history_menu_image()
{
    static std::vector<uint8_t> image = [] {
        std::vector<uint8_t> message = generate(build_history_menu_pool);
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(message.empty() ? 0 : message[0], 17);
        return std::vector<uint8_t>(message.begin() + (message.empty() ? 0 : 1), message.end());
    }();
    return image;
}

// A registered screen that stands for a page built elsewhere, on a mask of
// its own when the pool has one to spare.
class Stub_screen : public Data_screen {
public:
    using Data_screen::Data_screen;
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t*) override
    {
        VT::Data_mask_obj* mask = nullptr;
        for (unsigned id = 0; id < VT::Object_pool::NULL_ID && mask == nullptr; ++id)
            mask = find_pool_object<VT::Data_mask_obj>(p, id);
        return mask != nullptr && Data_screen::init(p, mask, nullptr, nullptr, 0);
    }
};

// A key or button of a mask and the screen its release shows.
struct Nav_case {
    const char* from;
    uint32_t id;
    bool button;
    const char* to;
};

// Holds a pool with the generated objects and a manager; masks are
// constructed by the test (before start()).
class Fixture : public testing::Test {
protected:
    explicit Fixture(const std::vector<uint8_t>& image = pool_image())
    {
        VT::Object_deserial loader;
        loader.init(&vt.pool);
        EXPECT_TRUE(loader.run(image.data(), uint32_t(image.size()))) << loader.error();
        set_mask_object_ids(&screen_object_ids);
        ps->set_default(true);
        reset_store();
    }
    ~Fixture() override
    {
        for (const std::string& f : files)
            std::remove(f.c_str());
    }

    // Binds every constructed mask, runs the one-time set-up and shows the
    // first screen named.
    void start(const char* first)
    {
        vt.start();
        man.set_default_screen_name(first);
        ASSERT_TRUE(man.init(&vt.pool, ps, &ui, &ui.get_waiter(), &units));
        use_units(false);
        man.post_snapshot_init();
        pump();
        vt.sent();
    }

    // Delivers the store and settings change events the masks' listeners
    // wait for, as the UI module's loop does.
    void pump()
    {
        waiter_event e;
        for (int guard = 0; guard < 1000 && ui.get_waiter().get_event(&e, Atime::now()) == 0; ++guard) {
            if (e.module_id == ds_head()->get_virt_access_id()) {
                CDS::Virt_access::from_event_code(e.code)->handle_event();
            } else if (NV_store::Virt_access* l = NV_store::NV_root::event_listener(ps, e)) {
                l->handle_event();
            }
        }
        man.send_val_updates();
        vt.sent();
    }

    template <size_t N>
    void add_stubs(const char* const (&names)[N])
    {
        for (const char* n : names)
            stubs.push_back(std::make_unique<Stub_screen>(n, &man));
    }

    // Presses, holds and releases each case's key or button from its mask:
    // only the release switches.
    template <size_t N>
    void check_navigation(const Nav_case (&cases)[N])
    {
        for (const Nav_case& c : cases) {
            SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
            ASSERT_TRUE(man.switch_to_screen(c.from));
            const auto kind = c.button ? VT_event::BUTTON_ACTIVATION : VT_event::SOFT_KEY_ACTIVATION;
            waiter_event press(0, Activation_event::PRESSED, intptr_t(c.id));
            man.send_vt_event(kind, press, true);
            waiter_event held(0, Activation_event::HELD, intptr_t(c.id));
            man.send_vt_event(kind, held, true);
            EXPECT_STREQ(current(), c.from);
            release(c.id, c.button);
            EXPECT_STREQ(current(), c.to);
        }
    }

    void release(uint32_t id, bool button = false)
    {
        const unsigned code = Activation_event::PRESSED;
        waiter_event p(0, code, intptr_t(id));
        man.send_vt_event(button ? VT_event::BUTTON_ACTIVATION : VT_event::SOFT_KEY_ACTIVATION, p, true);
        waiter_event r(0, Activation_event::RELEASED, intptr_t(id));
        man.send_vt_event(button ? VT_event::BUTTON_ACTIVATION : VT_event::SOFT_KEY_ACTIVATION, r, true);
        pump();
    }
    void press_button(uint32_t id) { release(id, true); }

    // The operator types `shown` (in the units the field shows) into an
    // input number: the VT sends the raw value for its offset and scale.
    void type_number(uint32_t id, double shown)
    {
        auto* in = vt.pool.find<VT::Input_number_obj>((unsigned short)id);
        ASSERT_NE(in, nullptr) << id;
        const double raw = std::round(shown / double(in->get_scale())) - double(in->get_offset());
        send_value(id, uint32_t(int64_t(raw)));
    }
    // The VT's own copy of the object takes the value, then the event goes
    // out, as the VT client library does with a VT's change message.
    void send_value(uint32_t id, uint32_t raw)
    {
        if (auto* in = vt.pool.find<VT::Input_number_obj>((unsigned short)id))
            in->set_value(raw);
        else if (auto* list = vt.pool.find<VT::Input_list_obj>((unsigned short)id))
            list->set_value((unsigned char)raw);
        vt.sent();
        waiter_event e(0, id, intptr_t(raw));
        man.send_vt_event(VT_event::CHANGE_NUMERIC_VALUE, e, true);
        pump();
    }
    // What an input number shows, in its units.
    double shown_number(uint32_t id)
    {
        auto* in = vt.pool.find<VT::Input_number_obj>((unsigned short)id);
        if (in == nullptr)
            return NAN;
        return (double(in->get_value()) + double(in->get_offset())) * double(in->get_scale());
    }

    // Every units category metric or imperial, the shown masks rescaled.
    void use_units(bool imperial)
    {
        for (int t = 0; t < Units_man::NUM_UNITS_TYPES; ++t)
            units._configure(t, imperial ? Units_man::UNITS_IMPERIAL : Units_man::UNITS_METRIC);
        man.set_units(units);
        if (Screen* s = man.get_current_screen())
            s->send_scale_updates(true);
        vt.sent();
    }
    void use_imperial() { use_units(true); }

    const char* current() const
    {
        Screen* s = man.get_current_screen();
        return s ? s->get_name() : "";
    }

    // Saves the parameter tree and loads it into a fresh one.
    NV_kelsu::parameters_t* save_and_reload()
    {
        files.push_back(test_support::temp_path("mask_settings"));
        {
            NV_store::NV_file_iterator file(files.back().c_str());
            file.set_mode(NV_store::NV_iterator::MODE_WRITE);
            EXPECT_TRUE(ps->serialise(&file));
            file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
        }
        // Every tree draws thousands of ids: one reload tree serves all tests.
        static NV_kelsu::parameters_t* loaded = new NV_kelsu::parameters_t(&reload_module_man(), 0, "PS");
        loaded->set_default(true);
        NV_store::NV_file_iterator file(files.back().c_str());
        file.set_mode(NV_store::NV_iterator::MODE_READ);
        EXPECT_TRUE(loaded->deserialise(&file));
        file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
        return loaded;
    }

    // Saves the tree as the program's settings file does (Settings_file) and
    // loads that file into a fresh tree.
    NV_kelsu::parameters_t* save_settings_file_and_reload()
    {
        files.push_back(test_support::temp_path("mask_settings_file"));
        Settings_file file(files.back().c_str(), *ps);
        EXPECT_TRUE(file.save());
        static NV_kelsu::parameters_t* loaded = new NV_kelsu::parameters_t(&reload_module_man(), 0, "PS");
        loaded->set_default(true);
        Settings_file(files.back().c_str(), *loaded).load();
        return loaded;
    }

    static void reset_store()
    {
        data_store_body& b = ds();
        const bool no = false;
        const unsigned zero = 0;
        const int none = 0;
        cds_set_bool(ds_head(), &b.system.reset_tc, &no);
        cds_set_bool(ds_head(), &b.system.vt_uploaded, &no);
        cds_set_int(ds_head(), &b.system.initiate_shutdown, &none);
        cds_set_int(ds_head(), &b.operation.calibration_state, &none);
        cds_set_uint(ds_head(), &b.internal.current_product_index, &zero);
        cds_set_uint(ds_head(), &b.internal.current_wheel_cal_step, &zero);
        cds_set_uint(ds_head(), &b.vehicle.ground_speed_sensor.pulse_count, &zero);
        cds_set_uint(ds_head(), &b.internal.current_area_test_step, &zero);
        cds_set_uint(ds_head(), &b.internal.current_tank_cal_step, &zero);
        cds_set_uint(ds_head(), &b.internal.current_tank_cal_index, &zero);
        cds_set_uint(ds_head(), &b.internal.current_channel_index, &zero);
        cds_set_bool(ds_head(), &b.operation.use_manual_speed, &no);
        cds_set_bool(ds_head(), &b.operation.master_switch_active, &no);
        cds_set_bool(ds_head(), &b.operation.ignore_tank_switches, &no);
        cds_set_bool(ds_head(), &b.internal.inhibit_vt_alarms, &no);
        for (unsigned i = 0; i < 10; ++i) {
            cds_set_bool(ds_head(), &b.operation.tank[i].calibrating_tank, &no);
            cds_set_uint(ds_head(), &b.diagnostics.shaft[i].pulse_count, &zero);
        }
    }

    const Screen_object_ids& ids = screen_object_ids;
    Recording_pool vt;
    // The application's tree, at its defaults for every test.
    NV_kelsu::parameters_t* ps = &sowvane_parameters;
    Ui ui{&sowvane_module_man};
    Units_man units;
    Man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    std::vector<std::string> files;
    std::vector<std::unique_ptr<Stub_screen>> stubs;
    static module_man& reload_module_man()
    {
        static module_man* mm = new module_man;
        return *mm;
    }
};

} // namespace mask_test
