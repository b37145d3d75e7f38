// Object pointer, macro and the auxiliary control objects.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSizedObject.h"

class VtObjectPointer : public VtObject {
public:
    explicit VtObjectPointer(uint32_t oid);
    VT_OBJECT_STREAM_OPERATIONS;

    // ID of the object shown in the pointer's place.
    uint32_t getValue() const { return value_; }
    // Re-targets only when the ID differs from the stored one.
    void setValue(uint32_t oid);
    const VtObjectObserver& getValueObserver() const { return valueObserver_; }

private:
    uint32_t value_ = VT_NULL_ID;
    VtObjectObserver valueObserver_;
};

class VtObjectMacro : public VtObject {
public:
    explicit VtObjectMacro(uint32_t oid) : VtObject(VtObjectTypeMacro, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    // The command bytes, for reading or assigning.
    VtData& getCommands() { return commands_; }

private:
    VtData commands_;
};

class VtObjectAuxiliaryFunction : public VtObject {
public:
    explicit VtObjectAuxiliaryFunction(uint32_t oid) : VtObject(VtObjectTypeAuxiliaryFunction, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getFunctionType() const { return functionType_; }
    void setFunctionType(uint32_t type) { functionType_ = type; }
    VtObjectRefList& getChilds() { return childs_; }

private:
    VtColour backgroundColour_;
    uint32_t functionType_ = 0;
    VtObjectRefList childs_;
};

class VtObjectAuxiliaryInput : public VtObject {
public:
    explicit VtObjectAuxiliaryInput(uint32_t oid) : VtObject(VtObjectTypeAuxiliaryInput, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    VtColour getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const VtColour& colour) { backgroundColour_ = colour; }
    uint32_t getFunctionType() const { return functionType_; }
    void setFunctionType(uint32_t type) { functionType_ = type; }
    uint32_t getInputId() const { return inputId_; }
    void setInputId(uint32_t id) { inputId_ = id; }
    VtObjectRefList& getChilds() { return childs_; }

private:
    VtColour backgroundColour_;
    uint32_t functionType_ = 0;
    uint32_t inputId_ = 0;
    VtObjectRefList childs_;
};
