#include "vt_object_model/objects/VtOutputObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

VtObjectOutputFieldString::VtObjectOutputFieldString(uint32_t oid)
    : VtSizedObject(VtObjectTypeOutputFieldString, oid)
{
    fontAttributesObserver_.attachToHolder(this);
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectOutputFieldString::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(backgroundColour_, "background_colour");
    io.observed(fontAttributes_, fontAttributesObserver_, "font_attributes");
    io.byte(options_, "options");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.byte(horizontalJustification_, "horizontal_justification");
    io.string(value_, "value");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectOutputFieldString)

VtObjectOutputFieldNumber::VtObjectOutputFieldNumber(uint32_t oid)
    : VtSizedObject(VtObjectTypeOutputFieldNumber, oid)
{
    fontAttributesObserver_.attachToHolder(this);
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectOutputFieldNumber::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(backgroundColour_, "background_colour");
    io.observed(fontAttributes_, fontAttributesObserver_, "font_attributes");
    io.byte(options_, "options");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.uint(value_, "value");
    io.sint(offset_, "offset");
    io.real(scale_, "scale");
    io.byte(numberOfDecimals_, "number_of_decimals");
    io.flag(format_, "format");
    io.byte(horizontalJustification_, "horizontal_justification");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectOutputFieldNumber)
