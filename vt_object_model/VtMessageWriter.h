// Appends little-endian ISO 11783-6 fields to a buffer of fixed capacity:
// object-pool streams and the terminal side's command messages.
//
// Every field writer returns 1 when the field was appended and 0 when it was
// refused. A refused field leaves the bytes and the length unchanged, and the
// writer stays failed until reset(): every later field is refused too, so a
// stream that ran out of room never goes on with fields after a hole, and the
// caller sees the failure through hasFailed().
#pragma once

#include <cstdint>

class VtColour;
class VtData;
class VtLogger;
class VtMacroRefList;
class VtObjectList;
class VtObjectRefList;
class VtString;
struct VtSize;

class VtMessageWriter {
public:
    VtMessageWriter(uint32_t capacity, VtLogger* logger);
    ~VtMessageWriter();
    VtMessageWriter(const VtMessageWriter&) = delete;
    VtMessageWriter& operator=(const VtMessageWriter&) = delete;

    // Back to an empty stream; clears a failure.
    void reset();

    const uint8_t* getData() const { return buffer_; }
    uint32_t getLength() const { return length_; }
    uint32_t getFree() const { return capacity_ - length_; }
    uint32_t getCapacity() const { return capacity_; }
    // True once a field has been refused since the last reset.
    bool hasFailed() const { return failed_; }
    // Marks the stream failed for a field that cannot be represented at all
    // (a list too long for its count field).
    void refuse() { failed_ = true; }

    void enableTrace() { trace_ = true; }
    void disableTrace() { trace_ = false; }
    void setLogger(VtLogger* logger) { logger_ = logger; }

    int writeOid(uint32_t oid, const char* name);
    int writeByte(uint32_t value, const char* name);
    int writeBool(uint32_t value, const char* name);
    int writeUShort(uint32_t value, const char* name);
    int writeSShort(int32_t value, const char* name);
    int writeUInt(uint32_t value, const char* name);
    int writeSInt(int32_t value, const char* name);
    // The value as an IEEE 754 single.
    int writeFloat(double value, const char* name);
    // The palette index (its low byte).
    int writeColour(const VtColour& colour, const char* name);
    // Width, then height, 16 bits each.
    int writeSize(const VtSize& size, const char* name);
    // One length byte and the characters; texts over 255 characters are refused.
    int writeStringL1(const VtString& text, const char* name);
    // Two length bytes and the characters; texts over 65535 characters are refused.
    int writeString(const VtString& text, const char* name);
    // The bytes alone; null bytes with a count are refused.
    int writeData(const uint8_t* bytes, uint32_t count, const char* name);
    int writeData(const VtData& data, const char* name);
    // One object ID per entry.
    int writeObjectList(const VtObjectList& list, const char* name);
    // Object ID, x and y (signed 16 bits) per entry.
    int writeObjectRefList(const VtObjectRefList& list, const char* name);
    // Event ID and macro ID bytes per entry; a null list is refused.
    int writeMacroList(const VtMacroRefList* list, const char* name);

    // Append bytes of 0 or of 255 until the message is 8 bytes long.
    int padZero();
    int padFF();

private:
    bool reserve(uint32_t bytes);
    // Appends a little-endian number of 1, 2 or 4 bytes after the room check
    // and the trace (format with the name and the traced value).
    int writeNumber(uint32_t bytes, uint32_t value, int traced, const char* format, const char* name);
    void put8(uint32_t value) { buffer_[length_++] = uint8_t(value); }
    void put16(uint32_t value);
    void put32(uint32_t value);
    bool tracing(const char* name) const { return trace_ && logger_ != nullptr && name != nullptr; }
    int pad(uint8_t value);

    uint8_t* buffer_;
    uint32_t length_ = 0;
    uint32_t capacity_;
    VtLogger* logger_;
    bool trace_ = false;
    bool failed_ = false;
};
