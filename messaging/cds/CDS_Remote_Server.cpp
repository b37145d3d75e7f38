#include "messaging/cds/CDS_Remote_Server.h"

#include "glue/NV_store/NV_item.h"
#include "glue/cds/Lookup_item.h"
#include "glue/cds/Lookup_root.h"
#include "glue/cds/Head.h"
#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"
#include "messaging/cds/CDS_Remote_Msg.h"
#include "messaging/cds/CDS_Remote_Size.h"
#include "util/Bugger.h"
#include "util/Debug_base.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <zlib.h>

namespace CDS {
namespace Remote {

namespace {

// Holds the lock of the store an item belongs to: the data store's head for
// a lookup item, the settings tree's lock for a settings item.
class Item_guard {
public:
    explicit Item_guard(Data_item& item)
    {
        if (auto* lookup = dynamic_cast<Lookup_item*>(&item)) {
            head_ = &lookup->root()->get_head();
            head_->lock();
        } else if ((nv_ = dynamic_cast<NV_store::NV_item*>(&item))) {
            nv_->lock();
        }
    }
    ~Item_guard()
    {
        if (head_)
            head_->unlock();
        else if (nv_)
            nv_->unlock();
    }
    Item_guard(const Item_guard&) = delete;
    Item_guard& operator=(const Item_guard&) = delete;

private:
    Head* head_ = nullptr;
    NV_store::NV_item* nv_ = nullptr;
};

// Decodes the whole value; false when it fails or bytes are left over.
bool decode_whole(Data_item& item, unsigned short resume_id, const unsigned char* value, int length)
{
    Receive_buffer in(reinterpret_cast<const char*>(value), length);
    return item.deserialise(in, resume_id).ok() && in.get_remaining() == 0;
}

template <typename... Args> void trace(const char* format, Args... args)
{
    JDB::print(_JDB::CAN_BRIDGE, format, args...);
}

} // namespace

// --- Event_handler ----------------------------------------------------------------

void Event_handler::signal_event(bool)
{
    if (!server_)
        Bugger::report_bug("server");
    server_->item_changed(this);
}

// --- Set-up -------------------------------------------------------------------------

Server::Server() : root_list_(new Data_root_list)
{
    if (!root_list_)
        Bugger::report_bug("root_list");
}

Server::~Server()
{
    for (auto& handler : handlers_) {
        Item_guard guard(*handler->item());
        if (handler->item()->get_event_handler() == handler.get())
            handler->item()->set_event_handler(nullptr);
    }
}

void Server::add_cds_item(Lookup_item& item) { root_list_->add_cds_item(item); }

void Server::add_nv_item(NV_store::NV_item& item) { root_list_->add_nv_item(item); }

bool Server::prepare_ids()
{
    ids_text_length_ = unsigned(structure_size(*root_list_, DEPTH_UNLIMITED));
    return compress_ids();
}

bool Server::compress_ids()
{
    if (!compressed_ids_.empty()) {
        std::printf("CDS::Wrong server state to request compress\n");
        compressed_ids_.clear();
    }
    const int length = structure_size(*root_list_, DEPTH_UNLIMITED);
    std::vector<char> text(size_t(length) + 1);
    std::vector<unsigned char> packed(compressBound(uLong(length) + 1));
    if (get_ids_text(text.data(), 0, length + 1, 0, DEPTH_UNLIMITED) != length) {
        std::printf("CDS::Unable to get the IDs structure\n");
        return false;
    }
    uLongf packed_size = packed.size();
    if (compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(text.data()),
                  uLong(length), Z_DEFAULT_COMPRESSION) != Z_OK) {
        std::printf("CDS::Unable to compress the IDs structure\n");
        return false;
    }
    packed.resize(packed_size);
    compressed_ids_ = std::move(packed);
    ids_crc_ = unsigned(crc32(0, reinterpret_cast<const Bytef*>(text.data()), uInt(length)));
    return true;
}

int Server::get_ids_text(char* buffer, int skip, int size, unsigned short id, int depth)
{
    if (size <= 0)
        return 0;
    std::memset(buffer, 0, size_t(size));
    Data_item* item = id == 0 ? root_list_.get() : root_list_->find_data_item(id);
    if (!item)
        return 0;
    Send_buffer out(buffer, skip, size - 1);
    item->serialise_structure(out, depth);
    return int(std::strlen(buffer));
}

int Server::get_compressed_ids(unsigned char* buffer, unsigned offset, int length) const
{
    if (offset >= compressed_ids_.size())
        return 0;
    const int n = std::min(length, int(compressed_ids_.size() - offset));
    std::memcpy(buffer, compressed_ids_.data() + offset, size_t(n));
    return n;
}

// --- Requests -----------------------------------------------------------------------

Data_item* Server::find_item(unsigned short id, unsigned short resume_id)
{
    Data_item* item = root_list_->find_data_item(id);
    if (!item) {
        trace("Could not find %d\n", int(id));
        return nullptr;
    }
    if (resume_id != 0 && resume_id != id && !item->find_data_item(resume_id)) {
        trace("Resume %d is not inside %d\n", int(resume_id), int(id));
        return nullptr;
    }
    return item;
}

void Server::dispatch(Backend& backend, const unsigned char* message, int length)
{
    if (!message || length <= 0)
        return;
    const Msg_request_value request(message, length);
    switch (message[0]) {
    case KIND_REQUEST_IDS:
        send_ids(backend, message, length);
        return;
    case KIND_REQUEST_CRC:
        if (Msg_request_crc(message, length).valid()) {
            {
                Mutex::Protection guard(&lock_);
                if (Client_record* client = find_client(backend, true))
                    unsubscribe_all(*client);
            }
            send_crc(backend);
        }
        return;
    case KIND_REQUEST_VALUE:
        if (!request.valid())
            return;
        if (Data_item* item = find_item(request.item_id(), request.resume_id()))
            send_value(backend, *item, request.item_id(), request.resume_id());
        return;
    case KIND_WRITE_VALUE: {
        const Msg_send_value write(message, length);
        if (!write.valid())
            return;
        Data_item* item = find_item(write.item_id(), write.resume_id());
        if (!item) {
            trace("Change-not found\n");
            return;
        }
        write_value(backend, *item, write.item_id(), write.resume_id(), write.value(),
                    write.value_length());
        return;
    }
    case KIND_SUBSCRIBE:
        if (!request.valid())
            return;
        if (Data_item* item = find_item(request.item_id(), request.resume_id())) {
            subscribe_item(backend, *item);
            send_value(backend, *item, request.item_id(), request.resume_id());
        }
        return;
    case KIND_UNSUBSCRIBE:
        if (!request.valid())
            return;
        if (Data_item* item = find_item(request.item_id(), 0)) {
            Mutex::Protection guard(&lock_);
            Event_handler* handler = dynamic_cast<Event_handler*>(item->get_event_handler());
            Client_record* client = find_client(backend, false);
            if (client && handler && handler->server() == this)
                unsubscribe(*client, handler);
        }
        return;
    default:
        return;
    }
}

void Server::send_ids(Backend& backend, const unsigned char* message, int length)
{
    const Msg_request_ids request(message, length);
    if (!request.valid())
        return;
    unsigned char frame[MAX_REPLY_FRAME];
    int room = MAX_REPLY_FRAME;
    unsigned char* reply = backend.get_tx_buffer(frame, room);
    if (!reply || room < Msg_send_ids::EMPTY_LENGTH) {
        std::printf("RES BUFF IS NULL tx_len=%d\n", room);
        return;
    }
    const int chunk = std::min(room - Msg_send_ids::EMPTY_LENGTH, MAX_IDS_CHUNK);
    const unsigned offset = request.offset();
    unsigned char* data = reply + Msg_send_ids::HEADER;
    // An offset at or past the end gets the empty reply that ends a
    // transfer.
    int n = 0;
    if (request.item_id() == 0) {
        n = get_compressed_ids(data, offset, chunk);
    } else {
        // The window ends with a 0 byte, which is not sent.
        char text[MAX_IDS_CHUNK + 1];
        n = get_ids_text(text, int(offset), chunk + 1, request.item_id(), request.depth());
        std::memcpy(data, text, size_t(n));
    }
    const int reply_length = Msg_send_ids::finish(reply, offset, n);
    const bool sent = transmit(backend, frame, reply_length);
    trace("Send %d->%d bytes %s\n\n", room, n, sent ? "ok" : "fail");
}

void Server::send_crc(Backend& backend)
{
    unsigned char frame[MAX_REPLY_FRAME];
    int room = MAX_REPLY_FRAME;
    unsigned char* reply = backend.get_tx_buffer(frame, room);
    if (!reply || room < Msg_send_crc::LENGTH)
        return;
    trace("CRC=%x Len=%d\n", ids_crc_, int(ids_text_length_));
    transmit(backend, frame, Msg_send_crc::build(reply, ids_crc_, ids_text_length_));
}

void Server::write_value(Backend& backend, Data_item& item, unsigned short id,
                         unsigned short resume_id, const unsigned char* value, int length)
{
    if (!store_value(item, resume_id, value, length))
        trace("Change of %d refused: %d value bytes\n", int(id), length);
    send_value(backend, item, id, resume_id);
}

// A write is applied whole or not at all: the value bytes must be exactly
// what the item takes from the resume id on, and a value that still fails to
// decode (an array count that differs) is rolled back.
bool Server::store_value(Data_item& item, unsigned short resume_id, const unsigned char* value,
                         int length)
{
    if (root_list_->is_list_node(&item))
        return false;
    Item_guard guard(item);
    const int expected = serialised_size(item, resume_id);
    if (length != expected)
        return false;
    if (auto* lookup = dynamic_cast<Lookup_item*>(&item)) {
        void* field = lookup->get_address();
        const unsigned size = lookup->get_size();
        if (!field || size == 0)
            return false;
        std::vector<unsigned char> old(size);
        std::memcpy(old.data(), field, size);
        if (!decode_whole(item, resume_id, value, length)) {
            std::memcpy(field, old.data(), size);
            return false;
        }
        // The lookup tree's change tracking tells the changed items' handlers
        // (the store's subscribers were told by the items themselves).
        lookup->root()->signal_update(field, old.data(), size);
        return true;
    }
    std::vector<char> old(size_t(expected) + 1);
    Send_buffer saved(old.data(), 0, expected);
    unsigned short resume = resume_id;
    item.serialise(saved, resume);
    if (!decode_whole(item, resume_id, value, length)) {
        decode_whole(item, resume_id, reinterpret_cast<const unsigned char*>(old.data()), expected);
        return false;
    }
    return true;
}

bool Server::send_value(Backend& backend, Data_item& item, unsigned short id, unsigned short resume_id)
{
    unsigned char frame[MAX_REPLY_FRAME];
    int room = MAX_REPLY_FRAME;
    unsigned char* reply = backend.get_tx_buffer(frame, room);
    if (!reply || room < Msg_send_value::HEADER)
        return false;
    const int value_room = std::min(room - Msg_send_value::HEADER, MAX_VALUE_BYTES);
    Send_buffer out(reinterpret_cast<char*>(reply) + Msg_send_value::HEADER, 0, value_room);
    {
        Item_guard guard(item);
        unsigned short resume = resume_id;
        item.serialise(out, resume);
    }
    Msg_send_value::put_header(reply, KIND_SEND_VALUE, id, resume_id);
    return transmit(backend, frame, Msg_send_value::HEADER + value_room - out.get_free_space());
}

bool Server::transmit(Backend& backend, unsigned char* buffer, int length)
{
    if (!backend.send(buffer, length, true, CODE_SENT))
        return false;
    ++in_flight_;
    return true;
}

// --- Subscriptions ------------------------------------------------------------------

Client_record* Server::find_client(const Backend& backend, bool create)
{
    for (auto& client : clients_) {
        if (client->backend && client->backend->equals(backend))
            return client.get();
    }
    if (!create)
        return nullptr;
    clients_.emplace_back(new Client_record);
    clients_.back()->backend.reset(backend.clone());
    return clients_.back()->backend ? clients_.back().get() : nullptr;
}

Event_handler* Server::get_event_handler(Data_item& item)
{
    auto* handler = dynamic_cast<Event_handler*>(item.get_event_handler());
    if (handler && handler->server() == this)
        return handler;
    handlers_.emplace_back(new Event_handler(this, &item));
    item.set_event_handler(handlers_.back().get());
    return handlers_.back().get();
}

void Server::subscribe_item(Backend& backend, Data_item& item)
{
    // The handler is attached under the item's store lock, which the store's
    // writers hold when they call it.
    Item_guard store(item);
    Mutex::Protection guard(&lock_);
    Client_record* client = find_client(backend, true);
    if (!client)
        return;
    Event_handler* handler = get_event_handler(item);
    if (std::find(client->subscribed.begin(), client->subscribed.end(), handler) !=
        client->subscribed.end())
        return;
    client->subscribed.push_back(handler);
    handler->subscribers.push_back(client);
}

void Server::unsubscribe(Client_record& client, Event_handler* handler)
{
    auto& subs = handler->subscribers;
    subs.erase(std::remove(subs.begin(), subs.end(), &client), subs.end());
    client.subscribed.erase(std::remove(client.subscribed.begin(), client.subscribed.end(), handler),
                            client.subscribed.end());
    client.pending.erase(std::remove(client.pending.begin(), client.pending.end(), handler),
                         client.pending.end());
}

void Server::unsubscribe_all(Client_record& client)
{
    while (!client.subscribed.empty())
        unsubscribe(client, client.subscribed.back());
}

bool Server::drop_client(const Backend& backend)
{
    Mutex::Protection guard(&lock_);
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if ((*it)->backend && (*it)->backend->equals(backend)) {
            unsubscribe_all(**it);
            clients_.erase(it);
            return true;
        }
    }
    return false;
}

int Server::client_count()
{
    Mutex::Protection guard(&lock_);
    return int(clients_.size());
}

bool Server::has_subscriptions()
{
    Mutex::Protection guard(&lock_);
    for (const auto& client : clients_)
        if (!client->subscribed.empty() || !client->pending.empty())
            return true;
    return false;
}

int Server::subscription_count(const Backend& backend)
{
    Mutex::Protection guard(&lock_);
    Client_record* client = find_client(backend, false);
    return client ? int(client->subscribed.size()) : 0;
}

int Server::pending_count(const Backend& backend)
{
    Mutex::Protection guard(&lock_);
    Client_record* client = find_client(backend, false);
    return client ? int(client->pending.size()) : 0;
}

// --- Change pushes ------------------------------------------------------------------

void Server::item_changed(Event_handler* handler)
{
    Mutex::Protection guard(&lock_);
    for (Client_record* client : handler->subscribers) {
        if (std::find(client->pending.begin(), client->pending.end(), handler) == client->pending.end())
            client->pending.push_back(handler);
    }
}

void Server::handle_tx_event(int code)
{
    if (code == CODE_TICK) {
        send_next_update();
    } else if (code == CODE_SENT || code == -CODE_SENT) {
        if (in_flight_ > 0)
            --in_flight_;
        send_next_update();
    }
}

// At most one push in flight; the peers take turns, each round starting
// with the peer after the one served last.
void Server::send_next_update()
{
    if (in_flight_ > 0)
        return;
    Client_record* target = nullptr;
    Event_handler* handler = nullptr;
    {
        Mutex::Protection guard(&lock_);
        const size_t count = clients_.size();
        for (size_t i = 0; i < count && !target; ++i) {
            const size_t index = (next_client_ + i) % count;
            Client_record* client = clients_[index].get();
            while (!client->pending.empty()) {
                Event_handler* first = client->pending.front();
                client->pending.pop_front();
                if (first->server() && first->item()) {
                    target = client;
                    handler = first;
                    next_client_ = index + 1;
                    break;
                }
            }
        }
    }
    if (!target || !target->backend ||
        send_value(*target->backend, *handler->item(), handler->item()->get_id(), 0))
        return;
    // The transport refused it (its queue is full): the change stays due
    // and goes out on a later tick, unless a newer change queued it again.
    Mutex::Protection guard(&lock_);
    if (std::find(target->pending.begin(), target->pending.end(), handler) == target->pending.end())
        target->pending.push_front(handler);
}

} // namespace Remote
} // namespace CDS
