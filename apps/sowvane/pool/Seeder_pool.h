// Generates the implement's whole VT object pool in one pass: the working
// set, the shared attributes and every screen's data mask, soft key mask and
// objects, written as one ISO 11783-6 object-pool image into the writer.
// While it builds, it records in the screen object-ID table every object the
// masks later drive.
#pragma once

#include "vt_object_model/VtSize.h"

class VtMessageWriter;
struct Screen_object_ids;

// Working-set designator text.
constexpr const char* seeder_working_set_label = "SEEDER";

// Builds the pool for a data mask of size.width x size.height pixels into the
// writer (reset first). 0 when the whole image is in the writer; -1, with a
// line on the debug output, when it did not fit: the writer then holds no
// usable image and must not be handed to the VT.
int build_seeder_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size);

// The operating history menu alone, behind an Object Pool Transfer function
// code (17). 0 or -1 as build_seeder_pool.
int build_history_menu_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size);
