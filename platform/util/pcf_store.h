// The outside file store ("pcf" functions): a small store of named files
// kept in one directory, with a fixed capacity in bytes.
//
// The store has one read slot and one write slot: at most one file is open
// for reading and one for writing at a time, process-wide. The handle
// arguments of the read and write calls name these slots (callers pass 0 for
// the read slot and -1 for the write slot); they are accepted and ignored.
// Files opened for writing are appended to. All calls are thread-safe.
//
// File names are plain names of 1 to PCF_NAME_MAX characters (no '/', not
// "." or ".."); any other name is refused.
#pragma once

#include <cstdint>

enum { PCF_NAME_MAX = 39 };

// Result of a read (pcfRead's third argument).
enum PcfResult : int {
    PCF_RESULT_OK = 0,
    PCF_RESULT_END_OF_FILE = 1,  // nothing was left to read
    PCF_RESULT_NOT_OPEN = 2,     // no file is open for reading
    PCF_RESULT_IO_ERROR = 3,
    PCF_RESULT_NONE = 4,         // what callers preset before a read
};

// Error codes some calls leave in their optional int* argument.
enum {
    PCF_ERR_NONE = 0,
    PCF_ERR_NOT_MOUNTED = 2,
    PCF_ERR_NOT_FOUND = 3,
    PCF_ERR_BAD_NAME = 5,
    PCF_ERR_EXISTS = 6,
    PCF_ERR_IO = 7,
};

// The store's information record: its first two words are the total size and
// the free bytes.
struct PcfInfo {
    uint32_t total_bytes;
    uint32_t free_bytes;
    uint32_t file_count;
};

// --- Setting the store up ---------------------------------------------------

// Mounts the store over a directory (created when missing, its parent must
// exist) with a capacity in bytes. Files already there count against the
// capacity. Remounting closes any open file first. True on success.
bool pcfMount(const char* directory, uint32_t capacity_bytes);
// Closes any open file and unmounts the store.
void pcfUnmount();
// Changes the capacity of a mounted store.
void pcfSetCapacity(uint32_t capacity_bytes);

// Test hooks. pcfSimulateBusy(n): the next n open calls (pcfOpenRead,
// pcfOpenWrite, pcfCreateWrite) answer "busy" without opening anything.
// pcfSimulateFull(true): the store reports no free byte and writes nothing.
void pcfSimulateBusy(unsigned open_answers);
void pcfSimulateFull(bool full);

// --- The file API -------------------------------------------------------------

// Non-zero when the store is mounted and usable.
int pcfIsMounted();
// Non-zero when the file exists.
int pcfExists(const char* name);
// 0 when the file was removed; non-zero when it does not exist, is open, or
// cannot be removed.
int pcfRemove(const char* name);

// Opens a file for reading at a byte offset: 0 when opened, 1 when busy (the
// read slot is in use), another value on error (also left in *error).
int pcfOpenRead(const char* name, uint32_t offset, int* error);
// Reads up to max bytes from the read slot's file; returns the count read.
// result becomes PCF_RESULT_OK when bytes were read.
int pcfRead(void* buffer, int max, PcfResult& result, int handle);
// Closes the read slot: 0 on success, non-zero when nothing was open.
int pcfCloseRead(int handle);

// Opens an existing file for appending: non-zero on success; 0 when busy,
// missing or on error (the reason in *error when given).
int pcfOpenWrite(const char* name, int* error);
// Creates a new empty file and opens it for writing: non-zero on success; 0
// when busy, when the file exists already or on error.
int pcfCreateWrite(const char* name, int* error);
// Appends up to count bytes to the write slot's file, as many as the free
// space allows; returns the count written.
int pcfWrite(const void* buffer, int count, int handle);
// Closes the write slot: non-zero on success, 0 when nothing was open or the
// close failed.
int pcfCloseWrite(int handle);

// Fills info: non-zero on success, 0 when the store is not mounted.
int pcfInfo(PcfInfo& info);
// The number of files in the store (0 when not mounted).
int pcfGetNumFiles();
// Copies the name of file number index (in name order) into buffer, which
// must hold PCF_NAME_MAX + 1 characters: non-zero on success.
int pcfGetFileName(int index, char* buffer);
