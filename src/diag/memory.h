// The only ways the program obtains memory; running out ends the run with
// "Not enough memory".
#pragma once

#include <cstddef>

// A new block of `size` bytes; error 4 when none can be had.
void *allocateOrFail(std::size_t size);
// A heap copy of `text` made with allocateOrFail.
char *copyText(const char *text);
