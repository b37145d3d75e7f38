#include "glue/quor/Quor_error_decoder.h"

#include <cassert>
#include <cstring>
#include <mutex>

namespace {

const char* const error_texts[Quor_error_decoder::NUM_ERRORS] = {
    ",wrong command",
    ",1st parameter missed",
    ",wrong 1st parameter",
    ",value missed",
    ",value out of range",
    ",2nd parameter missed",
    ",wrong 2nd parameter",
    ",wrong file name",
    ",file open error",
    ",file system not mounted",
    ",file read error",
    ",file already exists",
    ",data transfer open",
    ",can't create file",
    ",terminated by user",
    ",wrong receiver id",
    ",wrong option name",
    ",bad option date",
    ",bad option value",
    ",access denied",
    ",option disabled",
    ",operation in progress",
    ",no file system device",
    ",dup loop",
    ",not supported",
    ",can't remove file",
    ",device is not accessible",
    ",broken file",
    ",wrong hardware version",
    ",incompatible file version",
    ",file write error",
    ",data transfer error",
    ",can't lock",
    ",no valid mass storage found",
    ",can't create work directory",
    ",file system not supported",
    ",file not found",
    ",can't copy onto itself",
    ",device is write protected",
    ",device busy,invalid file length",
    ",data transfer delay",
};

} // namespace

const char* errcode2str(int code)
{
    if (code < 1 || code > Quor_error_decoder::NUM_ERRORS)
        return nullptr;
    return error_texts[code - 1];
}

Quor_error_decoder::Lookup Quor_error_decoder::lookup;
std::atomic<bool> Quor_error_decoder::init_done{false};

bool Quor_error_decoder::Item::operator<(const Item& other) const
{
    return strcmp(text, other.text) < 0;
}

bool Quor_error_decoder::Item::operator>(const Item& other) const
{
    return strcmp(text, other.text) > 0;
}

void Quor_error_decoder::insert(const Item& item)
{
    if (lookup.count >= NUM_ERRORS)
        return;
    int at = 0;
    while (at < lookup.count && !(lookup.items[at] > item))
        at++;
    for (int i = lookup.count; i > at; i--)
        lookup.items[i] = lookup.items[i - 1];
    lookup.items[at] = item;
    lookup.count++;
}

void Quor_error_decoder::init()
{
    // Readers on other threads may ask at the same time: the table is filled
    // once, under a lock, and published through init_done.
    static std::mutex fill_lock;
    std::lock_guard<std::mutex> guard(fill_lock);
    if (init_done.load(std::memory_order_acquire))
        return;
    for (int code = 1; code <= NUM_ERRORS; code++) {
        const char* str = errcode2str(code);
        assert(str[0] == ',');
        Item item;
        item.text = str + 1;
        item.code = code;
        insert(item);
    }
    init_done.store(true, std::memory_order_release);
}

int Quor_error_decoder::get(const char* text)
{
    if (!text)
        return -1;
    if (!init_done.load(std::memory_order_acquire))
        init();
    int low = 0;
    int high = lookup.count - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        int cmp = strcmp(text, lookup.items[mid].text);
        if (cmp == 0)
            return lookup.items[mid].code;
        if (cmp < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return -1;
}

int Quor_error_decoder::extract(const char* reply)
{
    if (!reply)
        return -1;
    char work[64];
    int len = 0;
    for (const char* p = reply; *p && *p != '}'; p++) {
        if (*p == ',') {
            len = 0;
            continue;
        }
        if (len < static_cast<int>(sizeof work) - 1)
            work[len++] = *p;
    }
    if (len < 3)
        return -1;
    work[len] = 0;
    return get(work);
}
