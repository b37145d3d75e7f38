#include "vt_object_model/objects/VtGraphicObjects.h"

#include "vt_object_model/VtObjectStreaming.h"

VtObjectLine::VtObjectLine(uint32_t oid) : VtSizedObject(VtObjectTypeLine, oid)
{
    lineAttributesObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectLine::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.observed(lineAttributes_, lineAttributesObserver_, "line_attributes");
    io.size(size_, "size");
    io.byte(lineDirection_, "line_direction");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectLine)

VtObjectRectangle::VtObjectRectangle(uint32_t oid) : VtSizedObject(VtObjectTypeRectangle, oid)
{
    lineAttributesObserver_.attachToHolder(this);
    fillAttributesObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectRectangle::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.observed(lineAttributes_, lineAttributesObserver_, "line_attributes");
    io.size(size_, "size");
    io.byte(lineSuppression_, "line_suppression");
    io.observed(fillAttributes_, fillAttributesObserver_, "fill_attributes");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectRectangle)

VtObjectEllipse::VtObjectEllipse(uint32_t oid) : VtSizedObject(VtObjectTypeEllipse, oid)
{
    lineAttributesObserver_.attachToHolder(this);
    fillAttributesObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectEllipse::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.observed(lineAttributes_, lineAttributesObserver_, "line_attributes");
    io.size(size_, "size");
    io.byte(ellipseType_, "ellipse_type");
    io.byte(startAngle_, "start_angle");
    io.byte(endAngle_, "end_angle");
    io.observed(fillAttributes_, fillAttributesObserver_, "fill_attributes");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectEllipse)

VtObjectPolygon::VtObjectPolygon(uint32_t oid) : VtSizedObject(VtObjectTypePolygon, oid)
{
    lineAttributesObserver_.attachToHolder(this);
    fillAttributesObserver_.attachToHolder(this);
}

void VtObjectPolygon::getPoint(uint32_t index, uint32_t& x, uint32_t& y) const
{
    x = y = 0;
    if (index < points_.size()) {
        x = points_[index].x;
        y = points_[index].y;
    }
}

template <class Io>
void VtObjectPolygon::transfer(Io& io)
{
    uint32_t nPoints = uint32_t(points_.size());
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.observed(lineAttributes_, lineAttributesObserver_, "line_attributes");
    io.observed(fillAttributes_, fillAttributesObserver_, "fill_attributes");
    io.byte(polygonType_, "polygon_type");
    io.count8(nPoints, "n_points");
    io.count8(nMacros, "n_macros");
    io.points(points_, nPoints);
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectPolygon)

VtObjectMeter::VtObjectMeter(uint32_t oid) : VtSizedObject(VtObjectTypeMeter, oid)
{
    variableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectMeter::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.width(size_);
    io.colour(needleColour_, "needle_colour");
    io.colour(borderColour_, "border_colour");
    io.colour(arcAndTickColour_, "arc_and_tick_colour");
    io.byte(options_, "options");
    io.byte(numberOfTicks_, "number_of_ticks");
    io.byte(startAngle_, "start_angle");
    io.byte(endAngle_, "end_angle");
    io.ushort(minValue_, "min_value");
    io.ushort(maxValue_, "max_value");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.ushort(value_, "value");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectMeter)

VtObjectLinearBarGraph::VtObjectLinearBarGraph(uint32_t oid) : VtSizedObject(VtObjectTypeLinearBarGraph, oid)
{
    variableReferenceObserver_.attachToHolder(this);
    targetValueVariableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectLinearBarGraph::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(colour_, "colour");
    io.colour(targetLineColour_, "target_line_colour");
    io.byte(options_, "options");
    io.byte(numberOfTicks_, "number_of_ticks");
    io.ushort(minValue_, "min_value");
    io.ushort(maxValue_, "max_value");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.ushort(value_, "value");
    io.observed(targetValueVariableReference_, targetValueVariableReferenceObserver_,
                "target_value_variable_reference");
    io.ushort(targetValue_, "target_value");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectLinearBarGraph)

VtObjectArchedBarGraph::VtObjectArchedBarGraph(uint32_t oid) : VtSizedObject(VtObjectTypeArchedBarGraph, oid)
{
    variableReferenceObserver_.attachToHolder(this);
    targetValueVariableReferenceObserver_.attachToHolder(this);
}

template <class Io>
void VtObjectArchedBarGraph::transfer(Io& io)
{
    uint32_t nMacros = getNumberOfMacros();
    io.size(size_, "size");
    io.colour(colour_, "colour");
    io.colour(targetLineColour_, "target_line_colour");
    io.byte(options_, "options");
    io.byte(startAngle_, "start_angle");
    io.byte(endAngle_, "end_angle");
    io.ushort(barGraphWidth_, "bar_graph_width");
    io.ushort(minValue_, "min_value");
    io.ushort(maxValue_, "max_value");
    io.observed(variableReference_, variableReferenceObserver_, "variable_reference");
    io.ushort(value_, "value");
    io.observed(targetValueVariableReference_, targetValueVariableReferenceObserver_,
                "target_value_variable_reference");
    io.ushort(targetValue_, "target_value");
    io.count8(nMacros, "n_macros");
    io.macros(*this, nMacros);
    if (!Io::reading) {
        // The writer is where the IDs stored alone reach their observers.
        variableReferenceObserver_.setOid(variableReference_);
        targetValueVariableReferenceObserver_.setOid(targetValueVariableReference_);
    }
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectArchedBarGraph)

void VtObjectPictureGraphic::setSize(const VtSize& size)
{
    width_ = size.width;
    updateDisplayedSize();
}

void VtObjectPictureGraphic::updateDisplayedSize()
{
    double ratio = actualWidth_ == 0 ? 1.0 : double(width_) / double(actualWidth_);
    size_.width = uint32_t(actualWidth_ * ratio + 0.5);
    size_.height = uint32_t(actualHeight_ * ratio + 0.5);
}

template <class Io>
void VtObjectPictureGraphic::transfer(Io& io)
{
    uint32_t nRawData = rawData_.getLength();
    uint32_t nMacros = getNumberOfMacros();
    io.ushort(width_, "width");
    io.ushort(actualWidth_, "actual_width");
    io.ushort(actualHeight_, "actual_height");
    if (Io::reading && io.ok())
        updateDisplayedSize();
    io.byte(format_, "format");
    io.byte(options_, "options");
    io.colour(transparencyColour_, "transparency_colour");
    io.count32(nRawData, "n_raw_data");
    io.count8(nMacros, "n_macros");
    io.data(rawData_, nRawData, "raw_data");
    io.macros(*this, nMacros);
}

VT_DEFINE_STREAM_OPERATIONS(VtObjectPictureGraphic)
