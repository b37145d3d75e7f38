// Writes a table of objects indexed by object ID as one ISO 11783-6
// object-pool stream: per object its ID (u16), its type code (u8) and its
// attributes, in ascending ID order, with no function code, count or
// terminator.
#pragma once

#include <cstddef>

class VtMessageWriter;
class VtObject;

// Resets the writer and writes every non-null entry of table[0 .. size).
// Returns 0 when the whole pool fitted; -1 when the writer ran out of room, in
// which case the stream is incomplete (writer.hasFailed() is true) and must
// not be uploaded.
int writeVtObjectPool(VtMessageWriter& writer, VtObject* const* table, size_t size);

// As writeVtObjectPool, but appends to what the writer already holds (a
// function code written in front of the pool, for instance).
int appendVtObjectPool(VtMessageWriter& writer, VtObject* const* table, size_t size);
