#pragma once
// The parameter tree "PS": every settings record of namespace NV_kelsu,
// expanded from the parameter table. Each record is an NV_store::NV_struct
// (the root an NV_store::NV_root) whose members are built in table order with
// their NV ids, names and defaults, and carries three constructors (member,
// default, copy) and the assignment family _set / set / operator=.

#include "apps/sowvane/params/parameter_types.h"
#include "glue/NV_store/NV_item_array.h"
#include "glue/NV_store/NV_container.h"
#include "glue/NV_store/NV_root.h"

class module_man;

namespace NV_kelsu {

#define NV_RECORD(type)                                                                  \
    class type : public NV_store::NV_struct {                                            \
    public:                                                                              \
        type(NV_store::NV_container* parent, NV_store::NV_root* root, unsigned short nv_id, \
             const char* name);                                                          \
        type();                                                                          \
        type(const type& other);                                                         \
        bool _set(const type& other, NV_store::notify_t notify);                         \
        bool set(const type& other);                                                     \
        type& operator=(const type& other);
#define NV_ROOT(type)                                                                    \
    class type : public NV_store::NV_root {                                              \
    public:                                                                              \
        type(module_man* mm, unsigned short nv_id, const char* name);                     \
        type();                                                                          \
        type(const type& other);                                                         \
        bool _set(const type& other, NV_store::notify_t notify);                         \
        bool set(const type& other);                                                     \
        type& operator=(const type& other);
#define NV_LEAF(id, name, key, def) NV_LEAF_TYPE(key) name{this, id, def, #name};
#define NV_TEXT(id, name, length) NV_TEXT_TYPE(length) name{this, id, #name};
#define NV_STRUCT(id, name, type) type name{this, this->get_root(), id, #name};
#define NV_ARRAY(id, name, count, type) \
    NV_store::NV_item_array<count, type> name{this, this->get_root(), id, #name};
#define NV_END(type) };
#define NV_ROOT_END(type) };

#include "apps/sowvane/params/parameters_schema.def"

#undef NV_RECORD
#undef NV_ROOT
#undef NV_LEAF
#undef NV_TEXT
#undef NV_STRUCT
#undef NV_ARRAY
#undef NV_END
#undef NV_ROOT_END

}  // namespace NV_kelsu
