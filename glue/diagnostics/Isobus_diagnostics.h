// The diagnostics module with the ISO 11783 identification messages: one
// ready-made reply of each kind, sent to whoever requests it, and replaced
// by the owner through the set operations.
#pragma once

#include "glue/diagnostics/Diagnostics.h"
#include "messaging/iso11783/Iso11783_identification.h"
#include "messaging/iso11783/Msg_StarDelimited.h"

class Isobus_diagnostics : public Diagnostics {
public:
    explicit Isobus_diagnostics(const char* base);
    ~Isobus_diagnostics() override;

    int handle_pgn_request(unsigned pgn, unsigned char requester, unsigned char dest,
                           unsigned slot) override;
    void register_pgns(unsigned slot) override;
    void deregister_pgns(unsigned slot) override;

    // Copy the given message into the stored reply (under the module's
    // lock; the underscore forms expect it held).
    void set_software_id_response(Iso11783::Msg_SoftwareIdentification& m);
    void set_ecu_id_response(Iso11783::Msg_ECUIdentification& m);
    void set_product_id_response(Iso11783::Msg_ProductIdentification& m);
    void set_functionalities_response(Iso11783::Msg_Functionalities& m);
    void set_isobus_compliance_response(Iso11783::Msg_IsobusComplianceCerts& m);
    void set_supported_diag_protocols_response(Iso11783::Msg_DiagnosticProtocol& m);
    void _set_software_id_response(Iso11783::Msg_SoftwareIdentification& m) { software_id_.static_copy_from(m); }
    void _set_ecu_id_response(Iso11783::Msg_ECUIdentification& m) { ecu_id_.static_copy_from(m); }
    void _set_product_id_response(Iso11783::Msg_ProductIdentification& m) { product_id_.static_copy_from(m); }
    void _set_functionalities_response(Iso11783::Msg_Functionalities& m) { functionalities_.static_copy_from(m); }
    void _set_isobus_compliance_response(Iso11783::Msg_IsobusComplianceCerts& m) { compliance_.static_copy_from(m); }
    void _set_supported_diag_protocols_response(Iso11783::Msg_DiagnosticProtocol& m) { diag_protocol_.static_copy_from(m); }

    // Appends the texts of the null-terminated array to the software
    // identification, dropping the empty fields it had. False (the stored
    // reply unchanged) when a text contains '*' or the whole does not fit.
    bool append_software_fields(const char** fields);

    // The stored replies, for reading under the module's lock.
    const Iso11783::Msg_SoftwareIdentification& software_id() const { return software_id_; }
    const Iso11783::Msg_ECUIdentification& ecu_id() const { return ecu_id_; }
    const Iso11783::Msg_ProductIdentification& product_id() const { return product_id_; }
    const Iso11783::Msg_Functionalities& functionalities() const { return functionalities_; }
    const Iso11783::Msg_IsobusComplianceCerts& compliance() const { return compliance_; }
    const Iso11783::Msg_DiagnosticProtocol& diag_protocol() const { return diag_protocol_; }

private:
    Iso11783::Msg_SoftwareIdentification software_id_;
    Iso11783::Msg_ECUIdentification ecu_id_;
    Iso11783::Msg_ProductIdentification product_id_;
    Iso11783::Msg_Functionalities functionalities_;
    Iso11783::Msg_IsobusComplianceCerts compliance_;
    Iso11783::Msg_DiagnosticProtocol diag_protocol_;
};
