#include "output/directConvert.h"

#include <cstdint>
#include <cstdio>

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"
#include "output/recordWriter.h"
#include "output/securityRecords.h"

namespace {

constexpr std::uint32_t letterD = 0xC4;  // last type letter of sections that load nothing

// One capture serves every record of this path; only the current record matters.
RecordCapture capture;

[[noreturn]] void rejectModule() { fatalError(err::illegalFormat, settings.inputName); }

// A record longer than the reader's log was not read whole.
void requireWholeRecord() {
    if (recordLog.overflowed) rejectModule();
}

// The value that the last reader call captured must be a plain number: an
// address or a size is never guessed from an expression or an omitted field.
// The tree reader applies the same rule, so both paths accept the same modules.
std::uint32_t capturedNumber() {
    requireWholeRecord();
    std::uint32_t value = 0;
    if (!readPlainNumber(capture, &value)) rejectModule();
    return value;
}

// Reads the ASS or ASL record that must come next and returns its value.
std::uint32_t readSectionValue(std::int32_t expectedType) {
    std::uint32_t sectionIndex = 0;
    capture.length = 0;
    if (readTypeNumberValue(&sectionIndex, &capture, settings.inputFile) != expectedType)
        rejectModule();
    return capturedNumber();
}

// Only the module's extent is wanted here: no trees, no progress. Unlike the tree
// path, a section of size 0 counts too.
void scanSectionBounds(std::uint32_t sectionPart) {
    std::FILE *in = settings.inputFile;
    std::fseek(in, static_cast<long>(sectionPart), SEEK_SET);
    std::uint32_t index = 0;
    std::uint32_t letters = 0;
    char name[nameBufferSize];
    while (readRecordType(in) == rec::ST) {
        if (readSectionType(&index, &letters, name, sizeof name, nullptr, in) == badItem)
            rejectModule();
        requireWholeRecord();
        readRecord(nullptr, in);  // the record between ST and ASS is not looked at
        requireWholeRecord();
        const std::uint32_t size = readSectionValue(rec::ASS);
        const std::uint32_t base = readSectionValue(rec::ASL);
        if ((letters & 0xFF) == letterD) continue;
        if (base + size > 0x100000) setFlag(flag::above1MB);
        const std::uint32_t last = base + size - 1;
        if (last > settings.highestSectionAddress) settings.highestSectionAddress = last;
        if (base < settings.lowestSectionAddress) settings.lowestSectionAddress = base;
    }
}

// The data part in file order: each ASP moves the address, each LD writes its
// bytes there. Nothing is sorted and no gap is filled.
void convertDataPart(std::uint32_t dataPart, std::FILE *stream) {
    bufferOutput(stream);
    if (!hasFlag(flag::hexOutput)) writeHeaderRecord(stream);
    std::FILE *in = settings.inputFile;
    std::fseek(in, static_cast<long>(dataPart), SEEK_SET);
    std::uint32_t repeatCount = 0;
    bool loadSeen = false;
    bool limitExceeded = false;
    const std::uint32_t addressEnd = settings.addressLimit + 1;
    for (;;) {
        const std::int32_t type = readRecordType(in);
        if (type == rec::ASG || type == rec::ME) break;
        switch (type) {
        case rec::ASP: {
            std::uint32_t sectionIndex = 0;
            capture.length = 0;
            readNumberValue(&sectionIndex, &capture, in);
            const std::uint32_t address = capturedNumber();
            if (recordState.currentAddress != address) flushRecord(address, stream);
            break;
        }
        case rec::LD:
            readLoadBytes(&capture, in);
            loadSeen = true;
            putRepeatedBytes(capture.bytes + 1, static_cast<std::uint32_t>(capture.length - 1),
                             repeatCount > 0 ? repeatCount : 1, stream);
            repeatCount = 0;
            if (recordState.currentAddress > addressEnd) limitExceeded = true;
            break;
        case rec::RE:
            readNumber(&repeatCount, in);
            break;
        case rec::SB:
            // The next ASP places the bytes; records run on across sections.
            readNumber(nullptr, in);
            break;
        default:
            rejectModule();
        }
    }
    if (limitExceeded || recordState.currentAddress > addressEnd)
        warn(wrn::addressExceeds, settings.addressLimitText);
    if (recordState.recordFill > 0) flushRecord(0, stream);
    if (!loadSeen) warn(wrn::noObjectData, settings.inputName);
}

}  // namespace

void convertDirect() {
    scanSectionBounds(moduleParts.sectionPart);
    if (settings.highestSectionAddress == 0 && settings.lowestSectionAddress == 0xFFFFFF)
        fatalError(err::noData, settings.inputName);
    // "-A" with a start only ends where the tree path ends it: at the module's last
    // address, or at a fill end beyond it, so both paths keep the same bytes.
    if (settings.rangeForm == 1) {
        settings.rangeEnd = settings.highestSectionAddress > settings.fillEnd
                                ? settings.highestSectionAddress
                                : settings.fillEnd;
    }
    std::FILE *out = settings.outputFile;
    recordState.currentOutput = out;
    convertDataPart(moduleParts.dataPart, out);
    writeSecurityRecords(out);
    writeEndRecord(moduleParts.trailerPart, out);
}
