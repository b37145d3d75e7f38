// Tagged allocation: blocks from the process heap under one of six tags, with
// a usage figure per tag.
#pragma once

#include <cstdint>

constexpr uint16_t TALLOCATION_TAGS = 6;

// Allocates size bytes from the process heap (null for a negative size); the
// tag is not counted.
void* talloc(uint16_t tag, int32_t size);
void tdealloc(void* block);
// The tag's usage counter, or -1 for a tag above 5.
int32_t tallocation_usage(uint16_t tag);
// Sets every counter to 0; returns 0. Called first thing at start-up.
int tallocation_init();
