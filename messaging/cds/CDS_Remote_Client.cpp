#include "messaging/cds/CDS_Remote_Client.h"

#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"
#include "messaging/cds/CDS_Remote_Msg.h"
#include "messaging/cds/CDS_Remote_Size.h"
#include "util/Debug_print.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace CDS {
namespace Remote {

namespace {

constexpr int MAX_STRUCTURE_DEPTH = 64;

void make_directories(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/')
            mkdir(path.substr(0, i).c_str(), 0755);
    }
}

unsigned text_checksum(const char* text, size_t length)
{
    return unsigned(crc32(0, reinterpret_cast<const Bytef*>(text), uInt(length)));
}

// Reads the children of a structure whose "{" is consumed, up to and with
// its "}". False at the first fault.
bool read_children(Receive_buffer& in, Struct& parent, int depth)
{
    if (depth > MAX_STRUCTURE_DEPTH)
        return false;
    if (in.struct_finish()) {
        in.pop_one();
        return true;
    }
    for (;;) {
        Data_item::item_type_t type;
        unsigned short id = 0;
        int name_length = 0;
        const char* name = in.pop_item(type, id, name_length);
        if (!name)
            return false;
        std::string item_name(name, size_t(name_length));
        if (in.struct_start()) {
            in.pop_one();
            std::unique_ptr<Struct> child(new Struct(id, type, item_name));
            if (!read_children(in, *child, depth + 1))
                return false;
            parent.add_child(std::move(child));
        } else if (std::unique_ptr<Item> leaf = make_leaf(type, id, item_name)) {
            parent.add_child(std::move(leaf));
        }
        if (in.field_sep()) {
            in.pop_one();
            continue;
        }
        if (in.struct_finish()) {
            in.pop_one();
            return true;
        }
        return false;
    }
}

} // namespace

Client::Client(Listener* listener, const char* cache_dir)
    : listener_(listener), cache_dir_(cache_dir ? cache_dir : "")
{
    if (!cache_dir_.empty())
        make_directories(cache_dir_);
}

Client::~Client() = default;

void Client::tell_state(int code)
{
    if (listener_)
        listener_->state(code);
}

// --- Requests -------------------------------------------------------------------------

bool Client::send_request(unsigned char kind, unsigned short id, unsigned short resume_id)
{
    unsigned char buffer[32];
    int length = int(sizeof buffer);
    unsigned char* message = get_tx_buffer(buffer, length);
    if (!message || length < Msg_request_value::LENGTH)
        return false;
    Msg_request_value::build(message, kind, id, resume_id);
    return send(buffer, Msg_request_value::LENGTH);
}

bool Client::request_ids(unsigned offset)
{
    unsigned char buffer[32];
    int length = int(sizeof buffer);
    unsigned char* message = get_tx_buffer(buffer, length);
    if (!message || length < Msg_request_ids::LENGTH)
        return false;
    Msg_request_ids::build(message, 0, offset, DEPTH_UNLIMITED);
    return send(buffer, Msg_request_ids::LENGTH);
}

bool Client::start(bool ask_checksum)
{
    if (!ask_checksum)
        return request_ids(0);
    unsigned char buffer[32];
    int length = int(sizeof buffer);
    unsigned char* message = get_tx_buffer(buffer, length);
    if (!message || length < Msg_request_crc::LENGTH)
        return false;
    message[0] = KIND_REQUEST_CRC;
    return send(buffer, Msg_request_crc::LENGTH);
}

bool Client::request_value(unsigned short id, unsigned short resume_id)
{
    return send_request(KIND_REQUEST_VALUE, id, resume_id);
}

bool Client::request_subscribe(unsigned short id, unsigned short resume_id)
{
    return send_request(KIND_SUBSCRIBE, id, resume_id);
}

bool Client::request_unsubscribe(unsigned short id, unsigned short resume_id)
{
    return send_request(KIND_UNSUBSCRIBE, id, resume_id);
}

bool Client::request_by_path(unsigned char kind, const char* path)
{
    const int id = get_id(path);
    return id >= 0 && send_request(kind, static_cast<unsigned short>(id), 0);
}

bool Client::request_value(const char* path) { return request_by_path(KIND_REQUEST_VALUE, path); }
bool Client::request_subscribe(const char* path) { return request_by_path(KIND_SUBSCRIBE, path); }
bool Client::request_unsubscribe(const char* path) { return request_by_path(KIND_UNSUBSCRIBE, path); }

bool Client::write_value(unsigned short id, const QVariant& value)
{
    unsigned char buffer[MAX_REPLY_FRAME];
    int length = int(sizeof buffer);
    unsigned char* message = get_tx_buffer(buffer, length);
    if (!message || length < Msg_send_value::HEADER)
        return false;
    const int room = length - Msg_send_value::HEADER;
    int value_length = 0;
    {
        Mutex::Protection guard(&lock_);
        Item* item = root_ ? static_cast<Item*>(root_->find_data_item(id)) : nullptr;
        if (!item || !item->set_value(value))
            return false;
        // A value that needs more than one message is not sent in part.
        value_length = serialised_size(*item, id);
        if (value_length > room)
            return false;
        Send_buffer out(reinterpret_cast<char*>(message) + Msg_send_value::HEADER, 0, room);
        unsigned short resume = id;
        item->serialise(out, resume);
    }
    Msg_send_value::put_header(message, KIND_WRITE_VALUE, id, id);
    return send(buffer, Msg_send_value::HEADER + value_length);
}

bool Client::write_value(const char* path, const QVariant& value)
{
    const int id = get_id(path);
    return id >= 0 && write_value(static_cast<unsigned short>(id), value);
}

// --- Mirror -----------------------------------------------------------------------------

int Client::get_id(const char* path)
{
    Mutex::Protection guard(&lock_);
    Data_item* item = root_ ? root_->find_data_item(path) : nullptr;
    return item ? int(item->get_id()) : -1;
}

QVariant Client::get_value(unsigned short id)
{
    Mutex::Protection guard(&lock_);
    Data_item* item = root_ ? root_->find_data_item(id) : nullptr;
    return item ? static_cast<Item*>(item)->get_value() : QVariant();
}

int Client::get_update_count(unsigned short id)
{
    Mutex::Protection guard(&lock_);
    Data_item* item = root_ ? root_->find_data_item(id) : nullptr;
    return item ? static_cast<Item*>(item)->update_count() : -1;
}

bool Client::has_mirror()
{
    Mutex::Protection guard(&lock_);
    return root_ != nullptr;
}

std::string Client::print_mirror()
{
    Mutex::Protection guard(&lock_);
    std::string out;
    if (root_)
        root_->print(out, 0);
    return out;
}

bool Client::process_ids_list(const char* text, int length)
{
    Mutex::Protection guard(&lock_);
    root_.reset();
    Receive_buffer in(text, length);
    Data_item::item_type_t type;
    unsigned short id = 0;
    int name_length = 0;
    const char* name = in.pop_item(type, id, name_length);
    if (!name || !in.struct_start())
        return false;
    in.pop_one();
    std::unique_ptr<Root> root(new Root(id, type, std::string(name, size_t(name_length)), this));
    if (!root) {
        Debug_print::dprint("root\n");
        return false;
    }
    if (!read_children(in, *root, 1)) {
        Debug_print::dprint("GRR No finish\n");
        return false;
    }
    unsigned short min = 0xFFFF, max = 0;
    root->set_minmax(min, max);
    root_ = std::move(root);
    return true;
}

// --- Replies ------------------------------------------------------------------------------

void Client::handle_message(const unsigned char* message, int length)
{
    if (!message || length <= 0)
        return;
    switch (message[0]) {
    case KIND_SEND_IDS: on_ids(message, length); return;
    case KIND_SEND_VALUE: on_value(message, length); return;
    case KIND_SEND_CRC: on_checksum(message, length); return;
    default: return;
    }
}

void Client::on_ids(const unsigned char* message, int length)
{
    const Msg_send_ids piece(message, length);
    if (!piece.valid())
        return;
    if (piece.offset() == 0)
        received_.clear();
    if (piece.offset() != received_.size()) {
        Debug_print::dprint("Bad offset %d vs %d\n", int(piece.offset()), int(received_.size()));
        received_.clear();
        tell_state(STATE_BROKEN);
        return;
    }
    // No honest server sends more than the compressed text can take.
    const unsigned limit = have_checksum_ ? unsigned(compressBound(text_length_ + 1)) : MAX_TEXT_LENGTH;
    if (received_.size() + size_t(piece.data_length()) > limit) {
        received_.clear();
        tell_state(STATE_BROKEN);
        return;
    }
    received_.insert(received_.end(), piece.data(), piece.data() + piece.data_length());
    if (piece.data_length() > 0) {
        request_ids(unsigned(received_.size()));
        tell_state(STATE_FETCHING);
        return;
    }
    finish_transfer();
}

// Uncompresses the received block into the announced length (or, without
// an announcement, into a buffer that grows up to the limit), checks it
// against the checksum, builds the mirror and keeps the text in the cache.
void Client::finish_transfer()
{
    std::vector<char> text;
    uLongf size = 0;
    int rc = Z_BUF_ERROR;
    for (uLong capacity = have_checksum_ ? text_length_ : 65536u;
         rc == Z_BUF_ERROR && capacity <= MAX_TEXT_LENGTH; capacity *= 2) {
        text.assign(capacity ? capacity : 1, '\0');
        size = text.size();
        rc = uncompress(reinterpret_cast<Bytef*>(text.data()), &size, received_.data(), uLong(received_.size()));
        if (have_checksum_)
            break;
    }
    received_.clear();
    if (rc == Z_MEM_ERROR) {
        Debug_print::dprint("CDS::Unable to allocate memory for uncompress\n");
        tell_state(STATE_FAILED);
        return;
    }
    if (rc != Z_OK || (have_checksum_ && (size != text_length_ ||
                                          text_checksum(text.data(), size) != checksum_))) {
        Debug_print::dprint("CDS::Unable to uncompress the IDs structure\n");
        tell_state(STATE_FAILED);
        return;
    }
    text.resize(size);
    if (!process_ids_list(text.data(), int(text.size()))) {
        tell_state(STATE_FAILED);
        return;
    }
    if (!have_checksum_) {
        checksum_ = text_checksum(text.data(), text.size());
        text_length_ = unsigned(text.size());
        have_checksum_ = true;
        form_cache_path();
    }
    save_cache(text);
    tell_state(STATE_READY);
}

void Client::on_value(const unsigned char* message, int length)
{
    const Msg_send_value reply(message, length);
    if (!reply.valid())
        return;
    const unsigned short id = reply.item_id();
    const unsigned short resume = reply.resume_id();
    Data_item::Serial_ret ret;
    std::string stop_name, next_name;
    {
        Mutex::Protection guard(&lock_);
        Data_item* item = root_ ? root_->find_data_item(id) : nullptr;
        if (!item)
            return;
        Receive_buffer in(reinterpret_cast<const char*>(reply.value()), reply.value_length());
        unsigned short from = resume;
        ret = item->deserialise(in, from);
        if (ret.fail()) {
            Data_item* stop = root_->find_data_item(ret.stop());
            Data_item* next = ret.next() ? root_->find_data_item(ret.next()) : nullptr;
            stop_name = stop ? stop->get_name() : "UNKNOWN??";
            next_name = next ? next->get_name() : "UNKNOWN??";
        }
    }
    if (ret.ok()) {
        if (listener_)
            listener_->value_changed(id);
        return;
    }
    Debug_print::dprint("Truncated at %d(%s) next %d(%s)\n", int(ret.stop()), stop_name.c_str(),
                        int(ret.next()), next_name.c_str());
    if (ret.stop() != resume) {
        request_value(id, ret.stop());
        return;
    }
    // The leaf asked for does not fit into one message: skip it.
    Debug_print::dprint("Got nowhere on that transaction\n");
    if (ret.next())
        request_value(id, ret.next());
    if (listener_)
        listener_->value_changed(id);
}

void Client::on_checksum(const unsigned char* message, int length)
{
    const Msg_send_crc reply(message, length);
    if (!reply.valid())
        return;
    if (has_mirror()) {
        Debug_print::dprint("Got second CRC message\n");
        return;
    }
    if (reply.text_length() > MAX_TEXT_LENGTH) {
        tell_state(STATE_FAILED);
        return;
    }
    checksum_ = reply.crc();
    text_length_ = reply.text_length();
    have_checksum_ = true;
    form_cache_path();
    if (load_cache()) {
        Debug_print::dprint("Got cache\n");
        tell_state(STATE_READY);
        return;
    }
    request_ids(0);
}

// --- Cache file ---------------------------------------------------------------------------

void Client::form_cache_path()
{
    if (cache_dir_.empty()) {
        cache_path_.clear();
        return;
    }
    char name[64];
    std::snprintf(name, sizeof name, "cds_cache_%x_%d", checksum_, int(text_length_));
    cache_path_ = cache_dir_ + name;
}

// Only a file of exactly the announced length whose text has the announced
// checksum and parses is taken; anything else is ignored (and refetched).
bool Client::load_cache()
{
    if (cache_path_.empty())
        return false;
    FILE* file = std::fopen(cache_path_.c_str(), "rb");
    if (!file)
        return false;
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0 && info.st_size == off_t(text_length_);
    std::vector<char> text(text_length_ ? text_length_ : 1);
    ok = ok && std::fread(text.data(), 1, text_length_, file) == text_length_;
    std::fclose(file);
    if (!ok || text_checksum(text.data(), text_length_) != checksum_)
        return false;
    return process_ids_list(text.data(), int(text_length_));
}

// Written under another name and renamed, so that a reader never sees half
// a file.
void Client::save_cache(const std::vector<char>& text) const
{
    if (cache_path_.empty())
        return;
    const std::string part = cache_path_ + ".part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) == 0 && written)
        std::rename(part.c_str(), cache_path_.c_str());
    else
        std::remove(part.c_str());
}

} // namespace Remote
} // namespace CDS
