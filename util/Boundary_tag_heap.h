// A heap laid over a caller-given region: boundary-tag chunks with immediate
// coalescing of free neighbours, exact-size bins for small chunks and
// power-of-two bins (best fit) for large ones, and a top chunk from which
// what no bin holds is cut. It never asks the system for memory: when the
// region is exhausted an allocation returns null.
//
// Layout: the heap's bookkeeping sits at the start of the region; chunks
// follow, each with a header word (size and in-use flags) and a footer word.
// The footer of a free chunk holds its size (so that a freed neighbour can
// find its start); the footer of a chunk in use holds the owning heap's
// address XOR a per-process magic number, which detects overwritten
// boundaries. A fence word ends the region.
//
// Integrity failures (a block that was not handed out, a block freed twice,
// a corrupted boundary) end the process: continuing would corrupt the heap.
//
// No locking here: the owner (Mspace) serialises the calls.
#pragma once

#include <cstddef>
#include <cstdint>

class Boundary_tag_heap {
public:
    // Alignment of every block.
    static constexpr size_t ALIGNMENT = 16;
    // Header and footer words of a chunk.
    static constexpr size_t CHUNK_OVERHEAD = 2 * sizeof(size_t);
    static constexpr size_t MIN_CHUNK = 32;

    // The usage record, with the fields of the System V mallinfo record.
    struct Info {
        uint32_t arena;    // bytes of all chunks (in use, free, top) and the fence
        uint32_t ordblks;  // free chunks, the top chunk counted as one
        uint32_t smblks;   // 0
        uint32_t hblks;    // 0
        uint32_t hblkhd;   // footprint minus arena (the bookkeeping)
        uint32_t usmblks;  // highest footprint (the region: it never grows)
        uint32_t fsmblks;  // 0
        uint32_t uordblks; // footprint minus free bytes
        uint32_t fordblks; // free bytes, top chunk and fence included
        uint32_t keepcost; // size of the top chunk
    };

    // Lays a heap over [base, base + size). Null when the region cannot hold
    // the bookkeeping (MIN_REGION or less) or is 4 GiB or more.
    static Boundary_tag_heap* create(void* base, size_t size);
    // Smallest region size that is refused (the bookkeeping); one more byte
    // gives a heap that may still be too small for any block.
    static size_t min_region();

    // The chunk size an allocation of n bytes takes.
    static size_t chunk_size_for(size_t n);

    void* malloc(size_t n);
    // Releases a block of this heap; see owner_check for blocks of others.
    void free(void* block);
    // Grows or shrinks in place where possible, else moves (copying the
    // smaller of the two sizes). Null (the block untouched) when there is no
    // room. A null block allocates.
    void* realloc(void* block, size_t n);
    // Bytes the caller may use in a block of this heap.
    size_t usable_size(const void* block) const;

    Info info() const;

    // True when the address lies among this heap's chunks.
    bool contains(const void* p) const
    {
        const char* c = static_cast<const char*>(p);
        return c >= first_ && c < fence_;
    }
    // True when the heap's own check word is intact.
    bool sound() const;

    // Ends the heap: later calls on it are fatal.
    void destroy();

private:
    struct Chunk;

    Boundary_tag_heap() = default;
    static uintptr_t magic();

    Chunk* checked_chunk_of(const void* block, const char* op) const;
    [[noreturn]] void fail(const char* what, const void* block) const;
    void bin_insert(Chunk* c, size_t size);
    void bin_unlink(Chunk* c, size_t size);
    Chunk* take_from_bins(size_t nb);
    void* use(Chunk* c, size_t chunk_size, size_t nb);
    void release(Chunk* c, size_t size);

    static constexpr unsigned SMALL_BINS = 64; // exact sizes below 1024 bytes
    static constexpr unsigned NBINS = 128;
    static unsigned bin_index(size_t size);

    uintptr_t check_;
    char* first_;
    char* top_;
    size_t top_size_;
    char* fence_;
    size_t footprint_;
    size_t free_bytes_;  // in bins, the top chunk excluded
    size_t free_chunks_; // in bins
    uint64_t bitmap_[NBINS / 64];
    Chunk* bins_[NBINS];
};
