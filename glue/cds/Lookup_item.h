// The CDS lookup tree: one node per field (or sub-record, or array) of a plain
// data block, naming it, typing it, knowing its address and size, and carrying
// a Data_item id. Fields are found by dotted path or by id, values are
// (de)serialised in the CDS remote encoding, and a write tells which named
// items really changed.
//
// A tree is built as nested members: a record class derives from
// Lookup_struct and holds its fields as members, each constructed with the
// record as parent. Every node appends itself to its parent's children when it
// is constructed, so the child order is the member order (ascending address,
// which change tracking relies on) and the ids are consecutive in pre-order.
#pragma once

#include "glue/cds/Data_item.h"

#include <string>

namespace CDS {

class Compare;
class Head;
class Lookup_root;
class Lookup_struct;

class Lookup_item : public Data_item {
public:
    // Appends the node to parent's children (unless the node is its own
    // parent, as the root is).
    explicit Lookup_item(Lookup_struct& parent, const char* name = "");

    void set_type_name(const char* text) { type_name_ = text ? text : ""; }
    void set_name(const char* text) { name_ = text ? text : ""; }
    void set_comment(const char* text) { comment_ = text ? text : ""; }
    const char* get_type_name() const { return type_name_; }
    const char* get_comment() const { return comment_; }
    Lookup_struct* get_parent() const { return parent_; }

    // Data_item
    const char* get_name() const override { return name_; }
    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short id) override;
    void _print(Debug::Dumper& dumper) const override;
    // Appends "type:id:name".
    void serialise_structure(Remote::Send_buffer& buffer, int depth) override;

    // Appends the declaration of the node with the value it holds (four
    // spaces per indent level). It reads the store: the caller holds the
    // store's lock.
    virtual void append_definition(std::string& text, int indent) const = 0;
    // Parses text into the field and stores it through the head's locked
    // write; the position behind the parsed text, or null (field unchanged).
    virtual const char* set_from_string(const char* text, Head* head) = 0;
    virtual void* get_address() const = 0;
    virtual unsigned get_size() const = 0;
    virtual int get_type() const = 0;
    virtual unsigned char get_type_byte() const;
    virtual Lookup_struct* as_struct() { return nullptr; }
    // Change tracking: true when the node's bytes change under the compare.
    virtual bool _signal_update(Compare& compare);
    virtual void set_minmax(unsigned short& min, unsigned short& max);
    virtual Lookup_item* find_item(const char* path, char separator);
    virtual Lookup_item* find_item(unsigned short id);
    virtual Lookup_root* root();
    // Announces the node's own bytes as changed to the store's subscribers.
    virtual void notify() {}

    // Runs change tracking for a write of size bytes at field from new_value.
    void signal_update(const void* field, const void* new_value, unsigned size);
    // Wakes the store's subscribers of the range, without byte comparison.
    void notify_cds(void* address, unsigned size);

protected:
    // The leaf rule: whether the bytes of this node differ under the compare.
    bool bytes_changed(Compare& compare);

private:
    const char* type_name_ = "";
    const char* name_;
    const char* comment_ = "";
    Lookup_struct* parent_;
};

// A record: its children in member order and the id range of its subtree.
class Lookup_struct : public Lookup_item {
public:
    // address and size describe the record in the store; a generated record
    // class may instead override get_address and get_size.
    explicit Lookup_struct(Lookup_struct& parent, const char* name = "", void* address = nullptr,
                           unsigned size = 0);

    void add_child(Lookup_item* child);
    Lookup_item* first_child() const;
    Lookup_item* next_child(const Lookup_item* child) const;
    int child_count() const { return children_.count(); }

    void get_minmax(unsigned short& min, unsigned short& max) const
    {
        min = min_id_;
        max = max_id_;
    }

    void _print(Debug::Dumper& dumper) const override;
    Serial_ret serialise(Remote::Send_buffer& buffer, unsigned short& resume_id) override;
    Serial_ret deserialise(Remote::Receive_buffer& buffer, unsigned short& resume_id) override;
    // "type:id:name", then the children in braces while the depth allows (0
    // the header alone, 255 or more without limit).
    void serialise_structure(Remote::Send_buffer& buffer, int depth) override;
    void append_definition(std::string& text, int indent) const override;
    const char* set_from_string(const char* text, Head* head) override { return nullptr; }
    void* get_address() const override { return address_; }
    unsigned get_size() const override { return size_; }
    int get_type() const override { return ITEM_STRUCT; }
    Lookup_struct* as_struct() override { return this; }
    bool _signal_update(Compare& compare) override;
    void set_minmax(unsigned short& min, unsigned short& max) override;
    Lookup_item* find_item(const char* path, char separator) override;
    Lookup_item* find_item(unsigned short id) override;

protected:
    void set_address(void* address, unsigned size)
    {
        address_ = address;
        size_ = size;
    }

private:
    c_sl_list<Data_item> children_;
    unsigned short min_id_;
    unsigned short max_id_;
    void* address_;
    unsigned size_;
};

// Appends printf-style text.
void append_format(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The decimal name of an array element ("0", "1", ...), from one process-wide
// table that grows on demand and is never freed.
const char* get_number_as_name(unsigned n);

} // namespace CDS
