// Write side of the field walk that every object type describes once in its
// transfer() template: the same walk, run with a field reader, reads the
// object back. Stops at the first refused field.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObject.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtPoint.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <array>
#include <vector>

class VtFieldWriter {
public:
    static constexpr bool reading = false;

    explicit VtFieldWriter(VtMessageWriter& writer) : writer_(writer) {}

    // 0 when every field was written, 1 when one was refused.
    int result() const { return ok_ ? 0 : 1; }
    bool ok() const { return ok_; }

    void colour(VtColour& value, const char* name) { step(writer_.writeColour(value, name)); }
    void oid(uint32_t& value, const char* name) { step(writer_.writeOid(value, name)); }
    // An object ID with its observer (which the read side points at the ID).
    void observed(uint32_t& value, VtObjectObserver&, const char* name) { oid(value, name); }
    void byte(uint32_t& value, const char* name) { step(writer_.writeByte(value, name)); }
    void flag(bool& value, const char* name) { step(writer_.writeBool(value ? 1 : 0, name)); }
    void ushort(uint32_t& value, const char* name) { step(writer_.writeUShort(value, name)); }
    void uint(uint32_t& value, const char* name) { step(writer_.writeUInt(value, name)); }
    void sint(int32_t& value, const char* name) { step(writer_.writeSInt(value, name)); }
    void real(double& value, const char* name) { step(writer_.writeFloat(value, name)); }
    void size(VtSize& value, const char* name) { step(writer_.writeSize(value, name)); }
    void width(VtSize& value) { step(writer_.writeUShort(value.width, "width")); }
    void stringL1(VtString& value, const char* name) { step(writer_.writeStringL1(value, name)); }
    void string(VtString& value, const char* name) { step(writer_.writeString(value, name)); }

    // Entry counts of the lists that follow the fixed fields. A list longer
    // than its count field can hold is refused: writing the low bits of the
    // count before every entry would give a stream that no reader can follow.
    void count8(uint32_t& n, const char* name) { step(n <= 0xFF ? writer_.writeByte(n, name) : refuse()); }
    void count16(uint32_t& n, const char* name) { step(n <= 0xFFFF ? writer_.writeUShort(n, name) : refuse()); }
    void count32(uint32_t& n, const char* name) { step(writer_.writeUInt(n, name)); }

    void refList(VtObjectRefList& list, uint32_t, const char* name) { step(writer_.writeObjectRefList(list, name)); }
    void objectList(VtObjectList& list, uint32_t, VtObject*, const char* name)
    {
        step(writer_.writeObjectList(list, name));
    }
    void data(VtData& value, uint32_t, const char* name) { step(writer_.writeData(value, name)); }
    void macros(VtObject& object, uint32_t)
    {
        if (object.getMacros() != nullptr)
            step(writer_.writeMacroList(object.getMacros(), nullptr));
    }
    void points(std::vector<VtPoint>& points, uint32_t)
    {
        for (VtPoint& point : points) {
            step(writer_.writeUShort(point.x, "px"));
            step(writer_.writeUShort(point.y, "py"));
        }
    }
    void languages(std::vector<std::array<char, 3>>& codes, uint32_t)
    {
        // Written whatever happened before, and left out of the result.
        for (const auto& code : codes)
            writer_.writeData(reinterpret_cast<const uint8_t*>(code.data()), 2, "language");
    }

private:
    int refuse()
    {
        writer_.refuse();
        return 0;
    }
    void step(int written)
    {
        if (ok_ && !written)
            ok_ = false;
    }

    VtMessageWriter& writer_;
    bool ok_ = true;
};
