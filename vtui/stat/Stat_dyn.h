// Objects that the stats make at run time: each gets a fresh id and a name
// "<prefix><id>" from the pool and joins the pool at once (so the next id is
// fresh); the pool owns it from then on. A failure is a broken set-up of the
// program itself and ends the process with a line naming the source.
#pragma once

#include "platform/vt/Object_pool.h"

namespace Stat_dyn {

constexpr int NAME_SIZE = 32;

// Prints "ASSERT <source> <what>" and aborts when `ok` is false.
void check(bool ok, const char* source, const char* what);

// Creates a T with a fresh id and name (the arguments follow the name in
// T's constructor) and adds it to the pool.
template <class T, class... Args>
T* create(VT::Object_pool* pool, const char* source, const char* prefix, const char* what, Args... args)
{
    check(pool != nullptr, source, "pool");
    char buffer[NAME_SIZE];
    char* name = buffer;
    unsigned short id = VT::Object_pool::NULL_ID;
    check(pool->get_dyn_obj_id(id, &name, NAME_SIZE, prefix), source, what);
    T* obj = new T(id, name, args...);
    obj->set_pool(pool);
    check(pool->add_object(obj), source, what);
    return obj;
}

} // namespace Stat_dyn
