// Defines the stream operations of an object type from its transfer() walk.
#pragma once

#include "vt_object_model/VtFieldReader.h"
#include "vt_object_model/VtFieldWriter.h"

#define VT_DEFINE_STREAM_OPERATIONS(Class)                                                         \
    int Class::write(VtMessageWriter& writer)                                                      \
    {                                                                                              \
        VtFieldWriter io(writer);                                                                  \
        transfer(io);                                                                              \
        return io.result();                                                                        \
    }                                                                                              \
    int Class::read(VtMessageReader& reader)                                                       \
    {                                                                                              \
        VtFieldReader io(reader);                                                                  \
        transfer(io);                                                                              \
        return io.result();                                                                        \
    }
