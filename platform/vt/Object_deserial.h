// Loads an ISO 11783-6 object-pool image (records of object id, type code and
// attributes, back to back, as the pool generator writes them) into the pool.
// The whole image is checked before the pool is touched: a record that cannot
// be read, an unknown type, an id that is the null id or comes twice, an id
// the pool already holds, or a second working set refuses the whole image.
#pragma once

#include <cstdint>
#include <string>

namespace VT {

class Object_pool;

class Object_deserial {
public:
    Object_deserial() = default;

    // Binds the loader to the pool; false when null.
    bool init(Object_pool* pool);
    // Loads the image: true when every object went into the pool. On a
    // refusal, error() tells why and the pool is as it was.
    bool run(const uint8_t* image, uint32_t length);

    const std::string& error() const { return error_; }
    int objects_loaded() const { return loaded_; }

private:
    bool fail(const char* format, ...);

    Object_pool* pool_ = nullptr;
    std::string error_;
    int loaded_ = 0;
};

} // namespace VT
