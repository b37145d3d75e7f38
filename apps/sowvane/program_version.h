#pragma once
// What the program says about itself on the bus and the console.

// The build: the source revision the program was built from.
const char* program_build();
