#include "ieee695/moduleHeader.h"

#include <cstring>

#include "diag/console.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/recordReader.h"

ModuleParts moduleParts = {0, 0, 0, 0};

namespace {

constexpr int processorNameSize = 20;  // 19 characters and the NUL
constexpr std::uint32_t objectFormatAttribute = 38;
constexpr std::uint8_t absoluteFormat = 0x01;

const char singleAreaTarget[] = "TQ40";
const char dualAreaTarget[] = "TQ40/51X";

RecordCapture capture;

[[noreturn]] void rejectModule() { fatalError(err::illegalFormat, settings.inputName); }

// A record longer than the log is malformed, whatever its type.
void requireWholeRecord() {
    if (recordLog.overflowed) rejectModule();
}

// MB: the processor decides the mode. A name that cannot be read, or is too long
// for its buffer, stays empty and so matches no target.
void checkTarget(std::FILE *in) {
    if (readRecordType(in) != rec::MB) rejectModule();
    char processor[processorNameSize] = "";
    readTwoNames(processor, processorNameSize, nullptr, 0, in);
    const bool dualTarget = std::strcmp(processor, dualAreaTarget) == 0;
    if (!dualTarget && std::strcmp(processor, singleAreaTarget) != 0)
        fatalError(err::mcuMismatch, settings.inputName);
    requireWholeRecord();
    if (dualTarget) {
        setFlag(flag::dualArea);
        if (hasFlag(flag::binaryOutput)) fatalError(err::dualAreaBinary);
    } else {
        clearFlag(flag::dualArea);
    }
    // "+d51x" forces the mode after the target check.
    if (hasFlag(flag::forceDualArea)) setFlag(flag::dualArea);
}

// The ASW records, in any order and repeated: the last offset for an index wins.
void readPartOffsets(std::FILE *in) {
    std::int32_t type = readRecordType(in);
    while (type == rec::ASW) {
        std::uint32_t index = 0;
        std::uint32_t offset = 0;
        readTwoNumbers(&index, &offset, in);
        switch (index) {
        case 1: moduleParts.environmentPart = offset; break;
        case 2: moduleParts.sectionPart = offset; break;
        case 5: moduleParts.dataPart = offset; break;
        case 6: moduleParts.trailerPart = offset; break;
        default: break;
        }
        tickProgress();
        type = readRecordType(in);
    }
    unreadRecordType(type, in);
    if (moduleParts.sectionPart == 0 || moduleParts.dataPart == 0 || moduleParts.trailerPart == 0)
        rejectModule();
}

// The first run of ATN records must hold attribute 38 with the value 1: an
// absolute module.
void checkAbsolute(std::FILE *in) {
    std::int32_t type = readRecordType(in);
    while (type == rec::ATN) {
        std::uint32_t attribute = 0;
        capture.length = 0;
        readAttribute(nullptr, nullptr, &attribute, &capture, in);
        requireWholeRecord();
        if (attribute == objectFormatAttribute) {
            if (capture.length < 1 || capture.bytes[0] != absoluteFormat) rejectModule();
            return;
        }
        type = readRecordType(in);
    }
    rejectModule();
}

}  // namespace

void readModuleHeader() {
    std::FILE *in = settings.inputFile;
    moduleParts.sectionPart = 0;
    moduleParts.dataPart = 0;
    moduleParts.trailerPart = 0;
    checkTarget(in);
    // The record after MB (the address descriptor) is passed over whole.
    readRecord(&capture, in);
    requireWholeRecord();
    readPartOffsets(in);
    readRecord(nullptr, in);
    requireWholeRecord();
    checkAbsolute(in);
}
