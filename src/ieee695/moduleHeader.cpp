#include "core/conversion.h"
#include "ieee695/moduleHeader.h"

#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/recordReader.h"


namespace {

constexpr int processorNameSize = 20;  // 19 characters and the NUL
constexpr std::uint32_t objectFormatAttribute = 38;
constexpr std::uint8_t absoluteFormat = 0x01;

const char singleAreaTarget[] = "TQ40";
const char dualAreaTarget[] = "TQ40/51X";


[[noreturn]] void rejectModule(Conversion &conv) { fatalError(err::illegalFormat, conv.settings.inputName); }

// A record longer than the log is malformed, whatever its type.
void requireWholeRecord(Conversion &conv) {
    if (conv.log.overflowed) rejectModule(conv);
}

// MB: the processor decides the mode. A name that cannot be read, or is too long
// for its buffer, stays empty and so matches no target.
void checkTarget(Conversion &conv, std::FILE *in) {
    if (readRecordType(conv, in) != rec::MB) rejectModule(conv);
    char processor[processorNameSize] = "";
    readTwoNames(conv, processor, processorNameSize, nullptr, 0, in);
    const bool dualTarget = std::strcmp(processor, dualAreaTarget) == 0;
    if (!dualTarget && std::strcmp(processor, singleAreaTarget) != 0)
        fatalError(err::mcuMismatch, conv.settings.inputName);
    requireWholeRecord(conv);
    if (dualTarget) {
        conv.settings.set(flag::dualArea);
        if (conv.settings.has(flag::binaryOutput)) fatalError(err::dualAreaBinary);
    } else {
        conv.settings.clear(flag::dualArea);
    }
    // "+d51x" forces the mode after the target check.
    if (conv.settings.has(flag::forceDualArea)) conv.settings.set(flag::dualArea);
}

// The ASW records, in any order and repeated: the last offset for an index wins.
void readPartOffsets(Conversion &conv, std::FILE *in) {
    std::int32_t type = readRecordType(conv, in);
    while (type == rec::ASW) {
        std::uint32_t index = 0;
        std::uint32_t offset = 0;
        readTwoNumbers(conv, &index, &offset, in);
        switch (index) {
        case 1: conv.parts.environmentPart = offset; break;
        case 2: conv.parts.sectionPart = offset; break;
        case 5: conv.parts.dataPart = offset; break;
        case 6: conv.parts.trailerPart = offset; break;
        default: break;
        }
        tickProgress(conv);
        type = readRecordType(conv, in);
    }
    unreadRecordType(conv, type, in);
    if (conv.parts.sectionPart == 0 || conv.parts.dataPart == 0 || conv.parts.trailerPart == 0)
        rejectModule(conv);
}

// The first run of ATN records must hold attribute 38 with the value 1: an
// absolute module.
void checkAbsolute(Conversion &conv, std::FILE *in) {
    std::int32_t type = readRecordType(conv, in);
    while (type == rec::ATN) {
        std::uint32_t attribute = 0;
        conv.capture.length = 0;
        readAttribute(conv, nullptr, nullptr, &attribute, &conv.capture, in);
        requireWholeRecord(conv);
        if (attribute == objectFormatAttribute) {
            if (conv.capture.length < 1 || conv.capture.bytes[0] != absoluteFormat) rejectModule(conv);
            return;
        }
        type = readRecordType(conv, in);
    }
    rejectModule(conv);
}

}  // namespace

void readModuleHeader(Conversion &conv) {
    std::FILE *in = conv.settings.inputFile;
    conv.parts.sectionPart = 0;
    conv.parts.dataPart = 0;
    conv.parts.trailerPart = 0;
    checkTarget(conv, in);
    // The record after MB (the address descriptor) is passed over whole.
    readRecord(conv, &conv.capture, in);
    requireWholeRecord(conv);
    readPartOffsets(conv, in);
    readRecord(conv, nullptr, in);
    requireWholeRecord(conv);
    checkAbsolute(conv, in);
}
