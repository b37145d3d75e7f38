// The implement's task-controller client: the client core with the
// implement's device-element tree (root device, ten channels with their
// bins, five downforces, six booms of ten sections). It switches the TC
// object pool on and off from the parameter tc_enabled, tells it the
// implement's version parameters, refreshes the elements when the data
// store asks for a TC reload, and routes every event of its queue.
#pragma once

#include "apps/sowvane/data_model.h"
#include "tc_client/TC_interface_base.h"

#include <string>

namespace TaskController_interface {
class TC_interface_device;
class TC_interface_channel;
class TC_interface_downforce;
class TC_interface_boom;
} // namespace TaskController_interface

class TC_interface : public TC_interface_base {
public:
    static constexpr int NUM_CHANNELS = 10;
    static constexpr int NUM_DOWNFORCES = 5;
    static constexpr int NUM_BOOMS = 6;
    static constexpr int POOL_STATUS_ACTIVE = 13;
    static constexpr unsigned char VERSION = 3;

    explicit TC_interface(module_man* mm, Data_store& store = sowvane_data_store);
    ~TC_interface() override;

    // Builds the element tree from the pool's description and (with
    // start_diner) starts the client's thread. A description that lacks an
    // object the implement needs leaves the TC part off (one line says
    // which); the rest of the program runs on. Always true.
    bool init(TC::Object_pool* pool, NV_kelsu::parameters_t* params, bool start_diner = true);
    void handle_event(waiter_event& event) override;
    // A TC reload: follows tc_enabled and refreshes every element.
    void reset();
    void create_objects();
    void update_version_params();

    // Records the configuration error (only the first is printed).
    void report_config_error(const std::string& text);
    bool configuration_error() const { return !config_error_.empty(); }
    const std::string& configuration_error_text() const { return config_error_; }
    bool pool_enabled() const { return pool_enabled_; }

    CDS::Head& store() { return store_.head; }
    data_store_body& body() { return store_.body; }
    NV_kelsu::parameters_t* parameters() const { return params_; }

    TaskController_interface::TC_interface_device* device() const { return device_; }
    TaskController_interface::TC_interface_channel* channel(int i) const;
    TaskController_interface::TC_interface_downforce* downforce(int i) const;
    TaskController_interface::TC_interface_boom* boom(int i) const;

    // num_booms limited to the six boom records (a line when above).
    static int configured_booms(NV_kelsu::parameters_t* params);

private:
    // Rereads the configuration into the element tree, under the pool's
    // lock: the session writes the pool out on its own thread.
    void refresh_elements();
    void switch_pool(bool enabled);
    void turn_off();
    void delete_elements();
    void handle_store_change(intptr_t code);

    Data_store& store_;
    TaskController_interface::TC_interface_device* device_ = nullptr;
    TaskController_interface::TC_interface_channel* channels_[NUM_CHANNELS] = {};
    TaskController_interface::TC_interface_downforce* downforces_[NUM_DOWNFORCES] = {};
    TaskController_interface::TC_interface_boom* booms_[NUM_BOOMS] = {};
    NV_kelsu::parameters_t* params_ = nullptr;
    short pool_event_id_ = 0;
    bool pool_enabled_ = false;
    std::string config_error_;
};
