// Change Attribute of every object type: which attribute IDs each type takes
// and in which width. Besides the ISO 11783-6 attribute IDs, 100 stands for
// the background colour and 101 for the size (Change Background Colour and
// Change Size). A value that the message cannot hold leaves the attribute as
// it was; the attribute still counts as supported. The input fields' enabled
// byte (the enabled flag of a boolean and a string, options 2 of a number,
// the options of a list) is an attribute from VT version 4 on.
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjects.h"

namespace {

constexpr int kDone = 0;
constexpr int kNotSupported = 2;
constexpr int kBackgroundColour = 100;
constexpr int kSize = 101;

// Reads the value with the reader's operation for the attribute's width and
// stores it; a value that the message cannot hold leaves it as it was.
template <class T>
int change(VtMessageReader& reader, int (VtMessageReader::*read)(T&, const char*), T& value, const char* name)
{
    (reader.*read)(value, name);
    return kDone;
}

int colour(VtMessageReader& reader, VtColour& value) { return change(reader, &VtMessageReader::readColour, value, "colour"); }
int byte(VtMessageReader& reader, uint32_t& value) { return change(reader, &VtMessageReader::readByte, value, "value"); }
int flag(VtMessageReader& reader, bool& value) { return change(reader, &VtMessageReader::readBool, value, "value"); }
int ushort(VtMessageReader& reader, uint32_t& value) { return change(reader, &VtMessageReader::readUShort, value, "value"); }
int uint(VtMessageReader& reader, uint32_t& value) { return change(reader, &VtMessageReader::readUInt, value, "value"); }
int sint(VtMessageReader& reader, int32_t& value) { return change(reader, &VtMessageReader::readSInt, value, "value"); }
int real(VtMessageReader& reader, double& value) { return change(reader, &VtMessageReader::readFloat, value, "value"); }
int size(VtMessageReader& reader, VtSize& value) { return change(reader, &VtMessageReader::readSize, value, "size"); }

// An object ID attribute; its observer follows the new ID at once.
int oid(VtMessageReader& reader, uint32_t& value, VtObjectObserver& observer)
{
    if (reader.readOid(value, "oid"))
        observer.setOid(value);
    return kDone;
}

// The auxiliary function and input: 1 to 5 are accepted with nothing to
// read; 100 is the background colour.
int auxiliary(int attribute, VtMessageReader& reader, VtColour& backgroundColour)
{
    if (attribute >= 1 && attribute <= 5)
        return kDone;
    if (attribute == kBackgroundColour)
        return colour(reader, backgroundColour);
    return kNotSupported;
}

} // namespace

int VtObjectWorkingSet::changeAttribute(int attribute, VtMessageReader& reader)
{
    if (attribute == kBackgroundColour)
        return colour(reader, backgroundColour_);
    return kNotSupported;
}

int VtObjectDataMask::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 2: return oid(reader, softKeyMask_, softKeyMaskObserver_);
    default: return kNotSupported;
    }
}

int VtObjectAlarmMask::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 2: return oid(reader, softKeyMask_, softKeyMaskObserver_);
    case 3: return byte(reader, priority_);
    case 4: return byte(reader, acousticSignal_);
    default: return kNotSupported;
    }
}

int VtObjectContainer::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectSoftKeyMask::changeAttribute(int attribute, VtMessageReader& reader)
{
    if (attribute == 1 || attribute == kBackgroundColour)
        return colour(reader, backgroundColour_);
    return kNotSupported;
}

int VtObjectKey::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 2: return byte(reader, keyCode_);
    default: return kNotSupported;
    }
}

int VtObjectButton::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 4: return colour(reader, borderColour_);
    case 5: return byte(reader, keyCode_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectInputFieldBoolean::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 2:
        if (reader.readUShort(size_.width, "width"))
            size_.height = size_.width;
        return kDone;
    case 3: return oid(reader, foregroundColour_, foregroundColourObserver_);
    case 4: return oid(reader, variableReference_, variableReferenceObserver_);
    case 6: return byte(reader, enabled_);
    default: return kNotSupported;
    }
}

int VtObjectInputFieldString::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 4: return oid(reader, fontAttributes_, fontAttributesObserver_);
    case 5: return oid(reader, inputAttributes_, inputAttributesObserver_);
    case 6: return byte(reader, options_);
    case 7: return oid(reader, variableReference_, variableReferenceObserver_);
    case 8: return byte(reader, horizontalJustification_);
    case 9: return byte(reader, enabled_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectInputFieldNumber::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 4: return oid(reader, fontAttributes_, fontAttributesObserver_);
    case 5: return byte(reader, options_);
    case 6: return oid(reader, variableReference_, variableReferenceObserver_);
    case 7: return uint(reader, minValue_);
    case 8: return uint(reader, maxValue_);
    case 9: return sint(reader, offset_);
    case 10: return real(reader, scale_);
    case 11: return byte(reader, numberOfDecimals_);
    case 12: return flag(reader, format_);
    case 13: return byte(reader, horizontalJustification_);
    case 15: return byte(reader, enabled_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectInputFieldList::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3: return oid(reader, variableReference_, variableReferenceObserver_);
    case 5: return byte(reader, enabled_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectOutputFieldString::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 4: return oid(reader, fontAttributes_, fontAttributesObserver_);
    case 5: return byte(reader, options_);
    case 6: return oid(reader, variableReference_, variableReferenceObserver_);
    case 7: return byte(reader, horizontalJustification_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectOutputFieldNumber::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3:
    case kBackgroundColour: return colour(reader, backgroundColour_);
    case 4: return oid(reader, fontAttributes_, fontAttributesObserver_);
    case 5: return byte(reader, options_);
    case 6: return oid(reader, variableReference_, variableReferenceObserver_);
    case 7: return sint(reader, offset_);
    case 8: return real(reader, scale_);
    case 9: return byte(reader, numberOfDecimals_);
    case 10: return flag(reader, format_);
    case 11: return byte(reader, horizontalJustification_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectLine::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return oid(reader, lineAttributes_, lineAttributesObserver_);
    case 2: return ushort(reader, size_.width);
    case 3: return ushort(reader, size_.height);
    case 4: return byte(reader, lineDirection_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectRectangle::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return oid(reader, lineAttributes_, lineAttributesObserver_);
    case 2: return ushort(reader, size_.width);
    case 3: return ushort(reader, size_.height);
    case 4: return byte(reader, lineSuppression_);
    case 5: return oid(reader, fillAttributes_, fillAttributesObserver_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectEllipse::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return oid(reader, lineAttributes_, lineAttributesObserver_);
    case 2: return ushort(reader, size_.width);
    case 3: return ushort(reader, size_.height);
    case 4: return byte(reader, ellipseType_);
    case 5: return byte(reader, startAngle_);
    case 6: return byte(reader, endAngle_);
    case 7: return oid(reader, fillAttributes_, fillAttributesObserver_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectPolygon::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3: return oid(reader, lineAttributes_, lineAttributesObserver_);
    case 4: return oid(reader, fillAttributes_, fillAttributesObserver_);
    case 5: return byte(reader, polygonType_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectMeter::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
        if (reader.readUShort(size_.width, "width"))
            size_.height = size_.width;
        return kDone;
    case 2: return colour(reader, needleColour_);
    case 3: return colour(reader, borderColour_);
    case 4: return colour(reader, arcAndTickColour_);
    case 5: return byte(reader, options_);
    case 6: return byte(reader, numberOfTicks_);
    case 7: return byte(reader, startAngle_);
    case 8: return byte(reader, endAngle_);
    case 9: return ushort(reader, minValue_);
    case 10: return ushort(reader, maxValue_);
    case 11: return oid(reader, variableReference_, variableReferenceObserver_);
    case kSize:
        if (reader.readSize(size_, "size"))
            size_.height = size_.width;
        return kDone;
    default: return kNotSupported;
    }
}

int VtObjectLinearBarGraph::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3: return colour(reader, colour_);
    case 4: return colour(reader, targetLineColour_);
    case 5: return byte(reader, options_);
    case 6: return byte(reader, numberOfTicks_);
    case 7: return ushort(reader, minValue_);
    case 8: return ushort(reader, maxValue_);
    case 9: return oid(reader, variableReference_, variableReferenceObserver_);
    case 10: return oid(reader, targetValueVariableReference_, targetValueVariableReferenceObserver_);
    case 11: return ushort(reader, targetValue_);
    case kSize: return size(reader, size_);
    default: return kNotSupported;
    }
}

int VtObjectArchedBarGraph::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return ushort(reader, size_.width);
    case 2: return ushort(reader, size_.height);
    case 3: return colour(reader, colour_);
    case 4: return colour(reader, targetLineColour_);
    case 5: return byte(reader, options_);
    case 6: return byte(reader, startAngle_);
    case 7: return byte(reader, endAngle_);
    case 8: return ushort(reader, barGraphWidth_);
    case 9: return ushort(reader, minValue_);
    case 10: return ushort(reader, maxValue_);
    case 11: return oid(reader, variableReference_, variableReferenceObserver_);
    case 12: return oid(reader, targetValueVariableReference_, targetValueVariableReferenceObserver_);
    case 13: return ushort(reader, targetValue_);
    default: return kNotSupported;
    }
}

int VtObjectPictureGraphic::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1:
        if (reader.readUShort(width_, "width"))
            updateDisplayedSize();
        return kDone;
    case 2: {
        uint32_t options = 0;
        if (reader.readByte(options, "options"))
            options_ = (options_ & ~3u) | (options & 3u);
        return kDone;
    }
    case 3: return colour(reader, transparencyColour_);
    default: return kNotSupported;
    }
}

int VtObjectNumberVariable::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectStringVariable::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectFontAttribute::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return colour(reader, fontColour_);
    case 2: return byte(reader, fontSize_);
    case 3: return byte(reader, fontType_);
    case 4: return byte(reader, fontStyle_);
    default: return kNotSupported;
    }
}

int VtObjectLineAttribute::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return colour(reader, lineColour_);
    case 2: return byte(reader, lineWidth_);
    case 3: return ushort(reader, lineArt_);
    default: return kNotSupported;
    }
}

int VtObjectFillAttribute::changeAttribute(int attribute, VtMessageReader& reader)
{
    switch (attribute) {
    case 1: return byte(reader, fillType_);
    case 2: return colour(reader, fillColour_);
    case 3: return oid(reader, fillPattern_, fillPatternObserver_);
    default: return kNotSupported;
    }
}

int VtObjectInputAttribute::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectPointer::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectMacro::changeAttribute(int, VtMessageReader&)
{
    return kNotSupported;
}

int VtObjectAuxiliaryFunction::changeAttribute(int attribute, VtMessageReader& reader)
{
    return auxiliary(attribute, reader, backgroundColour_);
}

int VtObjectAuxiliaryInput::changeAttribute(int attribute, VtMessageReader& reader)
{
    return auxiliary(attribute, reader, backgroundColour_);
}
