// A small served world for the remote data-store tests: a live data block
// with one field of every value type (a record of them, an array longer
// than one message and a record array longer than one message) behind its
// own head and lookup tree, a settings tree with one setting of several
// types, a server over both, and peers that reach the server without a bus.
#pragma once

#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Head.h"
#include "glue/cds/Lookup_basic.h"
#include "glue/cds/Lookup_root.h"
#include "messaging/cds/CDS_Remote_Client.h"
#include "messaging/cds/CDS_Remote_Msg.h"
#include "messaging/cds/CDS_Remote_Server.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace remote_test {

// Every value type: C++ type, field name, a value to write.
#define REMOTE_TEST_VALUES(X)                                                                      \
    X(bool, flag, true)                                                                            \
    X(char, letter, 'q')                                                                           \
    X(unsigned char, level, 200)                                                                   \
    X(unsigned short, count, 0xBEEF)                                                               \
    X(unsigned int, total, 0xDEADBEEFu)                                                            \
    X(signed char, offset, -7)                                                                     \
    X(short, trim, -12345)                                                                         \
    X(int, position, -123456789)                                                                   \
    X(float, rate, 12.5f)                                                                          \
    X(double, area, -1234.0625)                                                                    \
    X(unsigned long long, hours, 0x0123456789ABCDEFull)                                            \
    X(long long, balance, -0x0123456789ABCDEll)

struct Values {
#define FIELD(T, name, value) T name;
    REMOTE_TEST_VALUES(FIELD)
#undef FIELD
};

constexpr int SERIES = 20;  // 1 + 20 * 8 bytes: one leaf longer than a message
constexpr int HISTORY = 4;  // 4 records of 44 bytes: a record array longer than a message

struct Block {
    Values values;
    double series[SERIES];
    Values history[HISTORY];
};

class Values_lookup : public CDS::Lookup_struct {
public:
    Values_lookup(CDS::Lookup_struct& parent, const char* name, Values& v)
        : CDS::Lookup_struct(parent, name, &v, sizeof v)
#define MEMBER_INIT(T, name, value) , name(*this, #name, &v.name)
          REMOTE_TEST_VALUES(MEMBER_INIT)
#undef MEMBER_INIT
    {
    }
#define MEMBER(T, name, value) CDS::Lookup_basic<T> name;
    REMOTE_TEST_VALUES(MEMBER)
#undef MEMBER
};

class History_lookup : public CDS::Lookup_struct {
public:
    History_lookup(CDS::Lookup_struct& parent, Values (&records)[HISTORY])
        : CDS::Lookup_struct(parent, "history", records, sizeof records)
    {
        for (int i = 0; i < HISTORY; ++i)
            elements.emplace_back(new Values_lookup(*this, CDS::get_number_as_name(unsigned(i)), records[i]));
    }
    std::vector<std::unique_ptr<Values_lookup>> elements;
};

class Block_lookup : public CDS::Lookup_root {
public:
    Block_lookup(CDS::Head& head, Block& b)
        : CDS::Lookup_root(head, &b, sizeof b, "data_store"), values(*this, "values", b.values),
          series(*this, "series", b.series, SERIES), history(*this, b.history)
    {
        head.set_lookup(this);
        unsigned short min = 0xFFFF, max = 0;
        set_minmax(min, max);
    }
    Values_lookup values;
    CDS::Lookup_basic_array<double> series;
    History_lookup history;
};

class Settings : public NV_store::NV_root {
public:
    Settings() : NV_store::NV_root(nullptr, 0, "PS") {}
    NV_store::NV_number<bool, Data_item::ITEM_BOOL> enabled{this, 1, false, "enabled"};
    NV_store::NV_number<unsigned short, Data_item::ITEM_USHORT> interval{this, 2, 500, "interval"};
    NV_store::NV_number<float, Data_item::ITEM_FLOAT> width{this, 3, 6.0f, "width"};
    NV_store::NV_number<long long, Data_item::ITEM_LONGLONG> serial{this, 4, 0, "serial"};
};

// One message a peer received: whom it reached and its protocol bytes.
struct Sent {
    int peer;
    std::vector<unsigned char> bytes;
};

// A peer as the server sees it: numbered, with a two-byte transport header
// like the CAN bridge's; every message sent lands in the log.
class Test_backend : public CDS::Remote::Backend {
public:
    Test_backend(int peer, std::vector<Sent>* log,
                 std::shared_ptr<int> refused = std::make_shared<int>(0))
        : peer_(peer), log_(log), refused_(std::move(refused))
    {
    }

    // The next n sends through this backend or its copies are refused, as
    // a transport with a full queue would.
    void refuse_sends(int n) { *refused_ = n; }

    unsigned char* get_tx_buffer(unsigned char* buffer, int& length) override
    {
        if (length < 2)
            return nullptr;
        buffer[0] = buffer[1] = 0xF1;
        length -= 2;
        return buffer + 2;
    }
    int send(unsigned char* buffer, int length, bool, int) override
    {
        if (*refused_ > 0) {
            --*refused_;
            return 0;
        }
        log_->push_back(Sent{peer_, std::vector<unsigned char>(buffer + 2, buffer + 2 + length)});
        return 1;
    }
    bool equals(const CDS::Remote::Backend& other) const override
    {
        auto* b = dynamic_cast<const Test_backend*>(&other);
        return b && b->peer_ == peer_;
    }
    CDS::Remote::Backend* clone() const override { return new Test_backend(peer_, log_, refused_); }

private:
    int peer_;
    std::vector<Sent>* log_;
    std::shared_ptr<int> refused_;
};

// The served world.
struct World {
    Block block{};
    CDS::Head head{nullptr, reinterpret_cast<unsigned long>(&block)};
    Block_lookup lookup{head, block};
    Settings settings;
    CDS::Remote::Server server;
    std::vector<Sent> sent;

    World()
    {
        server.add_cds_item(lookup);
        server.add_nv_item(settings);
        server.prepare_ids();
    }

    // The whole structure text, as the server has it.
    std::string structure_text()
    {
        std::string text(server.ids_text_length() + 1, '\0');
        CDS::Remote::Send_buffer out(&text[0], 0, int(text.size()));
        server.root_list().serialise_structure(out, 255);
        text.resize(server.ids_text_length());
        return text;
    }
};

// A client wired to a world's server through queues: pump() carries
// requests and replies both ways (and reports every reply as sent) until
// nothing moves.
class Loop_client : public CDS::Remote::Client {
public:
    Loop_client(World& world, int peer, const std::string& cache_dir, Listener* listener = nullptr)
        : Client(listener, cache_dir.c_str()), world_(world), backend_(peer, &replies_)
    {
    }

    unsigned char* get_tx_buffer(unsigned char* buffer, int& length) override
    {
        return backend_.get_tx_buffer(buffer, length);
    }
    bool send(unsigned char* buffer, int length) override
    {
        requests.emplace_back(buffer + 2, buffer + 2 + length);
        return true;
    }

    // Requests as sent, oldest first (kept for inspection).
    std::vector<std::vector<unsigned char>> requests;

    void pump()
    {
        while (next_request_ < requests.size() || !replies_.empty()) {
            if (next_request_ < requests.size()) {
                const std::vector<unsigned char> r = requests[next_request_++];
                world_.server.dispatch(backend_, r.data(), int(r.size()));
            }
            while (!replies_.empty()) {
                const Sent reply = replies_.front();
                replies_.erase(replies_.begin());
                handle_message(reply.bytes.data(), int(reply.bytes.size()));
                world_.server.handle_tx_event(CDS::Remote::Server::CODE_SENT);
            }
        }
    }
    // Runs a tick of the server (a push, when one is due) and delivers.
    void tick()
    {
        world_.server.handle_tx_event(CDS::Remote::Server::CODE_TICK);
        pump();
    }
    Test_backend& backend() { return backend_; }

private:
    World& world_;
    std::vector<Sent> replies_;
    Test_backend backend_;
    size_t next_request_ = 0;
};

// Records what a client tells.
class Recording_listener : public CDS::Remote::Client::Listener {
public:
    void value_changed(unsigned short id) override { changed.push_back(id); }
    void state(int code) override { states.push_back(code); }
    std::vector<unsigned short> changed;
    std::vector<int> states;
};

} // namespace remote_test
