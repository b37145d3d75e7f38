#include "glue/cds/Data_item.h"

#include "util/Debug_print.h"

std::atomic<unsigned short> Data_item::lookup_max_id{1};

namespace {
constexpr unsigned short last_unique_id = 65534;
constexpr unsigned short shared_id = 65535;
} // namespace

// Items are built from several threads (each module builds its own trees), so
// the counter advances atomically; only the thread that hands out the last
// unique id reports the exhaustion.
unsigned short Data_item::take_next_id()
{
    unsigned short current = lookup_max_id.load();
    for (;;) {
        if (current >= shared_id)
            return shared_id;
        unsigned short next = static_cast<unsigned short>(current + 1);
        if (lookup_max_id.compare_exchange_weak(current, next)) {
            if (current == last_unique_id)
                Debug_print::dprint("Lookup IDs are exhausted, time to move to 24 bit IDs\n");
            return current;
        }
    }
}

Data_item::Data_item() : id_(take_next_id()) {}

Data_item::Data_item(unsigned short id) : id_(id) {}

void Data_item::_print(Debug::Dumper&) const {}

void Data_item::serialise_structure(CDS::Remote::Send_buffer&, int)
{
    Debug_print::dprint("WHY CALL ME\n");
}
