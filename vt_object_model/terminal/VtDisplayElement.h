// One displayed placement of a VT object on a concrete screen. The display
// back end derives from it and supplies the drawing; the layer keeps the tree
// (parent, children), the link to the object and the selection state.
#pragma once

#include "vt_object_model/VtSize.h"
#include "vt_object_model/terminal/VtDisplayElementList.h"

#include <cstdint>

class VtDisplayInterface;
class VtObject;

struct VtDisplayLink {
    VtDisplayElementList* list = nullptr;
    VtDisplayElement* next = nullptr;
    VtDisplayElement* prev = nullptr;
};

class VtDisplayElement {
public:
    // With a parent, takes its display interface and joins its child list.
    VtDisplayElement(VtObject* object, VtDisplayElement* parent);
    virtual ~VtDisplayElement();
    VtDisplayElement(const VtDisplayElement&) = delete;
    VtDisplayElement& operator=(const VtDisplayElement&) = delete;

    // Queues the element for redrawing in its display interface.
    virtual void markChanged(VtObject* changed);
    // Closes the element when it is the open (selected) input.
    virtual void close();
    // Asked by Select Input Object before selecting: false gives error 1.
    virtual bool isEnabled() = 0;
    // Asked by Select Input Object before selecting: false gives error 4.
    virtual bool isOnActiveMask() = 0;
    // 0 when shown.
    virtual int isHidden() = 0;
    virtual void redraw() = 0;
    // Takes the element off the display; it must leave the list given (and
    // may delete itself).
    virtual void remove(VtDisplayElementList* list) = 0;
    // Called on a child element right after a walk over its parent made it.
    virtual void realize() = 0;
    virtual void hide() = 0;
    virtual void show() = 0;
    virtual void select() = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual void changeChildLocation(int32_t dx, int32_t dy) = 0;
    virtual void changeSize(uint32_t width, uint32_t height) = 0;
    virtual void setSize(const VtSize& size) { changeSize(size.width, size.height); }
    virtual void setPosition(int32_t x, int32_t y) = 0;
    virtual uint32_t getWidth() = 0;
    virtual uint32_t getHeight() = 0;

    VtObject* getObject() const { return object_; }
    VtDisplayElement* getParent() const { return parent_; }
    VtDisplayInterface* getDisplayInterface() const { return display_; }
    void setDisplayInterface(VtDisplayInterface* display) { display_ = display; }
    uint32_t getInstance() const { return instance_; }
    void setInstance(uint32_t instance) { instance_ = instance; }
    bool isOpen() const { return open_; }
    void setEditing(bool editing) { editing_ = editing; }
    VtDisplayElementList& getChildren() { return children_; }

    // 99 without an object.
    uint32_t getObjectType() const;
    // 65535 without an object.
    uint32_t getOid() const;
    // 65535 without a parent or without the parent's object.
    uint32_t getParentOid() const;

    // Makes the element the selected input.
    void open();
    void deselect();
    // VT select input object message for the element's object, 1 or 0.
    void sendSelect();
    void sendDeselect();
    // When open and not editing: VT ESC message (error 0); then closes.
    void escape();
    // Soft key or button activation message for a key or button object.
    void activate(uint32_t activationCode, uint32_t keyCode);
    bool isDescendantOf(const VtDisplayElement* ancestor) const;

    // The link of an index (1 object list, 2 child list, 3 changed list).
    VtDisplayLink& link(int index);
    const VtDisplayLink& link(int index) const;

private:
    VtDisplayLink objectLink_;
    VtDisplayLink changedLink_;
    VtDisplayLink childLink_;
    VtObject* object_;
    VtDisplayElement* parent_;
    VtDisplayInterface* display_ = nullptr;
    bool open_ = false;
    bool editing_ = false;
    uint32_t instance_ = 0;
    VtDisplayElementList children_{VtDisplayElementList::kChildLink};

    friend class VtDisplayElementList;
};
