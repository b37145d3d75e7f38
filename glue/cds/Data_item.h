// Base of every named, typed value that can be served to a peer: the nodes of
// the CDS lookup trees and of the settings trees. Each item carries a 16-bit id
// that is unique in the process, a one-byte type code and a slot for one change
// handler, and can be (de)serialised in resumable steps through the CDS remote
// encoding.
#pragma once

#include "util/sl_list.h"

#include <atomic>

namespace Debug {
class Dumper;
}

namespace CDS {
namespace Remote {
class Send_buffer;
class Receive_buffer;
} // namespace Remote
} // namespace CDS

// The item's sll_node base is the link by which it sits in its parent's list
// of children.
class Data_item : public sll_node {
public:
    // Value type codes (the low five bits of a type byte). Code 12 is unused.
    enum item_type_t : unsigned char {
        ITEM_ROOT = 0,      // root of a settings tree
        ITEM_STRUCT = 1,
        ITEM_BOOL = 2,
        ITEM_CHAR = 3,
        ITEM_UCHAR = 4,
        ITEM_USHORT = 5,
        ITEM_UINT = 6,      // also unsigned long (32 bits)
        ITEM_SCHAR = 7,
        ITEM_SHORT = 8,
        ITEM_INT = 9,       // also long (32 bits)
        ITEM_FLOAT = 10,
        ITEM_DOUBLE = 11,
        ITEM_ITEM_ARRAY = 13, // array of records in a settings tree
        ITEM_POINTER = 14,    // settings pointer node
        ITEM_ULONGLONG = 15,
        ITEM_LONGLONG = 16,
    };

    // The upper three bits of a type byte.
    enum class_type_t : unsigned char {
        CLASS_PLAIN = 0,
        CLASS_ARRAY = 1,
    };

    // Result of one (de)serialisation step: where a failed step stopped and
    // which item follows it. Both ids are 0 when not set.
    class Serial_ret {
    public:
        Serial_ret() = default;
        explicit Serial_ret(unsigned short stop) : stop_(stop) {}

        bool ok() const { return stop_ == 0; }
        bool fail() const { return stop_ != 0; }
        unsigned short stop() const { return stop_; }
        unsigned short next() const { return next_; }
        bool next_set() const { return next_ != 0; }
        void set_next(unsigned short id) { next_ = id; }
        // Records the item as the next one unless a next id is already known.
        void sync_next(Data_item* item)
        {
            if (!next_set() && item)
                next_ = item->get_id();
        }

    private:
        unsigned short stop_ = 0;
        unsigned short next_ = 0;
    };

    // Told when a remotely visible change of the item is detected.
    class Event_handler {
    public:
        virtual ~Event_handler() = default;
        virtual void signal_event(bool changed) = 0;
    };

    // Takes the next id of the process-wide counter.
    Data_item();
    // Uses the given id and leaves the counter alone.
    explicit Data_item(unsigned short id);
    virtual ~Data_item() = default;

    Data_item(const Data_item&) = delete;
    Data_item& operator=(const Data_item&) = delete;

    virtual const char* get_name() const = 0;
    virtual Data_item* find_data_item(const char* path) = 0;
    virtual Data_item* find_data_item(unsigned short id) = 0;
    virtual void _print(Debug::Dumper& dumper) const;
    virtual Serial_ret serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id) = 0;
    virtual Serial_ret deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id) = 0;
    // Appends the schema text of this item; every concrete item overrides it.
    virtual void serialise_structure(CDS::Remote::Send_buffer& buffer, int depth);

    unsigned short get_id() const { return id_; }

    Event_handler* get_event_handler() const { return handler_; }
    // The item does not own the handler.
    void set_event_handler(Event_handler* handler) { handler_ = handler; }

    // True when the step is due at this item: no resume point, or the resume
    // point is this item (which then clears it so that all that follows runs).
    bool serial_action_started(unsigned short& resume_id) const
    {
        if (resume_id == 0)
            return true;
        if (resume_id == id_) {
            resume_id = 0;
            return true;
        }
        return false;
    }
    Serial_ret serial_ok() const { return Serial_ret(); }
    Serial_ret serial_fail() const { return Serial_ret(id_); }
    Serial_ret serial_check(bool good) const { return good ? serial_ok() : serial_fail(); }
    // One resumable step over a record's children in order (next gives the
    // child after one): at the first child that fails, the child after it
    // becomes the place to resume, and its result is returned.
    template <typename Child, typename Next, typename Step>
    static Serial_ret serial_children(Child* first, Next next, Step step)
    {
        for (Child* child = first; child; child = next(child)) {
            Serial_ret ret = step(child);
            if (ret.fail()) {
                ret.sync_next(next(child));
                return ret;
            }
        }
        return Serial_ret();
    }
    // The children part of a record's schema text: "{", the children's
    // schema texts separated by ",", "}". Each child gets one level less,
    // except that 255 or more stands for no limit.
    template <typename Buffer, typename Child, typename Next>
    static void serialise_children_structure(Buffer& buffer, int depth, Child* first, Next next)
    {
        const int child_depth = depth >= 255 ? depth : depth - 1;
        buffer.str_append("{");
        for (Child* child = first; child; child = next(child)) {
            if (child != first)
                buffer.str_append(",");
            child->serialise_structure(buffer, child_depth);
        }
        buffer.str_append("}");
    }

    static unsigned char get_type_byte(int class_type, int item_type)
    {
        return static_cast<unsigned char>(((class_type << 5) | item_type) & 0xFF);
    }
    static bool decode_type_byte(int& class_type, int& item_type, unsigned char byte)
    {
        class_type = byte >> 5;
        item_type = byte & 31;
        return true;
    }

    // The next id to hand out. Ids start at 1 (0 means "no resume point");
    // 65535 is shared by every item made after the ids ran out.
    static std::atomic<unsigned short> lookup_max_id;

private:
    static unsigned short take_next_id();

    Event_handler* handler_ = nullptr;
    unsigned short id_;
};
