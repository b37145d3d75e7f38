// Named memory spaces: bounded heaps over static regions, for code whose
// memory use must stay within a fixed budget and independent of the process
// heap (the data store's change events, CAN message data, transport-protocol
// buffers).
//
// Each space has its own lock, so any thread may allocate and free. A block
// may be freed through any space: it returns to the space it came from. An
// exhausted space returns null; it never falls back to the process heap.
// Freeing a block twice, or one that no space handed out, or one whose
// boundaries were overwritten, ends the process.
//
// The process-wide spaces of the system are reached through the functions at
// the end of this file (or by name through Mspace_manager::find).
#pragma once

#include "glue/diner/Mutex.h"
#include "util/sl_list.h"

#include <cstddef>
#include <cstdint>

namespace Debug {
class Dumper;
}
class Boundary_tag_heap;
class Mspace_manager;

class Mspace : public sll_node {
public:
    // The usage record (the fields of the System V mallinfo record).
    struct Usage {
        uint32_t arena;    // bytes of all chunks, in use or free, and the end fence
        uint32_t ordblks;  // free chunks, the top chunk counted as one
        uint32_t smblks;   // 0
        uint32_t hblks;    // 0
        uint32_t hblkhd;   // the space's bookkeeping
        uint32_t usmblks;  // highest footprint: the region's size
        uint32_t fsmblks;  // 0
        uint32_t uordblks; // region size minus free bytes
        uint32_t fordblks; // free bytes, top chunk included
        uint32_t keepcost; // size of the top chunk
    };

    // Lays a space over [base, base + size); name must stay valid (a string
    // literal). A region too small for the bookkeeping gives an invalid space
    // that allocates nothing and prints INVALID. The space joins the
    // process-wide manager.
    Mspace(void* base, uint32_t size, const char* name);
    // Leaves the manager; the region belongs to its creator.
    ~Mspace();
    Mspace(const Mspace&) = delete;
    Mspace& operator=(const Mspace&) = delete;

    // A block of at least size bytes, 16-byte aligned, or null when the space
    // cannot hold it (traced when debug filter code 20 is on).
    void* malloc(uint32_t size) const;
    // The same; the entry for class-specific operator new (null, no throw).
    void* malloc_for_new(uint32_t size) const;
    // Returns the block to the space that owns it; null is ignored.
    void free(void* block) const;
    // Resizes a block of any space within its owner; null allocates here.
    // Null (block untouched) when there is no room.
    void* realloc(void* block, uint32_t size) const;

    // Opens a group named after the space and writes its usage figures in
    // hexadecimal: fixed_space, free_chunks, max_alloc, total_alloc,
    // total_free, releasable. An invalid space prints "%20s INVALID".
    void print_usage(Debug::Dumper& dumper) const;
    // Usage figures; all zero for an invalid space.
    Usage usage() const;

    bool valid() const { return heap_ != nullptr; }
    const char* get_name() const { return name_; }
    uint32_t get_size() const { return size_; }
    // True when block lies inside this space's region.
    bool owns(const void* block) const;

    // The space whose region holds block, or null.
    static const Mspace* owner_of(const void* block);

private:
    Boundary_tag_heap* heap_;
    void* base_;
    uint32_t size_;
    const char* name_;
    Mspace_manager* manager_;
    mutable Mutex lock_;
};

// The process-wide list of spaces, in the order they were created. Created on
// first use and never destroyed, so spaces may come and go at any point of
// static initialisation or exit.
class Mspace_manager {
public:
    static Mspace_manager& get();

    // Appends a space (null, or one already in a list, is ignored).
    void add(Mspace* space);
    // Takes a space out (its destructor does).
    void remove(Mspace* space);
    // The first space of that name, or null.
    Mspace* find(const char* name);
    // The space whose region holds block, or null.
    const Mspace* owner_of(const void* block);
    int count();

    // print_usage of every space, in order.
    void print_usage(Debug::Dumper& dumper);
    static void print_global_usage(Debug::Dumper& dumper);

private:
    Mspace_manager() = default;
    Mutex lock_;
    c_sl_list<Mspace> spaces_;
};

// The system's named spaces, each over its own static region, created when
// libkorqtglue loads (or on first call, whichever is first) and kept until
// the process ends.
// "cds_event": the data store's change registrations. Sized for
// CDS_EVENT_REGISTRATIONS registrations of distinct field ranges, each of
// which costs a range node and a recipient (about 144 bytes with the
// allocator's overhead on a 64-bit host, about 80 on a 32-bit one), with room
// for the child levels of nested ranges: 640 KiB on 64-bit, 384 KiB on
// 32-bit hosts. The live store has some 2,300 fields; control, task
// controller and screens are expected to register about 1,500 of them.
constexpr std::size_t CDS_EVENT_REGISTRATIONS = 4096;
constexpr std::size_t CDS_EVENT_SPACE_BYTES = CDS_EVENT_REGISTRATIONS * (sizeof(void*) == 8 ? 160 : 96);
Mspace& cds_event_space();
// "JIN_Message", 256,000 bytes: data of CAN messages longer than 8 bytes.
Mspace& jin_message_space();
// "JIN_trans", 819,200 bytes: buffers of transport-protocol transfers.
Mspace& jin_trans_space();
