#include "vt_object_model/objects/VtInputObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

VtObjectInputFieldBoolean::VtObjectInputFieldBoolean(uint32_t oid)
    : VtSizedObject(VtObjectTypeInputFieldBoolean, oid)
{
    foregroundColourObserver_.attachToHolder(this);
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectInputFieldBoolean::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.colour(backgroundColour_, "background_colour");
    io.width(size_);
    io.observed(foregroundColour_, foregroundColourObserver_, "foreground_colour");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.byte(value_, "value");
    io.byte(enabled_, "enabled");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectInputFieldBoolean)

VtObjectInputFieldString::VtObjectInputFieldString(uint32_t oid) : VtSizedObject(VtObjectTypeInputFieldString, oid)
{
    fontAttributesObserver_.attachToHolder(this);
    inputAttributesObserver_.attachToHolder(this);
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectInputFieldString::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(backgroundColour_, "background_colour");
    io.observed(fontAttributes_, fontAttributesObserver_, "font_attributes");
    io.observed(inputAttributes_, inputAttributesObserver_, "input_attributes");
    io.byte(options_, "options");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.byte(horizontalJustification_, "horizontal_justification");
    io.stringL1(value_, "value");
    io.byte(enabled_, "enabled");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectInputFieldString)

VtObjectInputFieldNumber::VtObjectInputFieldNumber(uint32_t oid) : VtSizedObject(VtObjectTypeInputFieldNumber, oid)
{
    fontAttributesObserver_.attachToHolder(this);
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectInputFieldNumber::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(backgroundColour_, "background_colour");
    io.observed(fontAttributes_, fontAttributesObserver_, "font_attributes");
    io.byte(options_, "options");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.uint(value_, "value");
    io.uint(minValue_, "min_value");
    io.uint(maxValue_, "max_value");
    io.sint(offset_, "offset");
    io.real(scale_, "scale");
    io.byte(numberOfDecimals_, "number_of_decimals");
    io.flag(format_, "format");
    io.byte(horizontalJustification_, "horizontal_justification");
    io.byte(enabled_, "enabled");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectInputFieldNumber)

VtObjectInputFieldList::VtObjectInputFieldList(uint32_t oid) : VtSizedObject(VtObjectTypeInputFieldList, oid)
{
    variableReferenceObserver_.attachToHolder(this);
}

void VtObjectInputFieldList::addElement(uint32_t oid)
{
    auto* item = new VtObjectListItem(oid);
    elements_.append(item);
    item->attach(this);
}

void VtObjectInputFieldList::replaceElement(uint32_t index, uint32_t oid)
{
    VtObjectListItem* item = elements_.at(index);
    if (item == nullptr)
        return;
    item->oid = oid;
    if (item->observer != nullptr)
        item->observer->setOid(oid);
    else
        item->attach(this);
}

template <class Io>
void VtObjectInputFieldList::transfer(Io& io)
{
    uint32_t nElements = elements_.size();
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.byte(value_, "value");
    io.count8(nElements, "n_elem");
    io.byte(enabled_, "enabled");
    io.count8(nMacros, "n_macros");
    io.objectList(elements_, nElements, this, "elements");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectInputFieldList)
