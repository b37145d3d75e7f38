// The address-claim engine driven directly: messages and time are fed in,
// what it sends is collected.
#include "Claim_sim.h"

#include <gtest/gtest.h>

#include <set>

using namespace claim_sim;
using JIN_name::LOCAL;
using JIN_name::LOCAL_CHALLENGER;
using JIN_name::LOCAL_CHAMPION;
using JIN_name::NAME;
using JIN_name::NO_ENTRY;
using JIN_name::REMOTE_CHALLENGER;
using JIN_name::REMOTE_CHAMPION;

namespace {

// A claim from outside the simulated nodes.
void remote_claim(World& w, unsigned char src, const RAWNAME& name)
{
    w.put(nullptr, Sent{Sent::CLAIM, src, 255, name, 0, w.elapsed_ms()});
}

class One_node : public ::testing::Test {
protected:
    World world;
    Node& node = world.add_node(7);
    RAWNAME ours = make_name(500, true);

    // Adds our NAME at the preferred address and runs until it is champion.
    void become_champion(unsigned char preferred)
    {
        ASSERT_TRUE(node.engine.add_local_name(ours, preferred));
        world.run(256 + 251);
        ASSERT_EQ(LOCAL_CHAMPION, node.engine.state_at(preferred));
        node.sent.clear();
        node.won.clear();
        node.lost.clear();
        node.signal_counts.clear();
    }
};

TEST_F(One_node, ClaimsThePreferredAddressAndBecomesChampion)
{
    ASSERT_TRUE(node.engine.add_local_name(ours, 28));
    EXPECT_EQ(LOCAL, node.engine.state_at(28));
    world.run(255);
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(Sent::CLAIM, node.sent[0].kind);
    EXPECT_EQ(28, node.sent[0].src);
    EXPECT_EQ(255, node.sent[0].dest);
    EXPECT_EQ(ours, node.sent[0].name);
    EXPECT_LE(node.sent[0].at_ms, 255);
    EXPECT_EQ(LOCAL_CHALLENGER, node.engine.state_at(28));
    EXPECT_EQ(255, node.engine.gethostbyname(ours, false)); // not yet champion
    EXPECT_TRUE(node.won.empty());

    world.run(250);
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    EXPECT_EQ(std::vector<unsigned char>{28}, node.won);
    EXPECT_EQ(1, node.signals_for(ours));
    EXPECT_EQ(28, node.engine.gethostbyname(ours, false));
    RAWNAME got;
    EXPECT_TRUE(node.engine.getlocalbyaddr(28, got));
    EXPECT_EQ(ours, got);
    EXPECT_EQ(1u, node.sent.size()); // nothing more was sent
}

TEST_F(One_node, PreferredAddressOutsideTheTableIsRefused)
{
    EXPECT_FALSE(node.engine.add_local_name(ours, 254));
    EXPECT_FALSE(node.engine.add_local_name(ours, 255));
    world.run(1000);
    EXPECT_TRUE(node.sent.empty());
}

// A self-configurable NAME that loses its address moves into the
// self-configurable range 128-247: to its start from outside, to the next
// address inside it, wrapping after 247, and past addresses others hold.
TEST_F(One_node, SelfConfigurableLoserMovesIntoTheSelfConfigurableRange)
{
    struct Case {
        unsigned char preferred;
        unsigned char next;
        int held_by_others; // an address another node holds, or -1
    };
    for (Case c : {Case{28, 128, -1}, Case{253, 128, -1}, Case{0, 128, -1}, Case{130, 131, -1},
                   Case{247, 128, -1}, Case{28, 129, 128}, Case{140, 142, 141}}) {
        SCOPED_TRACE(int(c.preferred));
        World w;
        Node& n = w.add_node(3);
        RAWNAME mine = make_name(500, true);
        RAWNAME winner = make_name(10, true);
        if (c.held_by_others >= 0)
            remote_claim(w, static_cast<unsigned char>(c.held_by_others), make_name(20, false));
        ASSERT_TRUE(n.engine.add_local_name(mine, c.preferred));
        w.run(256 + 251);
        n.sent.clear();

        remote_claim(w, c.preferred, winner);
        ASSERT_EQ(1u, n.sent.size());
        EXPECT_EQ(Sent::CLAIM, n.sent[0].kind);
        EXPECT_EQ(c.next, n.sent[0].src);
        EXPECT_EQ(mine, n.sent[0].name);
        EXPECT_EQ(std::vector<unsigned char>{c.preferred}, n.lost);
        EXPECT_EQ(REMOTE_CHALLENGER, n.engine.state_at(c.preferred));
        EXPECT_EQ(LOCAL_CHALLENGER, n.engine.state_at(c.next));

        w.run(250);
        EXPECT_EQ(LOCAL_CHAMPION, n.engine.state_at(c.next));
        EXPECT_EQ(REMOTE_CHAMPION, n.engine.state_at(c.preferred));
        EXPECT_EQ(c.next, n.engine.gethostbyname(mine, false));
        EXPECT_EQ(c.preferred, n.engine.gethostbyname(winner, false));
    }
}

TEST_F(One_node, FixedAddressLoserSendsCannotClaim)
{
    ours = make_name(500, false);
    become_champion(28);
    RAWNAME winner = make_name(10, false);

    remote_claim(world, 28, winner);
    EXPECT_TRUE(node.sent.empty()); // no other address is tried
    EXPECT_EQ(std::vector<unsigned char>{28}, node.lost);
    EXPECT_EQ(REMOTE_CHALLENGER, node.engine.state_at(28));
    EXPECT_EQ(*node.engine.name_at(28), winner);
    EXPECT_TRUE(node.engine.is_own_dead(ours));

    world.run(255);
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(Sent::CLAIM, node.sent[0].kind);
    EXPECT_EQ(254, node.sent[0].src); // Cannot Claim Source Address
    EXPECT_EQ(ours, node.sent[0].name);
    EXPECT_EQ(1, node.signals_for(ours));
    EXPECT_EQ(255, node.engine.gethostbyname(ours, false));

    RAWNAME dead[4];
    ASSERT_EQ(1, node.engine.get_dead_names(dead, 4));
    EXPECT_EQ(ours, dead[0]);
}

TEST_F(One_node, OwnEchoedClaimIsIgnored)
{
    ASSERT_TRUE(node.engine.add_local_name(ours, 28));
    world.run(255);
    ASSERT_EQ(1u, node.sent.size());
    // As challenger and as champion.
    remote_claim(world, 28, ours);
    EXPECT_EQ(LOCAL_CHALLENGER, node.engine.state_at(28));
    world.run(250);
    remote_claim(world, 28, ours);
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    EXPECT_EQ(1u, node.sent.size());
    EXPECT_TRUE(node.lost.empty());
    // A late echo of an address we have left again.
    remote_claim(world, 77, ours);
    EXPECT_EQ(NO_ENTRY, node.engine.state_at(77));
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    EXPECT_EQ(1u, node.sent.size());
}

TEST_F(One_node, WinnerOfAContestClaimsAgain)
{
    become_champion(28);
    RAWNAME loser = make_name(900, true);
    remote_claim(world, 28, loser);
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(28, node.sent[0].src);
    EXPECT_EQ(ours, node.sent[0].name);
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    EXPECT_TRUE(node.lost.empty());
    world.run(1000);
    EXPECT_EQ(255, node.engine.gethostbyname(loser, false));
}

TEST_F(One_node, RequestForAddressClaimedByDestination)
{
    ours = make_name(500, false);
    RAWNAME second = make_name(600, false);
    become_champion(28);
    ASSERT_TRUE(node.engine.add_local_name(second, 40));
    world.run(256);
    ASSERT_EQ(LOCAL_CHALLENGER, node.engine.state_at(40));
    node.sent.clear();

    const unsigned char pgn_ee00[3] = {0x00, 0xEE, 0x00};
    const unsigned char other_pgn[3] = {0x00, 0xEF, 0x00};
    struct Case {
        const char* what;
        unsigned char dest;
        const unsigned char* data;
        int len;
        std::vector<unsigned char> claims_from;
    };
    const Case cases[] = {
        {"global: champion and challenger", 255, pgn_ee00, 3, {28, 40}},
        {"to our address", 28, pgn_ee00, 3, {28}},
        {"to the challenger's address", 40, pgn_ee00, 3, {40}},
        {"to an address of nobody", 77, pgn_ee00, 3, {}},
        {"to the null address", 254, pgn_ee00, 3, {}},
        {"for another PGN", 255, other_pgn, 3, {}},
        {"too short", 255, pgn_ee00, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        node.sent.clear();
        node.engine.on_request(99, c.dest, c.data, c.len);
        std::vector<unsigned char> from;
        for (const Sent& s : node.sent) {
            EXPECT_EQ(Sent::CLAIM, s.kind);
            from.push_back(s.src);
        }
        std::sort(from.begin(), from.end());
        EXPECT_EQ(c.claims_from, from);
    }
}

TEST_F(One_node, GlobalRequestRepeatsCannotClaimOfDeadNames)
{
    ours = make_name(500, false);
    become_champion(28);
    remote_claim(world, 28, make_name(1, false));
    world.run(256);
    ASSERT_EQ(1u, node.sent.size());
    const unsigned char r[3] = {0x00, 0xEE, 0x00};
    node.engine.on_request(99, 255, r, 3);
    world.run(256);
    ASSERT_EQ(2u, node.sent.size());
    EXPECT_EQ(254, node.sent[1].src);
    EXPECT_EQ(ours, node.sent[1].name);
}

TEST_F(One_node, CommandedAddressMovesAnOwnName)
{
    become_champion(28);
    auto command = [&](const RAWNAME& target, unsigned char address, int len) {
        auto b = bytes_of(target);
        b.push_back(address);
        node.engine.on_commanded_address(99, 255, b.data(), len);
    };
    // Dropped: another NAME, a wrong length, an address outside the table.
    command(make_name(1, true), 77, 9);
    command(ours, 77, 8);
    command(ours, 254, 9);
    command(ours, 255, 9);
    EXPECT_TRUE(node.sent.empty());
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));

    command(ours, 77, 9);
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(77, node.sent[0].src);
    EXPECT_EQ(std::vector<unsigned char>{28}, node.lost);
    EXPECT_EQ(NO_ENTRY, node.engine.state_at(28));
    world.run(250);
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(77));
    EXPECT_EQ(77, node.engine.gethostbyname(ours, false));
}

TEST_F(One_node, SendsCommandedAddressFromItsChampion)
{
    RAWNAME target = make_name(42, true);
    EXPECT_FALSE(node.engine.send_commanded_address(target, 90)); // no address yet
    become_champion(28);
    EXPECT_FALSE(node.engine.send_commanded_address(target, 254));
    EXPECT_TRUE(node.engine.send_commanded_address(target, 90));
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(Sent::COMMANDED, node.sent[0].kind);
    EXPECT_EQ(28, node.sent[0].src);
    EXPECT_EQ(target, node.sent[0].name);
    EXPECT_EQ(90, node.sent[0].address);
}

// Look-ups of an unknown NAME send one request per 1250 ms.
TEST_F(One_node, ResolutionRequestsAreRateLimited)
{
    become_champion(28);
    RAWNAME unknown = make_name(77, true);
    EXPECT_EQ(255, node.engine.gethostbyname(unknown, false));
    EXPECT_TRUE(node.sent.empty());

    EXPECT_EQ(255, node.engine.gethostbyname(unknown, true));
    auto requests = node.sent_of(Sent::REQUEST);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(28, requests[0].src);
    EXPECT_EQ(255, requests[0].dest);
    // Answering our own global request: our claim goes out again.
    EXPECT_EQ(1u, node.sent_of(Sent::CLAIM).size());
    EXPECT_TRUE(node.engine.lookup_in_progress(unknown));

    for (int i = 0; i < 10; ++i) {
        node.engine.gethostbyname(unknown, true);
        world.run(100);
    }
    EXPECT_EQ(1u, node.sent_of(Sent::REQUEST).size());
    EXPECT_EQ(0, node.signals_for(unknown));
    world.run(250); // 1250 ms after the request
    EXPECT_EQ(1, node.signals_for(unknown));
    EXPECT_FALSE(node.engine.lookup_in_progress(unknown));

    node.engine.gethostbyname(unknown, true);
    EXPECT_EQ(2u, node.sent_of(Sent::REQUEST).size());
}

// With all 50 look-ups busy a further NAME is not requested (and nothing
// ends the process); a slot frees when its look-up ends.
TEST_F(One_node, BusyLookupsHoldFurtherRequestsBack)
{
    become_champion(28);
    for (unsigned i = 0; i < 50; ++i)
        node.engine.gethostbyname(make_name(3000 + i), true);
    EXPECT_EQ(50u, node.sent_of(Sent::REQUEST).size());
    EXPECT_EQ(255, node.engine.gethostbyname(make_name(4000), true));
    EXPECT_EQ(50u, node.sent_of(Sent::REQUEST).size());
    EXPECT_FALSE(node.engine.lookup_in_progress(make_name(4000)));
    world.run(1250);
    node.engine.gethostbyname(make_name(4000), true);
    EXPECT_EQ(51u, node.sent_of(Sent::REQUEST).size());
}

// An own NAME that is deleted or added again stops announcing that it could
// not claim.
TEST_F(One_node, DeletedOrReaddedDeadNameStopsCannotClaim)
{
    ours = make_name(500, false);
    become_champion(28);
    remote_claim(world, 28, make_name(1, false));
    world.run(256);
    ASSERT_TRUE(node.engine.is_own_dead(ours));
    EXPECT_TRUE(node.engine.del_local_name(ours));
    EXPECT_FALSE(node.engine.is_own_dead(ours));
    node.sent.clear();
    const unsigned char r[3] = {0x00, 0xEE, 0x00};
    node.engine.on_request(99, 255, r, 3);
    world.run(256);
    EXPECT_TRUE(node.sent.empty());

    ASSERT_TRUE(node.engine.add_local_name(ours, 28));
    remote_claim(world, 28, make_name(1, false)); // beaten before its first claim
    world.run(256);
    ASSERT_TRUE(node.engine.is_own_dead(ours));
    ASSERT_TRUE(node.engine.add_local_name(ours, 50));
    EXPECT_FALSE(node.engine.is_own_dead(ours));
    world.run(600);
    EXPECT_EQ(50, node.engine.gethostbyname(ours, false));
}

TEST_F(One_node, GlobalNameObjectAlwaysRequests)
{
    node.engine.gethostbyname(RAWNAME::GLOBAL_NAME, false);
    node.engine.gethostbyname(RAWNAME::GLOBAL_NAME, false);
    auto requests = node.sent_of(Sent::REQUEST);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(254, requests[0].src); // no own champion yet
    // An equal value that is not the object is an ordinary NAME.
    RAWNAME copy = RAWNAME::GLOBAL_NAME;
    node.engine.gethostbyname(copy, false);
    EXPECT_EQ(2u, node.sent_of(Sent::REQUEST).size());
}

TEST_F(One_node, CannotClaimFromAnotherNodeMakesItDead)
{
    become_champion(28);
    RAWNAME other = make_name(77, true);
    remote_claim(world, 50, other);
    world.run(250);
    ASSERT_EQ(50, node.engine.gethostbyname(other, false));
    node.signal_counts.clear();

    remote_claim(world, 254, other);
    EXPECT_EQ(NO_ENTRY, node.engine.state_at(50));
    EXPECT_TRUE(node.engine.is_remote_dead(other));
    EXPECT_EQ(1, node.signals_for(other));
    node.sent.clear();
    EXPECT_EQ(255, node.engine.gethostbyname(other, true));
    EXPECT_TRUE(node.sent.empty()); // dead NAMEs are not asked for
}

TEST_F(One_node, MalformedClaimsAreDropped)
{
    become_champion(28);
    auto b = bytes_of(make_name(1, true));
    node.engine.on_address_claimed(28, 255, b.data(), 7);
    node.engine.on_address_claimed(28, 255, b.data(), 9);
    node.engine.on_address_claimed(28, 28, b.data(), 8);  // not to the global address
    node.engine.on_address_claimed(255, 255, b.data(), 8); // 255 is no source
    node.engine.on_address_claimed(28, 255, nullptr, 8);
    EXPECT_TRUE(node.sent.empty());
    EXPECT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    for (int a = 0; a < 254; ++a) {
        if (a != 28) {
            EXPECT_EQ(NO_ENTRY, node.engine.state_at(static_cast<unsigned char>(a)));
        }
    }
}

TEST_F(One_node, DeadNameRingKeepsTheLatestFifty)
{
    for (unsigned i = 0; i < 60; ++i)
        remote_claim(world, 254, make_name(1000 + i, true));
    RAWNAME dead[64];
    ASSERT_EQ(50, node.engine.get_dead_names(dead, 64));
    EXPECT_EQ(make_name(1010, true), dead[0]);
    EXPECT_EQ(make_name(1059, true), dead[49]);
    EXPECT_FALSE(node.engine.is_remote_dead(make_name(1009, true)));
    EXPECT_EQ(3, node.engine.get_dead_names(dead, 3));
}

TEST_F(One_node, GethostsbynamePutsOwnChampionsFirst)
{
    become_champion(28);
    RAWNAME other = make_name(1, true); // sorts before ours
    remote_claim(world, 60, other);
    world.run(250);
    NAME any;
    unsigned char out[4] = {};
    EXPECT_EQ(1, node.engine.gethostsbyname(any, out, 1, true));
    EXPECT_EQ(28, out[0]);
    EXPECT_EQ(2, node.engine.gethostsbyname(any, out, 4, true));
    EXPECT_EQ(60, out[1]);
    EXPECT_EQ(1, node.engine.gethostsbyname(any, out, 4, false));
    EXPECT_EQ(60, out[0]);
    EXPECT_EQ(0, node.engine.gethostsbyname(any, out, 0, true));
    EXPECT_EQ(1, node.engine.gethostsbyname(NAME(other), out, 4, true));
    EXPECT_EQ(60, out[0]);
}

// A self-configurable NAME beaten at every address of the self-configurable
// range gives up and says it cannot claim.
TEST(Claim_search, GivesUpAfterTryingEverySelfConfigurableAddress)
{
    World w;
    Node& n = w.add_node(5);
    RAWNAME mine = make_name(500, true);
    ASSERT_TRUE(n.engine.add_local_name(mine, 28));
    w.run(256);
    int moves = 0;
    unsigned char at = 28;
    while (!n.engine.is_own_dead(mine) && moves < 300) {
        remote_claim(w, at, make_name(at + 1, false));
        if (n.engine.is_own_dead(mine))
            break;
        ++moves;
        const unsigned char next = at < 128 ? 128 : static_cast<unsigned char>(at + 1);
        ASSERT_EQ(LOCAL_CHALLENGER, n.engine.state_at(next));
        at = next;
    }
    EXPECT_EQ(120, moves);
    EXPECT_EQ(247, at);
    n.sent.clear();
    w.run(256);
    ASSERT_EQ(1u, n.sent.size());
    EXPECT_EQ(254, n.sent[0].src);
}

// Several nodes that all prefer address 28 end on distinct addresses and
// agree on who holds which.
TEST(Claim_convergence, ManagersOnOneWireEndWithoutDuplicates)
{
    struct Case {
        int nodes;
        uint32_t seed;
    };
    for (Case c : {Case{2, 1}, Case{2, 99}, Case{5, 1}, Case{5, 12345}, Case{5, 777}}) {
        SCOPED_TRACE(testing::Message() << c.nodes << " nodes, seed " << c.seed);
        World w;
        std::vector<Node*> nodes;
        std::vector<RAWNAME> names;
        for (int i = 0; i < c.nodes; ++i) {
            nodes.push_back(&w.add_node(c.seed * 31 + static_cast<uint32_t>(i)));
            names.push_back(make_name(700 - 37 * static_cast<unsigned>(i), true));
        }
        for (int i = 0; i < c.nodes; ++i)
            ASSERT_TRUE(nodes[i]->engine.add_local_name(names[i], 28));
        w.run(5000);

        std::set<int> taken;
        for (int i = 0; i < c.nodes; ++i) {
            int a = nodes[i]->engine.gethostbyname(names[i], false);
            ASSERT_NE(255, a) << "node " << i << " holds no address";
            EXPECT_TRUE(taken.insert(a).second) << "address " << a << " twice";
            for (int j = 0; j < c.nodes; ++j)
                EXPECT_EQ(a, nodes[j]->engine.gethostbyname(names[i], false))
                    << "node " << j << "'s view of node " << i;
        }
        // The NAME of highest priority got the preferred address.
        EXPECT_EQ(28, nodes[c.nodes - 1]->engine.gethostbyname(names[c.nodes - 1], false));
    }
}

} // namespace
