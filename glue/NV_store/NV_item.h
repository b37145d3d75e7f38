// A node of the persistent settings tree. Every node has a 16-bit NV id,
// fixed by the schema, unique among its siblings and recorded in the settings
// file, and (as a Data_item) a process-wide item id for the remote data-store
// service. Leaves hold typed values (NV_number), containers hold children;
// the root owns the tree's lock and the module ids of its change events.
//
// Modules subscribe to a node with their waiter; a change of a value sends
// each registered waiter an event, and the change travels up the parent
// chain, so a subscription on a container sees every change below it.
#pragma once

#include "glue/cds/Data_item.h"
#include "util/sl_list.h"

#include <cstdint>

class waiter_descriptor;
struct waiter_event;

namespace NV_store {

class Access_base;
class NV_container;
class NV_iterator;
class NV_path;
class NV_root;
class Virt_access;

// What a change notifies.
enum notify_t {
    NOTIFY_NONE = 0,
    NOTIFY_PARENTS = 1, // the parent chain only
    NOTIFY_WAITERS = 2, // the node's waiters only
    NOTIFY_ALL = 3,     // waiters and parent chain
};

// The kind of a registration; the root has one module id per kind.
enum Reg_type : unsigned char {
    REG_SELF = 0,        // target: the registration itself
    REG_VALUE = 1,       // target: the caller's value
    REG_AUTO = 2,        // target: the item
    REG_ACCESS = 3,      // target: the Access_base*
    REG_VIRT_ACCESS = 4, // target: the Virt_access*
};
constexpr int REG_TYPE_COUNT = 5;

// Node flags.
enum : unsigned char {
    NV_FLAG_MARKED = 0x01,     // changed since the last append (mode 3) write
    NV_FLAG_CHANGED = 0x02,    // changed since the last write
    NV_FLAG_AT_DEFAULT = 0x04, // never changed nor read from a file
};

class NV_item : public Data_item {
public:
    // One registration of a waiter on a node.
    class NV_waiter_reg : public sll_node {
    public:
        NV_waiter_reg(waiter_descriptor* waiter, Reg_type kind, uintptr_t target, bool flag);

        bool operator==(const NV_waiter_reg& other) const;
        // Sends the registration's event (module id of its kind, code the
        // target); skipped (true) when all is false and the flag is set.
        bool send_event(const NV_root* root, bool all) const;

        waiter_descriptor* waiter;
        uintptr_t target;
        Reg_type kind;
        bool flag;
    };

    // The registrations of one node; it owns and deletes them.
    class NV_waiter_list : public c_sl_list<NV_waiter_reg> {
    public:
        NV_waiter_list() = default;
        ~NV_waiter_list();
        void add(NV_waiter_reg* reg) { push(reg); }
        // Takes the first equal registration out and deletes it.
        bool remove(const NV_waiter_reg& reg);
        bool exists(const NV_waiter_reg& reg) const;
    };

    // Adds the node to parent (when given).
    NV_item(NV_container* parent, unsigned short nv_id, const char* name);
    // A copy takes the NV id, flags, name, parent pointer (it is not added to
    // the parent) and item id of the source, but none of its registrations.
    NV_item(const NV_item& other);
    NV_item& operator=(const NV_item& other)
    {
        copy(other);
        return *this;
    }
    void copy(const NV_item& other);
    ~NV_item() override;

    // --- Node operations
    virtual int get_type() const = 0;
    // The root's module id for the kind; 0 without root.
    virtual short get_module_id(Reg_type type) const;
    // Storage format: write and read the node's record.
    virtual bool serialise(NV_iterator* it) = 0;
    virtual bool deserialise(NV_iterator* it) = 0;
    // Pushes the ids from target up to this node; 0, or -1 when target is
    // not below this node or the path is full.
    virtual int build_path(NV_path& path, const NV_item* target) const;
    virtual NV_item* __follow_path(NV_path* path);
    NV_item* follow_path(NV_path path);
    // Resets the value to its default (with notification).
    virtual bool set_default(bool reset);
    virtual int get_class_type() const { return CLASS_PLAIN; }
    virtual void _set_root(NV_root* root) {}

    // --- Data_item
    const char* get_name() const override { return name_; }
    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short item_id) override;
    Serial_ret serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id) override;
    Serial_ret deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id) override;
    // "type:id:" and the node's path name.
    void serialise_structure(CDS::Remote::Send_buffer& buffer, int depth) override;

    virtual void set_minmax(unsigned short& min, unsigned short& max);
    // The values the node holds: 1 for a scalar, N for an array of N (a
    // text setting's length), 0 for a container.
    virtual int value_count() const { return 1; }
    // Text form of the value; the length written.
    virtual int _to_string(char* buffer, int size) const { return 0; }
    // Sets the value from text (with notification); the position behind the
    // parsed text, or null.
    virtual const char* _from_string(const char* text) { return text; }
    // The node at a '/'-separated path below this one.
    virtual NV_item* _search(const char* path);
    // Notifies every waiter of the node (and below), changing no flag.
    virtual void signal_all(NV_root* root);
    // Pre-order successor, null when the walk climbs to stop or the top.
    virtual NV_item* get_next_in_tree(NV_item* stop);

    // --- Tree
    NV_container* get_parent() const { return parent_; }
    void _set_parent(NV_container* parent);
    NV_root* _get_root() const;
    unsigned short get_nv_id() const { return nv_id_; }
    void set_nv_id(unsigned short nv_id) { nv_id_ = nv_id; }
    void set_name(const char* name) { name_ = name ? name : ""; }
    // The name, or the index in the parent when the parent's children are
    // unnamed (arrays of records).
    void get_path_name(char* buffer, int size) const;
    // Roots, structures and arrays of records: the nodes written as sections.
    static bool is_container_type(int class_type, int item_type)
    {
        return class_type == CLASS_PLAIN &&
               (item_type == ITEM_ROOT || item_type == ITEM_STRUCT || item_type == ITEM_ITEM_ARRAY);
    }
    bool is_container() const { return is_container_type(get_class_type(), get_type()); }
    unsigned char get_type_byte() const
    {
        return Data_item::get_type_byte(get_class_type(), get_type());
    }

    // --- Flags
    unsigned char get_flags() const { return flags_; }
    bool is_at_default() const { return (flags_ & NV_FLAG_AT_DEFAULT) != 0; }
    void set_flags(unsigned char flags) { flags_ = flags; }
    void clear_flags(unsigned char flags) { flags_ = static_cast<unsigned char>(flags_ & ~flags); }

    // --- Locking: the root's mutex, reached through the parent chain.
    virtual void lock() const;
    virtual void unlock() const;

    // --- Subscriptions (each takes the tree lock)
    bool register_waiter(waiter_descriptor* waiter, unsigned int value, bool flag);
    bool autoreg_waiter(waiter_descriptor* waiter, bool flag);
    bool register_access_waiter(waiter_descriptor* waiter, Access_base* access, bool flag);
    bool register_virt_access_waiter(waiter_descriptor* waiter, Virt_access* access, bool flag);
    bool unregister_waiter(waiter_descriptor* waiter, unsigned int value);
    bool autounreg_waiter(waiter_descriptor* waiter);
    bool unregister_access_waiter(waiter_descriptor* waiter, Access_base* access);
    bool unregister_virt_access_waiter(waiter_descriptor* waiter, Virt_access* access);
    int waiter_count() const { return waiters_.count(); }
    // Whether the event is a change event of an autoreg_waiter subscription
    // on this node.
    bool is_event(const waiter_event& event) const;

    // --- Change notification
    bool notify_updated(bool changed, notify_t mode);
    bool notify_updated(bool changed, bool mark, bool force, notify_t mode, const NV_root* root);

    // --- Storage helpers shared by the node types
    // The mode filter: whether the node writes itself in the iterator's mode
    // (*ok tells whether skipping counts as success).
    bool should_write(NV_iterator* it, bool* ok) const;
    // Writes this node's header (its type byte, the marker, its NV id).
    bool push_own_header(NV_iterator* it, unsigned char marker) const;
    // Reads a header that must carry this node's NV id and type byte; its
    // marker goes to marker. False when none can be read or it is another
    // node's.
    bool pop_own_header(NV_iterator* it, unsigned char& marker) const;
    // Skips one record of a node this tree does not have. Sections nested
    // deeper than max_unknown_depth fail (a corrupt file cannot exhaust the
    // stack).
    static bool deserialise_unknown_handoff(NV_iterator* it) { return deserialise_unknown_handoff(it, 0); }
    static bool deserialise_unknown_handoff(NV_iterator* it, int depth);
    static constexpr int max_unknown_depth = 32;

protected:
    bool add_registration(NV_waiter_reg* reg);
    bool remove_registration(const NV_waiter_reg& reg);

    unsigned char flags_;

private:
    const char* name_;
    NV_waiter_list waiters_;
    NV_container* parent_;
    unsigned short nv_id_;
};

} // namespace NV_store
