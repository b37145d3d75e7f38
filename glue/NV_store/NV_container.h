// Inner nodes of the settings tree: a container holds children in the order
// they were added (which fixes their order in the settings file and in the
// remote structure text); a structure is a container of settings.
#pragma once

#include "glue/NV_store/NV_item.h"

namespace Debug {
class Dumper;
}

namespace NV_store {

class NV_container : public NV_item {
public:
    NV_container(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name);
    NV_container(unsigned short nv_id, const char* name);

    // Appends a child; a second child with the same NV id ends the process
    // (exit code -119) unless this is an array of records. Null is ignored.
    void add_child(NV_item* child);
    void remove_child(NV_item* child);
    NV_item* first_child() const { return static_cast<NV_item*>(children_.first()); }
    // The child after the given one; null after the last or for null.
    NV_item* get_next_child(const NV_item* child) const;
    // Position in child order; -1 when absent or null.
    int get_my_index(const NV_item* child) const;
    int child_count() const { return children_.count(); }
    // The i-th child; an index without child is a broken invariant (fatal).
    virtual NV_item* operator[](int i) const;
    virtual void _print(Debug::Dumper& dumper) const override;
    void get_minmax(unsigned short& min, unsigned short& max) const
    {
        min = min_id_;
        max = max_id_;
    }
    // False for arrays of records, whose elements are named by index.
    virtual bool has_named_children() const { return true; }

    NV_root* get_root() const { return root_; }
    void _set_root(NV_root* root) override;

    void lock() const override;
    void unlock() const override;

    bool serialise(NV_iterator* it) override;
    bool deserialise(NV_iterator* it) override;
    // Skips a whole container section of a node this tree does not have.
    static bool deserialise_unknown(NV_iterator* it) { return deserialise_unknown(it, 0); }
    static bool deserialise_unknown(NV_iterator* it, int depth);

    int build_path(NV_path& path, const NV_item* target) const override;
    NV_item* __follow_path(NV_path* path) override;
    // With reset true: every child's set_default in order, stopping at the
    // first that fails.
    bool set_default(bool reset) override;

    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short item_id) override;
    Serial_ret serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id) override;
    Serial_ret deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id) override;
    void serialise_structure(CDS::Remote::Send_buffer& buffer, int depth) override;
    void set_minmax(unsigned short& min, unsigned short& max) override;
    int value_count() const override { return 0; }
    int _to_string(char* buffer, int size) const override;
    const char* _from_string(const char* text) override;
    NV_item* _search(const char* path) override;
    void signal_all(NV_root* root) override;
    NV_item* get_next_in_tree(NV_item* stop) override;

protected:
    NV_root* root_;

private:
    NV_item* find_child(unsigned short nv_id) const;
    void reset_direct_values();

    c_sl_list<Data_item> children_;
    unsigned short min_id_ = 0xFFFF;
    unsigned short max_id_ = 0xFFFF;
};

class NV_struct : public NV_container {
public:
    NV_struct(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name)
        : NV_container(parent, root, nv_id, name)
    {
    }
    int get_type() const override { return ITEM_STRUCT; }
};

} // namespace NV_store
