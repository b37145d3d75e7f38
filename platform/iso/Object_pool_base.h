// A pool of ISO 11783 objects, keyed by object id and findable by name. The
// pool owns the objects it has taken. Every look-up runs between lock() and
// unlock(); the lock is recursive so that a holder may look up again.
//
// Obj must offer get_id() and get_name().
#pragma once

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

template <typename Obj>
class Object_pool_base {
public:
    static constexpr unsigned short NULL_ID = 65535;

    Object_pool_base() = default;
    virtual ~Object_pool_base() { clear_objects(); }

    Object_pool_base(const Object_pool_base&) = delete;
    Object_pool_base& operator=(const Object_pool_base&) = delete;

    // Takes the pool's lock: timeout_ms -1 waits without limit. True when held.
    bool lock(int timeout_ms = -1)
    {
        if (timeout_ms < 0) {
            mutex_.lock();
            return true;
        }
        return mutex_.try_lock_for(std::chrono::milliseconds(timeout_ms));
    }
    void unlock() { mutex_.unlock(); }

    // The object of that name, or null. With `complain` a missing name is
    // reported on the error stream.
    Obj* __find_object(const char* name, bool complain) const
    {
        if (name && *name) {
            for (const auto& entry : objects_)
                if (std::strcmp(entry.second->get_name(), name) == 0)
                    return entry.second;
        }
        if (complain)
            std::fprintf(stderr, "Object not found: %s\n", name ? name : "(null)");
        return nullptr;
    }
    Obj* __find_object(unsigned short id) const
    {
        auto it = objects_.find(id);
        return it == objects_.end() ? nullptr : it->second;
    }

    // The same, under the pool's lock.
    static Obj* find_object(Object_pool_base* pool, const char* name, bool complain)
    {
        if (!pool)
            return nullptr;
        pool->lock(-1);
        Obj* o = pool->__find_object(name, complain);
        pool->unlock();
        return o;
    }
    static Obj* find_object(Object_pool_base* pool, unsigned short id)
    {
        if (!pool)
            return nullptr;
        pool->lock(-1);
        Obj* o = pool->__find_object(id);
        pool->unlock();
        return o;
    }

    // Takes ownership of `obj`. False (and the caller keeps the object) when
    // the object is null, has the null id, or its id or non-empty name is
    // already in the pool.
    virtual bool add_object(Obj* obj)
    {
        if (!obj || obj->get_id() == NULL_ID || objects_.count(obj->get_id()))
            return false;
        const char* name = obj->get_name();
        if (name && *name && __find_object(name, false))
            return false;
        objects_.emplace(obj->get_id(), obj);
        return true;
    }

    // Removes the object of that id from the pool and deletes it.
    bool delete_object(unsigned short id)
    {
        auto it = objects_.find(id);
        if (it == objects_.end())
            return false;
        Obj* o = it->second;
        objects_.erase(it);
        delete o;
        return true;
    }

    int object_count() const { return static_cast<int>(objects_.size()); }
    // The objects in ascending id order.
    const std::map<unsigned short, Obj*>& objects() const { return objects_; }

    // Writes the pool to a file in the pool's binary form; the base has none.
    virtual bool serialise_to_file(const char* path) { return false; }

protected:
    void clear_objects()
    {
        for (auto& entry : objects_)
            delete entry.second;
        objects_.clear();
    }

private:
    std::map<unsigned short, Obj*> objects_;
    mutable std::recursive_timed_mutex mutex_;
};
