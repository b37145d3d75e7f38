#include "platform/iso/Claim_answer_window.h"

#include <climits>

namespace Iso {

namespace {
// Long enough ago that no claim answers it, without overflow in the window.
constexpr int64_t NEVER = INT64_MIN / 2;
} // namespace

Claim_answer_window::Claim_answer_window()
{
    for (int64_t& at : requested_ms_)
        at = NEVER;
}

void Claim_answer_window::on_request(const unsigned char* data, int len, unsigned char dest,
                                     int64_t now_ms)
{
    if (!data || len < 3)
        return;
    const unsigned requested = unsigned(data[0]) | unsigned(data[1]) << 8 | unsigned(data[2]) << 16;
    if (requested == PGN_ADDRESS_CLAIMED)
        on_claim_request(dest, now_ms);
}

void Claim_answer_window::on_claim_request(unsigned char dest, int64_t now_ms)
{
    requested_ms_[dest] = now_ms;
}

bool Claim_answer_window::answers_request(unsigned char claimer, int64_t now_ms) const
{
    return now_ms - requested_ms_[GLOBAL_ADDRESS] <= ANSWER_MS ||
           now_ms - requested_ms_[claimer] <= ANSWER_MS;
}

} // namespace Iso
