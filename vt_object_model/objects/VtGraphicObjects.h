// Output graphics: line, rectangle, ellipse, polygon, meter, bar graphs and
// picture graphic.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtPoint.h"
#include "vt_object_model/VtSizedObject.h"

#include <vector>

class VtObjectLine : public VtSizedObject {
public:
    explicit VtObjectLine(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getLineAttributes() const { return lineAttributes_; }
    void setLineAttributes(uint32_t oid) { lineAttributesObserver_.retarget(lineAttributes_, oid); }
    uint32_t getLineDirection() const { return lineDirection_; }
    void setLineDirection(uint32_t direction) { lineDirection_ = direction; }

private:
    uint32_t lineAttributes_ = VT_NULL_ID;
    uint32_t lineDirection_ = 0;
    VtObjectObserver lineAttributesObserver_;
};

class VtObjectRectangle : public VtSizedObject {
public:
    explicit VtObjectRectangle(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getLineAttributes() const { return lineAttributes_; }
    void setLineAttributes(uint32_t oid) { lineAttributesObserver_.retarget(lineAttributes_, oid); }
    uint32_t getLineSuppression() const { return lineSuppression_; }
    void setLineSuppression(uint32_t suppression) { lineSuppression_ = suppression; }
    uint32_t getFillAttributes() const { return fillAttributes_; }
    void setFillAttributes(uint32_t oid) { fillAttributesObserver_.retarget(fillAttributes_, oid); }

private:
    uint32_t lineAttributes_ = VT_NULL_ID;
    uint32_t lineSuppression_ = 0;
    uint32_t fillAttributes_ = VT_NULL_ID;
    VtObjectObserver lineAttributesObserver_;
    VtObjectObserver fillAttributesObserver_;
};

class VtObjectEllipse : public VtSizedObject {
public:
    explicit VtObjectEllipse(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getLineAttributes() const { return lineAttributes_; }
    uint32_t getEllipseType() const { return ellipseType_; }
    void setEllipseType(uint32_t type) { ellipseType_ = type; }
    uint32_t getStartAngle() const { return startAngle_; }
    void setStartAngle(uint32_t angle) { startAngle_ = angle; }
    uint32_t getEndAngle() const { return endAngle_; }
    void setEndAngle(uint32_t angle) { endAngle_ = angle; }
    uint32_t getFillAttributes() const { return fillAttributes_; }
    void setFillAttributes(uint32_t oid) { fillAttributes_ = oid; }

private:
    uint32_t lineAttributes_ = VT_NULL_ID;
    uint32_t ellipseType_ = 0;
    uint32_t startAngle_ = 0;
    uint32_t endAngle_ = 0;
    uint32_t fillAttributes_ = VT_NULL_ID;
    VtObjectObserver lineAttributesObserver_;
    VtObjectObserver fillAttributesObserver_;
};

class VtObjectPolygon : public VtSizedObject {
public:
    explicit VtObjectPolygon(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getLineAttributes() const { return lineAttributes_; }
    void setLineAttributes(uint32_t oid) { lineAttributes_ = oid; }
    uint32_t getFillAttributes() const { return fillAttributes_; }
    void setFillAttributes(uint32_t oid) { fillAttributes_ = oid; }
    uint32_t getPolygonType() const { return polygonType_; }
    void setPolygonType(uint32_t type) { polygonType_ = type; }
    uint32_t getNumberOfPoints() const { return uint32_t(points_.size()); }
    // The point at index; (0, 0) at or past the number of points.
    void getPoint(uint32_t index, uint32_t& x, uint32_t& y) const;

private:
    uint32_t lineAttributes_ = VT_NULL_ID;
    uint32_t fillAttributes_ = VT_NULL_ID;
    uint32_t polygonType_ = 0;
    std::vector<VtPoint> points_;
    VtObjectObserver lineAttributesObserver_;
    VtObjectObserver fillAttributesObserver_;
};

class VtObjectMeter : public VtSizedObject {
public:
    explicit VtObjectMeter(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getNeedleColour() const { return needleColour_; }
    void setNeedleColour(const VtColour& colour) { needleColour_ = colour; }
    VtColour getBorderColour() const { return borderColour_; }
    void setBorderColour(const VtColour& colour) { borderColour_ = colour; }
    VtColour getArcAndTickColour() const { return arcAndTickColour_; }
    void setArcAndTickColour(const VtColour& colour) { arcAndTickColour_ = colour; }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getNumberOfTicks() const { return numberOfTicks_; }
    void setNumberOfTicks(uint32_t ticks) { numberOfTicks_ = ticks; }
    uint32_t getStartAngle() const { return startAngle_; }
    void setStartAngle(uint32_t angle) { startAngle_ = angle; }
    uint32_t getEndAngle() const { return endAngle_; }
    void setEndAngle(uint32_t angle) { endAngle_ = angle; }
    uint32_t getMinValue() const { return minValue_; }
    void setMinValue(uint32_t value) { minValue_ = value; }
    uint32_t getMaxValue() const { return maxValue_; }
    void setMaxValue(uint32_t value) { maxValue_ = value; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }

private:
    VtColour needleColour_;
    VtColour borderColour_;
    VtColour arcAndTickColour_;
    uint32_t options_ = 0;
    uint32_t numberOfTicks_ = 0;
    uint32_t startAngle_ = 0;
    uint32_t endAngle_ = 0;
    uint32_t minValue_ = 0;
    uint32_t maxValue_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    VtObjectObserver variableReferenceObserver_;
};

class VtObjectLinearBarGraph : public VtSizedObject {
public:
    explicit VtObjectLinearBarGraph(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getColour() const { return colour_; }
    void setColour(const VtColour& colour) { colour_ = colour; }
    VtColour getTargetLineColour() const { return targetLineColour_; }
    void setTargetLineColour(const VtColour& colour) { targetLineColour_ = colour; }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getNumberOfTicks() const { return numberOfTicks_; }
    void setNumberOfTicks(uint32_t ticks) { numberOfTicks_ = ticks; }
    uint32_t getMinValue() const { return minValue_; }
    uint32_t getMaxValue() const { return maxValue_; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }
    uint32_t getTargetValueVariableReference() const { return targetValueVariableReference_; }
    void setTargetValueVariableReference(uint32_t oid) { targetValueVariableReference_ = oid; }
    uint32_t getTargetValue() const { return targetValue_; }
    void setTargetValue(uint32_t value) { targetValue_ = value; }

private:
    VtColour colour_;
    VtColour targetLineColour_;
    uint32_t options_ = 0;
    uint32_t numberOfTicks_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    uint32_t minValue_ = 0;
    uint32_t maxValue_ = 0;
    uint32_t targetValueVariableReference_ = VT_NULL_ID;
    uint32_t targetValue_ = 0;
    VtObjectObserver variableReferenceObserver_;
    VtObjectObserver targetValueVariableReferenceObserver_;
};

class VtObjectArchedBarGraph : public VtSizedObject {
public:
    explicit VtObjectArchedBarGraph(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getColour() const { return colour_; }
    void setColour(const VtColour& colour) { colour_ = colour; }
    VtColour getTargetLineColour() const { return targetLineColour_; }
    void setTargetLineColour(const VtColour& colour) { targetLineColour_ = colour; }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    uint32_t getStartAngle() const { return startAngle_; }
    void setStartAngle(uint32_t angle) { startAngle_ = angle; }
    uint32_t getEndAngle() const { return endAngle_; }
    void setEndAngle(uint32_t angle) { endAngle_ = angle; }
    uint32_t getBarGraphWidth() const { return barGraphWidth_; }
    void setBarGraphWidth(uint32_t width) { barGraphWidth_ = width; }
    uint32_t getMinValue() const { return minValue_; }
    void setMinValue(uint32_t value) { minValue_ = value; }
    uint32_t getMaxValue() const { return maxValue_; }
    void setMaxValue(uint32_t value) { maxValue_ = value; }
    uint32_t getVariableReference() const { return variableReference_; }
    void setVariableReference(uint32_t oid) { variableReferenceObserver_.retarget(variableReference_, oid); }
    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }
    uint32_t getTargetValueVariableReference() const { return targetValueVariableReference_; }
    void setTargetValueVariableReference(uint32_t oid) { targetValueVariableReference_ = oid; }
    uint32_t getTargetValue() const { return targetValue_; }
    void setTargetValue(uint32_t value) { targetValue_ = value; }

private:
    VtColour colour_;
    VtColour targetLineColour_;
    uint32_t options_ = 0;
    uint32_t startAngle_ = 0;
    uint32_t endAngle_ = 0;
    uint32_t barGraphWidth_ = 0;
    uint32_t minValue_ = 0;
    uint32_t maxValue_ = 0;
    uint32_t variableReference_ = VT_NULL_ID;
    uint32_t value_ = 0;
    uint32_t targetValueVariableReference_ = VT_NULL_ID;
    uint32_t targetValue_ = 0;
    VtObjectObserver variableReferenceObserver_;
    VtObjectObserver targetValueVariableReferenceObserver_;
};

class VtObjectPictureGraphic : public VtSizedObject {
public:
    explicit VtObjectPictureGraphic(uint32_t oid) : VtSizedObject(VtObjectTypePictureGraphic, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    // Takes the width to show the picture at; the displayed size (getWidth,
    // getHeight) keeps the bitmap's aspect ratio. The height is not used.
    void setSize(const VtSize& size) override;

    // The width written to the stream (the displayed width asked for).
    uint32_t getPictureWidth() const { return width_; }
    // The bitmap's own size; setSize() afterwards fits the displayed size.
    uint32_t getActualWidth() const { return actualWidth_; }
    void setActualWidth(uint32_t width) { actualWidth_ = width; }
    uint32_t getActualHeight() const { return actualHeight_; }
    void setActualHeight(uint32_t height) { actualHeight_ = height; }
    uint32_t getFormat() const { return format_; }
    void setFormat(uint32_t format) { format_ = format; }
    uint32_t getOptions() const { return options_; }
    void setOptions(uint32_t options) { options_ = options; }
    VtColour getTransparencyColour() const { return transparencyColour_; }
    void setTransparencyColour(const VtColour& colour) { transparencyColour_ = colour; }
    // The bitmap bytes, for reading or assigning.
    VtData& getRawData() { return rawData_; }

private:
    void updateDisplayedSize();

    uint32_t width_ = 0;
    uint32_t actualWidth_ = 0;
    uint32_t actualHeight_ = 0;
    uint32_t format_ = 0;
    uint32_t options_ = 0;
    VtColour transparencyColour_;
    VtData rawData_;
};
