// Starts and ends xerces-c for the XML readers (pool specifications, device
// descriptions). xerces-c 3.2 loses a few blocks on every parse validated
// against a DOCTYPE; its memory therefore goes through a manager that keeps
// track of every block, and what is still held when the last reader has
// ended the library is given back. Readers call these instead of
// XMLPlatformUtils::Initialize/Terminate, so that all of them share the one
// manager whatever their order.
#pragma once

#include <cstddef>

namespace Iso {

// Starts the library (counted); false, with a line on the error stream, when
// it cannot start.
bool xerces_start();
// Ends one start; the last end gives back every block the library still holds.
void xerces_end();
// Blocks the library holds through the manager now.
size_t xerces_blocks_held();

} // namespace Iso
