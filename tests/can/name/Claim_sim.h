// A simulated world for address-claim engines: one clock that only moves
// when the test says so, the timer records of every node, and a wire that
// hands each message to every other node in the order sent. Nothing runs on
// its own: no threads, no sleeps.
#pragma once

#include "can/JIN_claim_engine.h"

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace claim_sim {

using JIN_name::Claim_engine;
using JIN_name::Name_timeout;
using JIN_name::RAWNAME;

// A NAME of the tests: the smaller identity number wins a contest between
// two NAMEs of equal self-configurability; a fixed-address NAME beats a
// self-configurable one.
inline RAWNAME make_name(unsigned identity, bool self_configurable = true)
{
    return RAWNAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_PLANTER,
                   static_cast<J1939::function_code_t>(128), 0, 0,
                   static_cast<J1939::manufacturer_code_t>(100), identity, self_configurable);
}

inline std::vector<unsigned char> bytes_of(const RAWNAME& n)
{
    return std::vector<unsigned char>(n.bytes(), n.bytes() + 8);
}

// One message a node put on the wire.
struct Sent {
    enum Kind { CLAIM, REQUEST, COMMANDED } kind;
    unsigned char src;
    unsigned char dest;
    RAWNAME name;          // CLAIM: the claimed NAME; COMMANDED: the target
    unsigned char address; // COMMANDED: the new address
    long at_ms;            // simulated time since the start
};

class World;

class Node : public JIN_name::Claim_port {
public:
    Node(World& world, uint32_t seed);

    Claim_engine engine{*this};
    std::vector<Sent> sent;
    std::vector<unsigned char> won;  // address_won calls in order
    std::vector<unsigned char> lost; // address_lost calls in order
    std::map<unsigned long long, int> signal_counts; // per NAME (to_u64)

    int signals_for(const RAWNAME& n) const
    {
        auto it = signal_counts.find(n.to_u64());
        return it == signal_counts.end() ? 0 : it->second;
    }
    std::vector<Sent> sent_of(Sent::Kind k) const
    {
        std::vector<Sent> out;
        for (const auto& s : sent)
            if (s.kind == k)
                out.push_back(s);
        return out;
    }

    // Claim_port
    Atime now() override;
    void arm(Name_timeout& t, const Atime& deadline) override
    {
        timers.remove(&t);
        t.deadline = deadline;
        timers.insert(&t);
    }
    void cancel(Name_timeout& t) override { timers.remove(&t); }
    void send_address_claimed(unsigned char src, const RAWNAME& name) override;
    void send_request(unsigned char src, unsigned char dest) override;
    void send_commanded_address(unsigned char src, const RAWNAME& target,
                                unsigned char address) override;
    void address_won(unsigned char a) override { won.push_back(a); }
    void address_lost(unsigned char a) override { lost.push_back(a); }
    void signal(const RAWNAME& name) override { ++signal_counts[name.to_u64()]; }

    c_bstree<avl_bstree, Tim> timers;

private:
    World& world_;
};

class World {
public:
    World() : start_(1000000, 0), now_(start_) {}

    Node& add_node(uint32_t seed)
    {
        nodes_.push_back(std::make_unique<Node>(*this, seed));
        return *nodes_.back();
    }
    Atime now() const { return now_; }
    long elapsed_ms() const { return now_ - start_; }

    // A message on the wire from a node (or from outside when from is null).
    void put(Node* from, const Sent& s)
    {
        wire_.push_back({from, s});
        deliver();
    }

    // Runs the world for ms: messages are delivered at once, timers in
    // deadline order with the clock set to each deadline.
    void run(long ms)
    {
        Atime end = now_ + static_cast<int>(ms);
        for (;;) {
            deliver();
            Node* owner = nullptr;
            Tim* earliest = nullptr;
            for (auto& n : nodes_) {
                Tim* t = n->timers.first();
                if (t && (!earliest || t->deadline < earliest->deadline)) {
                    earliest = t;
                    owner = n.get();
                }
            }
            if (!earliest || earliest->deadline > end)
                break;
            if (earliest->deadline > now_)
                now_ = earliest->deadline;
            owner->timers.remove(earliest);
            owner->engine.on_timeout(static_cast<const Name_timeout*>(earliest));
        }
        deliver();
        now_ = end;
    }

private:
    struct On_wire {
        Node* from;
        Sent s;
    };

    void deliver()
    {
        if (delivering_)
            return;
        delivering_ = true;
        while (!wire_.empty()) {
            On_wire w = wire_.front();
            wire_.pop_front();
            for (auto& n : nodes_) {
                if (n.get() == w.from)
                    continue; // a bus does not bring a node its own frames
                auto b = bytes_of(w.s.name);
                switch (w.s.kind) {
                case Sent::CLAIM:
                    n->engine.on_address_claimed(w.s.src, w.s.dest, b.data(), 8);
                    break;
                case Sent::REQUEST: {
                    unsigned char r[3] = {0x00, 0xEE, 0x00};
                    n->engine.on_request(w.s.src, w.s.dest, r, 3);
                    break;
                }
                case Sent::COMMANDED:
                    b.push_back(w.s.address);
                    n->engine.on_commanded_address(w.s.src, w.s.dest, b.data(), 9);
                    break;
                }
            }
        }
        delivering_ = false;
    }

    Atime start_;
    Atime now_;
    std::vector<std::unique_ptr<Node>> nodes_;
    std::deque<On_wire> wire_;
    bool delivering_ = false;
};

inline Node::Node(World& world, uint32_t seed) : world_(world)
{
    timers.create(&Tim::compare);
    engine.seed(seed);
}

inline Atime Node::now() { return world_.now(); }

inline void Node::send_address_claimed(unsigned char src, const RAWNAME& name)
{
    Sent s{Sent::CLAIM, src, 255, name, 0, world_.elapsed_ms()};
    sent.push_back(s);
    world_.put(this, s);
}

inline void Node::send_request(unsigned char src, unsigned char dest)
{
    Sent s{Sent::REQUEST, src, dest, RAWNAME(), 0, world_.elapsed_ms()};
    sent.push_back(s);
    world_.put(this, s);
}

inline void Node::send_commanded_address(unsigned char src, const RAWNAME& target,
                                         unsigned char address)
{
    Sent s{Sent::COMMANDED, src, 255, target, address, world_.elapsed_ms()};
    sent.push_back(s);
    world_.put(this, s);
}

} // namespace claim_sim
