// Read side of the field walk of the object types (see VtFieldWriter): the
// same transfer() reads an object back in stream order. Stops at the first
// field that the message cannot hold.
#pragma once

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObject.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtPoint.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <array>
#include <vector>

class VtFieldReader {
public:
    static constexpr bool reading = true;

    explicit VtFieldReader(VtMessageReader& reader) : reader_(reader) {}

    // 0 when every field was read, 1 when the message was short.
    int result() const { return ok_ ? 0 : 1; }
    bool ok() const { return ok_; }

    void colour(VtColour& value, const char* name) { step([&] { return reader_.readColour(value, name); }); }
    void oid(uint32_t& value, const char* name) { step([&] { return reader_.readOid(value, name); }); }
    // The ID goes to its observer at once, so that it is there even when a
    // later field fails.
    void observed(uint32_t& value, VtObjectObserver& observer, const char* name)
    {
        oid(value, name);
        if (ok_)
            observer.setOid(value);
    }
    void byte(uint32_t& value, const char* name) { step([&] { return reader_.readByte(value, name); }); }
    void flag(bool& value, const char* name) { step([&] { return reader_.readBool(value, name); }); }
    void ushort(uint32_t& value, const char* name) { step([&] { return reader_.readUShort(value, name); }); }
    void uint(uint32_t& value, const char* name) { step([&] { return reader_.readUInt(value, name); }); }
    void sint(int32_t& value, const char* name) { step([&] { return reader_.readSInt(value, name); }); }
    void real(double& value, const char* name) { step([&] { return reader_.readFloat(value, name); }); }
    void size(VtSize& value, const char* name) { step([&] { return reader_.readSize(value, name); }); }
    void width(VtSize& value) { step([&] { return reader_.readUShort(value.width, "width"); }); }
    void stringL1(VtString& value, const char* name) { step([&] { return reader_.readStringL1(value, name); }); }
    void string(VtString& value, const char* name) { step([&] { return reader_.readString(value, name); }); }

    void count8(uint32_t& n, const char* name) { byte(n, name); }
    void count16(uint32_t& n, const char* name) { ushort(n, name); }
    void count32(uint32_t& n, const char* name) { uint(n, name); }

    void refList(VtObjectRefList& list, uint32_t n, const char* name)
    {
        step([&] {
            list.clear();
            return reader_.readObjectRefList(list, n, name);
        });
    }
    // With a holder, every entry gets an observer held by it.
    void objectList(VtObjectList& list, uint32_t n, VtObject* holder, const char* name)
    {
        step([&] {
            list.clear();
            return reader_.readObjectList(list, n, name);
        });
        if (ok_ && holder != nullptr)
            list.attachAll(holder);
    }
    void data(VtData& value, uint32_t n, const char* name) { step([&] { return reader_.readData(value, n, name); }); }
    void macros(VtObject& object, uint32_t n)
    {
        step([&] {
            if (reader_.getRemaining() < 2 * uint64_t(n))
                return 0;
            auto* list = new VtMacroRefList(n);
            reader_.readMacroList(*list, n, "macros");
            object.setMacros(list);
            return 1;
        });
    }
    void points(std::vector<VtPoint>& points, uint32_t n)
    {
        step([&] {
            if (reader_.getRemaining() < 4 * uint64_t(n))
                return 0;
            points.assign(n, VtPoint{});
            for (VtPoint& point : points) {
                reader_.readUShort(point.x, "px");
                reader_.readUShort(point.y, "py");
            }
            return 1;
        });
    }
    void languages(std::vector<std::array<char, 3>>& codes, uint32_t n)
    {
        step([&] {
            if (reader_.getRemaining() < 2 * uint64_t(n))
                return 0;
            codes.assign(n, std::array<char, 3>{});
            for (auto& code : codes)
                reader_.readString(code.data(), 2, "language");
            return 1;
        });
    }

private:
    template <class Read>
    void step(Read read)
    {
        if (ok_ && !read())
            ok_ = false;
    }

    VtMessageReader& reader_;
    bool ok_ = true;
};
