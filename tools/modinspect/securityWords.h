// How the pre-flight and the memory map name a security byte's source: a word
// for JSON and the page's data, words for a sentence.
#pragma once

#include <romcast/romcast.h>

namespace modinspect {

inline const char *sourceName(romcast::SecurityByte::From from) {
    switch (from) {
    case romcast::SecurityByte::From::option: return "option";
    case romcast::SecurityByte::From::module: return "module";
    case romcast::SecurityByte::From::byDefault: break;
    }
    return "default";
}

inline const char *sourceText(romcast::SecurityByte::From from) {
    switch (from) {
    case romcast::SecurityByte::From::option: return "from the options";
    case romcast::SecurityByte::From::module: return "from the module's text";
    case romcast::SecurityByte::From::byDefault: break;
    }
    return "by default";
}

}  // namespace modinspect
