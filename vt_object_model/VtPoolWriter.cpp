#include "vt_object_model/VtPoolWriter.h"

#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObject.h"

int writeVtObjectPool(VtMessageWriter& writer, VtObject* const* table, size_t size)
{
    writer.reset();
    return appendVtObjectPool(writer, table, size);
}

int appendVtObjectPool(VtMessageWriter& writer, VtObject* const* table, size_t size)
{
    for (size_t id = 0; id < size; ++id) {
        VtObject* object = table[id];
        if (object == nullptr)
            continue;
        if (!writer.writeOid(object->getOid(), "oid") || !writer.writeByte(object->getType(), "type") ||
            object->write(writer) != 0)
            return -1;
    }
    return writer.hasFailed() ? -1 : 0;
}
