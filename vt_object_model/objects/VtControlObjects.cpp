#include "vt_object_model/objects/VtControlObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

VtObjectPointer::VtObjectPointer(uint32_t oid) : VtObject(VtObjectTypePointer, oid)
{
    valueObserver_.attachToHolder(this);
}

void VtObjectPointer::setValue(uint32_t oid)
{
    if (oid == value_)
        return;
    valueObserver_.retarget(value_, oid);
}

template <class Io>
void VtObjectPointer::transfer(Io& io)
{
    io.observed(value_, valueObserver_, "value");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectPointer)

template <class Io>
void VtObjectMacro::transfer(Io& io)
{
    uint32_t nBytes = commands_.getLength();
    io.count16(nBytes, "number_bytes_to_follow");
    io.data(commands_, nBytes, "commans");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectMacro)

template <class Io>
void VtObjectAuxiliaryFunction::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    io.colour(backgroundColour_, "background_colour");
    io.byte(functionType_, "function_type");
    io.count8(nObjects, "n_objects");
    io.refList(childs_, nObjects, "childs");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectAuxiliaryFunction)

template <class Io>
void VtObjectAuxiliaryInput::transfer(Io& io)
{
    uint32_t nObjects = childs_.size();
    io.colour(backgroundColour_, "background_colour");
    io.byte(functionType_, "function_type");
    io.byte(inputId_, "input_id");
    io.count8(nObjects, "n_objects");
    io.refList(childs_, nObjects, "childs");
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectAuxiliaryInput)
