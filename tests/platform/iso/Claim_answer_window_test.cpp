// Which address claims answer a Request for Address Claimed.
#include "platform/iso/Claim_answer_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Iso::Claim_answer_window;

constexpr unsigned char PEER = 0x26;
constexpr unsigned char OTHER = 0x80;
const std::vector<unsigned char> FOR_CLAIMS = {0x00, 0xEE, 0x00};

TEST(ClaimAnswerWindow, AClaimAnswersARequestToAllOrToItsAddressForAWhile)
{
    struct Case {
        const char* what;
        std::vector<unsigned char> request;
        unsigned char dest;
        int64_t claimed_after_ms;
        bool answers;
    };
    const Case cases[] = {
        {"to all, at once", FOR_CLAIMS, 0xFF, 0, true},
        {"to all, at the end of the time to answer", FOR_CLAIMS, 0xFF, Claim_answer_window::ANSWER_MS, true},
        {"to all, after it", FOR_CLAIMS, 0xFF, Claim_answer_window::ANSWER_MS + 1, false},
        {"to the peer", FOR_CLAIMS, PEER, 200, true},
        {"to another node", FOR_CLAIMS, OTHER, 200, false},
        {"for another PGN", {0x0F, 0xFE, 0x00}, 0xFF, 200, false},
        {"too short", {0x00, 0xEE}, 0xFF, 200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Claim_answer_window window;
        const int64_t asked = 5000;
        window.on_request(c.request.data(), int(c.request.size()), c.dest, asked);
        EXPECT_EQ(window.answers_request(PEER, asked + c.claimed_after_ms), c.answers);
    }
}

TEST(ClaimAnswerWindow, WithoutARequestNoClaimAnswersOne)
{
    Claim_answer_window window;
    for (int64_t now : {int64_t(0), int64_t(1000), int64_t(1) << 40})
        EXPECT_FALSE(window.answers_request(PEER, now)) << now;
    window.on_claim_request(PEER, 1000);
    EXPECT_TRUE(window.answers_request(PEER, 2000));
    EXPECT_FALSE(window.answers_request(OTHER, 2000));
}

} // namespace
