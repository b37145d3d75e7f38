#include "vt_object_model/VtMessageWriter.h"

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <cstring>

namespace {
const char* printable(const VtString& text)
{
    return text.c_str() != nullptr ? text.c_str() : "";
}
} // namespace

VtMessageWriter::VtMessageWriter(uint32_t capacity, VtLogger* logger)
    : buffer_(new uint8_t[capacity + 10]()), capacity_(capacity), logger_(logger)
{
}

VtMessageWriter::~VtMessageWriter()
{
    delete[] buffer_;
}

void VtMessageWriter::reset()
{
    length_ = 0;
    failed_ = false;
}

bool VtMessageWriter::reserve(uint32_t bytes)
{
    if (failed_ || bytes > capacity_ - length_) {
        failed_ = true;
        return false;
    }
    return true;
}

void VtMessageWriter::put16(uint32_t value)
{
    put8(value);
    put8(value >> 8);
}

void VtMessageWriter::put32(uint32_t value)
{
    put16(value);
    put16(value >> 16);
}

int VtMessageWriter::writeNumber(uint32_t bytes, uint32_t value, int traced, const char* format, const char* name)
{
    if (!reserve(bytes))
        return 0;
    if (tracing(name))
        logger_->print(format, name, traced);
    if (bytes == 1)
        put8(value);
    else if (bytes == 2)
        put16(value);
    else
        put32(value);
    return 1;
}

int VtMessageWriter::writeOid(uint32_t oid, const char* name)
{
    return writeNumber(2, oid, int(oid), "writeOid('%s'), v=%d\n", name);
}

int VtMessageWriter::writeByte(uint32_t value, const char* name)
{
    return writeNumber(1, value, int(value), "writeByte('%s'), v=%d\n", name);
}

int VtMessageWriter::writeBool(uint32_t value, const char* name)
{
    return writeNumber(1, value, int(value), "writeBool('%s'), v=%d\n", name);
}

int VtMessageWriter::writeUShort(uint32_t value, const char* name)
{
    return writeNumber(2, value, int(value), "writeUShort('%s'), v=%d\n", name);
}

int VtMessageWriter::writeSShort(int32_t value, const char* name)
{
    return writeNumber(2, uint32_t(value), int(value), "writeSShort('%s'), v=%d\n", name);
}

int VtMessageWriter::writeUInt(uint32_t value, const char* name)
{
    return writeNumber(4, value, int(value), "writeUInt('%s'), v=%d\n", name);
}

int VtMessageWriter::writeSInt(int32_t value, const char* name)
{
    return writeNumber(4, uint32_t(value), int(value), "writeSInt('%s'), v=%d\n", name);
}

int VtMessageWriter::writeFloat(double value, const char* name)
{
    if (!reserve(4))
        return 0;
    if (tracing(name))
        logger_->print("writeFloat('%s'), v=%lf\n", name, value);
    float single = float(value);
    uint32_t bits;
    std::memcpy(&bits, &single, sizeof bits);
    put32(bits);
    return 1;
}

int VtMessageWriter::writeColour(const VtColour& colour, const char* name)
{
    if (!reserve(1))
        return 0;
    if (tracing(name))
        logger_->print("writeColour('%s'), c=%d\n", name, int(colour.getIndex()));
    put8(colour.getIndex());
    return 1;
}

int VtMessageWriter::writeSize(const VtSize& size, const char* name)
{
    if (!reserve(4))
        return 0;
    if (tracing(name))
        logger_->print("writeSize('%s'), w=%d,h=%d\n", name, int(size.width), int(size.height));
    writeUShort(size.width, "width");
    writeUShort(size.height, "height");
    return 1;
}

int VtMessageWriter::writeStringL1(const VtString& text, const char* name)
{
    uint32_t length = text.length();
    if (length > 255) {
        failed_ = true;
        return 0;
    }
    if (!reserve(length + 1))
        return 0;
    if (tracing(name))
        logger_->print("writeStringL1('%s'), v='%s'\n", name, printable(text));
    put8(length);
    if (length > 0)
        std::memcpy(buffer_ + length_, text.c_str(), length);
    length_ += length;
    return 1;
}

int VtMessageWriter::writeString(const VtString& text, const char* name)
{
    uint32_t length = text.length();
    if (length > 65535) {
        failed_ = true;
        return 0;
    }
    if (!reserve(length + 2))
        return 0;
    if (tracing(name))
        logger_->print("writeString('%s'), v='%s'\n", name, printable(text));
    put16(length);
    if (length > 0)
        std::memcpy(buffer_ + length_, text.c_str(), length);
    length_ += length;
    return 1;
}

int VtMessageWriter::writeData(const uint8_t* bytes, uint32_t count, const char* name)
{
    if (bytes == nullptr && count > 0) {
        failed_ = true;
        return 0;
    }
    if (!reserve(count))
        return 0;
    if (tracing(name))
        logger_->print("writeData('%s')\n", name);
    if (count > 0)
        std::memcpy(buffer_ + length_, bytes, count);
    length_ += count;
    return 1;
}

int VtMessageWriter::writeData(const VtData& data, const char* name)
{
    return writeData(data.getData(), data.getLength(), name);
}

int VtMessageWriter::writeObjectList(const VtObjectList& list, const char* name)
{
    if (!reserve(2 * list.size()))
        return 0;
    if (tracing(name))
        logger_->print("writeObjectList('%s'), count=%d\n", name, int(list.size()));
    for (uint32_t i = 0; i < list.size(); ++i)
        writeOid(list.at(i)->oid, "oid");
    return 1;
}

int VtMessageWriter::writeObjectRefList(const VtObjectRefList& list, const char* name)
{
    if (!reserve(6 * list.size()))
        return 0;
    if (tracing(name))
        logger_->print("writeObjectRefList('%s'), count=%d\n", name, int(list.size()));
    for (uint32_t i = 0; i < list.size(); ++i) {
        const VtObjectRef* ref = list.at(i);
        writeOid(ref->oid, "oid");
        writeSShort(ref->x, "x");
        writeSShort(ref->y, "y");
    }
    return 1;
}

int VtMessageWriter::writeMacroList(const VtMacroRefList* list, const char* name)
{
    if (list == nullptr) {
        failed_ = true;
        return 0;
    }
    if (!reserve(2 * list->size()))
        return 0;
    if (tracing(name))
        logger_->print("writeMacroList('%s'), count==%d\n", name, int(list->size()));
    for (uint32_t i = 0; i < list->size(); ++i) {
        writeByte(list->at(i)->eventId, "event_id");
        writeByte(list->at(i)->macroId, "macro_id");
    }
    return 1;
}

int VtMessageWriter::pad(uint8_t value)
{
    if (length_ >= 8)
        return 1;
    if (!reserve(8 - length_))
        return 0;
    while (length_ < 8)
        put8(value);
    return 1;
}

int VtMessageWriter::padZero()
{
    return pad(0);
}

int VtMessageWriter::padFF()
{
    return pad(0xFF);
}
