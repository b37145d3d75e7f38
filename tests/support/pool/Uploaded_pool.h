// The whole pool the program uploads to a VT, made as the program makes it at
// start: the named objects of the pool specification of the source tree and
// the screens generated for a data-mask size, in one pool, written as the
// ISO 11783-6 object-pool stream of seeder_pool.iop.
#pragma once

#include "tests/support/pool/Pool_geometry.h"

#include "vt_object_model/VtSize.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace VT {
class Object_pool;
}
struct Screen_object_ids;

struct Uploaded_pool {
    explicit Uploaded_pool(const VtSize& mask_size);
    ~Uploaded_pool();

    // The ID of a named object of the specification (65535 when none).
    uint32_t id(const char* name) const;
    // How the screens show the whole pool at run time, for its geometry check.
    Pool_geometry_options geometry_options(int mask_size) const;

    // Empty when the pool was made; else what failed.
    std::string error;
    std::vector<uint8_t> stream;
    std::unique_ptr<VT::Object_pool> pool;
    // The generated screens' objects.
    std::unique_ptr<Screen_object_ids> table;
};

// How the screens show the generated pool at run time: the objects its
// pointers switch between and the strings whose texts they write.
Pool_geometry_options generated_pool_geometry_options(int mask_size, const Screen_object_ids& table);
// The same of the whole pool, whose named objects id_of finds.
Pool_geometry_options whole_pool_geometry_options(int mask_size, const Screen_object_ids& table,
                                                  const std::function<uint32_t(const char*)>& id_of);
