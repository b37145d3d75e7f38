// The pool as a VT holds it while the program runs: the pool uploaded at
// start, then every partial upload and command the program sent after it,
// each applied by an in-process VT as any VT applies it (new texts, fonts,
// sizes, pointer values).
#pragma once

#include "tests/support/vt_object_model/InProcessVt.h"
#include "tests/support/vtui/Recording_pool.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class VtObjectTable;

class Vt_side_pool {
public:
    // The function code under which a partial upload (one object's record)
    // is kept among the commands.
    static constexpr uint8_t object_pool_transfer = 0x11;

    // The whole pool as an ISO 11783-6 object-pool stream.
    void upload(const std::vector<uint8_t>& stream);
    // Applies the commands of the list that were not applied yet: the list
    // only grows.
    void apply(const std::vector<Vt_cmd>& commands);
    const VtObjectTable& objects() const { return vt_.processor; }

private:
    InProcessVt vt_;
    size_t applied_ = 0;
};
