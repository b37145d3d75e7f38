#include "platform/tc/TC_attribute.h"

#include "glue/quor/Quor_message.h"

#include <cstdio>
#include <cstring>

namespace TC {

// ---------------------------------------------------------------------------
// Attribute

void Attribute::complain(Spec_node* node, const char* what) const
{
    char element[64] = "?";
    if (node)
        node->get_name(element, sizeof element);
    std::fprintf(stderr, "Object %s: attribute '%s' %s\n", element, get_name(), what);
}

void Attribute::code_indent(std::ostream& out, int indent)
{
    for (int i = 0; i < indent; ++i)
        out << "    ";
}

void Attribute::get_code_def(const char* prefix, std::ostream& out, int indent) const
{
    code_indent(out, indent);
    out << code_type() << " " << prefix << "_" << get_name() << ";\n";
}

void Attribute::get_code_init(const char* prefix, std::ostream& out, int indent) const
{
    code_indent(out, indent);
    out << prefix << "_" << get_name() << " = " << code_value() << ";\n";
}

void Attribute::get_code_valref(const char* prefix, std::ostream& out, int indent) const
{
    out << prefix << "_" << get_name();
}

void Attribute::get_code_body(const char* prefix, std::ostream& out, int indent) const {}

// ---------------------------------------------------------------------------
// Object ids and labels

bool Attribute_object_id::set_by_spec(Spec_node* node)
{
    if (!node || !node->attribute_exists(get_name()))
        return true;
    char target[64] = "";
    node->get_attribute_string(target, sizeof target, get_name());
    object_id_t id = node->get_object_id(target);
    if (id == NULL_OBJECT_ID) {
        char what[128];
        std::snprintf(what, sizeof what, "names the missing object '%s'", target);
        complain(node, what);
        return false;
    }
    set(id);
    return true;
}

bool Attribute_object_id::set_by_node(Spec_node* node)
{
    object_id_t id = node ? node->get_own_object_id() : NULL_OBJECT_ID;
    if (id == NULL_OBJECT_ID)
        return false;
    set(id);
    return true;
}

int Attribute_label::serialise(int offset, unsigned char* buffer, int len) const
{
    return serialise_piece(reinterpret_cast<const unsigned char*>(label_), 3, offset, buffer, len);
}

int Attribute_label::deserialise(int offset, const unsigned char* buffer, int len)
{
    unsigned char read[3];
    std::memcpy(read, label_, 3);
    int n = deserialise_piece(read, 3, offset, buffer, len);
    read_ok_ = std::memcmp(read, label_, 3) == 0;
    return n;
}

// ---------------------------------------------------------------------------
// Arrays

template <typename T>
bool Attribute_array_base<T>::set_by_spec(Spec_node* node)
{
    std::fprintf(stderr, "Tried to spec array and failed");
    if (node) {
        char element[64] = "";
        node->get_name(element, sizeof element);
        std::fprintf(stderr, " node '%s'", element);
    }
    std::fprintf(stderr, " attribute '%s'\n", this->get_name());
    return false;
}

template <typename T>
void Attribute_array_base<T>::print(std::ostream& out, int indent) const
{
    Attribute::print(out, indent);
}

template <typename T>
std::string Attribute_array_base<T>::display_string() const
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "0x";
    for (int i = 0; i < count_; ++i) {
        auto b = static_cast<unsigned char>(data_[i]);
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

template class Attribute_array_base<char>;
template class Attribute_array_base<unsigned char>;

Attribute_array<char>::Attribute_array(const char* name, int max_len)
    : Attribute_array_base<char>(name, nullptr, 0, 0), storage_(1, '\0'), max_len_(max_len)
{
    data_ = storage_.data();
}

bool Attribute_array<char>::set_count(int count)
{
    if (count < 0 || count > max_len_)
        return false;
    if (count + 1 > int(storage_.size()))
        storage_.resize(size_t(count) + 1, '\0');
    data_ = storage_.data();
    count_ = count;
    capacity_ = int(storage_.size()) - 1;
    data_[count_] = '\0';
    return true;
}

bool Attribute_array<char>::set_text(const char* text, int len)
{
    if (!text || !set_count(len))
        return false;
    std::memcpy(data_, text, size_t(len));
    return true;
}

template <int N>
bool Attribute_fixed_array_uint8<N>::set_by_spec(Spec_node* node)
{
    if (!node || !node->attribute_exists(this->get_name()))
        return true;
    char text[2 * N + 2] = "";
    int len = node->get_attribute_len(this->get_name());
    if (len < 0 || len > 2 * N) {
        this->complain(node, "is not hexadecimal bytes of the right length");
        return false;
    }
    node->get_attribute_string(text, sizeof text, this->get_name());
    unsigned char bytes[N] = {};
    for (int i = 0; i < len; ++i) {
        int nibble = Quor_message::hex_value(static_cast<unsigned char>(text[i]));
        if (nibble < 0) {
            this->complain(node, "is not hexadecimal");
            return false;
        }
        bytes[i / 2] |= static_cast<unsigned char>(i % 2 ? nibble : nibble << 4);
    }
    this->set_bytes(bytes);
    return true;
}

template <int N>
bool Attribute_fixed_array_char<N>::set_by_spec(Spec_node* node)
{
    if (!node || !node->attribute_exists(this->get_name()))
        return true;
    int len = node->get_attribute_len(this->get_name());
    if (len < 0 || len > N) {
        this->complain(node, "is longer than the field");
        return false;
    }
    char text[N + 1] = {};
    node->get_attribute_string(text, sizeof text, this->get_name());
    this->set_bytes(text);
    return true;
}

template <int N>
void Attribute_fixed_array_char<N>::print(std::ostream& out, int indent) const
{
    Attribute::indent_to(out, indent);
    out << "Type: " << this->type_code() << "\tName: " << this->get_name() << " Value: ";
    for (int i = 0; i < N; ++i)
        out << this->store_[i];
    out << "\n";
}

template class Attribute_fixed_array_uint8<8>;
template class Attribute_fixed_array_uint8<7>;
template class Attribute_fixed_array_char<7>;

// ---------------------------------------------------------------------------
// Lengths

template <typename T>
int Attribute_list_len<T>::serialise(int offset, unsigned char* buffer, int len) const
{
    if (!serialised_)
        return 0;
    unsigned char bytes[sizeof(T)];
    auto v = static_cast<unsigned>(get());
    for (unsigned i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<unsigned char>(v >> (8 * i));
    return serialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
}

template <typename T>
int Attribute_list_len<T>::deserialise(int offset, const unsigned char* buffer, int len)
{
    if (!serialised_)
        return 0;
    int n = deserialise_piece(partial_, int(sizeof(T)), offset, buffer, len);
    if (offset + n == int(sizeof(T))) {
        unsigned v = 0;
        for (unsigned i = 0; i < sizeof(T); ++i)
            v |= unsigned(partial_[i]) << (8 * i);
        valid_ = target_ && target_->set_count(int(v));
    }
    return n;
}

template <typename T>
bool Attribute_list_len<T>::set_by_spec(Spec_node* node)
{
    if (!target_ || !node)
        return true;
    if (!target_->is_reference() && target_->filled_elsewhere()) {
        // A text: read the target's own attribute and take its length.
        const char* text_name = target_->get_name();
        if (node->attribute_exists(text_name)) {
            int len = node->get_attribute_len(text_name);
            std::vector<char> text(size_t(len > 0 ? len : 0) + 1, '\0');
            node->get_attribute_string(text.data(), len + 1, text_name);
            if (!target_->set_text(text.data(), len)) {
                char what[96];
                std::snprintf(what, sizeof what, "is longer than %d characters",
                              static_cast<Attribute_array<char>*>(target_)->max_len());
                target_->complain(node, what);
                return false;
            }
        }
    }
    if (node->attribute_exists(get_name())) {
        uint64_t given = 0;
        if (!node->get_attribute_uint64(given, get_name()) ||
            given != uint64_t(target_->get_count())) {
            complain(node, "does not match the length of what it counts");
            return false;
        }
    }
    return true;
}

template <typename T>
void Attribute_list_len<T>::print(std::ostream& out, int indent) const
{
    indent_to(out, indent);
    out << "Type: " << type_code() << "\tName: " << get_name() << " Value: " << get() << "\n";
}

template class Attribute_list_len<unsigned char>;
template class Attribute_list_len<unsigned short>;

// ---------------------------------------------------------------------------
// Object-id lists

template <typename Item>
bool Attribute_list<Item>::set_count(int count)
{
    if (count < 0 || count > 65535)
        return false;
    items_.clear();
    items_.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        items_.emplace_back(get_name());
    return true;
}

template <typename Item>
void Attribute_list<Item>::set_ids(int count, const object_id_t* ids)
{
    set_count(count);
    for (int i = 0; i < count; ++i)
        items_[size_t(i)] = ids[i];
}

template <typename Item>
int Attribute_list<Item>::serialise(int offset, unsigned char* buffer, int len) const
{
    int written = 0;
    for (const Item& item : items_) {
        int s = item.size();
        if (offset >= s) {
            offset -= s;
            continue;
        }
        written += item.serialise(offset, buffer + written, len - written);
        offset = 0;
        if (written >= len)
            break;
    }
    return written;
}

template <typename Item>
int Attribute_list<Item>::deserialise(int offset, const unsigned char* buffer, int len)
{
    int read = 0;
    for (Item& item : items_) {
        int s = item.size();
        if (offset >= s) {
            offset -= s;
            continue;
        }
        read += item.deserialise(offset, buffer + read, len - read);
        offset = 0;
        if (read >= len)
            break;
    }
    return read;
}

template <typename Item>
bool Attribute_list<Item>::set_by_spec(Spec_node* node)
{
    if (!node)
        return true;
    const char* pattern = "!Event_macro";
    int count = node->get_num_children(pattern);
    set_count(count);
    for (int k = 0; k < count; ++k) {
        Spec_node* child = node->get_child(k, pattern);
        bool ok = child && items_[size_t(k)].set_by_node(child);
        if (!ok) {
            char what[160];
            char name[64] = "?";
            if (child)
                child->get_name(name, sizeof name);
            std::snprintf(what, sizeof what, "child %d (%s) is no object of the pool", k, name);
            complain(node, what);
        }
        delete child;
        if (!ok)
            return false;
    }
    return true;
}

template <typename Item>
void Attribute_list<Item>::print(std::ostream& out, int indent) const
{
    indent_to(out, indent);
    out << "Type: " << type_code() << "\tName: " << get_name() << " With " << items_.size()
        << " items\n";
    for (const Item& item : items_)
        item.print(out, indent + 1);
}

template <typename Item>
void Attribute_list<Item>::get_code_def(const char* prefix, std::ostream& out, int indent) const
{
    if (items_.empty())
        return;
    code_indent(out, indent);
    out << "TC::Attribute_object_id " << prefix << "_" << get_name() << "[" << items_.size()
        << "];\n";
}

template <typename Item>
void Attribute_list<Item>::get_code_valref(const char* prefix, std::ostream& out, int) const
{
    if (items_.empty())
        out << "NULL";
    else
        out << prefix << "_" << get_name();
}

template <typename Item>
void Attribute_list<Item>::get_code_body(const char* prefix, std::ostream& out, int indent) const
{
    for (size_t i = 0; i < items_.size(); ++i) {
        code_indent(out, indent);
        out << prefix << "_" << get_name() << "[" << i << "] =(TC::object_id_t)"
            << items_[i].get() << ";\n";
    }
}

template class Attribute_list<Attribute_object_id>;

} // namespace TC
