#include "core/conversion.h"
#include "output/directConvert.h"

#include <cstdint>
#include <cstdio>

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"
#include "output/imageWriter.h"

namespace {

constexpr std::uint32_t letterD = 0xC4;  // last type letter of sections that load nothing

// One capture serves every record of this path; only the current record matters.

[[noreturn]] void rejectModule(Conversion &conv) { fatalError(err::illegalFormat, conv.settings.inputName); }

// A record longer than the reader's log was not read whole.
void requireWholeRecord(Conversion &conv) {
    if (conv.log.overflowed) rejectModule(conv);
}

// The value that the last reader call captured must be a plain number: an
// address or a size is never guessed from an expression or an omitted field.
// The tree reader applies the same rule, so both paths accept the same modules.
std::uint32_t capturedNumber(Conversion &conv) {
    requireWholeRecord(conv);
    std::uint32_t value = 0;
    if (!readPlainNumber(conv.capture, &value)) rejectModule(conv);
    return value;
}

// Reads the ASS or ASL record that must come next and returns its value.
std::uint32_t readSectionValue(Conversion &conv, std::int32_t expectedType) {
    std::uint32_t sectionIndex = 0;
    conv.capture.length = 0;
    if (readTypeNumberValue(conv, &sectionIndex, &conv.capture, conv.settings.inputFile) != expectedType)
        rejectModule(conv);
    return capturedNumber(conv);
}

// Only the module's extent is wanted here: no trees, no progress. Unlike the tree
// path, a section of size 0 counts too.
void scanSectionBounds(Conversion &conv, std::uint32_t sectionPart) {
    std::FILE *in = conv.settings.inputFile;
    std::fseek(in, static_cast<long>(sectionPart), SEEK_SET);
    std::uint32_t index = 0;
    std::uint32_t letters = 0;
    char name[nameBufferSize];
    while (readRecordType(conv, in) == rec::ST) {
        if (readSectionType(conv, &index, &letters, name, sizeof name, nullptr, in) == badItem)
            rejectModule(conv);
        requireWholeRecord(conv);
        readRecord(conv, nullptr, in);  // the record between ST and ASS is not looked at
        requireWholeRecord(conv);
        const std::uint32_t size = readSectionValue(conv, rec::ASS);
        const std::uint32_t base = readSectionValue(conv, rec::ASL);
        if ((letters & 0xFF) == letterD) continue;
        if (base + size > 0x100000) conv.settings.set(flag::above1MB);
        const std::uint32_t last = base + size - 1;
        if (last > conv.settings.highestSectionAddress) conv.settings.highestSectionAddress = last;
        if (base < conv.settings.lowestSectionAddress) conv.settings.lowestSectionAddress = base;
    }
}

// The data part in file order: each ASP moves the address, each LD writes its
// bytes there. Nothing is sorted and no gap is filled.
void convertDataPart(Conversion &conv, std::uint32_t dataPart, ImageWriter &writer) {
    writer.writeHeaderRecord();
    std::FILE *in = conv.settings.inputFile;
    std::fseek(in, static_cast<long>(dataPart), SEEK_SET);
    std::uint32_t repeatCount = 0;
    bool loadSeen = false;
    bool limitExceeded = false;
    const std::uint32_t addressEnd = conv.settings.addressLimit + 1;
    for (;;) {
        const std::int32_t type = readRecordType(conv, in);
        if (type == rec::ASG || type == rec::ME) break;
        switch (type) {
        case rec::ASP: {
            std::uint32_t sectionIndex = 0;
            conv.capture.length = 0;
            readNumberValue(conv, &sectionIndex, &conv.capture, in);
            const std::uint32_t address = capturedNumber(conv);
            if (writer.state.currentAddress != address) writer.flushRecord(address);
            break;
        }
        case rec::LD:
            readLoadBytes(conv, &conv.capture, in);
            loadSeen = true;
            writer.putRepeatedBytes(ByteSpan(conv.capture.bytes + 1, static_cast<std::size_t>(conv.capture.length - 1)),
                                    repeatCount > 0 ? repeatCount : 1);
            repeatCount = 0;
            if (writer.state.currentAddress > addressEnd) limitExceeded = true;
            break;
        case rec::RE:
            readNumber(conv, &repeatCount, in);
            break;
        case rec::SB:
            // The next ASP places the bytes; records run on across sections.
            readNumber(conv, nullptr, in);
            break;
        default:
            rejectModule(conv);
        }
    }
    if (limitExceeded || writer.state.currentAddress > addressEnd)
        warn(conv, wrn::addressExceeds, conv.settings.addressLimitText);
    writer.closeRecord();
    if (!loadSeen) warn(conv, wrn::noObjectData, conv.settings.inputName);
}

}  // namespace

void convertDirect(Conversion &conv) {
    scanSectionBounds(conv, conv.parts.sectionPart);
    if (conv.settings.highestSectionAddress == 0 && conv.settings.lowestSectionAddress == 0xFFFFFF)
        fatalError(err::noData, conv.settings.inputName);
    // "-A" with a start only ends where the tree path ends it: at the module's last
    // address, or at a fill end beyond it, so both paths keep the same bytes.
    if (conv.settings.rangeForm == 1) {
        conv.settings.rangeEnd = conv.settings.highestSectionAddress > conv.settings.fillEnd
                                ? conv.settings.highestSectionAddress
                                : conv.settings.fillEnd;
    }
    const std::unique_ptr<ImageWriter> writer = makeImageWriter(conv, conv.outputs.stream(OutputRole::image), true);
    convertDataPart(conv, conv.parts.dataPart, *writer);
    writer->writeSecurityRecords();
    writer->writeEndRecord(conv.parts.trailerPart);
}
