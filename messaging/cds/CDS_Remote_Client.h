// The peer's side of the remote data-store protocol: fetches the structure
// text of the served tree (or takes it from its cache file), builds a mirror
// of the served items, reads, writes and subscribes values by path or id and
// applies the replies and pushes to the mirror. It is transport-free: a
// subclass supplies the transmit buffer and the send, and hands every
// received message to handle_message.
//
//   class My_client : public CDS::Remote::Client { ...get_tx_buffer, send... };
//   My_client client(&listener);
//   client.start(true);                  // checksum first: the cache may do
//   ... listener.state(Client::STATE_READY) ...
//   client.request_subscribe("cds.data_store.system.alive");
#pragma once

#include "glue/diner/Mutex.h"
#include "messaging/cds/CDS_Remote_Mirror.h"

#include <QVariant>

#include <memory>
#include <string>
#include <vector>

namespace CDS {
namespace Remote {

class Client {
public:
    // States told to the listener.
    enum State {
        STATE_FAILED = 0,   // the structure could not be uncompressed or read
        STATE_READY = 1,    // the mirror is built
        STATE_FETCHING = 2, // a piece of the structure arrived, the next is asked for
        STATE_BROKEN = 3,   // a piece arrived out of order; the transfer was dropped
    };

    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void value_changed(unsigned short id) = 0;
        virtual void state(int code) = 0;
    };

    static constexpr const char* DEFAULT_CACHE_DIR = "/usr/share/sowvane/";
    // Limit on the structure text a server may announce.
    static constexpr unsigned MAX_TEXT_LENGTH = 64u << 20;

    // Creates the cache directory (and its parents) when missing; without a
    // directory (null or empty) nothing is cached.
    explicit Client(Listener* listener, const char* cache_dir = DEFAULT_CACHE_DIR);
    virtual ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The transport: the message area of a caller's buffer (null when too
    // short), and the send of length message bytes placed there.
    virtual unsigned char* get_tx_buffer(unsigned char* buffer, int& length) = 0;
    virtual bool send(unsigned char* buffer, int length) = 0;
    // One received reply or push.
    virtual void handle_message(const unsigned char* message, int length);

    // With the flag: ask for the checksum first (the cache may make the
    // transfer unnecessary); without: fetch the structure at once.
    bool start(bool ask_checksum);
    bool request_value(unsigned short id, unsigned short resume_id = 0);
    bool request_subscribe(unsigned short id, unsigned short resume_id = 0);
    bool request_unsubscribe(unsigned short id, unsigned short resume_id = 0);
    bool request_value(const char* path);
    bool request_subscribe(const char* path);
    bool request_unsubscribe(const char* path);
    // Sets the mirror item and sends the write; false when the variant does
    // not convert or the value does not fit into one message.
    bool write_value(unsigned short id, const QVariant& value);
    bool write_value(const char* path, const QVariant& value);

    // The item's id, or -1 without mirror or item. Paths are dotted, below
    // the root ("cds.data_store.system.alive").
    int get_id(const char* path);
    // The mirror's value of the item (invalid when none arrived yet).
    QVariant get_value(unsigned short id);
    // Completed updates of the item's value (-1 when unknown).
    int get_update_count(unsigned short id);
    bool has_mirror();
    // The mirror as "name(id) = value" lines.
    std::string print_mirror();
    // Builds the mirror from a structure text; false (no mirror) when the
    // text is malformed.
    bool process_ids_list(const char* text, int length);

    const std::string& cache_path() const { return cache_path_; }

private:
    bool send_request(unsigned char kind, unsigned short id, unsigned short resume_id);
    bool request_ids(unsigned offset);
    bool request_by_path(unsigned char kind, const char* path);
    void on_ids(const unsigned char* message, int length);
    void on_value(const unsigned char* message, int length);
    void on_checksum(const unsigned char* message, int length);
    void finish_transfer();
    void form_cache_path();
    bool load_cache();
    void save_cache(const std::vector<char>& text) const;
    void tell_state(int code);

    Mutex lock_;
    std::unique_ptr<Root> root_;
    Listener* listener_;
    std::vector<unsigned char> received_;
    bool have_checksum_ = false;
    unsigned checksum_ = 0;
    unsigned text_length_ = 0;
    std::string cache_dir_;
    std::string cache_path_;
};

} // namespace Remote
} // namespace CDS
