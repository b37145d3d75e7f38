// Output fields: string and number.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtSizedObject.h"
#include "vt_object_model/VtString.h"

class VtObjectOutputFieldString : public VtSizedObject {
public:
    explicit VtObjectOutputFieldString(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getFontAttributes() const { return fontAttributes_; }
    void setFontAttributes(uint32_t oid) { fontAttributesObserver_.retarget(fontAttributes_, oid); }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getHorizontalJustification() const { return horizontalJustification_; }
    void setHorizontalJustification(uint32_t justification) { horizontalJustification_ = justification; }
    const VtString& getValue() const { return value_; }
    void setValue(const VtString& value) { value_ = value; }

private:
    VtColour backgroundColour_;
    uint32_t fontAttributes_ = VT_NULL_ID;
    uint32_t options_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t horizontalJustification_ = 0;
    VtString value_;
    VtObjectObserver fontAttributesObserver_;
    VtObjectObserver variableReferenceObserver_;
};

class VtObjectOutputFieldNumber : public VtSizedObject {
public:
    explicit VtObjectOutputFieldNumber(uint32_t oid);
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

private:
    VtColour backgroundColour_;
    uint32_t fontAttributes_ = VT_NULL_ID;
    uint32_t options_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    int32_t offset_ = 0;
    double scale_ = 1.0;
    uint32_t numberOfDecimals_ = 0;
    bool format_ = false;
    uint32_t horizontalJustification_ = 0;
    VtObjectObserver fontAttributesObserver_;
    VtObjectObserver variableReferenceObserver_;
};
