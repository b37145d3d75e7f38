// What an operator sees of a VT pool, checked as a VT draws it, over every
// object of the pool: every object of every data and alarm mask inside its
// parent and the mask, the mask's shown bands apart from each other (a button's children inside its face, within the
// border the VT draws), every object of every key inside the soft key
// designator, every container, button and input list that no mask holds yet
// (the screens place them at run time) inside its own area; every text and
// number in its field in the font it is drawn in (a wrapping text over the
// lines of its field); no value of a mask drawn over a text of it (a number
// over its unit or label), nor a text or value across a rule of the mask,
// unless the screens show the two one at a time; and the working set shown
// and selectable.
//
// Texts are measured in character cells of the ISO 11783-6 font sizes (6 x 8
// to 128 x 192): a VT draws a fixed-width font in cells of its size. A
// proportional font has no width known before the VT draws it, so a pool
// whose fit is to be checked uses none: one is reported as a fault.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class Pool_builder;
class VtObjectTable;

struct Pool_geometry_options {
    int mask_width = 240;
    int mask_height = 240;
    // The soft key designator the keys are checked in: by default the
    // smallest a VT may report, which every larger one holds.
    int key_width = 60;
    int key_height = 32;
    // Pointers that the screens aim at one object or another at run time:
    // each target is checked in the pointer's place.
    std::map<uint32_t, std::vector<uint32_t>> pointer_targets;
    // Strings whose text the screens write at run time: only their font's
    // cell is checked against the field, not the placeholder text.
    std::set<uint32_t> runtime_texts;
    // The pool as a VT holds it at one moment: a hidden container draws
    // nothing. Otherwise (a pool as uploaded) the screens may show any
    // hidden container, in turn with the hidden containers beside it.
    bool hidden_not_drawn = false;
};

// One line per fault, each naming the mask, key or object it was met in.
std::vector<std::string> check_pool_geometry(const VtObjectTable& objects, const Pool_geometry_options& options);
std::vector<std::string> check_pool_geometry(const Pool_builder& objects, const Pool_geometry_options& options);
// The same of an ISO 11783-6 object-pool stream (a stream that cannot be
// read whole is a fault).
std::vector<std::string> check_pool_geometry(const std::vector<uint8_t>& stream, const Pool_geometry_options& options);

// The number of lines a text takes when the VT wraps it at spaces into lines
// of `per_line` characters (a word longer than a line is broken).
int wrapped_lines(const std::string& text, int per_line);
