// The peer's mirror of a served tree, built from the structure text: one
// item per served item with the same id, type and name, holding the last
// value that arrived for it.
#pragma once

#include "glue/cds/Data_item.h"
#include "glue/cds/Lookup_basic.h"

#include <QVariant>

#include <memory>
#include <string>
#include <vector>

namespace CDS {
namespace Remote {

class Client;
class Struct;

class Item : public Data_item {
public:
    Item(unsigned short id, unsigned char type_byte, std::string name)
        : Data_item(id), type_byte_(type_byte), name_(std::move(name))
    {
    }

    const char* get_name() const override { return name_.c_str(); }
    unsigned char get_type_byte() const { return type_byte_; }
    // Only the empty path names a leaf (itself).
    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short id) override { return id == get_id() ? this : nullptr; }
    Serial_ret serialise(Send_buffer&, unsigned short&) override { return serial_ok(); }
    Serial_ret deserialise(Receive_buffer&, unsigned short&) override { return serial_ok(); }
    void serialise_structure(Send_buffer& buffer, int depth) override;

    virtual void set_minmax(unsigned short& min, unsigned short& max);
    virtual Struct* as_struct() { return nullptr; }
    // The value as a variant (a list for arrays); invalid before a value
    // arrived and for structures.
    virtual QVariant get_value() const { return QVariant(); }
    // False when the variant does not convert to the item's type.
    virtual bool set_value(const QVariant&) { return false; }
    // "name(id) = value" lines, indent spaces deep.
    virtual void print(std::string& out, int indent) const;
    // Completed updates of the item's value.
    int update_count() const { return updates_; }

protected:
    void count_update() { ++updates_; }

private:
    unsigned char type_byte_;
    std::string name_;
    int updates_ = 0;
};

class Struct : public Item {
public:
    using Item::Item;

    void add_child(std::unique_ptr<Item> child) { children_.push_back(std::move(child)); }
    const std::vector<std::unique_ptr<Item>>& children() const { return children_; }

    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short id) override;
    Serial_ret serialise(Send_buffer& buffer, unsigned short& resume_id) override;
    Serial_ret deserialise(Receive_buffer& buffer, unsigned short& resume_id) override;
    void set_minmax(unsigned short& min, unsigned short& max) override;
    Struct* as_struct() override { return this; }
    void print(std::string& out, int indent) const override;

private:
    Item* next_child(const Item* child) const;

    std::vector<std::unique_ptr<Item>> children_;
    unsigned short min_id_ = 0xFFFF;
    unsigned short max_id_ = 0;
};

class Root : public Struct {
public:
    Root(unsigned short id, unsigned char type_byte, std::string name, Client* client)
        : Struct(id, type_byte, std::move(name)), client_(client)
    {
    }
    Client* client() const { return client_; }

private:
    Client* client_;
};

// The text form of one value.
template <typename T> std::string value_text(T value);

template <typename T> class Basic_item : public Item {
public:
    using Item::Item;

    Serial_ret serialise(Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        Scalar_traits<T>::append(buffer, value_);
        return serial_ok();
    }
    Serial_ret deserialise(Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        T value;
        if (!Scalar_traits<T>::pop(buffer, value))
            return serial_fail();
        value_ = value;
        has_value_ = true;
        count_update();
        return serial_ok();
    }
    QVariant get_value() const override
    {
        return has_value_ ? QVariant::fromValue<T>(value_) : QVariant();
    }
    bool set_value(const QVariant& variant) override;
    void print(std::string& out, int indent) const override;

    const T& value() const { return value_; }

private:
    T value_{};
    bool has_value_ = false;
};

template <typename T> class Basic_array : public Item {
public:
    using Item::Item;

    Serial_ret serialise(Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        buffer.append_UINT8(static_cast<unsigned char>(values_.size()));
        for (size_t i = 0; i < values_.size(); ++i)
            Scalar_traits<T>::append(buffer, T(values_[i]));
        return serial_ok();
    }
    // A larger count than held replaces the storage; the values change only
    // when the whole array arrived.
    Serial_ret deserialise(Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        unsigned char count = 0;
        if (!buffer.pop_UINT8(count))
            return serial_fail();
        std::vector<T> received(count);
        for (size_t i = 0; i < received.size(); ++i) {
            T v;
            if (!Scalar_traits<T>::pop(buffer, v))
                return serial_fail();
            received[i] = v;
        }
        if (received.size() >= values_.size())
            values_ = std::move(received);
        else
            std::copy(received.begin(), received.end(), values_.begin());
        has_value_ = true;
        count_update();
        return serial_ok();
    }
    QVariant get_value() const override;
    bool set_value(const QVariant& variant) override;
    void print(std::string& out, int indent) const override;

    const std::vector<T>& values() const { return values_; }

private:
    std::vector<T> values_;
    bool has_value_ = false;
};

// The mirror item for a leaf's type byte; null for types without one.
std::unique_ptr<Item> make_leaf(unsigned char type_byte, unsigned short id, std::string name);

} // namespace Remote
} // namespace CDS
