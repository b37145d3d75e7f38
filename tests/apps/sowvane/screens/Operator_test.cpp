// A scripted operator at the VT over the real generated pool: the user
// interface comes up on the run screen, shows the data store's values where
// they belong, switches screens by the soft keys, pops alarms up by priority,
// cycles and acknowledges them, and writes the operator's commands into the
// data store.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "apps/sowvane/screens/Seeder_alarm_screen.h"

TEST_F(Screens_fixture, StartUpShowsTheIntroThenTheRunScreenOnceThePoolIsUp)
{
    start(false);
    EXPECT_STREQ(current(), "intro");
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().system.vt_uploaded));
    for (int state : {VT::CONN_VT_FOUND, VT::CONN_UPLOADING, VT::CONN_ACTIVE}) {
        vt.pool.set_connection_state(state);
        vt.sent();
        pump();
    }
    EXPECT_STREQ(current(), "main");
    std::vector<uint32_t> masks = vt.masks_shown();
    ASSERT_FALSE(masks.empty());
    EXPECT_EQ(masks.back(), ids().main.data_mask);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.vt_uploaded));
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().system.vt_alive));
    EXPECT_EQ(vt.pool.get_active_mask(), ids().main.data_mask);
    // 63 pop-ups, the screens of this module, the 45 settings, calibration,
    // information and diagnostics screens, and the shared stats.
    EXPECT_NE(ui.get_screen_man().find_screen("alarm_mask_SHAFT_MV_TANK_OFF_4"), nullptr);
    EXPECT_EQ(ui.get_screen_man().screen_count(), 63 + 4 + 45);
}

TEST_F(Screens_fixture, StoreValuesAppearInTheirFields)
{
    give_tank_a_product(0, 2);
    ps().app.channels[0].preset_rate_1.set(120.0f);
    start();
    store(&ds().vehicle.speed, 7.2f);
    store(&channel(0).actual_rate, 118.5);
    store(&channel(0).requested_rate, 120.0);
    store(&channel(0).remaining_volume, 850.0);
    store(&ds().fans[0].rpm, 3400.0f);
    store(&ds().areas.area.total, 1.5f);
    store(&ds().operation.master_switch_active, true);
    vt.sent();

    const auto& m = ids().main;
    const auto& tank = *ids().tank_records[0];
    EXPECT_NEAR(run_screen().channel(0).actual().get_stat_val(), 118.5, 0.05);
    EXPECT_NEAR(run_screen().channel(0).requested_rate().get_stat_val(), 120.0, 0.05);
    EXPECT_NEAR(run_screen().channel(0).remaining().get_stat_val(), 850.0, 0.05);
    EXPECT_FALSE(vt.hidden(tank.preset_1_marker)); // the rate is preset 1
    EXPECT_TRUE(vt.hidden(tank.preset_2_marker));
    EXPECT_FALSE(vt.hidden(tank.column));
    EXPECT_TRUE(vt.hidden(ids().tank_records[1]->column)); // tank 2 is not enabled
    auto* speed = find_pool_object<VT::Output_number_obj>(&vt.pool, m.speed);
    ASSERT_NE(speed, nullptr);
    EXPECT_NE(vt.mirror.values.count(uint16_t(m.speed)), 0u);
    EXPECT_NE(vt.mirror.values.count(uint16_t(m.fan_speed[0])), 0u);
    auto* rect = find_pool_object<VT::Rectangle_obj>(&vt.pool, m.master_switch_rect);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->get_fill_attributes(), ids().common.indicator_on);
}

TEST_F(Screens_fixture, SoftKeysSwitchScreensByName)
{
    give_tank_a_product(0, 0);
    start();
    const auto& tank = *ids().tank_records[0];
    key(tank.fill_button, true);
    EXPECT_STREQ(current(), "tank_fill_mask");
    EXPECT_EQ(vt.masks_shown().back(), ids().tank_fill_mask.data_mask);
    key(ids().tank_fill_mask.key_main);
    EXPECT_STREQ(current(), "main");

    // A key held, then released: only the release acts.
    vt.sent();
    key(ids().main.key_to_page_b, false, false);
    EXPECT_FALSE(vt.hidden(ids().main.page_a));
    vt.pool.post_vt_event(VT_event::SOFT_KEY_ACTIVATION, Activation_event::HELD, ids().main.key_to_page_b);
    pump();
    EXPECT_FALSE(vt.hidden(ids().main.page_a));
    vt.pool.post_vt_event(VT_event::SOFT_KEY_ACTIVATION, Activation_event::RELEASED, ids().main.key_to_page_b);
    pump();
    EXPECT_TRUE(vt.hidden(ids().main.page_a));
    EXPECT_FALSE(vt.hidden(ids().main.page_b));
    auto* mask = find_pool_object<VT::Data_mask_obj>(&vt.pool, ids().main.data_mask);
    EXPECT_EQ(mask->get_soft_key_mask(), ids().main.soft_keys_page_b);
    key(ids().main.key_to_page_a);
    EXPECT_EQ(mask->get_soft_key_mask(), ids().main.soft_keys_page_a);
    EXPECT_FALSE(vt.hidden(ids().main.page_a));
}

TEST_F(Screens_fixture, TankAndMasterSwitchTogglesLandInTheStore)
{
    give_tank_a_product(0, 0);
    give_tank_a_product(1, 1);
    start();
    const auto& m = ids().main;
    // Select tank 1 only, then the master key toggles it.
    key(ids().tank_records[0]->select_button, true);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).selected));
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(1).selected));
    key(m.key_master);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).active));
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(1).active));
    key(m.key_master);
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(0).active));

    // All tanks: one on turns both off, both off turns both on.
    edit(m.select_list, Main_screen::ALL_TANKS_ITEM);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(1).selected));
    store(&channel(1).active, true);
    key(m.key_master);
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(0).active));
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(1).active));
    key(m.key_master);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).active));
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(1).active));

    key(m.key_master_switch);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.master_switch_active));
    key(m.key_master_switch);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().operation.master_switch_active));
    ps().app.swbox_remote_master_mode.set(1); // the switch box owns it
    key(m.key_master_switch);
    EXPECT_FALSE(cds_get_byte(ds_head(), &ds().operation.master_switch_active));

    key(m.key_manual_speed);
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().operation.use_manual_speed));
    EXPECT_FALSE(vt.hidden(m.manual_speed_group));
}

TEST_F(Screens_fixture, RateKeysStepPresetAndStopAtZero)
{
    give_tank_a_product(0, 0);
    ps().app.channels[0].rate_increment.set(5.0f);
    ps().app.channels[0].preset_rate_1.set(100.0f);
    ps().app.channels[0].preset_rate_2.set(150.0f);
    start();
    const auto& m = ids().main;
    key(ids().tank_records[0]->select_button, true);
    store(&channel(0).requested_rate, 7.0);
    key(m.key_inc);
    EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 12.0);
    key(m.key_dec);
    key(m.key_dec);
    key(m.key_dec); // 2 - 5: held at the field's minimum
    EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 0.0);
    key(m.key_preset);
    EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 100.0);
    key(m.key_preset);
    EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 150.0);

    // Mode 2 ramps while held: the flags every 200 ms, no step on release.
    key(ids().tank_records[0]->mode_2_button, true);
    EXPECT_EQ(cds_get(ds_head(), &channel(0).rate_control_mode), 2);
    key(m.key_inc, false, false);
    fire(run_screen().get_held_timeout());
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).rate_inc_manual));
    vt.pool.post_vt_event(VT_event::SOFT_KEY_ACTIVATION, Activation_event::RELEASED, m.key_inc);
    pump();
    EXPECT_DOUBLE_EQ(cds_get_double(ds_head(), &channel(0).requested_rate), 150.0);

    // The operator types a rate into the column.
    auto* in = find_pool_object<VT::Input_number_obj>(&vt.pool, ids().tank_records[0]->rate_input);
    ASSERT_NE(in, nullptr);
    const Stat_num& rate = run_screen().channel(0).requested_rate();
    edit(rate.get_var_id() != VT::Object_pool::NULL_ID ? rate.get_var_id() : rate.get_in_object_id(),
         rate.get_raw() + 10);
    EXPECT_NE(cds_get_double(ds_head(), &channel(0).requested_rate), 150.0);
}

TEST_F(Screens_fixture, AnAlarmPopsUpByPriorityCyclesIsAcknowledgedAndReturns)
{
    start();
    auto& man = ui.get_screen_man();
    auto* fan_low = man.find_screen("alarm_mask_FAN_PRESSURE_LOW"); // priority 0
    auto* tank_low = man.find_screen("alarm_mask_TANK_LOW_1");      // priority 1
    auto* no_comms = man.find_screen("alarm_mask_NO_COMMS");        // priority 1
    ASSERT_TRUE(fan_low && tank_low && no_comms);

    store(&ds().alarms.tank_low[0].active, true);
    EXPECT_EQ(man.get_current_screen(), tank_low);
    EXPECT_EQ(vt.pool.get_active_mask(), tank_low->get_mask_id());

    store(&ds().alarms.no_comms.active, true);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_EQ(man.get_current_screen(), no_comms); // the newcomer first
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_EQ(man.get_current_screen(), tank_low); // then they take turns

    store(&ds().alarms.fan_pressure_low.active, true);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_EQ(man.get_current_screen(), fan_low);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_EQ(man.get_current_screen(), fan_low); // most urgent stays

    // The operator acknowledges it: back to the alarms below it.
    key(ids().main.key_master); // any soft key of the alarm mask
    EXPECT_TRUE(cds_get_byte(ds_head(), &ds().alarms.fan_pressure_low.acknowledged));
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_NE(man.get_current_screen(), fan_low);

    // Inhibited: nothing cycles.
    Screen* shown = man.get_current_screen();
    store(&ds().internal.inhibit_vt_alarms, true);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_EQ(man.get_current_screen(), shown);
    store(&ds().internal.inhibit_vt_alarms, false);

    // Both others go away: the run screen comes back.
    store(&ds().alarms.tank_low[0].active, false);
    store(&ds().alarms.no_comms.active, false);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_STREQ(current(), "main");
    EXPECT_EQ(vt.pool.get_active_mask(), ids().main.data_mask);
}

TEST_F(Screens_fixture, AlarmsCycleWhileAnotherScreenIsUpAndNotBeforeThePoolIsUp)
{
    give_tank_a_product(0, 0);
    start(false);
    store(&ds().alarms.temperature.active, true);
    EXPECT_STREQ(current(), "intro");
    for (int state : {VT::CONN_VT_FOUND, VT::CONN_UPLOADING, VT::CONN_ACTIVE}) {
        vt.pool.set_connection_state(state);
        vt.sent();
        pump();
    }
    EXPECT_STREQ(current(), "main");
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_STREQ(current(), "alarm_mask_TEMPERATURE");
    store(&ds().alarms.temperature.acknowledged, true);
    EXPECT_STREQ(current(), "main");

    key(ids().tank_records[0]->fill_button, true);
    EXPECT_STREQ(current(), "tank_fill_mask");
    store(&ds().alarms.case_drain.active, true);
    fire(run_screen().get_alarm_cycle_timeout()); // within the second
    EXPECT_STREQ(current(), "alarm_mask_CASE_DRAIN");
    store(&ds().alarms.case_drain.active, false);
    EXPECT_STREQ(current(), "tank_fill_mask");
}

TEST_F(Screens_fixture, AreaCountersResetAndOutOfRangeSubAreasOnlyPrint)
{
    start();
    const auto& m = ids().main;
    store(&ds().areas.area.total, 2.0f);
    store(&ds().volumes.sub_volumes[0][0], 1000.0f);
    auto* volume = find_pool_object<VT::Output_number_obj>(&vt.pool, m.viewed_volume);
    EXPECT_EQ(volume->get_no_decimals(), 0);
    store(&ds().volumes.sub_volumes[0][0], 999.9f);
    EXPECT_EQ(volume->get_no_decimals(), 1);
    store(&ds().areas.sub_areas[0][0], 0.5f);
    key(m.key_reset_sub_area);
    EXPECT_EQ(cds_get(ds_head(), &ds().areas.sub_areas[0][0]), 0.0f);
    EXPECT_EQ(cds_get(ds_head(), &ds().volumes.sub_volumes[0][0]), 0.0f);
    key(m.key_reset_area);
    EXPECT_EQ(cds_get(ds_head(), &ds().areas.area.total), 0.0f);

    // Sub-area numbers above 8 select the last item.
    store(&ds().areas.sub_area_number, 12u);
    EXPECT_EQ(run_screen().get_sub_area_list().get_item(), 9);
}

TEST_F(Screens_fixture, OnlyOneTankEnabledDropsTheAllTanksEntry)
{
    give_tank_a_product(0, 0);
    start();
    auto* list = find_pool_object<VT::Input_list_obj>(&vt.pool, ids().main.select_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get_child_objects_val(Main_screen::ALL_TANKS_ITEM), VT::Object_pool::NULL_ID);
    ps().app.channels[1].enabled.set(true);
    pump();
    EXPECT_EQ(list->get_child_objects_val(Main_screen::ALL_TANKS_ITEM), ids().common.all_tanks_entry);
    edit(ids().main.select_list, Main_screen::ALL_TANKS_ITEM);
    ps().app.channels[1].enabled.set(false);
    pump();
    EXPECT_EQ(run_screen().get_select_list().get_item(), 0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).selected));
    EXPECT_FALSE(cds_get_byte(ds_head(), &channel(1).selected));
}

TEST_F(Screens_fixture, AnUrgentAlarmAtItsRepeatLimitMakesWayForTheNextOne)
{
    ps().app.alarms.fan_pressure_low[0].limit_count.set(1);
    start();
    auto& man = ui.get_screen_man();
    store(&ds().alarms.tank_low[0].active, true);
    store(&ds().alarms.fan_pressure_low.active, true);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_STREQ(current(), "alarm_mask_FAN_PRESSURE_LOW");
    fire(run_screen().get_alarm_cycle_timeout()); // shown once: its limit
    EXPECT_STREQ(current(), "alarm_mask_TANK_LOW_1");
    EXPECT_EQ(vt.pool.get_active_mask(), man.find_screen("alarm_mask_TANK_LOW_1")->get_mask_id());
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_STREQ(current(), "alarm_mask_TANK_LOW_1");
    store(&ds().alarms.tank_low[0].active, false);
    fire(run_screen().get_alarm_cycle_timeout());
    EXPECT_STREQ(current(), "main");
}

// An alarm that goes and comes back within one alarm cycle (a fan speed
// about its limit) pops up again at the next cycle and stays up.
TEST_F(Screens_fixture, AnAlarmBackWithinACyclePopsUpAgainAndStays)
{
    start();
    store(&ds().alarms.fan_speed_low.active, true);
    EXPECT_STREQ(current(), "alarm_mask_FAN_SPEED_LOW");
    store(&ds().alarms.fan_speed_low.active, false);
    EXPECT_STREQ(current(), "main");
    store(&ds().alarms.fan_speed_low.active, true);
    for (int cycle = 0; cycle < 2; ++cycle) {
        fire(run_screen().get_alarm_cycle_timeout());
        EXPECT_STREQ(current(), "alarm_mask_FAN_SPEED_LOW") << "cycle " << cycle;
    }
    EXPECT_EQ(vt.pool.get_active_mask(), ui.get_screen_man().find_screen("alarm_mask_FAN_SPEED_LOW")->get_mask_id());
}

TEST_F(Screens_fixture, TheHeldRampNamesOneTankNeverTheAllTanksItem)
{
    give_tank_a_product(0, 0);
    give_tank_a_product(1, 1);
    start();
    const auto& m = ids().main;
    key(ids().tank_records[0]->select_button, true);
    key(ids().tank_records[0]->mode_2_button, true);
    key(m.key_dec, false, false); // held
    edit(m.select_list, Main_screen::ALL_TANKS_ITEM);
    fire(run_screen().get_held_timeout());
    for (int t = 0; t < 10; ++t)
        EXPECT_FALSE(cds_get_byte(ds_head(), &channel(t).rate_dec_manual)) << t;
    edit(m.select_list, 0);
    fire(run_screen().get_held_timeout());
    EXPECT_TRUE(cds_get_byte(ds_head(), &channel(0).rate_dec_manual));
}
