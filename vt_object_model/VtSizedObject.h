// Base of the object types that have a size.
#pragma once

#include "vt_object_model/VtObject.h"
#include "vt_object_model/VtSize.h"

class VtSizedObject : public VtObject {
public:
    using VtObject::VtObject;

    void setSize(const VtSize& size) override { size_ = size; }
    const VtSize& getSize() const { return size_; }
    uint32_t getWidth() const { return size_.width; }
    uint32_t getHeight() const { return size_.height; }
    void setWidth(uint32_t width) { size_.width = width; }
    void setHeight(uint32_t height) { size_.height = height; }

protected:
    VtSize size_;
};

// Declares the stream operations of an object type; transfer() walks the
// type's fields in stream order with a field writer or a field reader.
#define VT_OBJECT_STREAM_OPERATIONS                                                                \
    int write(VtMessageWriter& writer) override;                                                   \
    int read(VtMessageReader& reader) override;                                                    \
    int changeAttribute(int attribute, VtMessageReader& reader) override;                          \
    template <class Io>                                                                            \
    void transfer(Io& io)
