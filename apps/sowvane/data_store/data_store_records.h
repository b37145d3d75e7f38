#pragma once
// The plain records of the live data store, expanded from the record table:
// every field with its initial value, so a default-constructed record holds
// the store's start-up values.

#include "apps/sowvane/data_store/data_store_types.h"

#define DS_RECORD(type) struct type {
#define DS_ROOT(type) struct type {
#define DS_SCALAR(key, name, initial, comment) DS_CTYPE(key) name = initial;
#define DS_ARRAY(key, name, count, initial, comment) DS_CTYPE(key) name[count] = initial;
#define DS_STRUCT(type, name, comment) type name;
#define DS_STRUCT_ARRAY(type, name, count, comment) type name[count];
#define DS_HIDDEN(key, name, dims, initial, comment) DS_CTYPE(key) name dims = initial;
#define DS_END(type) };

#include "apps/sowvane/data_store/data_store_schema.def"

#undef DS_RECORD
#undef DS_ROOT
#undef DS_SCALAR
#undef DS_ARRAY
#undef DS_STRUCT
#undef DS_STRUCT_ARRAY
#undef DS_HIDDEN
#undef DS_END

static_assert(sizeof(ds_ulong) == 4, "unsigned long fields are 32-bit words");
