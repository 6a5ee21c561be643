#include "diag/memory.h"

#include <cstdlib>
#include <cstring>

#include "diag/messages.h"
#include "diag/termination.h"

void *allocateOrFail(std::size_t size) {
    void *block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) fatalError(err::noMemory);
    return block;
}

char *copyText(const char *text) {
    std::size_t length = std::strlen(text);
    char *copy = static_cast<char *>(allocateOrFail(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}
