// The implement's VT pool as the screens meet it at run time: the named
// objects of the pool specification and the generated image loaded into a
// client pool, whose change commands are recorded instead of sent; and the
// user interface over it, its events pumped and its timeouts fired by the
// test on the test's own thread.
#pragma once

#include "tests/support/app_data_dir.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/User_interface.h"
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "tests/support/pool/Vt_side_pool.h"
#include "tests/support/vtui/Recording_pool.h"
#include "vt_object_model/VtMessageWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The module, driven by the test: no thread of its own.
class Scripted_ui : public User_interface {
public:
    using User_interface::User_interface;

protected:
    int release_thread() override { return 0; }
};

struct Seeder_vt {
    VT::Object_pool pool{&sowvane_module_man};
    std::unique_ptr<Screen_object_ids> table = std::make_unique<Screen_object_ids>();
    Recording_pool::Mirror mirror;
    // Every command taken by sent(), in order, with the objects uploaded
    // at run time as Object Pool Transfers.
    std::vector<Vt_cmd> history;
    bool loaded = false;

    Seeder_vt()
    {
        VT::DOM_xerces_spec_man spec(&pool);
        std::string path = test_support::vt_spec_dir() + "test_pool.xml";
        if (!spec.init() || !spec.load(path.c_str())) {
            ADD_FAILURE() << "pool specification: " << spec.error();
            return;
        }
        VtMessageWriter writer(80000, nullptr);
        if (build_seeder_pool(*table, writer, VtSize(240, 240)) != 0) {
            ADD_FAILURE() << "pool generation failed";
            return;
        }
        VT::Object_deserial image;
        image.init(&pool);
        if (!image.run(writer.getData(), writer.getLength())) {
            ADD_FAILURE() << "pool image: " << image.error();
            return;
        }
        loaded = true;
    }

    // The commands queued since the last call, each taken and answered;
    // objects made at run time are taken as uploaded.
    std::vector<Vt_cmd> sent()
    {
        VT::VT_obj* uploaded = nullptr;
        while (pool.take_upload(uploaded)) {
            Vt_cmd transfer;
            transfer.function = Vt_side_pool::object_pool_transfer;
            transfer.id = uploaded->get_id();
            transfer.bytes = {transfer.function};
            uploaded->append_record(transfer.bytes);
            history.push_back(transfer);
            pool.upload_done();
        }
        std::vector<Vt_cmd> out;
        VT::Vt_command c;
        while (pool.take_command(c)) {
            out.push_back(Recording_pool::decode(c));
            pool.command_done();
        }
        mirror.apply(out);
        history.insert(history.end(), out.begin(), out.end());
        return out;
    }

    // The masks the VT was told to show since the last call.
    std::vector<uint32_t> masks_shown()
    {
        std::vector<uint32_t> out;
        for (const Vt_cmd& c : sent())
            if (c.function == Recording_pool::CHANGE_ACTIVE_MASK)
                out.push_back(c.value);
        return out;
    }

    // An output number as the VT shows it.
    double shown(uint32_t id)
    {
        auto* o = find_pool_object<VT::Output_number_obj>(&pool, id);
        if (!o) {
            ADD_FAILURE() << "no output number " << id;
            return -1;
        }
        return (double(o->get_value()) + o->get_offset()) * double(o->get_scale());
    }
    bool hidden(uint32_t id)
    {
        auto* c = find_pool_object<VT::Container_obj>(&pool, id);
        EXPECT_NE(c, nullptr) << "container " << id;
        return c && c->get_hidden();
    }
    std::string text(uint32_t id)
    {
        auto* s = find_pool_object<VT::Output_string_obj>(&pool, id);
        EXPECT_NE(s, nullptr) << "output string " << id;
        return s && s->get_string() ? s->get_string() : std::string();
    }
};

// The live data store and the settings back at their defaults.
inline void reset_data_model()
{
    sowvane_data_store.head.lock();
    new (&sowvane_data_store.body) data_store_body();
    sowvane_data_store.head.unlock();
    sowvane_parameters.set_default(true);
}

// An operator at the VT: the user interface started over the generated pool,
// the pool uploaded and the run screen up.
class Screens_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        reset_data_model();
        ASSERT_TRUE(vt.loaded);
    }

    // The application start's calls, then the VT connection coming up.
    void start(bool connect = true)
    {
        vt.pool.set_running(true);
        vt.pool.set_vt_active(true);
        ui.init(&vt.pool, vt.table.get());
        ui.post_snapshot_init();
        pump();
        if (connect) {
            for (int state : {VT::CONN_VT_FOUND, VT::CONN_UPLOADING, VT::CONN_ACTIVE}) {
                vt.pool.set_connection_state(state);
                vt.sent();
                pump();
            }
        }
        vt.sent();
    }

    // Hands every queued event to the module, as its thread would.
    void pump()
    {
        waiter_event e;
        for (int i = 0; i < 1000 && ui.get_waiter().get_event(&e, Atime::now()) == 0; ++i)
            ui.handle_event(e);
    }
    void fire(Timeout& t)
    {
        ui.handle_timeout(t);
        pump();
    }

    // A soft key or button: press, then release.
    void key(uint32_t id, bool button = false, bool release = true)
    {
        int event = button ? VT_event::BUTTON_ACTIVATION : VT_event::SOFT_KEY_ACTIVATION;
        vt.pool.post_vt_event(event, Activation_event::PRESSED, uint32_t(id));
        pump();
        if (release) {
            vt.pool.post_vt_event(event, Activation_event::RELEASED, uint32_t(id));
            pump();
        }
    }
    // The operator picks a list item or types a number.
    void edit(uint32_t id, uint32_t value)
    {
        vt.pool.post_vt_event(VT_event::CHANGE_NUMERIC_VALUE, id, value);
        pump();
    }

    template <class T>
    void store(T* field, T value)
    {
        cds_set(ds_head(), field, value);
        pump();
    }

    // The VT's units: 0 metric, 1 imperial, in every quantity.
    void use_system(int system)
    {
        VT::Locale_info locale = vt.pool.get_locale();
        locale.distance = locale.area = locale.volume = locale.mass = locale.pressure = locale.generic =
            uint8_t(system);
        vt.pool.set_locale(locale);
        pump();
        fire(ui.get_locale_timeout());
        vt.sent();
    }
    // Every screen of a data mask shown once, each then given to `shown`.
    template <class Shown>
    void visit_every_data_mask(Shown shown)
    {
        Screen_man& man = ui.get_screen_man();
        for (uint16_t oid = 0; oid < VT::Object_pool::NULL_ID; ++oid) {
            Screen* s = vt.pool.find<VT::Data_mask_obj>(oid) ? man.find_screen_with_mask(oid) : nullptr;
            if (s == nullptr)
                continue;
            man.switch_to_screen(s);
            pump();
            shown(*s);
        }
    }

    const char* current() { return ui.get_screen_man().get_current_screen()->get_name(); }
    Main_screen& run_screen() { return *static_cast<Main_screen*>(ui.get_screen_man().find_screen("main")); }
    const Screen_object_ids& ids() { return *vt.table; }
    ds_channel& channel(int t) { return ds().channels.channels[t]; }

    // A tank with a product, enabled, as the settings would have it.
    static void give_tank_a_product(int tank, int product)
    {
        ps().app.channels[tank].enabled.set(true);
        ps().app.products[product].tank.set(static_cast<unsigned char>(tank));
    }

    Seeder_vt vt;
    Scripted_ui ui{&sowvane_module_man};
};
