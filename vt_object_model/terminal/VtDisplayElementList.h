// Intrusive list of display elements. Every element has three links, so it
// can be in three lists at once: its object's list of elements (link 1), its
// parent's child list (link 2) and the display interface's list of changed
// elements (link 3).
#pragma once

#include <cstdint>

class VtDisplayElement;
class VtDisplayElementCommand;

class VtDisplayElementList {
public:
    static constexpr int kObjectLink = 1;
    static constexpr int kChildLink = 2;
    static constexpr int kChangedLink = 3;

    explicit VtDisplayElementList(int linkIndex) : linkIndex_(linkIndex) {}
    ~VtDisplayElementList() { clear(); }
    VtDisplayElementList(const VtDisplayElementList&) = delete;
    VtDisplayElementList& operator=(const VtDisplayElementList&) = delete;

    int getLinkIndex() const { return linkIndex_; }

    // Appends at the tail, first taking the element out of another list of
    // the same link; nothing when it is in this list already.
    void append(VtDisplayElement* element);
    // Unlinks the element when it is in this list.
    void remove(VtDisplayElement* element);
    bool contains(const VtDisplayElement* element) const;
    // Empties every element's link; the elements stay.
    void clear();

    int count() const;
    bool isEmpty() const { return first_ == nullptr; }
    VtDisplayElement* first() const { return first_; }
    VtDisplayElement* next(const VtDisplayElement* element) const;

    // The element with that parent element and instance, or null.
    VtDisplayElement* find(const VtDisplayElement* parent, uint32_t instance) const;
    // Runs the command on each element until one returns a negative result;
    // returns the last result (0 for an empty list).
    int apply(VtDisplayElementCommand& command);
    void markChanged();
    void redraw();
    // Takes every element off the display (VtDisplayElement::remove) until
    // the list is empty.
    void removeAll();
    // Takes off the display every element whose parent is the given one.
    void removeChildrenOf(const VtDisplayElement* parent);
    // Every element loses its parent (for a child list).
    void detachChildren();

private:
    // Unlinks an element that a back end's remove() left in the list, so
    // that the walks above always end.
    void forceOut(VtDisplayElement* element);

    VtDisplayElement* first_ = nullptr;
    VtDisplayElement* last_ = nullptr;
    int linkIndex_;
};
