#include "RecordingVtDisplay.h"

#include "vt_object_model/VtObjects.h"

#include <algorithm>

namespace {

std::string typeOf(const VtObject* object)
{
    if (object == nullptr)
        return "Root";
    std::string name = VtObject::getTypeName(object->getType());
    const std::string prefix = "VtObjectType";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

std::string number(long long value)
{
    return std::to_string(value);
}

} // namespace

RecordingVtElement::RecordingVtElement(RecordingVtDisplay& display, VtObject* object, VtDisplayElement* parent,
                                       int32_t px, int32_t py)
    : VtDisplayElement(object, parent), x(px), y(py), recorder_(display)
{
    if (parent == nullptr)
        setDisplayInterface(&display);
    if (auto* sized = dynamic_cast<VtSizedObject*>(object)) {
        width = sized->getWidth();
        height = sized->getHeight();
    }
    if (object != nullptr && object->getType() == VtObjectTypeContainer)
        hidden = static_cast<VtObjectContainer*>(object)->getHidden();
}

void RecordingVtElement::record(const std::string& line)
{
    recorder_.record(line);
}

void RecordingVtElement::redraw()
{
    record("redraw " + number(getOid()));
}

void RecordingVtElement::remove(VtDisplayElementList* list)
{
    record("remove " + number(getOid()));
    getChildren().removeAll();
    delete this;
}

void RecordingVtElement::realize()
{
    record("realize " + number(getOid()));
}

void RecordingVtElement::hide()
{
    hidden = true;
    record("hide " + number(getOid()));
}

void RecordingVtElement::show()
{
    hidden = false;
    record("show " + number(getOid()));
}

void RecordingVtElement::select()
{
    open();
    record("select " + number(getOid()));
}

void RecordingVtElement::enable()
{
    enabled = true;
    record("enable " + number(getOid()));
}

void RecordingVtElement::disable()
{
    enabled = false;
    record("disable " + number(getOid()));
}

void RecordingVtElement::changeChildLocation(int32_t dx, int32_t dy)
{
    x += dx;
    y += dy;
    record("move " + number(getOid()) + " to " + number(x) + "," + number(y));
}

void RecordingVtElement::changeSize(uint32_t w, uint32_t h)
{
    width = w;
    height = h;
    record("size " + number(getOid()) + " " + number(w) + "x" + number(h));
}

void RecordingVtElement::setPosition(int32_t px, int32_t py)
{
    x = px;
    y = py;
    record("move " + number(getOid()) + " to " + number(x) + "," + number(y));
}

RecordingVtDisplay::RecordingVtDisplay() : root_(new RecordingVtElement(*this, nullptr, nullptr, 0, 0)) {}

RecordingVtDisplay::~RecordingVtDisplay()
{
    delete root_;
}

void RecordingVtDisplay::showMask(VtDisplayElement* mask)
{
    shownMask = mask != nullptr ? mask->getOid() : 65535;
    record("show mask " + number(shownMask));
}

void RecordingVtDisplay::showSoftKeyMask(VtDisplayElement* softKeyMask)
{
    shownSoftKeyMask = softKeyMask != nullptr ? softKeyMask->getOid() : 65535;
    record("show soft keys " + number(shownSoftKeyMask));
}

void RecordingVtDisplay::clearDisplay()
{
    shownMask = shownSoftKeyMask = 65535;
    record("clear display");
}

VtDisplayElement* RecordingVtDisplay::make(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y)
{
    record("create " + typeOf(object) + " " + number(object->getOid()) + " under " +
           number(parent != nullptr ? parent->getOid() : 65535) + " at " + number(x) + "," + number(y));
    return new RecordingVtElement(*this, object, parent, x, y);
}

std::vector<std::string> RecordingVtDisplay::take()
{
    std::vector<std::string> out;
    out.swap(lines);
    return out;
}

bool RecordingVtDisplay::saw(const std::string& line) const
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

#define RECORDING_CREATOR(Name)                                                                    \
    VtDisplayElement* RecordingVtDisplay::Name(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) \
    {                                                                                              \
        return make(o, p, x, y);                                                                   \
    }

RECORDING_CREATOR(createSoftKeyMask)
RECORDING_CREATOR(createKey)
RECORDING_CREATOR(createAlarmMask)
RECORDING_CREATOR(createDataMask)
RECORDING_CREATOR(createContainer)
RECORDING_CREATOR(createButton)
RECORDING_CREATOR(createInputBoolean)
RECORDING_CREATOR(createInputString)
RECORDING_CREATOR(createInputNumber)
RECORDING_CREATOR(createInputList)
RECORDING_CREATOR(createOutputString)
RECORDING_CREATOR(createOutputNumber)
RECORDING_CREATOR(createLine)
RECORDING_CREATOR(createRectangle)
RECORDING_CREATOR(createEllipse)
RECORDING_CREATOR(createPolygon)
RECORDING_CREATOR(createMeter)
RECORDING_CREATOR(createLinearBarGraph)
RECORDING_CREATOR(createArchedBarGraph)
RECORDING_CREATOR(createPictureGraphic)
RECORDING_CREATOR(createObjectPointer)
