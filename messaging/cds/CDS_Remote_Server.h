// The server of the remote data-store protocol: serves the live data store
// and the settings tree to peers. It owns the served tree and its compressed
// structure text, answers each request the transport hands it, keeps per
// peer which items it subscribed to, and pushes the values of changed
// subscribed items, one transmission at a time.
//
// Threads: dispatch, handle_tx_event and drop_client run on the transport's
// thread; Event_handler::signal_event runs on the thread of whoever writes a
// served item (under that store's lock). The server's lock guards the client
// records, their pending pushes and the handlers' subscriber lists; it is
// always taken after a store's lock, never before.
#pragma once

#include "glue/cds/Data_item.h"
#include "glue/diner/Mutex.h"
#include "messaging/cds/CDS_Remote_Backend.h"
#include "messaging/cds/CDS_Remote_Tree.h"

#include <deque>
#include <memory>
#include <vector>

namespace CDS {

class Lookup_item;

namespace Remote {

class Server;
struct Client_record;

// Attached to a served item on its first subscription; the item's store
// calls it when the item's value changes.
class Event_handler : public Data_item::Event_handler {
public:
    Event_handler(Server* server, Data_item* item) : server_(server), item_(item) {}

    void signal_event(bool changed) override;

    Server* server() const { return server_; }
    Data_item* item() const { return item_; }
    // The peers subscribed to the item (under the server's lock).
    std::vector<Client_record*> subscribers;

private:
    Server* server_;
    Data_item* item_;
};

// One peer: the way back to it, the items it subscribed to and the changed
// ones still to be pushed (each at most once: a second change before the
// push is carried by the same push, which sends the value of that moment).
struct Client_record {
    std::unique_ptr<Backend> backend;
    std::vector<Event_handler*> subscribed;
    std::deque<Event_handler*> pending;
};

class Server {
public:
    // Transmission codes of the transport's reports.
    static constexpr int CODE_TICK = 0;
    static constexpr int CODE_SENT = 100;

    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Serves a live data-store lookup tree (under "cds") or a settings tree
    // (under "nv"). Both before prepare_ids.
    void add_cds_item(Lookup_item& item);
    void add_nv_item(NV_store::NV_item& item);
    // Measures, checksums and compresses the structure text of the whole
    // served tree; false (whole-tree requests then get empty replies) when
    // that failed.
    bool prepare_ids();

    // One request from the peer behind backend.
    void dispatch(Backend& backend, const unsigned char* message, int length);
    // CODE_TICK: the periodic tick; CODE_SENT and -CODE_SENT: a transmission
    // ended (sent or failed); other codes are ignored.
    void handle_tx_event(int code);
    // The peer behind backend left the bus: its subscriptions end and its
    // pending pushes are dropped. False when it was not known.
    bool drop_client(const Backend& backend);

    // Called by an item's Event_handler when the item changed.
    void item_changed(Event_handler* handler);

    Data_root_list& root_list() { return *root_list_; }
    unsigned ids_text_length() const { return ids_text_length_; }
    unsigned ids_crc() const { return ids_crc_; }
    const std::vector<unsigned char>& compressed_ids() const { return compressed_ids_; }
    int in_flight() const { return in_flight_; }
    int client_count();
    // Whether any peer is subscribed to an item (or has a push due): only
    // then does the server need the transport's tick.
    bool has_subscriptions();
    // Items the peer behind backend is subscribed to (0 when unknown).
    int subscription_count(const Backend& backend);
    // Pushes waiting for the peer behind backend.
    int pending_count(const Backend& backend);

private:
    Client_record* find_client(const Backend& backend, bool create);
    Event_handler* get_event_handler(Data_item& item);
    void subscribe_item(Backend& backend, Data_item& item);
    void unsubscribe(Client_record& client, Event_handler* handler);
    void unsubscribe_all(Client_record& client);
    // The item of a request, when the served tree holds it and the resume
    // id names it or a leaf below it.
    Data_item* find_item(unsigned short id, unsigned short resume_id);

    void send_ids(Backend& backend, const unsigned char* message, int length);
    void send_crc(Backend& backend);
    void write_value(Backend& backend, Data_item& item, unsigned short id, unsigned short resume_id,
                     const unsigned char* value, int length);
    bool store_value(Data_item& item, unsigned short resume_id, const unsigned char* value, int length);
    // False when the transport refused the reply.
    bool send_value(Backend& backend, Data_item& item, unsigned short id, unsigned short resume_id);
    void send_next_update();
    bool transmit(Backend& backend, unsigned char* buffer, int length);

    // The structure text window [skip, skip + size) of the item (0: the
    // whole tree) written into buffer; returns its length.
    int get_ids_text(char* buffer, int skip, int size, unsigned short id, int depth);
    int get_compressed_ids(unsigned char* buffer, unsigned offset, int length) const;
    bool compress_ids();

    std::unique_ptr<Data_root_list> root_list_;
    unsigned ids_text_length_ = 0;
    unsigned ids_crc_ = 0;
    std::vector<unsigned char> compressed_ids_;
    std::vector<std::unique_ptr<Client_record>> clients_;
    std::vector<std::unique_ptr<Event_handler>> handlers_;
    size_t next_client_ = 0; // where the next push round starts
    int in_flight_ = 0;
    Mutex lock_;
};

} // namespace Remote
} // namespace CDS
