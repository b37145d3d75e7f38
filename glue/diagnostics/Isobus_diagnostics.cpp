#include "glue/diagnostics/Isobus_diagnostics.h"

#include "can/JIN_PGN.h"
#include "can/JIN_smart_stack.h"
#include "util/Debug_base.h"

namespace {

constexpr auto DIAG = _JDB::DIAGNOSTICS;
constexpr const char* DEFAULT_MAKER = "Vormek Precision Agriculture";
constexpr unsigned IDENTIFICATION_PGNS[] = {
    Iso11783::PGN_COMPLIANCE_CERTIFICATION, Iso11783::PGN_DIAGNOSTIC_PROTOCOL,
    Iso11783::PGN_FUNCTIONALITIES,          Iso11783::PGN_PRODUCT_IDENTIFICATION,
    Iso11783::PGN_SOFTWARE_IDENTIFICATION,  Iso11783::PGN_ECU_IDENTIFICATION,
};

} // namespace

Isobus_diagnostics::Isobus_diagnostics(const char* base) : Diagnostics(base)
{
    diag_protocol_.set_protocols(0);

    using Ecu = Iso11783::Msg_ECUIdentification;
    ecu_id_.set_field(Ecu::PART_NUMBER, "0");
    ecu_id_.set_field(Ecu::SERIAL_NUMBER, "0");
    ecu_id_.set_field(Ecu::LOCATION, "UNKNOWN");
    ecu_id_.set_field(Ecu::TYPE, "UNKNOWN");
    ecu_id_.set_field(Ecu::MANUFACTURER_NAME, DEFAULT_MAKER);
    ecu_id_.set_field(Ecu::HARDWARE_ID, "UNKNOWN");
    ecu_id_.finish();

    functionalities_.set_generation(0xFF);
    functionalities_.set_entry(0, 0, 1);
    functionalities_.finish(1);

    compliance_.set_3bit(7);
    compliance_.set_6bit(0);
    compliance_.set_11bit(0);
    compliance_.set_bytes_6_7(0);
    compliance_.set_4bit(7);
    compliance_.set_bytes_3_4(0);
    compliance_.set_byte_5(0);

    using Product = Iso11783::Msg_ProductIdentification;
    product_id_.set_field(Product::CODE, "0");
    product_id_.set_field(Product::BRAND, DEFAULT_MAKER);
    product_id_.set_field(Product::MODEL, "UNKNOWN");
    product_id_.finish();

    software_id_.append_field("");
    software_id_.finish();
}

Isobus_diagnostics::~Isobus_diagnostics()
{
    stop_thread();
    remove_all_stacks();
}

void Isobus_diagnostics::register_pgns(unsigned slot)
{
    Diagnostics::register_pgns(slot);
    JIN_smart_stack* stack = get_stack(slot);
    if (!stack)
        return;
    short event_id = 0;
    for (unsigned pgn : IDENTIFICATION_PGNS)
        stack->register_pgn(pgn, &get_waiter(), &event_id, JIN_PGN::REQUEST);
}

void Isobus_diagnostics::deregister_pgns(unsigned slot)
{
    Diagnostics::deregister_pgns(slot);
    JIN_smart_stack* stack = get_stack(slot);
    if (!stack)
        return;
    for (unsigned pgn : IDENTIFICATION_PGNS)
        stack->deregister_pgn(pgn, &get_waiter(), JIN_PGN::REQUEST);
}

int Isobus_diagnostics::handle_pgn_request(unsigned pgn, unsigned char requester,
                                           unsigned char dest, unsigned slot)
{
    const JIN::Transmission<JIN_grow_message>* reply = nullptr;
    switch (pgn) {
    case Iso11783::PGN_PRODUCT_IDENTIFICATION:
        JDB::print(DIAG, "PGN_ISOBUS_PRODUCT_IDENTIFICATION\n");
        reply = &product_id_;
        break;
    case Iso11783::PGN_FUNCTIONALITIES:
        JDB::print(DIAG, "PGN_ISOBUS_FUNCTIONALITIES\n");
        reply = &functionalities_;
        break;
    case Iso11783::PGN_DIAGNOSTIC_PROTOCOL:
        JDB::print(DIAG, "PGN_ISOBUS_DIAGNOSTIC_PROTOCOL\n");
        reply = &diag_protocol_;
        break;
    case Iso11783::PGN_COMPLIANCE_CERTIFICATION:
        reply = &compliance_;
        break;
    case Iso11783::PGN_ECU_IDENTIFICATION:
        JDB::print(DIAG, "PGN_J1939_ECU_IDENTIFICATION\n");
        reply = &ecu_id_;
        break;
    case Iso11783::PGN_SOFTWARE_IDENTIFICATION:
        JDB::print(DIAG, "PGN_J1939_SOFTWARE_IDENTIFICATION\n");
        reply = &software_id_;
        break;
    default:
        JDB::print(DIAG, "Not an ISOBUS diag pgn. Checking J1939\n");
        return Diagnostics::handle_pgn_request(pgn, requester, dest, slot);
    }
    if (JIN_smart_stack* stack = get_stack(slot))
        reply->nwrite(*stack, *get_name(slot), requester, 6, pgn);
    return 1;
}

void Isobus_diagnostics::set_software_id_response(Iso11783::Msg_SoftwareIdentification& m)
{
    Diner::Protection lock(*this);
    _set_software_id_response(m);
}

void Isobus_diagnostics::set_ecu_id_response(Iso11783::Msg_ECUIdentification& m)
{
    Diner::Protection lock(*this);
    _set_ecu_id_response(m);
}

void Isobus_diagnostics::set_product_id_response(Iso11783::Msg_ProductIdentification& m)
{
    Diner::Protection lock(*this);
    _set_product_id_response(m);
}

void Isobus_diagnostics::set_functionalities_response(Iso11783::Msg_Functionalities& m)
{
    Diner::Protection lock(*this);
    _set_functionalities_response(m);
}

void Isobus_diagnostics::set_isobus_compliance_response(Iso11783::Msg_IsobusComplianceCerts& m)
{
    Diner::Protection lock(*this);
    _set_isobus_compliance_response(m);
}

void Isobus_diagnostics::set_supported_diag_protocols_response(Iso11783::Msg_DiagnosticProtocol& m)
{
    Diner::Protection lock(*this);
    _set_supported_diag_protocols_response(m);
}

bool Isobus_diagnostics::append_software_fields(const char** fields)
{
    if (!fields)
        return true;
    Diner::Protection lock(*this);
    Iso11783::Msg_SoftwareIdentification fresh;
    char buf[255];
    for (int k = 0; k < software_id_.field_count(); k++) {
        unsigned len = 0;
        if (!software_id_.get_field(k, buf, sizeof buf, len)) {
            JDB::print(DIAG, "Failed to get old software id field %d\n", k);
            return false;
        }
        if (len > 0 && !fresh.append_field(buf)) {
            JDB::print(DIAG, "Failed to get old software id field %d\n", k);
            return false;
        }
    }
    for (const char** f = fields; *f; f++) {
        if (!fresh.append_field(*f)) {
            JDB::print(DIAG, "Failed to append new field '%s'\n", *f);
            return false;
        }
    }
    if (!fresh.finish())
        return false;
    software_id_.static_copy_from(fresh);
    return true;
}
