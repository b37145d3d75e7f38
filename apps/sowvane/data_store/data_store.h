#pragma once
// The implement's live data store: one CDS::Head in front of the plain record
// data_store_body, and the locked accessors every module reads and writes it
// through. Each accessor holds the store's lock for the single field access;
// a write signals its change (with the old value still in place) before it
// stores, so subscribers receive events in the order of the writes.

#include "apps/sowvane/data_store/data_store_records.h"
#include "glue/cds/Head.h"

class module_man;
class waiter_descriptor;

// The head, immediately followed in memory by the body it guards. The head is
// built over the body's address, then the body's initialisers run.
struct Data_store {
    CDS::Head head;
    data_store_body body;

    explicit Data_store(module_man* mm);
    Data_store(const Data_store&) = delete;
    Data_store& operator=(const Data_store&) = delete;
};

// --- Reads: the field copied out under the lock -----------------------------

// One byte (bool or unsigned char).
unsigned char cds_get_byte(CDS::Head* head, const void* field);
// One 4-byte word (int, unsigned int, unsigned long or float), as its bits.
unsigned int cds_get_word(CDS::Head* head, const void* field);
double cds_get_double(CDS::Head* head, const double* field);
// Whole records, every field read under one lock.
void cds_get_channel(ds_channel* out, CDS::Head* head, const ds_channel* field);
void cds_get_boom(ds_boom* out, CDS::Head* head, const ds_boom* field);
// The 12 characters of the firmware version text (not terminated when all 12
// are used; the caller's buffer must hold 12).
void cds_get_firmware_version(char* out, CDS::Head* head, const ds_firmware_version* field);

// Any field or record by its own type.
template <typename T>
T cds_get(CDS::Head* head, const T* field)
{
    T value;
    head->read(&value, field, int(sizeof(T)));
    return value;
}

// --- Writes: lock, signal the change, store, unlock -------------------------

void cds_set_bool(CDS::Head* head, bool* field, const bool* value, CDS::Options* options = nullptr);
void cds_set_uchar(CDS::Head* head, unsigned char* field, const unsigned char* value,
                   CDS::Options* options = nullptr);
void cds_set_int(CDS::Head* head, int* field, const int* value, CDS::Options* options = nullptr);
void cds_set_uint(CDS::Head* head, unsigned int* field, const unsigned int* value,
                  CDS::Options* options = nullptr);
void cds_set_ulong(CDS::Head* head, ds_ulong* field, const ds_ulong* value,
                   CDS::Options* options = nullptr);
void cds_set_float(CDS::Head* head, float* field, const float* value, CDS::Options* options = nullptr);
void cds_set_double(CDS::Head* head, double* field, const double* value,
                    CDS::Options* options = nullptr);
// Any other 4-byte field.
void cds_set_word(CDS::Head* head, void* field, const void* value, CDS::Options* options = nullptr);
// An array or any block of size bytes, copied as one block.
void cds_set_array(CDS::Head* head, void* field, const void* value, int size,
                   CDS::Options* options = nullptr);

// Any field or record by its own type.
template <typename T>
void cds_set(CDS::Head* head, T* field, const T& value, CDS::Options* options = nullptr)
{
    head->write(field, &value, int(sizeof(T)), options);
}

// --- Change registrations -----------------------------------------------------

// The change code of a field: its size in the upper half, the low 16 bits of
// its address below (0x40000 | address for a 4-byte field), so that a module
// can tell from the event alone which field changed.
inline int cds_change_code(const void* field, int size)
{
    return (size << 16) | int(reinterpret_cast<unsigned long>(field) & 0xFFFF);
}

// Registers waiter for changes of exactly the field's own bytes, so a write of
// a neighbouring field never arrives under this field's code. 0 or -1.
int cds_event_register(CDS::Head* head, waiter_descriptor* waiter, const void* field, int size,
                       CDS::Reg_type type, int code);
int cds_event_register_byte(CDS::Head* head, waiter_descriptor* waiter, const void* field,
                            CDS::Reg_type type, int code);
int cds_event_register_word(CDS::Head* head, waiter_descriptor* waiter, const void* field,
                            CDS::Reg_type type, int code);
int cds_event_unregister(CDS::Head* head, waiter_descriptor* waiter, const void* field, int size,
                         CDS::Reg_type type, int code);

template <typename T>
int cds_event_register(CDS::Head* head, waiter_descriptor* waiter, const T* field,
                       CDS::Reg_type type, int code)
{
    return cds_event_register(head, waiter, field, int(sizeof(T)), type, code);
}
