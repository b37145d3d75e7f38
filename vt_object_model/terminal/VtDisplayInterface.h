// Abstract display back end of the terminal side: builds the tree of display
// elements from the command processor's object table, tracks the active mask,
// the active soft key mask and the selected input, and collects changed
// elements for redrawing. A concrete back end supplies the element creators
// and the drawing.
#pragma once

#include "vt_object_model/terminal/VtDisplayElementList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class VtCommandProcessor;
class VtDisplayElement;
class VtObject;
class VtSystemInterface;

class VtDisplayInterface {
public:
    explicit VtDisplayInterface(VtCommandProcessor* processor = nullptr) : processor_(processor) {}
    virtual ~VtDisplayInterface() = default;
    VtDisplayInterface(const VtDisplayInterface&) = delete;
    VtDisplayInterface& operator=(const VtDisplayInterface&) = delete;

    // Builds the elements of an object and its children under a parent
    // element (the root when none) and returns the object's element for that
    // parent; existing elements are reused. An object that (through its
    // children or a pointer) contains itself is not entered again.
    virtual VtDisplayElement* createDisplayElements(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y,
                                                    uint32_t instance);
    virtual void showMask(VtDisplayElement* mask) = 0;
    virtual void showSoftKeyMask(VtDisplayElement* softKeyMask) = 0;
    // Called before the object pool is deleted.
    virtual void clearDisplay() = 0;
    virtual void setSelectedElement(VtDisplayElement* element) { selected_ = element; }
    // Parent of the top-level elements.
    virtual VtDisplayElement* getRootElement() = 0;

    // Creators: each makes the element of one object type under a parent at
    // (x, y), or returns null.
    virtual VtDisplayElement* createSoftKeyMask(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createKey(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createAlarmMask(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createDataMask(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createContainer(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createButton(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createInputBoolean(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createInputString(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createInputNumber(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createInputList(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createOutputString(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createOutputNumber(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createLine(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createRectangle(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createEllipse(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createPolygon(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createMeter(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createLinearBarGraph(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createArchedBarGraph(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createPictureGraphic(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;
    virtual VtDisplayElement* createObjectPointer(VtObject*, VtDisplayElement* parent, int32_t x, int32_t y) = 0;

    // Deepest nesting of objects whose elements are built (an object counts
    // one level inside each object it is built under); deeper objects get no
    // element. A received pool can nest objects far deeper than any screen
    // shows.
    static constexpr size_t kMaxNesting = 64;
    // Most elements that one building pass (an outermost call of
    // createDisplayElements, with all it builds inside) creates; the rest get
    // none. Objects placed twice in each of a few nested containers multiply
    // into more elements than any terminal can hold.
    static constexpr uint32_t kMaxElementsPerBuild = 16384;

    void setProcessor(VtCommandProcessor* processor) { processor_ = processor; }
    VtCommandProcessor* getProcessor() const { return processor_; }
    // The object stored under the ID in the processor's table, or null.
    VtObject* findObject(uint32_t oid) const;
    VtSystemInterface* getSystemInterface() const;

    VtDisplayElement* getSelectedElement() const { return selected_; }
    uint32_t getActiveMaskId() const { return activeMask_; }
    uint32_t getSoftKeyMaskId() const { return softKeyMask_; }
    // The active mask's ID when it is an alarm mask, else 65535.
    uint32_t getActiveAlarmMaskId() const;

    void addChangedElement(VtDisplayElement* element) { changed_.append(element); }
    VtDisplayElementList& getChangedElements() { return changed_; }
    // Redraws every changed element and empties the list.
    void redrawChanged();

    // Makes the object the active mask: builds its elements, shows it and
    // its soft key mask; shows no mask when it is not a data or alarm mask.
    void setActiveMask(uint32_t oid);
    void setSoftKeyMask(uint32_t oid);

private:
    VtDisplayElement* createElements(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y,
                                     uint32_t instance, bool& created);
    VtDisplayElement* createByType(VtObject* object, VtDisplayElement* parent, int32_t x, int32_t y);
    void createChildren(VtObject* object, VtDisplayElement* element, int32_t offset);
    void createSoftKeys(VtObject* softKeyMask, VtDisplayElement* element);
    void createPointerTarget(VtObject* pointer, VtDisplayElement* element);
    void log(const char* format, ...);

    VtCommandProcessor* processor_;
    VtDisplayElementList changed_{VtDisplayElementList::kChangedLink};
    uint32_t softKeyMask_ = 65535;
    uint32_t activeMask_ = 65535;
    VtDisplayElement* selected_ = nullptr;
    // Objects whose elements are being built, outermost first.
    std::vector<VtObject*> building_;
    // Elements created in the present building pass.
    uint32_t elementsBuilt_ = 0;
};
