#include "util/Mspace.h"

#include "platform/util/Debug_dumper.h"
#include "util/Boundary_tag_heap.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <cstdio>
#include <cstring>

namespace {
// Debug filter code that traces failed allocations.
constexpr int TRACE_ALLOC_FAILURE = 20;
} // namespace

// ---------------------------------------------------------------------------
// Mspace

Mspace::Mspace(void* base, uint32_t size, const char* name)
    : heap_(nullptr), base_(base), size_(size), name_(name ? name : ""),
      manager_(&Mspace_manager::get())
{
    heap_ = Boundary_tag_heap::create(base, size);
    manager_->add(this);
}

Mspace::~Mspace()
{
    manager_->remove(this);
    Mutex::Protection guard(&lock_);
    if (heap_ != nullptr) {
        heap_->destroy();
    }
    heap_ = nullptr;
    size_ = 0;
}

bool Mspace::owns(const void* block) const
{
    const char* p = static_cast<const char*>(block);
    const char* b = static_cast<const char*>(base_);
    return heap_ != nullptr && p >= b && p < b + size_;
}

void* Mspace::malloc(uint32_t size) const
{
    void* block = nullptr;
    if (heap_ != nullptr) {
        Mutex::Protection guard(&lock_);
        block = heap_->malloc(size);
    }
    if (block == nullptr && JDB::enabled(static_cast<_JDB::jdb_enum>(TRACE_ALLOC_FAILURE))) {
        Debug_print::dprint("Failed to allocate %d bytes in %s allocator\n", static_cast<int>(size),
                            name_);
    }
    return block;
}

void* Mspace::malloc_for_new(uint32_t size) const
{
    return malloc(size);
}

const Mspace* Mspace::owner_of(const void* block)
{
    return Mspace_manager::get().owner_of(block);
}

void Mspace::free(void* block) const
{
    if (block == nullptr) {
        return;
    }
    const Mspace* owner = owns(block) ? this : owner_of(block);
    if (owner == nullptr) {
        Debug_print::bprint("Mspace %s: free of %p, which no memory space handed out\n", name_,
                            block);
        std::abort();
    }
    Mutex::Protection guard(&owner->lock_);
    owner->heap_->free(block);
}

void* Mspace::realloc(void* block, uint32_t size) const
{
    if (block == nullptr) {
        return malloc(size);
    }
    const Mspace* owner = owns(block) ? this : owner_of(block);
    if (owner == nullptr) {
        Debug_print::bprint("Mspace %s: realloc of %p, which no memory space handed out\n",
                            name_, block);
        std::abort();
    }
    Mutex::Protection guard(&owner->lock_);
    return owner->heap_->realloc(block, size);
}

Mspace::Usage Mspace::usage() const
{
    Usage u{};
    if (heap_ == nullptr) {
        return u;
    }
    Boundary_tag_heap::Info i;
    {
        Mutex::Protection guard(&lock_);
        i = heap_->info();
    }
    u.arena = i.arena;
    u.ordblks = i.ordblks;
    u.smblks = i.smblks;
    u.hblks = i.hblks;
    u.hblkhd = i.hblkhd;
    u.usmblks = i.usmblks;
    u.fsmblks = i.fsmblks;
    u.uordblks = i.uordblks;
    u.fordblks = i.fordblks;
    u.keepcost = i.keepcost;
    return u;
}

void Mspace::print_usage(Debug::Dumper& dumper) const
{
    if (heap_ == nullptr) {
        Debug_print::dprint("%20s INVALID\n", name_);
        return;
    }
    Usage u = usage();
    if (!dumper.begin(name_)) {
        return;
    }
    const struct {
        const char* name;
        uint32_t value;
    } figures[] = {
        {"fixed_space", u.arena},     {"free_chunks", u.ordblks}, {"max_alloc", u.usmblks},
        {"total_alloc", u.uordblks}, {"total_free", u.fordblks}, {"releasable", u.keepcost},
    };
    for (const auto& f : figures) {
        char text[64];
        std::snprintf(text, sizeof text, "%x", f.value);
        dumper.value(f.name, text);
    }
    dumper.end(name_);
}

// ---------------------------------------------------------------------------
// Mspace_manager

Mspace_manager& Mspace_manager::get()
{
    // Never destroyed: spaces in static objects of any library may be
    // created or destroyed after this translation unit's statics are gone.
    static Mspace_manager* manager = new Mspace_manager();
    return *manager;
}

void Mspace_manager::add(Mspace* space)
{
    if (space == nullptr || space->in_list()) {
        return;
    }
    Mutex::Protection guard(&lock_);
    spaces_.push(space);
}

void Mspace_manager::remove(Mspace* space)
{
    Mutex::Protection guard(&lock_);
    spaces_.remove(space);
}

Mspace* Mspace_manager::find(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    Mutex::Protection guard(&lock_);
    for (Mspace* s = spaces_.first(); s != nullptr; s = spaces_.next(s)) {
        if (std::strcmp(s->get_name(), name) == 0) {
            return s;
        }
    }
    return nullptr;
}

const Mspace* Mspace_manager::owner_of(const void* block)
{
    Mutex::Protection guard(&lock_);
    for (Mspace* s = spaces_.first(); s != nullptr; s = spaces_.next(s)) {
        if (s->owns(block)) {
            return s;
        }
    }
    return nullptr;
}

int Mspace_manager::count()
{
    Mutex::Protection guard(&lock_);
    return spaces_.count();
}

void Mspace_manager::print_usage(Debug::Dumper& dumper)
{
    // Walk a snapshot-free list under the lock; printing takes each space's
    // own lock, never the other way round.
    Mutex::Protection guard(&lock_);
    for (Mspace* s = spaces_.first(); s != nullptr; s = spaces_.next(s)) {
        s->print_usage(dumper);
    }
}

void Mspace_manager::print_global_usage(Debug::Dumper& dumper)
{
    get().print_usage(dumper);
}

// ---------------------------------------------------------------------------
// The system's spaces

namespace {

alignas(16) unsigned char cds_event_region[CDS_EVENT_SPACE_BYTES];
alignas(16) unsigned char jin_message_region[256000];
alignas(16) unsigned char jin_trans_region[819200];

// Created when the library loads, in this order, so that the usage print
// lists them so.
struct Create_named_spaces {
    Create_named_spaces()
    {
        cds_event_space();
        jin_message_space();
        jin_trans_space();
    }
} create_named_spaces;

} // namespace

namespace {
// The named spaces are never destroyed: blocks held by static objects of
// other libraries may still be freed while the process exits.
template <size_t N>
Mspace& immortal_space(unsigned char (&region)[N], const char* name)
{
    return *new Mspace(region, N, name);
}
} // namespace

Mspace& cds_event_space()
{
    static Mspace& space = immortal_space(cds_event_region, "cds_event");
    return space;
}

Mspace& jin_message_space()
{
    static Mspace& space = immortal_space(jin_message_region, "JIN_Message");
    return space;
}

Mspace& jin_trans_space()
{
    static Mspace& space = immortal_space(jin_trans_region, "JIN_trans");
    return space;
}
