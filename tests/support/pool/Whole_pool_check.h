// Checks of a generated implement pool image and its screen object-ID table,
// shared by the pool generator's tests: the image is parsed back record by
// record with the object model's reader, read again by the pool builder, and
// uploaded to an in-process VT, whose object table must resolve every
// reference; every field of the table must name an object of its type.
#pragma once

#include "apps/sowvane/pool/Screen_object_ids.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Whole_pool_report {
    // One line per problem found; empty when the pool passed.
    std::vector<std::string> problems;
    uint32_t bytes = 0;
    uint32_t objects = 0;
    // Objects by ISO 11783-6 type code.
    std::map<uint32_t, uint32_t> objects_by_type;
    // Oids of the image in stream order.
    std::vector<uint32_t> oids;
};

struct Whole_pool_options {
    // Groups whose fields may all be 65535 (screens not generated); fields
    // that the generator never fills are always allowed to be 65535.
    std::vector<std::string> unfilled_groups;
};

Whole_pool_report check_whole_pool(const std::vector<uint8_t>& image, const Screen_object_ids& table,
                                   const Whole_pool_options& options = {});

// The problems as one text for a failure message.
std::string describe(const Whole_pool_report& report);
