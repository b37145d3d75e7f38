// Number and string variables.
#pragma once

#include "vt_object_model/VtObject.h"
#include "vt_object_model/VtSizedObject.h"
#include "vt_object_model/VtString.h"

class VtObjectNumberVariable : public VtObject {
public:
    explicit VtObjectNumberVariable(uint32_t oid) : VtObject(VtObjectTypeNumberVariable, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    uint32_t getValue() const { return value_; }
    void setValue(uint32_t value) { value_ = value; }

private:
    uint32_t value_ = 0;
};

class VtObjectStringVariable : public VtObject {
public:
    explicit VtObjectStringVariable(uint32_t oid) : VtObject(VtObjectTypeStringVariable, oid) {}
    VT_OBJECT_STREAM_OPERATIONS;

    const VtString& getValue() const { return value_; }
    void setValue(const VtString& value) { value_ = value; }

private:
    VtString value_;
};
