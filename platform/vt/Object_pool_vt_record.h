// What the VT holds of the working set's pool, value by value. Each value a
// change command sets (an object's hidden or enabled state, its numeric or
// string value, size, colours, font, line and fill attributes, an attribute
// of Change Attribute, a list item, a child's position, a mask's soft key
// mask, the active mask, ...) has an entry once it was changed after the VT
// got the object: the command whose value the VT took without error, or
// "not known" (a command the VT refused or left unanswered, a value the
// operator changed at the VT). A value without an entry is as the VT got it
// with the object.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace VT {

class Vt_record {
public:
    // The key of the value that `command` sets; false for commands that set
    // none the VT keeps (Select Input Object, the relative Change Child
    // Location, requests).
    static bool key_of(const std::vector<uint8_t>& command, uint64_t& key);
    // The key of a value: the object, the command's function byte and what
    // names the value within the object (attribute id, list index, child id).
    static uint64_t key(unsigned short object, uint8_t function, unsigned short sub = 0);

    // True when the value has an entry (known or not).
    bool has(uint64_t key) const;
    // True when the VT is known to hold exactly what `command` sets.
    bool holds(uint64_t key, const std::vector<uint8_t>& command) const;
    // The command whose value the VT holds, null when none is known.
    const std::vector<uint8_t>* held(uint64_t key) const;

    // The VT holds the value `command` sets.
    void set_held(uint64_t key, const std::vector<uint8_t>& command);
    // The VT's value is not known.
    void set_unknown(uint64_t key);
    // Every value of the object is as the VT got it with the object.
    void drop_object(unsigned short object);
    // Every value is as the VT got it with the pool.
    void clear() { values_.clear(); }

private:
    // Empty: the value is not known.
    std::map<uint64_t, std::vector<uint8_t>> values_;
};

} // namespace VT
