#include "apps/sowvane/diagnostics/Implement_diag.h"

#include "apps/sowvane/diagnostics/Alarm_trouble_codes.h"
#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/program_version.h"
#include "can/Known_names.h"
#include "glue/diagnostics/Diagnostics_messages.h"
#include "platform/tc/TC_object_pool.h"

#include <cstdio>
#include <vector>

namespace {

// Generations of the functionalities: the working set follows VT version 3,
// the TC client TC version 3; each is the first generation of its kind.
constexpr unsigned char UT_WORKING_SET_GENERATION = 1;
constexpr unsigned char TC_CLIENT_GENERATION = 1;

}  // namespace

struct Implement_diag::Code {
    cross_ref_t ref{};
    Item item;
    char text[48] = {};
};

Implement_diag::Implement_diag(Data_store& store, const char* history_base)
    : Isobus_diagnostics(history_base), store_(store)
{
    static const ds_alarms shape{};
    for_each_alarm_trouble_code(shape, [this](const ds_alarm&, const Alarm_trouble_code&) { count_++; });
    codes_.reset(new Code[count_]);
    unsigned k = 0;
    for_each_alarm_trouble_code(shape, [this, &k](const ds_alarm&, const Alarm_trouble_code& code) {
        Code& c = codes_[k];
        if (code.elements > 1)
            std::snprintf(c.text, sizeof c.text, "%s %u", code.text, code.element + 1);
        else
            std::snprintf(c.text, sizeof c.text, "%s", code.text);
        c.ref.src = ALARM_SOURCE;
        c.ref.fmi = code.fmi;
        c.ref.err_code = code.err_code;
        c.ref.spn = code.spn;
        c.ref.text = c.text;
        k++;
    });
    set_identification();
    _set_functionalities();
}

Implement_diag::~Implement_diag()
{
    stop_thread();
    remove_all_stacks();
    // The items are the codes' own: empty the lists before they go.
    active_list().init();
    inactive_list().init();
}

const Implement_diag::cross_ref_t& Implement_diag::code(unsigned i) const
{
    return codes_[i < count_ ? i : 0].ref;
}

void Implement_diag::set_identification()
{
    char version[13] = {};
    cds_get_firmware_version(version, &store_.head, &store_.body.system.firmware_version);
    const unsigned hardware_id = cds_get_word(&store_.head, &store_.body.system.hardware_id);

    char software[64];
    std::snprintf(software, sizeof software, "sowvane %s", version);
    char build[64];
    std::snprintf(build, sizeof build, "build %s", program_build());
    const char* fields[] = {software, build, nullptr};
    append_software_fields(fields);

    char hardware[16];
    std::snprintf(hardware, sizeof hardware, "%u", hardware_id);
    using Ecu = Iso11783::Msg_ECUIdentification;
    Ecu ecu;
    ecu.set_field(Ecu::PART_NUMBER, "SOWVANE-ECU");
    ecu.set_field(Ecu::SERIAL_NUMBER, hardware);
    ecu.set_field(Ecu::LOCATION, "Implement");
    ecu.set_field(Ecu::TYPE, "Seeder control");
    ecu.set_field(Ecu::MANUFACTURER_NAME, "Vormek Precision Agriculture");
    ecu.set_field(Ecu::HARDWARE_ID, hardware);
    ecu.finish();
    set_ecu_id_response(ecu);

    using Product = Iso11783::Msg_ProductIdentification;
    Product product;
    product.set_field(Product::CODE, "SOWVANE");
    product.set_field(Product::BRAND, "Vormek Precision Agriculture");
    product.set_field(Product::MODEL, "Air seeder and planter");
    product.finish();
    set_product_id_response(product);
}

void Implement_diag::set_tc_client(TC::Object_pool* pool)
{
    Diner::Protection lock(*this);
    tc_pool_ = pool;
    _set_functionalities();
}

void Implement_diag::_set_functionalities()
{
    using namespace Iso11783;
    const unsigned char no_options = 0;
    Msg_Functionalities f;
    f.set_generation(0xFF);
    unsigned n = 0;
    f.set_entry(n++, FUNCTIONALITY_MINIMUM_CONTROL_FUNCTION, 1, &no_options);
    f.set_entry(n++, FUNCTIONALITY_UT_WORKING_SET, UT_WORKING_SET_GENERATION, &no_options);
    if (tc_pool_ && tc_pool_->is_enabled()) {
        tc_pool_->lock(-1);
        const TC::Object_pool::tc_version_params_t offer = tc_pool_->get_version_params();
        tc_pool_->unlock();
        f.set_entry(n++, FUNCTIONALITY_TC_BASIC_CLIENT, TC_CLIENT_GENERATION, &no_options);
        if (offer.bytes[TC::Object_pool::VERSION_OPTIONS] & TC::Object_pool::OPTION_SECTION_CONTROL) {
            const unsigned char booms_sections[2] = {offer.bytes[TC::Object_pool::VERSION_BOOMS],
                                                     offer.bytes[TC::Object_pool::VERSION_SECTIONS]};
            f.set_entry(n++, FUNCTIONALITY_TC_SECTION_CONTROL_CLIENT, TC_CLIENT_GENERATION,
                        booms_sections, 2);
        }
    }
    f.finish(n);
    _set_functionalities_response(f);
}

int Implement_diag::handle_pgn_request(unsigned pgn, unsigned char requester, unsigned char dest,
                                       unsigned slot)
{
    if (pgn == Iso11783::PGN_FUNCTIONALITIES)
        _set_functionalities();
    return Isobus_diagnostics::handle_pgn_request(pgn, requester, dest, slot);
}

int Implement_diag::init(module_man& mm, JIN_smart_stack* stack)
{
    const JIN_name::RAWNAME own(Known_names::get_seeder(0));
    int result = Isobus_diagnostics::init(mm, stack, own, false);
    poll_timeout_.set_period(POLL_PERIOD_MS);
    submit_timeout(poll_timeout_, POLL_PERIOD_MS);
    start();
    return result;
}

void Implement_diag::post_init()
{
    for (unsigned k = 0; k < count_; k++) {
        codes_[k].item = Item(&codes_[k].ref, Item::REPORTED_ON_CAN);
        inactive_list().insert(&codes_[k].item);
    }
}

void Implement_diag::handle_timeout(Timeout& t)
{
    if (&t == &poll_timeout_)
        _poll_alarms();
    else
        Isobus_diagnostics::handle_timeout(t);
}

void Implement_diag::_poll_alarms()
{
    const ds_alarms alarms = cds_get(&store_.head, &store_.body.alarms);
    std::vector<unsigned short> active;
    for_each_alarm_trouble_code(alarms, [&](const ds_alarm& alarm, const Alarm_trouble_code& code) {
        if (alarm.active)
            active.push_back(code.err_code);
    });
    std::vector<unsigned char> bytes(Diagnostics_messages::Msg_RR::CODES_OFFSET + 2 * active.size());
    bytes[0] = 'R';
    bytes[1] = 'R';
    bytes[Diagnostics_messages::Msg_RR::SOURCE_OFFSET] = ALARM_SOURCE;
    bytes[Diagnostics_messages::Msg_RR::COUNT_OFFSET] = static_cast<unsigned char>(active.size());
    unsigned at = Diagnostics_messages::Msg_RR::CODES_OFFSET;
    for (unsigned short code : active) {
        bytes[at++] = static_cast<unsigned char>(code & 0xFF);
        bytes[at++] = static_cast<unsigned char>(code >> 8);
    }
    Diagnostics_messages::Msg_RR report(bytes.data(), static_cast<unsigned>(bytes.size()));
    _receive_error_report(report);
}
