// Input fields: boolean, string, number and list.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtSizedObject.h"
#include "vt_object_model/VtString.h"

// Bit of the input fields' enabled byte that enables the field.
constexpr uint32_t VT_INPUT_ENABLED = 0x01;

class VtObjectInputFieldBoolean : public VtSizedObject {
public:
    explicit VtObjectInputFieldBoolean(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    // ID of the font attributes object that gives the foreground colour.
    uint32_t getForegroundColour() const { return foregroundColour_; }
    void setForegroundColour(uint32_t oid) { foregroundColourObserver_.retarget(foregroundColour_, oid); }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }
    // The enabled byte: bit 0 enables the field; every bit is kept as given.
    uint32_t getEnabled() const { return enabled_; }
    void setEnabled(uint32_t enabled) { enabled_ = enabled; }

private:
    VtColour backgroundColour_;
    uint32_t foregroundColour_ = VT_NULL_ID;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    uint32_t enabled_ = 0;
    VtObjectObserver foregroundColourObserver_;
    VtObjectObserver variableReferenceObserver_;
};

class VtObjectInputFieldString : public VtSizedObject {
public:
    explicit VtObjectInputFieldString(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getFontAttributes() const { return fontAttributes_; }
    void setFontAttributes(uint32_t oid) { fontAttributesObserver_.retarget(fontAttributes_, oid); }
    uint32_t getInputAttributes() const { return inputAttributes_; }
    void setInputAttributes(uint32_t oid) { inputAttributes_ = oid; }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getHorizontalJustification() const { return horizontalJustification_; }
    void setHorizontalJustification(uint32_t justification) { horizontalJustification_ = justification; }
    const VtString& getValue() const { return value_; }
    void setValue(const VtString& value) { value_ = value; }
    // The enabled byte: bit 0 enables the field; every bit is kept as given.
    uint32_t getEnabled() const { return enabled_; }
    void setEnabled(uint32_t enabled) { enabled_ = enabled; }

private:
    VtColour backgroundColour_;
    uint32_t fontAttributes_ = VT_NULL_ID;
    uint32_t inputAttributes_ = VT_NULL_ID;
    uint32_t options_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t horizontalJustification_ = 0;
    VtString value_;
    uint32_t enabled_ = 0;
    VtObjectObserver fontAttributesObserver_;
    VtObjectObserver inputAttributesObserver_;
    VtObjectObserver variableReferenceObserver_;
};

class VtObjectInputFieldNumber : public VtSizedObject {
public:
    explicit VtObjectInputFieldNumber(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getFontAttributes() const { return fontAttributes_; }
    void setFontAttributes(uint32_t oid) { fontAttributesObserver_.retarget(fontAttributes_, oid); }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }
    uint32_t getMinValue() const { return minValue_; }
    void setMinValue(uint32_t value) { minValue_ = value; }
    uint32_t getMaxValue() const { return maxValue_; }
    void setMaxValue(uint32_t value) { maxValue_ = value; }
    int32_t getOffset() const { return offset_; }
    void setOffset(int32_t offset) { offset_ = offset; }
    double getScale() const { return scale_; }
    void setScale(double scale) { scale_ = scale; }
    uint32_t getNumberOfDecimals() const { return numberOfDecimals_; }
    void setNumberOfDecimals(uint32_t decimals) { numberOfDecimals_ = decimals; }
    bool getFormat() const { return format_; }
    void setFormat(bool format) { format_ = format; }
    uint32_t getHorizontalJustification() const { return horizontalJustification_; }
    void setHorizontalJustification(uint32_t justification) { horizontalJustification_ = justification; }
    // The enabled byte: bit 0 enables the field; every bit is kept as given.
    uint32_t getEnabled() const { return enabled_; }
    void setEnabled(uint32_t enabled) { enabled_ = enabled; }

private:
    VtColour backgroundColour_;
    uint32_t fontAttributes_ = VT_NULL_ID;
    uint32_t options_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    uint32_t minValue_ = 0;
    uint32_t maxValue_ = 0;
    int32_t offset_ = 0;
    double scale_ = 1.0;
    uint32_t numberOfDecimals_ = 0;
    bool format_ = false;
    uint32_t horizontalJustification_ = 0;
    uint32_t enabled_ = 0;
    VtObjectObserver fontAttributesObserver_;
    VtObjectObserver variableReferenceObserver_;
};

class VtObjectInputFieldList : public VtSizedObject {
public:
    explicit VtObjectInputFieldList(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    // Index of the selected element.
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }
    // The enabled byte: bit 0 enables the field; every bit is kept as given.
    uint32_t getEnabled() const { return enabled_; }
    void setEnabled(uint32_t enabled) { enabled_ = enabled; }
    VtObjectList& getElements() { return elements_; }
    // Appends an element, observed by this list.
    void addElement(uint32_t oid);
    // Puts the object in place of the element at the index (which must be
    // below the number of elements); its observer names the new object,
    // unresolved.
    void replaceElement(uint32_t index, uint32_t oid);

private:
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    uint32_t enabled_ = 0;
    VtObjectList elements_;
    VtObjectObserver variableReferenceObserver_;
};
