// Checks of the number objects of a pool as a VT holds it (the terminal's
// object table or the client pool's objects): every raw value, minimum,
// maximum and offset below 2^24, where a VT that computes in 32-bit floats
// still resolves each count; the objects that share a number variable read
// it with one offset and scale; and an input shows every raw value of its
// limits (up to a million counts: floats hold no more) exactly to its decimals
// and takes each shown text back to that raw value, computed in floats.
#pragma once

#include "tests/support/vtui/Recording_pool.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VtObject;

// The object stored under an object ID, or null.
using Object_lookup = std::function<VtObject*(uint32_t oid)>;

// One line per problem; empty when every number object passes.
std::vector<std::string> number_encoding_problems(const Object_lookup& object_of);

// The same for the change commands a session sent: each numeric value of a
// number object or variable, and each offset, minimum and maximum given by
// Change Attribute; the objects named are looked up for their type.
std::vector<std::string> number_command_problems(const std::vector<Vt_cmd>& commands, const Object_lookup& object_of);
