#include "vt_object_model/objects/VtVariableObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

template <class Io>
void VtObjectNumberVariable::transfer(Io& io)
{
    io.uint(value_, "value");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectNumberVariable)

template <class Io>
void VtObjectStringVariable::transfer(Io& io)
{
    io.string(value_, "value");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectStringVariable)
