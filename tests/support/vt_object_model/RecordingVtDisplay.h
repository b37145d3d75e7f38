// Test back end of the VT display layer: creates elements that draw nothing
// and record every call as a line ("create DataMask 1000 under 65535 at 0,0",
// "hide 1001", ...), so tests can see what the terminal would show.
#pragma once

#include "vt_object_model/terminal/VtDisplayElement.h"
#include "vt_object_model/terminal/VtDisplayInterface.h"

#include <string>
#include <vector>

class RecordingVtDisplay;

class RecordingVtElement : public VtDisplayElement {
public:
    RecordingVtElement(RecordingVtDisplay& display, VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y);

    bool isEnabled() override { return enabled; }
    bool isOnActiveMask() override { return onActiveMask; }
    int isHidden() override { return hidden ? 1 : 0; }
    void redraw() override;
    // Takes the element and its children off the display and deletes it.
    void remove(VtDisplayElementList* list) override;
    void realize() override;
    void hide() override;
    void show() override;
    void select() override;
    void enable() override;
    void disable() override;
    void changeChildLocation(int32_t dx, int32_t dy) override;
    void changeSize(uint32_t w, uint32_t h) override;
    void setPosition(int32_t px, int32_t py) override;
    uint32_t getWidth() override { return width; }
    uint32_t getHeight() override { return height; }

    int32_t x;
    int32_t y;
    uint32_t width = 0;
    uint32_t height = 0;
    bool hidden = false;
    bool enabled = true;
    bool onActiveMask = true;

private:
    void record(const std::string& line);
    RecordingVtDisplay& recorder_;
};

class RecordingVtDisplay : public VtDisplayInterface {
public:
    RecordingVtDisplay();
    ~RecordingVtDisplay() override;

    void showMask(VtDisplayElement* mask) override;
    void showSoftKeyMask(VtDisplayElement* softKeyMask) override;
    void clearDisplay() override;
    VtDisplayElement* getRootElement() override { return root_; }

    VtDisplayElement* createSoftKeyMask(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createKey(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createAlarmMask(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createDataMask(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createContainer(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createButton(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createInputBoolean(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createInputString(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createInputNumber(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createInputList(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createOutputString(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createOutputNumber(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createLine(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createRectangle(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createEllipse(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createPolygon(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createMeter(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createLinearBarGraph(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createArchedBarGraph(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createPictureGraphic(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;
    VtDisplayElement* createObjectPointer(VtObject* o, VtDisplayElement* p, int32_t x, int32_t y) override;

    void record(const std::string& line) { lines.push_back(line); }
    // Lines recorded since the last call, then forgotten.
    std::vector<std::string> take();
    bool saw(const std::string& line) const;

    // The mask and soft key mask on screen (65535 for none).
    uint32_t shownMask = 65535;
    uint32_t shownSoftKeyMask = 65535;
    std::vector<std::string> lines;

private:
    VtDisplayElement* make(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y);

    VtDisplayElement* root_;
};
