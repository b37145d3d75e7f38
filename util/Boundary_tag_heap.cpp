#include "util/Boundary_tag_heap.h"

#include "util/Debug_print.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

namespace {

constexpr size_t INUSE = 1;  // this chunk is handed out
constexpr size_t PINUSE = 2; // the chunk before this one is not free
constexpr size_t FLAGS = 7;
constexpr size_t WORD = sizeof(size_t);

uintptr_t align_up(uintptr_t v, uintptr_t a) { return (v + a - 1) & ~(a - 1); }
uintptr_t align_down(uintptr_t v, uintptr_t a) { return v & ~(a - 1); }

} // namespace

struct Boundary_tag_heap::Chunk {
    size_t head;
    // Only while the chunk is free and in a bin:
    Chunk* fd;
    Chunk* bk;

    size_t size() const { return head & ~FLAGS; }
    Chunk* at(size_t offset) { return reinterpret_cast<Chunk*>(reinterpret_cast<char*>(this) + offset); }
    size_t& footer(size_t size) { return *reinterpret_cast<size_t*>(reinterpret_cast<char*>(this) + size - WORD); }
    void* payload() { return reinterpret_cast<char*>(this) + WORD; }
};

uintptr_t Boundary_tag_heap::magic()
{
    // Computed once per process; never 0, low bits clear.
    static const uintptr_t value = [] {
        uintptr_t m = static_cast<uintptr_t>(std::time(nullptr)) ^ static_cast<uintptr_t>(0x5555555555555555ull);
        return (m | 8u) & ~static_cast<uintptr_t>(7);
    }();
    return value;
}

size_t Boundary_tag_heap::min_region()
{
    // The bookkeeping, the fence and the worst alignment slack of the base.
    return align_up(sizeof(Boundary_tag_heap) + WORD, ALIGNMENT) + ALIGNMENT - 1;
}

size_t Boundary_tag_heap::chunk_size_for(size_t n)
{
    size_t nb = align_up(n + CHUNK_OVERHEAD, ALIGNMENT);
    return nb < MIN_CHUNK ? MIN_CHUNK : nb;
}

Boundary_tag_heap* Boundary_tag_heap::create(void* base, size_t size)
{
    if (base == nullptr || size <= min_region() || size >= (size_t(1) << 32)) {
        return nullptr;
    }
    uintptr_t start = align_up(reinterpret_cast<uintptr_t>(base), ALIGNMENT);
    uintptr_t end = reinterpret_cast<uintptr_t>(base) + size;
    // Chunks start 8 bytes below an alignment boundary so that payloads
    // (after the header word) are aligned.
    uintptr_t first = align_up(start + sizeof(Boundary_tag_heap) + WORD, ALIGNMENT) - WORD;
    uintptr_t fence = align_down(end - 2 * WORD, ALIGNMENT) + WORD;
    if (fence < first) {
        return nullptr;
    }
    auto* heap = new (reinterpret_cast<void*>(start)) Boundary_tag_heap();
    heap->check_ = reinterpret_cast<uintptr_t>(heap) ^ magic();
    heap->first_ = reinterpret_cast<char*>(first);
    heap->fence_ = reinterpret_cast<char*>(fence);
    heap->top_ = heap->first_;
    heap->top_size_ = fence - first;
    heap->footprint_ = size;
    heap->free_bytes_ = 0;
    heap->free_chunks_ = 0;
    std::memset(heap->bitmap_, 0, sizeof heap->bitmap_);
    std::memset(heap->bins_, 0, sizeof heap->bins_);
    if (heap->top_size_ > 0) {
        reinterpret_cast<Chunk*>(heap->top_)->head = heap->top_size_ | PINUSE;
    }
    *reinterpret_cast<size_t*>(heap->fence_) = INUSE | PINUSE;
    return heap;
}

void Boundary_tag_heap::destroy()
{
    check_ = 0;
}

bool Boundary_tag_heap::sound() const
{
    return check_ == (reinterpret_cast<uintptr_t>(this) ^ magic());
}

void Boundary_tag_heap::fail(const char* what, const void* block) const
{
    Debug_print::bprint("Memory space heap %p: %s (block %p)\n", static_cast<const void*>(this),
                        what, block);
    std::abort();
}

// ---------------------------------------------------------------------------
// Bins

unsigned Boundary_tag_heap::bin_index(size_t size)
{
    if (size < SMALL_BINS * ALIGNMENT) {
        return static_cast<unsigned>(size / ALIGNMENT);
    }
    unsigned log2 = 63u - static_cast<unsigned>(__builtin_clzll(size));
    unsigned idx = SMALL_BINS + (log2 - 10);
    return idx < NBINS ? idx : NBINS - 1;
}

void Boundary_tag_heap::bin_insert(Chunk* c, size_t size)
{
    unsigned i = bin_index(size);
    c->bk = nullptr;
    c->fd = bins_[i];
    if (c->fd != nullptr) {
        c->fd->bk = c;
    }
    bins_[i] = c;
    bitmap_[i / 64] |= uint64_t(1) << (i % 64);
    free_bytes_ += size;
    ++free_chunks_;
}

void Boundary_tag_heap::bin_unlink(Chunk* c, size_t size)
{
    unsigned i = bin_index(size);
    if (c->bk != nullptr) {
        if (c->bk->fd != c) {
            fail("free list corrupted", c->payload());
        }
        c->bk->fd = c->fd;
    } else {
        if (bins_[i] != c) {
            fail("free list corrupted", c->payload());
        }
        bins_[i] = c->fd;
        if (bins_[i] == nullptr) {
            bitmap_[i / 64] &= ~(uint64_t(1) << (i % 64));
        }
    }
    if (c->fd != nullptr) {
        c->fd->bk = c->bk;
    }
    free_bytes_ -= size;
    --free_chunks_;
}

Boundary_tag_heap::Chunk* Boundary_tag_heap::take_from_bins(size_t nb)
{
    unsigned idx = bin_index(nb);
    if (idx >= SMALL_BINS) {
        // Chunks of one large bin differ in size: best fit within it.
        Chunk* best = nullptr;
        for (Chunk* c = bins_[idx]; c != nullptr; c = c->fd) {
            size_t s = c->size();
            if (s >= nb && (best == nullptr || s < best->size())) {
                best = c;
                if (s == nb) {
                    break;
                }
            }
        }
        if (best != nullptr) {
            bin_unlink(best, best->size());
            return best;
        }
        ++idx;
    }
    // Any chunk of a later bin is large enough: take the smallest bin's head.
    for (unsigned w = idx / 64; w < NBINS / 64; ++w) {
        uint64_t bits = bitmap_[w];
        if (w == idx / 64) {
            bits &= ~uint64_t(0) << (idx % 64);
        }
        if (bits != 0) {
            unsigned i = w * 64 + static_cast<unsigned>(__builtin_ctzll(bits));
            Chunk* c = bins_[i];
            bin_unlink(c, c->size());
            return c;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Allocation

void* Boundary_tag_heap::use(Chunk* c, size_t chunk_size, size_t nb)
{
    size_t pinuse = c->head & PINUSE;
    if (chunk_size - nb >= MIN_CHUNK) {
        Chunk* rest = c->at(nb);
        size_t rest_size = chunk_size - nb;
        rest->head = rest_size | PINUSE;
        rest->footer(rest_size) = rest_size;
        bin_insert(rest, rest_size);
        chunk_size = nb;
    } else {
        c->at(chunk_size)->head |= PINUSE;
    }
    c->head = chunk_size | INUSE | pinuse;
    c->footer(chunk_size) = check_;
    return c->payload();
}

void* Boundary_tag_heap::malloc(size_t n)
{
    if (!sound()) {
        fail("bad space magic", nullptr);
    }
    if (n > footprint_) {
        errno = ENOMEM;
        return nullptr;
    }
    size_t nb = chunk_size_for(n);
    if (Chunk* c = take_from_bins(nb)) {
        return use(c, c->size(), nb);
    }
    if (top_size_ < nb) {
        errno = ENOMEM;
        return nullptr;
    }
    Chunk* c = reinterpret_cast<Chunk*>(top_);
    size_t pinuse = c->head & PINUSE;
    size_t taken = top_size_ - nb >= MIN_CHUNK ? nb : top_size_;
    top_ += taken;
    top_size_ -= taken;
    if (top_size_ > 0) {
        reinterpret_cast<Chunk*>(top_)->head = top_size_ | PINUSE;
    }
    c->head = taken | INUSE | pinuse;
    c->footer(taken) = check_;
    return c->payload();
}

Boundary_tag_heap::Chunk* Boundary_tag_heap::checked_chunk_of(const void* block, const char* op) const
{
    if (!sound()) {
        fail("bad space magic", block);
    }
    const char* p = static_cast<const char*>(block);
    if (reinterpret_cast<uintptr_t>(p) % ALIGNMENT != 0 || p < first_ + WORD || p >= fence_) {
        fail("block did not come from this space", block);
    }
    auto* c = reinterpret_cast<Chunk*>(const_cast<char*>(p) - WORD);
    if (reinterpret_cast<char*>(c) >= top_ || (c->head & INUSE) == 0) {
        fail("block is not in use (freed twice?)", block);
    }
    size_t size = c->size();
    if (size < MIN_CHUNK || size % ALIGNMENT != 0 || reinterpret_cast<char*>(c) + size > top_) {
        fail("chunk size corrupted", block);
    }
    if (c->footer(size) != check_) {
        fail("chunk footer corrupted (write past the end of a block?)", block);
    }
    Chunk* next = c->at(size);
    if (reinterpret_cast<char*>(next) != fence_ && (next->head & PINUSE) == 0) {
        fail("neighbour's in-use mark disagrees", block);
    }
    (void)op;
    return c;
}

void Boundary_tag_heap::release(Chunk* c, size_t size)
{
    // Wipe the in-use marks first, so that a second free of this block is
    // recognised even after the chunk has been merged into a neighbour.
    c->head &= ~INUSE;
    c->footer(size) = size;

    if ((c->head & PINUSE) == 0) {
        size_t prev_size = *reinterpret_cast<size_t*>(reinterpret_cast<char*>(c) - WORD);
        auto* prev = reinterpret_cast<Chunk*>(reinterpret_cast<char*>(c) - prev_size);
        if (prev_size < MIN_CHUNK || reinterpret_cast<char*>(prev) < first_
            || prev->size() != prev_size || (prev->head & INUSE) != 0) {
            fail("free neighbour corrupted", c->payload());
        }
        bin_unlink(prev, prev_size);
        c = prev;
        size += prev_size;
    }

    Chunk* next = c->at(size);
    if (reinterpret_cast<char*>(next) == top_) {
        top_ = reinterpret_cast<char*>(c);
        top_size_ += size;
        c->head = top_size_ | PINUSE;
        return;
    }
    if ((next->head & INUSE) == 0) {
        size_t next_size = next->size();
        bin_unlink(next, next_size);
        size += next_size;
    } else {
        next->head &= ~PINUSE;
    }
    c->head = size | PINUSE;
    c->footer(size) = size;
    bin_insert(c, size);
}

void Boundary_tag_heap::free(void* block)
{
    if (block == nullptr) {
        return;
    }
    Chunk* c = checked_chunk_of(block, "free");
    release(c, c->size());
}

size_t Boundary_tag_heap::usable_size(const void* block) const
{
    if (block == nullptr) {
        return 0;
    }
    return checked_chunk_of(block, "usable_size")->size() - CHUNK_OVERHEAD;
}

void* Boundary_tag_heap::realloc(void* block, size_t n)
{
    if (block == nullptr) {
        return malloc(n);
    }
    Chunk* c = checked_chunk_of(block, "realloc");
    if (n > footprint_) {
        errno = ENOMEM;
        return nullptr;
    }
    size_t size = c->size();
    size_t nb = chunk_size_for(n);
    size_t pinuse = c->head & PINUSE;

    if (nb <= size) {
        if (size - nb >= MIN_CHUNK) {
            c->head = nb | INUSE | pinuse;
            c->footer(nb) = check_;
            Chunk* rest = c->at(nb);
            size_t rest_size = size - nb;
            rest->head = rest_size | INUSE | PINUSE;
            rest->footer(rest_size) = check_;
            release(rest, rest_size);
        }
        return block;
    }

    if (c->at(size) == reinterpret_cast<Chunk*>(top_) && size + top_size_ >= nb) {
        size_t total = size + top_size_;
        size_t taken = total - nb >= MIN_CHUNK ? nb : total;
        top_ = reinterpret_cast<char*>(c) + taken;
        top_size_ = total - taken;
        if (top_size_ > 0) {
            reinterpret_cast<Chunk*>(top_)->head = top_size_ | PINUSE;
        }
        c->head = taken | INUSE | pinuse;
        c->footer(taken) = check_;
        return block;
    }

    void* moved = malloc(n);
    if (moved == nullptr) {
        return nullptr;
    }
    size_t keep = size - CHUNK_OVERHEAD;
    std::memcpy(moved, block, n < keep ? n : keep);
    free(block);
    return moved;
}

Boundary_tag_heap::Info Boundary_tag_heap::info() const
{
    Info i{};
    size_t arena = static_cast<size_t>(fence_ - first_) + WORD;
    size_t free_total = free_bytes_ + top_size_ + WORD;
    i.arena = static_cast<uint32_t>(arena);
    i.ordblks = static_cast<uint32_t>(free_chunks_ + 1);
    i.hblkhd = static_cast<uint32_t>(footprint_ - arena);
    i.usmblks = static_cast<uint32_t>(footprint_);
    i.uordblks = static_cast<uint32_t>(footprint_ - free_total);
    i.fordblks = static_cast<uint32_t>(free_total);
    i.keepcost = static_cast<uint32_t>(top_size_);
    return i;
}
