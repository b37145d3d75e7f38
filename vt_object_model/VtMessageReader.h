// Reads the little-endian fields of ISO 11783-6 messages and object-pool
// streams from its own copy of a message. The counterpart of VtMessageWriter.
//
// Every read returns 1 on success and 0 when the message holds too few bytes;
// a failed read consumes nothing and leaves its destination unchanged. The
// reader never reads outside the message, whatever counts or lengths the
// message claims: list and block reads check the room for all of it first.
#pragma once

#include <cstdint>
#include <vector>

class VtColour;
class VtData;
class VtLogger;
class VtMacroRefList;
class VtObjectList;
class VtObjectRefList;
class VtString;
struct VtSize;

class VtMessageReader {
public:
    explicit VtMessageReader(VtLogger* logger = nullptr);
    VtMessageReader(const VtMessageReader&) = delete;
    VtMessageReader& operator=(const VtMessageReader&) = delete;

    // Copies the message; the position goes to its first byte.
    void setData(const uint8_t* bytes, uint32_t count);
    // Empties the reader and returns a buffer of at least count bytes for the
    // caller to fill; the reader's length stays 0.
    uint8_t* allocate(uint32_t count);

    uint32_t getRemaining() const { return remaining_; }
    uint32_t getLength() const { return length_; }
    // Offset of the next byte to read.
    uint32_t getPosition() const { return position_; }
    // The byte at an absolute index, 0 past the end; the position stays.
    uint8_t getByteAt(uint32_t index) const { return index < length_ ? buffer_[index] : 0; }

    // Remembers the position; restore() goes back to it once.
    void mark();
    void restore();

    void setLogger(VtLogger* logger) { logger_ = logger; }
    VtLogger* getLogger() const { return logger_; }
    void traceOn() { trace_ = true; }
    void traceOff() { trace_ = false; }

    int readOid(uint32_t& oid, const char* name);
    int readBool(bool& value, const char* name);
    int readByte(uint32_t& value, const char* name);
    // A byte as 0..255 (not sign-extended).
    int readSByte(uint32_t& value, const char* name);
    int readUShort(uint32_t& value, const char* name);
    int readSShort(int32_t& value, const char* name);
    int readUInt(uint32_t& value, const char* name);
    int readSInt(int32_t& value, const char* name);
    int readFloat(double& value, const char* name);
    int readSize(VtSize& size, const char* name);
    int readColour(VtColour& colour, const char* name);
    int readStringL1(VtString& text, const char* name);
    int readString(VtString& text, const char* name);
    // Exactly n characters into out, which must hold n + 1 (a NUL follows).
    int readString(char* out, uint32_t n, const char* name);
    int readData(VtData& data, uint32_t n, const char* name);

    // Append n entries; nothing is appended when the n entries do not fit.
    int readObjectRefList(VtObjectRefList& list, uint32_t n, const char* name);
    int readObjectRefListUnsigned(VtObjectRefList& list, uint32_t n, const char* name);
    int readObjectList(VtObjectList& list, uint32_t n, const char* name);
    int readMacroList(VtMacroRefList& list, uint32_t n, const char* name);

private:
    bool has(uint64_t bytes) const { return bytes <= remaining_; }
    uint32_t take8();
    uint32_t take16();
    uint32_t take32();
    bool tracing(const char* name) const { return trace_ && logger_ != nullptr && name != nullptr; }
    // Takes a little-endian number of 1, 2 or 4 bytes into value (a signed
    // 2-byte one sign-extended) and traces it.
    template <class T>
    int readNumber(uint32_t bytes, T& value, const char* format, const char* name);
    void empty(uint32_t capacity);
    int readRefList(VtObjectRefList& list, uint32_t n, const char* name, bool signedPositions);

    std::vector<uint8_t> buffer_;
    uint32_t position_ = 0;
    bool marked_ = false;
    uint32_t markedPosition_ = 0;
    uint32_t remaining_ = 0;
    uint32_t markedRemaining_ = 0;
    uint32_t length_ = 0;
    VtLogger* logger_;
    bool trace_ = false;
};
