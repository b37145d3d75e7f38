// Attribute objects that other objects refer to: font, line, fill and input
// attributes.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtSizedObject.h"
#include "vt_object_model/VtString.h"

class VtObjectFontAttribute : public VtObject {
public:
    explicit VtObjectFontAttribute(uint32_t oid) : VtObject(VtObjectTypeFontAttribute, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getFontColour() const { return fontColour_; }
    void setFontColour(const VtColour& colour) { fontColour_ = colour; }
    // ISO 11783-6 font size code (0 to 14).
    uint32_t getFontSize() const { return fontSize_; }
    void setFontSize(uint32_t size) { fontSize_ = size; }
    uint32_t getFontType() const { return fontType_; }
    void setFontType(uint32_t type) { fontType_ = type; }
    uint32_t getFontStyle() const { return fontStyle_; }
    void setFontStyle(uint32_t style) { fontStyle_ = style; }

private:
    VtColour fontColour_;
    uint32_t fontSize_ = 0;
    uint32_t fontType_ = 0;
    uint32_t fontStyle_ = 0;
};

class VtObjectLineAttribute : public VtObject {
public:
    explicit VtObjectLineAttribute(uint32_t oid) : VtObject(VtObjectTypeLineAttribute, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getLineColour() const { return lineColour_; }
    void setLineColour(const VtColour& colour) { lineColour_ = colour; }
    uint32_t getLineWidth() const { return lineWidth_; }
    void setLineWidth(uint32_t width) { lineWidth_ = width; }
    // One bit per pixel of the line pattern; 65535 draws every pixel.
    uint32_t getLineArt() const { return lineArt_; }
    void setLineArt(uint32_t art) { lineArt_ = art; }

private:
    VtColour lineColour_;
    uint32_t lineWidth_ = 0;
    uint32_t lineArt_ = 65535;
};

class VtObjectFillAttribute : public VtObject {
public:
    explicit VtObjectFillAttribute(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getFillType() const { return fillType_; }
    void setFillType(uint32_t type) { fillType_ = type; }
    VtColour getFillColour() const { return fillColour_; }
    void setFillColour(const VtColour& colour) { fillColour_ = colour; }
    // ID of the picture graphic used as pattern.
    uint32_t getFillPattern() const { return fillPattern_; }
    void setFillPattern(uint32_t oid) { fillPattern_ = oid; }
    const VtObjectObserver& getFillPatternObserver() const { return fillPatternObserver_; }

private:
    uint32_t fillType_ = 0;
    VtColour fillColour_;
    uint32_t fillPattern_ = VT_NULL_ID;
    VtObjectObserver fillPatternObserver_;
};

class VtObjectInputAttribute : public VtObject {
public:
    explicit VtObjectInputAttribute(uint32_t oid) : VtObject(VtObjectTypeInputAttribute, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getValidationType() const { return validationType_; }
    void setValidationType(uint32_t type) { validationType_ = type; }
    const VtString& getValidationString() const { return validationString_; }
    void setValidationString(const VtString& text) { validationString_ = text; }

private:
    uint32_t validationType_ = 0;
    VtString validationString_;
};
