#pragma once
// The lookup tree "data_store" over the live records, expanded from the same
// record table as the records themselves: one Lookup_<record> class per record,
// a leaf per field with the schema's type name and comment, and one record
// lookup per element of a record array, named "0", "1", ...
//
// The tree is built as nested members, so the item ids follow the tree in
// pre-order and each record's ids are contiguous. Build it once, statically,
// after the store it describes; it never copies or rebuilds itself.

#include "apps/sowvane/data_store/data_store_records.h"
#include "glue/cds/Lookup_basic.h"
#include "glue/cds/Lookup_root.h"

#include <new>
#include <type_traits>

namespace CDS {

// A field with the schema's own type name ("uchar", "unsigned long", ...).
template <typename T>
class Ds_basic : public Lookup_basic<T> {
public:
    Ds_basic(Lookup_struct& parent, const char* name, T* field, const char* type_name,
             const char* comment)
        : Lookup_basic<T>(parent, name, field, comment)
    {
        this->set_type_name(type_name);
    }
};

template <typename T>
class Ds_basic_array : public Lookup_basic_array<T> {
public:
    Ds_basic_array(Lookup_struct& parent, const char* name, T* first, unsigned char count,
                   const char* type_name, const char* comment)
        : Lookup_basic_array<T>(parent, name, first, count, comment)
    {
        this->set_type_name(type_name);
    }
};

// An array of records: one record lookup per element, built in index order in
// place (no allocation per element) and named by its index.
template <typename Element_lookup, typename Record, unsigned N>
class Lookup_record_array : public Lookup_struct {
public:
    Lookup_record_array(Lookup_struct& parent, const char* name, Record (&records)[N],
                        const char* type_name, const char* comment)
        : Lookup_struct(parent, name, records, sizeof(records))
    {
        set_type_name(type_name);
        set_comment(comment);
        get_number_as_name(N - 1);
        for (unsigned i = 0; i < N; ++i)
            new (&slots_[i]) Element_lookup(*this, get_number_as_name(i), records[i], "");
    }
    ~Lookup_record_array() override
    {
        for (unsigned i = N; i-- > 0;)
            element(i).~Element_lookup();
    }

    Element_lookup& element(unsigned i)
    {
        return *std::launder(reinterpret_cast<Element_lookup*>(&slots_[i]));
    }

private:
    std::aligned_storage_t<sizeof(Element_lookup), alignof(Element_lookup)> slots_[N];
};

#define DS_RECORD(type)                                                                  \
    class Lookup_##type : public Lookup_struct {                                         \
    public:                                                                              \
        Lookup_##type(Lookup_struct& parent, const char* name, ::type& record,            \
                      const char* comment)                                               \
            : Lookup_struct(parent, name, &record, sizeof(::type)), record_(record)      \
        {                                                                                \
            set_type_name(#type);                                                        \
            set_comment(comment);                                                        \
        }                                                                                \
                                                                                         \
    private:                                                                             \
        ::type& record_;                                                                 \
                                                                                         \
    public:
// The root registers with the head before its own names are filled in.
#define DS_ROOT(type)                                                                    \
    class Lookup_##type : public Lookup_root {                                           \
    public:                                                                              \
        Lookup_##type(Head& head, ::type& record)                                        \
            : Lookup_root(head, &record, sizeof(::type)), record_(record)                \
        {                                                                                \
            head.set_lookup(this);                                                       \
            set_name("data_store");                                                      \
            set_type_name(#type);                                                        \
        }                                                                                \
                                                                                         \
    private:                                                                             \
        ::type& record_;                                                                 \
                                                                                         \
    public:
#define DS_SCALAR(key, name, initial, comment) \
    Ds_basic<DS_CTYPE(key)> name{*this, #name, &record_.name, DS_TYPE_NAME(key), comment};
#define DS_ARRAY(key, name, count, initial, comment)                                      \
    Ds_basic_array<DS_CTYPE(key)> name{*this, #name, record_.name, count, DS_TYPE_NAME(key), \
                                       comment};
#define DS_STRUCT(type, name, comment) Lookup_##type name{*this, #name, record_.name, comment};
#define DS_STRUCT_ARRAY(type, name, count, comment) \
    Lookup_record_array<Lookup_##type, ::type, count> name{*this, #name, record_.name, #type, comment};
#define DS_HIDDEN(key, name, dims, initial, comment)
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

}  // namespace CDS
