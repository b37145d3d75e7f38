#include "apps/sowvane/screens/User_interface.h"

#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/screens/Alarm_table.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/Seeder_alarm_screen.h"
#include "glue/diagnostics/Diagnostics.h"
#include "util/Debug_base.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace {
constexpr auto VT35 = _JDB::VTUI_35;
// The pool's transmit state while it sends the pool or a partial upload.
constexpr int TX_SENDING = 16;
constexpr int CHANNELS = 10;
constexpr int FIRST_VT_ONLY_DISABLED_CHANNEL = 4;
} // namespace

// The screen manager keeps only a reference to the shared-stat screen,
// which is constructed after it (it registers with the manager).
User_interface::User_interface(module_man* mm)
    : User_interface_base(mm), screen_man(*std::addressof(stat_man)), stat_man("stat_man", &screen_man),
      intro("intro", &screen_man), main_screen("main", &screen_man), tank_fill_mask("tank_fill_mask", &screen_man)
{
    // The module's own timeouts belong to no screen.
    intro_timeout.set_uid(-1);
    locale_timeout.set_uid(-1);
    terminal_timeout.set_uid(-1);
}

User_interface::~User_interface()
{
    terminate(true);
    // The pool, the store, the settings and the diagnostics outlive the
    // module.
    if (pool)
        pool->deregister_event_waiter(get_waiter());
    if (Diagnostics* d = trouble_code_counts.get_diagnostics())
        d->deregister_event_waiter(get_waiter());
    for (Screen* s : alarm_screens) {
        screen_man.remove_screen(s);
        delete s;
    }
    cds_event_unregister(ds_head(), &get_waiter(), &ds().system.non_vtt_connected, 1, CDS::REG_EVENT_ID,
                         int(NON_VTT_EVENT));
}

int User_interface::init(VT::Object_pool* p, Screen_object_ids* ids)
{
    set_mask_object_ids(ids);
    User_interface_base::init();
    pool = p;
    intro_pending = true;

    // One pop-up per alarm mask; the manager owns them from here on.
    for_each_alarm(ps().app.alarms, ds().alarms,
                   [&](const char* name, NV_kelsu::alarm_t& setting, ds_alarm& record) {
                       auto* mask = p ? p->find<VT::Alarm_mask_obj>(name) : nullptr;
                       if (!mask) {
                           std::printf("Alarm mask %s missing from the VT pool\n", name);
                           std::exit(EXIT_NO_ALARM_MASK);
                       }
                       alarm_screens.push_back(new Seeder_alarm_screen(mask, &screen_man, setting.limit_count.get(),
                                                                       &record, &trouble_code_counts));
                   });

    screen_man.set_default_screen_name("intro");
    screen_man.init(p, &ps(), this, &get_waiter(), &units_man);
    screen_man.set_restrict_screen_switches(false);

    if (p) {
        p->register_event_waiter(get_waiter());
        p->get_module_id(pool_module_id);
    }
    units_man.init(p);
    // The units are in force from the start, not only after a change of
    // locale: the locale the pool holds now (the defaults until the VT
    // tells its own) fills the unit texts and binds every screen's unit
    // labels to them.
    if (p) {
        locale = p->get_locale();
        units_man.configure(locale);
        screen_man.set_units(units_man);
    }

    cds_module_id = ds_head()->get_plain_id();
    cds_event_register_byte(ds_head(), &get_waiter(), &ds().system.non_vtt_connected, CDS::REG_EVENT_ID,
                            int(NON_VTT_EVENT));

    update_vt_display(false);
    return 1;
}

void User_interface::set_diagnostics(Diagnostics* diagnostics)
{
    if (Diagnostics* before = trouble_code_counts.get_diagnostics())
        before->deregister_event_waiter(get_waiter());
    trouble_code_counts.set_diagnostics(diagnostics);
    diagnostics_module_id = 0;
    if (diagnostics && diagnostics->register_event_waiter(get_waiter()))
        diagnostics_module_id = diagnostics->waiters().get_module_id();
}

void User_interface::handle_event(waiter_event& ev)
{
    if (diagnostics_module_id != 0 && ev.module_id == diagnostics_module_id) {
        // A code turned active or inactive: the pop-up shown counts anew.
        if (auto* alarm = dynamic_cast<Seeder_alarm_screen*>(screen_man.get_current_screen()))
            alarm->refresh_occurrence_count();
        return;
    }
    if (ev.module_id == ds_head()->get_virt_access_id()) {
        if (CDS::Virt_access* access = CDS::Virt_access::from_event_code(ev.code))
            access->handle_event();
        screen_man.send_val_updates();
        return;
    }
    if (ev.module_id == cds_module_id) {
        if (uint32_t(ev.code) == NON_VTT_EVENT)
            update_vt_display(false);
        return;
    }
    if (ev.module_id == ps().get_module_id(NV_store::REG_VIRT_ACCESS)) {
        if (NV_store::Virt_access* listener = NV_store::NV_root::event_listener(&ps(), ev))
            listener->handle_event();
        return;
    }
    if (ev.module_id != pool_module_id || !pool) {
        int id = pool ? pool->vt_event_of(ev.module_id) : -1;
        if (id >= 0)
            screen_man.send_vt_event(VT_event::id_t(id), ev, pool->is_vt_active());
        else
            screen_man.send_other_event(ev);
        return;
    }
    handle_pool_event(ev);
}

void User_interface::handle_pool_event(waiter_event& ev)
{
    switch (ev.data) {
    case VT::EVENT_VT_STATUS: {
        VT::VT_status_message status;
        pool->get_vt_status(status);
        screen_man.send_vt_status(status);
        break;
    }
    case VT::EVENT_CONNECTION:
        connection_changed(int(ev.code));
        break;
    case VT::EVENT_UPDATE_COMPLETE:
        screen_man.send_update_complete_event(ev);
        break;
    case VT::EVENT_LOCALE:
        locale_changed();
        break;
    default:
        break;
    }
}

void User_interface::connection_changed(int state)
{
    if (state != VT::CONN_ACTIVE && vt_state == VT::CONN_ACTIVE) {
        // The VT has just gone: mark the working set as off line.
        auto* enabled = pool->find<VT::Fill_attributes_obj>("fill_attributes_tp_enabled");
        auto* red = pool->find<VT::Fill_attributes_obj>("fill_attributes_red");
        if (enabled && red)
            enabled->set_fill_colour(red->get_fill_colour());
        bool no = false;
        cds_set_bool(ds_head(), &ds().system.vt_alive, &no);
        cds_set_bool(ds_head(), &ds().system.vt_uploaded, &no);
    }
    if (state == VT::CONN_VT_FOUND) {
        JIN_name::RAWNAME name;
        if (!pool->get_vt_name(name))
            JDB::print(VT35, "Could not get name\n");
        else
            handle_vt_info(VT_information(name, pool->get_capabilities()));
    }
    if (state == VT::CONN_UPLOADING)
        screen_man.switch_to_default_screen();
    if (state == VT::CONN_ACTIVE) {
        if (intro_pending) {
            intro_pending = false;
            intro_wait.begin(pool, INTRO_WAIT_LIMIT_MS / INTRO_RETRY_MS);
            handle_timeout(intro_timeout);
        }
        JIN_name::RAWNAME name;
        if (pool->get_vt_name(name)) {
            unsigned long long now_name = name.to_u64();
            unsigned long long last = ps().system.specific_vt_name.get();
            if (now_name != last) {
                std::printf("Last VT was %llu Now changed to %llu\n", last, now_name);
                ps().system.specific_vt_name.set(now_name);
            }
        }
        bool yes = true;
        cds_set_bool(ds_head(), &ds().system.vt_alive, &yes);
    }
    if (state <= VT::CONN_VT_FOUND)
        intro_pending = true;
    JDB::print(VT35, "Comms good @ %d = %d\n", 439, 0);
    vt_state = state;
}

void User_interface::locale_changed()
{
    std::printf("Change locale:\n");
    VT::Locale_info now = pool->get_locale();
    if (now == locale)
        return;
    locale = now;
    if (pool->get_tx_state() == TX_SENDING) {
        std::printf("Change locale: Wait1\n");
        locale_wait.begin(pool, LOCALE_WAIT_LIMIT_MS / LOCALE_RETRY_MS);
        submit_timeout(locale_timeout, LOCALE_WAIT_MS);
    } else {
        apply_locale();
    }
}

void User_interface::apply_locale()
{
    JDB::print(VT35, "Change locale: GO\n");
    units_man.configure(locale);
    screen_man.set_units(units_man);
    if (Screen* s = screen_man.get_current_screen())
        screen_man.switch_to_screen(s);
}

void User_interface::handle_mask_mismatch(bool)
{
    if (!pool || !pool->is_running() || !pool->is_vt_active())
        return;
    VT::VT_status_message status;
    Screen* current = screen_man.get_current_screen();
    if (!current || !pool->get_vt_status(status))
        return;
    const unsigned shown = status.visible_mask();
    const unsigned wanted = current->get_mask_id();
    if (shown == wanted)
        return;
    Screen* showing = screen_man.find_screen_with_mask(uint16_t(shown));
    if (showing && showing->offers_way_out()) {
        std::printf("VT shows mask %u, not %u: screen %s follows it\n", shown, wanted, showing->get_name());
        screen_man.switch_to_screen(showing);
    } else if (showing) {
        // A VT that rebuilt the pool shows its start-up mask: following it
        // would leave the operator nothing to press.
        std::printf("VT shows mask %u, not %u: screen %s has no way out, asked again\n", shown, wanted,
                    showing->get_name());
        screen_man.switch_to_screen(current);
    } else {
        std::printf("VT shows mask %u, not %u: asked again\n", shown, wanted);
        screen_man.switch_to_screen(current);
    }
}

void User_interface::handle_vt_info(VT_information info)
{
    vt_info = info;
    screen_man.handle_vt_info(info);
}

void User_interface::handle_timeout(Timeout& t)
{
    if (&t == &locale_timeout) {
        std::printf("Change locale: Expire\n");
        if (locale_wait.retry(pool)) {
            std::printf("Change locale: Pending\n");
            submit_timeout(t, LOCALE_RETRY_MS);
            return;
        }
        apply_locale();
    } else if (&t == &terminal_timeout) {
        std::printf("***** Timeout!! Checking if VT required*****\n");
        update_vt_display(true);
        if (!ps().system.non_vtt_connected.get()) {
            std::printf("***** Enabling VT *****\n");
            enter_vt_only_operation();
        }
    } else if (&t == &intro_timeout) {
        if (intro_wait.retry(pool)) {
            submit_timeout(t, INTRO_RETRY_MS);
            return;
        }
        remove_timeout(t);
        if (screen_man.get_current_screen() == &intro) {
            screen_man.back_screen(1);
            screen_man.switch_to_screen("main");
            bool yes = true;
            cds_set_bool(ds_head(), &ds().system.vt_uploaded, &yes);
        }
        return;
    }
    screen_man.send_timeout(t);
}

void User_interface::enter_vt_only_operation()
{
    auto& app = ps().app;
    ps().system.tc_enabled.set(false);
    for (int i = 0; i < CHANNELS; ++i) {
        app.channels[i].assigned_to_boom.set(0);
        if (i >= FIRST_VT_ONLY_DISABLED_CHANNEL)
            app.channels[i].enabled.set(false);
    }
    app.gran_sec_control_at_dist_head.set(false);
    app.ecu_config.set(0);
    for (int i = 0; i < app.monitor_ecus.monitor_ecus.size(); ++i)
        app.monitor_ecus.monitor_ecus[i].enabled.set(false);
    app.fans[2].sense_rpm.set(false);
    app.fans[3].sense_rpm.set(false);
    app.drill_control_enabled.set(false);
    auto& booms = app.booms;
    bool one_boom = app.vt_mode_enable_tc_boom_section.get();
    for (int b = 0; b < booms.booms.size(); ++b)
        booms.booms[b].num_sections.set(one_boom && b == 0 ? 1 : 0);
    booms.num_booms.set(one_boom ? 1 : 0);
    bool yes = true;
    cds_set_bool(ds_head(), &ds().system.reset_tc, &yes);
}

void User_interface::update_vt_display(bool force_enable)
{
    handle_mask_mismatch(true);
    if (cds_get_byte(ds_head(), &ds().system.non_vtt_connected)) {
        if (pool)
            pool->set_enabled(false);
        ps().system.non_vtt_connected.set(true);
        std::printf("VT Display disabled\n");
    } else if (!force_enable && ps().system.non_vtt_connected.get()) {
        if (pool)
            pool->set_enabled(false);
        submit_timeout(terminal_timeout, int(ps().system.terminal_timeout.get()) * 1000);
    } else {
        if (pool)
            pool->set_enabled(true);
        ps().system.non_vtt_connected.set(false);
        for (int i = 0; i < CHANNELS; ++i)
            ps().app.swbox_mapping[i].channel.set(static_cast<signed char>(i));
    }
}
