#include "vt_object_model/VtMessageReader.h"

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <cstring>
#include <type_traits>

VtMessageReader::VtMessageReader(VtLogger* logger) : logger_(logger) {}

void VtMessageReader::empty(uint32_t capacity)
{
    position_ = remaining_ = length_ = 0;
    marked_ = false;
    if (buffer_.size() < size_t(capacity) + 1)
        buffer_.assign(size_t(capacity) + 1, 0);
}

void VtMessageReader::setData(const uint8_t* bytes, uint32_t count)
{
    if (bytes == nullptr)
        count = 0;
    empty(count);
    if (count > 0)
        std::memcpy(buffer_.data(), bytes, count);
    length_ = remaining_ = count;
}

uint8_t* VtMessageReader::allocate(uint32_t count)
{
    empty(count);
    return buffer_.data();
}

void VtMessageReader::mark()
{
    marked_ = true;
    markedPosition_ = position_;
    markedRemaining_ = remaining_;
}

void VtMessageReader::restore()
{
    if (!marked_)
        return;
    position_ = markedPosition_;
    remaining_ = markedRemaining_;
    marked_ = false;
}

uint32_t VtMessageReader::take8()
{
    --remaining_;
    return buffer_[position_++];
}

uint32_t VtMessageReader::take16()
{
    uint32_t low = take8();
    return low | (take8() << 8);
}

uint32_t VtMessageReader::take32()
{
    uint32_t low = take16();
    return low | (take16() << 16);
}

template <class T>
int VtMessageReader::readNumber(uint32_t bytes, T& value, const char* format, const char* name)
{
    if (!has(bytes))
        return 0;
    const uint32_t raw = bytes == 1 ? take8() : bytes == 2 ? take16() : take32();
    // A signed 16-bit value is sign-extended from bit 15.
    value = bytes == 2 && std::is_signed<T>::value ? T(int16_t(raw)) : T(raw);
    if (tracing(name))
        logger_->print(format, name, int(value));
    return 1;
}

int VtMessageReader::readOid(uint32_t& oid, const char* name)
{
    return readNumber(2, oid, "readOid, '%s' -> %d\n", name);
}

int VtMessageReader::readBool(bool& value, const char* name)
{
    return readNumber(1, value, "readBool, '%s' -> %d\n", name);
}

int VtMessageReader::readByte(uint32_t& value, const char* name)
{
    return readNumber(1, value, "readByte, '%s' -> %d\n", name);
}

int VtMessageReader::readSByte(uint32_t& value, const char* name)
{
    return readNumber(1, value, "readSByte, '%s' -> %d\n", name);
}

int VtMessageReader::readUShort(uint32_t& value, const char* name)
{
    return readNumber(2, value, "readUShort, '%s' -> %d\n", name);
}

int VtMessageReader::readSShort(int32_t& value, const char* name)
{
    return readNumber(2, value, "readSShort, '%s' -> %d\n", name);
}

int VtMessageReader::readUInt(uint32_t& value, const char* name)
{
    return readNumber(4, value, "readUInt, '%s' -> %d\n", name);
}

int VtMessageReader::readSInt(int32_t& value, const char* name)
{
    return readNumber(4, value, "readSInt, '%s' -> %d\n", name);
}

int VtMessageReader::readFloat(double& value, const char* name)
{
    if (!has(4))
        return 0;
    uint32_t bits = take32();
    float single;
    std::memcpy(&single, &bits, sizeof single);
    value = single;
    if (tracing(name))
        logger_->print("readFloat, '%s' -> %lf\n", name, value);
    return 1;
}

int VtMessageReader::readSize(VtSize& size, const char* name)
{
    if (!has(4))
        return 0;
    uint32_t width = 0;
    uint32_t height = 0;
    readUShort(width, "width");
    int result = readUShort(height, "height");
    size.set(width, height);
    if (tracing(name))
        logger_->print("readSize, '%s' -> %d,%d\n", name, int(width), int(height));
    return result;
}

int VtMessageReader::readColour(VtColour& colour, const char* name)
{
    if (!has(1))
        return 0;
    colour.set(take8());
    if (tracing(name))
        logger_->print("readColour, '%s' -> %d\n", name, int(colour.getIndex()));
    return 1;
}

int VtMessageReader::readStringL1(VtString& text, const char* name)
{
    if (!has(1))
        return 0;
    uint32_t n = buffer_[position_];
    if (!has(uint64_t(n) + 1))
        return 0;
    take8();
    text.assign(reinterpret_cast<const char*>(&buffer_[position_]), n);
    position_ += n;
    remaining_ -= n;
    if (tracing(name))
        logger_->print("readStringL1, '%s' -> '%s'\n", name, text.c_str() ? text.c_str() : "");
    return 1;
}

int VtMessageReader::readString(VtString& text, const char* name)
{
    if (!has(2))
        return 0;
    uint32_t n = buffer_[position_] | (uint32_t(buffer_[position_ + 1]) << 8);
    if (!has(uint64_t(n) + 2))
        return 0;
    take16();
    text.assign(reinterpret_cast<const char*>(&buffer_[position_]), n);
    position_ += n;
    remaining_ -= n;
    if (tracing(name))
        logger_->print("readString, '%s' -> '%s'\n", name, text.c_str() ? text.c_str() : "");
    return 1;
}

int VtMessageReader::readString(char* out, uint32_t n, const char* name)
{
    if (out == nullptr || !has(n))
        return 0;
    std::memcpy(out, &buffer_[position_], n);
    out[n] = '\0';
    position_ += n;
    remaining_ -= n;
    if (tracing(name))
        logger_->print("readString, '%s' -> '%s'\n", name, out);
    return 1;
}

int VtMessageReader::readData(VtData& data, uint32_t n, const char* name)
{
    if (!has(n))
        return 0;
    data.assign(&buffer_[position_], n);
    position_ += n;
    remaining_ -= n;
    if (tracing(name))
        logger_->print("readData, '%s' -> \n", name);
    return 1;
}

int VtMessageReader::readRefList(VtObjectRefList& list, uint32_t n, const char* name, bool signedPositions)
{
    if (!has(6 * uint64_t(n)))
        return 0;
    list.reserveMore(n);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t oid = take16();
        uint32_t x = take16();
        uint32_t y = take16();
        int32_t px = signedPositions ? int32_t(int16_t(x)) : int32_t(x);
        int32_t py = signedPositions ? int32_t(int16_t(y)) : int32_t(y);
        list.append(new VtObjectRef(oid, px, py));
        if (tracing(name))
            logger_->print("  readObjectRefList #%d, '%s' -> oid=%d, x=%d, y=%d\n", int(i), name, int(oid), px, py);
    }
    return 1;
}

int VtMessageReader::readObjectRefList(VtObjectRefList& list, uint32_t n, const char* name)
{
    return readRefList(list, n, name, true);
}

int VtMessageReader::readObjectRefListUnsigned(VtObjectRefList& list, uint32_t n, const char* name)
{
    return readRefList(list, n, name, false);
}

int VtMessageReader::readObjectList(VtObjectList& list, uint32_t n, const char* name)
{
    if (!has(2 * uint64_t(n)))
        return 0;
    list.reserveMore(n);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t oid = take16();
        list.append(new VtObjectListItem(oid));
        if (tracing(name))
            logger_->print("  readObjectList #%d, '%s' -> oid=%d\n", int(i), name, int(oid));
    }
    return 1;
}

int VtMessageReader::readMacroList(VtMacroRefList& list, uint32_t n, const char* name)
{
    if (!has(2 * uint64_t(n)))
        return 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t event = take8();
        uint32_t macro = take8();
        list.append(new VtMacroRef(event, macro));
        if (tracing(name))
            logger_->print("  readObjectRefList #%d, '%s' -> evid=%d, mid=%d\n", int(i), name, int(event),
                           int(macro));
    }
    return 1;
}
