// How the pre-flight and the memory map name a security byte's source: a word
// for JSON and the page's data, words for a sentence.
#pragma once

#include <romcast/romcast.h>

namespace modinspect {

struct SourceWords {
    const char *name;  // "option", "module", "default"
    const char *text;  // "from the options", ...
};

inline SourceWords sourceWords(romcast::SecurityByte::From from) {
    switch (from) {
    case romcast::SecurityByte::From::option: return {"option", "from the options"};
    case romcast::SecurityByte::From::module: return {"module", "from the module's text"};
    case romcast::SecurityByte::From::byDefault: break;
    }
    return {"default", "by default"};
}

}  // namespace modinspect
