#include "messaging/cds/CDS_Remote_Mirror.h"

#include "util/Debug_print.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace CDS {
namespace Remote {

// --- Item ---------------------------------------------------------------------------

Data_item* Item::find_data_item(const char* path)
{
    if (!path || !*path)
        return this;
    Debug_print::dprint("Base find item, why? %s,%d,%s\n", get_name(), int(get_id()), path);
    return nullptr;
}

void Item::serialise_structure(Send_buffer& buffer, int)
{
    char header[300];
    std::snprintf(header, sizeof header, "%x:%x:%s", unsigned(type_byte_), unsigned(get_id()),
                  name_.c_str());
    buffer.str_append(header);
}

void Item::set_minmax(unsigned short& min, unsigned short& max)
{
    if (get_id() < min)
        min = get_id();
    if (get_id() > max)
        max = get_id();
}

void Item::print(std::string& out, int indent) const
{
    out += std::string(size_t(indent), ' ') + get_name() + "(" + std::to_string(get_id()) + ")\n";
}

// --- Struct -------------------------------------------------------------------------

Item* Struct::next_child(const Item* child) const
{
    for (size_t i = 0; i + 1 < children_.size(); ++i) {
        if (children_[i].get() == child)
            return children_[i + 1].get();
    }
    return nullptr;
}

Data_item* Struct::find_data_item(const char* path)
{
    if (!path || !*path)
        return this;
    const char* dot = std::strchr(path, '.');
    const size_t length = dot ? size_t(dot - path) : std::strlen(path);
    for (auto& child : children_) {
        const char* name = child->get_name();
        if (std::strlen(name) == length && std::strncmp(name, path, length) == 0)
            return dot ? child->find_data_item(dot + 1) : child.get();
    }
    return nullptr;
}

Data_item* Struct::find_data_item(unsigned short id)
{
    if (id == get_id())
        return this;
    if (id < min_id_ || id > max_id_)
        return nullptr;
    for (auto& child : children_) {
        if (Data_item* found = child->find_data_item(id))
            return found;
    }
    return nullptr;
}

Data_item::Serial_ret Struct::serialise(Send_buffer& buffer, unsigned short& resume_id)
{
    serial_action_started(resume_id);
    Item* first = children_.empty() ? nullptr : children_.front().get();
    return serial_children(first, [this](Item* c) { return next_child(c); },
                           [&](Item* c) { return c->serialise(buffer, resume_id); });
}

Data_item::Serial_ret Struct::deserialise(Receive_buffer& buffer, unsigned short& resume_id)
{
    const bool whole = resume_id == 0 || resume_id == get_id();
    serial_action_started(resume_id);
    Item* first = children_.empty() ? nullptr : children_.front().get();
    Serial_ret ret = serial_children(first, [this](Item* c) { return next_child(c); },
                                     [&](Item* c) { return c->deserialise(buffer, resume_id); });
    if (ret.ok() && whole)
        count_update();
    return ret;
}

void Struct::set_minmax(unsigned short& min, unsigned short& max)
{
    min_id_ = max_id_ = get_id();
    for (auto& child : children_)
        child->set_minmax(min_id_, max_id_);
    if (min_id_ < min)
        min = min_id_;
    if (max_id_ > max)
        max = max_id_;
}

void Struct::print(std::string& out, int indent) const
{
    char line[300];
    std::snprintf(line, sizeof line, "%*s%s(%d)%s", indent, "", get_name(), int(get_id()), " {\n");
    out += line;
    for (auto& child : children_)
        child->print(out, indent + 4);
    std::snprintf(line, sizeof line, "%*s};\n", indent, "");
    out += line;
}

// --- Values -------------------------------------------------------------------------

template <typename T> std::string value_text(T value)
{
    char text[64];
    if constexpr (std::is_same<T, bool>::value)
        return value ? "TRUE" : "FALSE";
    else if constexpr (std::is_same<T, char>::value)
        std::snprintf(text, sizeof text, "%c", value);
    else if constexpr (std::is_floating_point<T>::value)
        std::snprintf(text, sizeof text, "%f", double(value));
    else if constexpr (std::is_signed<T>::value)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    else
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return text;
}

namespace {

// A variant's value as T; a one-character text counts as a char.
template <typename T> bool from_variant(const QVariant& variant, T& out)
{
    if constexpr (std::is_same<T, char>::value) {
        if (variant.typeId() == QMetaType::QString) {
            const QString text = variant.toString();
            if (text.size() != 1)
                return false;
            out = text.at(0).toLatin1();
            return true;
        }
    }
    QVariant copy(variant);
    if (!copy.isValid() || !copy.convert(QMetaType::fromType<T>()))
        return false;
    out = copy.value<T>();
    return true;
}

} // namespace

template <typename T> bool Basic_item<T>::set_value(const QVariant& variant)
{
    T value;
    if (!from_variant(variant, value))
        return false;
    value_ = value;
    has_value_ = true;
    return true;
}

template <typename T> void Basic_item<T>::print(std::string& out, int indent) const
{
    char line[300];
    std::snprintf(line, sizeof line, "%*s%s(%d) = ", indent, "", get_name(), int(get_id()));
    out += line;
    if (has_value_)
        out += value_text(value_);
    out += "\n";
}

template <typename T> QVariant Basic_array<T>::get_value() const
{
    if (!has_value_)
        return QVariant();
    QVariantList list;
    for (size_t i = 0; i < values_.size(); ++i)
        list.append(QVariant::fromValue<T>(T(values_[i])));
    return list;
}

template <typename T> bool Basic_array<T>::set_value(const QVariant& variant)
{
    const QVariantList list = variant.toList();
    if (list.size() > 255 || (list.isEmpty() && !variant.canConvert<QVariantList>()))
        return false;
    std::vector<T> values(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        T value;
        if (!from_variant(list[i], value))
            return false;
        values[size_t(i)] = value;
    }
    values_ = std::move(values);
    has_value_ = true;
    return true;
}

template <typename T> void Basic_array<T>::print(std::string& out, int indent) const
{
    char line[300];
    std::snprintf(line, sizeof line, "%*s%s(%d) = ", indent, "", get_name(), int(get_id()));
    out += line;
    for (size_t i = 0; has_value_ && i < values_.size(); ++i)
        out += (i ? "," : "") + value_text(T(values_[i]));
    out += "\n";
}

// --- Leaves by type -----------------------------------------------------------------

namespace {

template <typename T>
std::unique_ptr<Item> make_typed(bool array, unsigned char type_byte, unsigned short id, std::string name)
{
    if (array)
        return std::unique_ptr<Item>(new Basic_array<T>(id, type_byte, std::move(name)));
    return std::unique_ptr<Item>(new Basic_item<T>(id, type_byte, std::move(name)));
}

} // namespace

std::unique_ptr<Item> make_leaf(unsigned char type_byte, unsigned short id, std::string name)
{
    int class_type = 0, item_type = 0;
    Data_item::decode_type_byte(class_type, item_type, type_byte);
    const bool array = class_type == Data_item::CLASS_ARRAY;
    switch (item_type) {
    case Data_item::ITEM_BOOL: return make_typed<bool>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_CHAR: return make_typed<char>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_UCHAR: return make_typed<unsigned char>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_USHORT: return make_typed<unsigned short>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_UINT: return make_typed<unsigned int>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_SCHAR: return make_typed<signed char>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_SHORT: return make_typed<short>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_INT: return make_typed<int>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_FLOAT: return make_typed<float>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_DOUBLE: return make_typed<double>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_ULONGLONG:
        return make_typed<unsigned long long>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_LONGLONG: return make_typed<long long>(array, type_byte, id, std::move(name));
    case Data_item::ITEM_STRUCT:
        return std::unique_ptr<Item>(new Struct(id, type_byte, std::move(name)));
    default: return nullptr;
    }
}

#define MIRROR_TYPES(X)                                                                            \
    X(bool) X(char) X(unsigned char) X(unsigned short) X(unsigned int) X(signed char) X(short)     \
    X(int) X(float) X(double) X(unsigned long long) X(long long)
#define INSTANTIATE(T)                                                                             \
    template class Basic_item<T>;                                                                  \
    template class Basic_array<T>;
MIRROR_TYPES(INSTANTIATE)
#undef INSTANTIATE
#undef MIRROR_TYPES

} // namespace Remote
} // namespace CDS
