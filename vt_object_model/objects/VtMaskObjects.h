// Working set, masks, container, soft key mask, key and button: the objects
// that hold other objects.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSizedObject.h"

#include <array>
#include <vector>

class VtObjectWorkingSet : public VtObject {
public:
    explicit VtObjectWorkingSet(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    virtual VtColour getBackgroundColour() const { return backgroundColour_; }
    virtual void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    // Whether the VT may make the working set active (show it to choose).
    bool getSelectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    uint32_t getActiveMask() const { return activeMask_; }
    void setActiveMask(uint32_t oid) { activeMask_ = oid; }
    VtObjectRefList& getChilds() { return childs_; }
    uint32_t getNumberOfLanguages() const { return uint32_t(languages_.size()); }
    // The two letters of a language code, or null past the end.
    const char* getLanguage(uint32_t index) const { return index < languages_.size() ? languages_[index].data() : nullptr; }
    const VtObjectObserver& getActiveMaskObserver() const { return activeMaskObserver_; }

private:
    VtColour backgroundColour_;
    bool selectable_ = false;
    uint32_t activeMask_ = VT_NULL_ID;
    VtObjectRefList childs_;
    std::vector<std::array<char, 3>> languages_;
    VtObjectObserver activeMaskObserver_;
};

class VtObjectDataMask : public VtObject {
public:
    explicit VtObjectDataMask(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getSoftKeyMask() const { return softKeyMask_; }
    void setSoftKeyMask(uint32_t oid) { softKeyMaskObserver_.retarget(softKeyMask_, oid); }
    VtObjectRefList& getChilds() { return childs_; }
    const VtObjectObserver& getSoftKeyMaskObserver() const { return softKeyMaskObserver_; }

private:
    VtColour backgroundColour_;
    uint32_t softKeyMask_ = VT_NULL_ID;
    VtObjectRefList childs_;
    VtObjectObserver softKeyMaskObserver_;
};

class VtObjectAlarmMask : public VtObject {
public:
    explicit VtObjectAlarmMask(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getSoftKeyMask() const { return softKeyMask_; }
    void setSoftKeyMask(uint32_t oid) { softKeyMask_ = oid; }
    uint32_t getPriority() const { return priority_; }
    void setPriority(uint32_t priority) { priority_ = priority; }
    uint32_t getAcousticSignal() const { return acousticSignal_; }
    void setAcousticSignal(uint32_t signal) { acousticSignal_ = signal; }
    VtObjectRefList& getChilds() { return childs_; }
    const VtObjectObserver& getSoftKeyMaskObserver() const { return softKeyMaskObserver_; }

private:
    VtColour backgroundColour_;
    uint32_t softKeyMask_ = VT_NULL_ID;
    uint32_t priority_ = 0;
    uint32_t acousticSignal_ = 0;
    VtObjectRefList childs_;
    VtObjectObserver softKeyMaskObserver_;
};

class VtObjectContainer : public VtSizedObject {
public:
    explicit VtObjectContainer(uint32_t oid) : VtSizedObject(VtObjectTypeContainer, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    bool getHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    VtObjectRefList& getChilds() { return childs_; }

private:
    bool hidden_ = false;
    VtObjectRefList childs_;
};

class VtObjectSoftKeyMask : public VtObject {
public:
    explicit VtObjectSoftKeyMask(uint32_t oid) : VtObject(VtObjectTypeSoftKeyMask, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    // Keys, buttons and pointers of the mask, without positions.
    VtObjectList& getChilds() { return childs_; }

private:
    VtColour backgroundColour_;
    VtObjectList childs_;
};

class VtObjectKey : public VtObject {
public:
    explicit VtObjectKey(uint32_t oid) : VtObject(VtObjectTypeKey, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getKeyCode() const { return keyCode_; }
    void setKeyCode(uint32_t code) { keyCode_ = code; }
    VtObjectRefList& getChilds() { return childs_; }

private:
    VtColour backgroundColour_;
    uint32_t keyCode_ = 0;
    VtObjectRefList childs_;
};

// Bit of a button's options byte that disables the button.
constexpr uint32_t VT_BUTTON_DISABLED = 0x10;

class VtObjectButton : public VtSizedObject {
public:
    explicit VtObjectButton(uint32_t oid) : VtSizedObject(VtObjectTypeButton, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    VtColour getBorderColour() const { return borderColour_; }
    void setBorderColour(const VtColour& colour) { borderColour_ = colour; }
    uint32_t getKeyCode() const { return keyCode_; }
    void setKeyCode(uint32_t code) { keyCode_ = code; }
    // The options byte: bit 0 latchable, bit 4 disabled; every bit is kept
    // as given.
    uint32_t getLatchable() const { return latchable_; }
    void setLatchable(uint32_t options) { latchable_ = options; }
    VtObjectRefList& getChilds() { return childs_; }

private:
    VtColour backgroundColour_;
    VtColour borderColour_;
    uint32_t keyCode_ = 0;
    uint32_t latchable_ = 0;
    VtObjectRefList childs_;
};
