// Tells a peer's address claim that answers a Request for Address Claimed
// (ISO 11783-5) from one the peer sends of its own accord. Every node claims
// its address again when asked: a node that starts sends the request to all,
// from the null address, and each node on the bus answers it; such a claim
// says nothing about the peer. A claim nobody asked for is the peer starting
// again (it knows none of its partners any more).
//
// A claim counts as an answer when it comes within ANSWER_MS of a request
// to all or to the claiming address, whoever sent it: a node with an
// address, a node without one (the null address) or this node itself.
#pragma once

#include <cstdint>

namespace Iso {

class Claim_answer_window {
public:
    static constexpr unsigned PGN_REQUEST = 0xEA00;
    static constexpr unsigned PGN_ADDRESS_CLAIMED = 0xEE00;
    static constexpr unsigned char GLOBAL_ADDRESS = 0xFF;
    // How long after a request its answers may come (the response time a
    // requester waits for, ISO 11783-3).
    static constexpr int64_t ANSWER_MS = 1250;

    Claim_answer_window();

    // A request (PGN 0xEA00, its data the requested PGN) to `dest`, from any
    // node: noted when it asks for the address claims.
    void on_request(const unsigned char* data, int len, unsigned char dest, int64_t now_ms);
    // A Request for Address Claimed to `dest` (GLOBAL_ADDRESS: to all),
    // from another node or sent by this one.
    void on_claim_request(unsigned char dest, int64_t now_ms);
    // Whether a claim from `claimer` now answers a request.
    bool answers_request(unsigned char claimer, int64_t now_ms) const;

private:
    // When a Request for Address Claimed last went to each address (the
    // global one included).
    int64_t requested_ms_[256];
};

} // namespace Iso
