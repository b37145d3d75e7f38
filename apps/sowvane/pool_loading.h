// Filling the program's two pools from their installed descriptions: the VT
// pool from its specification and the generated image, the TC pool from the
// device description. Each step prints the program's message when it fails.
#pragma once

namespace VT {
class Object_pool;
}
namespace TC {
class Object_pool;
}

// Loads the VT pool specification into the pool; false, with the message
// of the failed step, when it cannot be read.
bool load_vt_pool_spec(VT::Object_pool& pool);

// Generates the implement's pool image (filling the screen object-ID table)
// and loads it into the pool; keeps a copy of the whole pool in a file.
// False, with a line, when the image cannot be made or is refused: the
// pool then has no working set to show.
bool load_generated_pool(VT::Object_pool& pool);

// Loads the TC device description; false, with the message of the failed
// step, when it cannot be read.
bool load_tc_description(TC::Object_pool& pool);
