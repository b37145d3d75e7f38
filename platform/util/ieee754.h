// IEEE 754 byte forms of float and double.
//
// The byte form is little-endian (least significant byte first), the same
// order as the little-endian integers of the byte-message views, whatever the
// host's own order. A reading gets back exactly what the matching writer
// stored, NaN payloads and signed zeros included.
#pragma once

// Writes the 4-byte form of value to dst.
void float_to_bytes_ieee754(const float& value, unsigned char* dst);
// Writes the 8-byte form of value to dst.
void double_to_bytes_ieee754(const double& value, unsigned char* dst);
// Reads a float from its 4-byte form at src.
float bytes_to_float_ieee754(const unsigned char* src);
// Reads a double from its 8-byte form at src.
double bytes_to_double_ieee754(const unsigned char* src);
