#include "core/conversion.h"
#include "output/imageEmission.h"

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"
#include "output/gapFill.h"
#include "output/recordWriter.h"
#include "output/securityRecords.h"

namespace {


[[noreturn]] void rejectModule(Conversion &conv) { fatalError(err::illegalFormat, conv.settings.inputName); }

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(Conversion &conv, std::FILE *in) {
    std::uint32_t sectionIndex = 0;
    conv.capture.length = 0;
    readNumberValue(conv, &sectionIndex, &conv.capture, in);
    std::uint32_t address = 0;
    const int end = parseNumberAt(conv.capture.bytes, 0, &address);
    if (end == 0 || end > conv.capture.length) rejectModule(conv);
    fillTo(conv, address, true);
    if (conv.recordState.currentAddress != address) flushRecord(conv, address, conv.recordState.currentOutput);
    if (conv.settings.has(flag::idCode)) writeGapIdRecords(conv, address);
}

// The bytes of the LD record just captured, `passes` times in succession.
void emitLoadBytes(Conversion &conv, std::uint32_t passes) {
    const int count = conv.capture.length - 1;  // the first captured byte is the count
    // Data that would run past the end of the 32-bit address space is no image.
    const std::uint64_t last = std::uint64_t{conv.recordState.currentAddress} +
                               std::uint64_t{passes} * static_cast<std::uint64_t>(count);
    if (last > 0x100000000ULL) rejectModule(conv);
    putRepeatedBytes(conv, conv.capture.bytes + 1, static_cast<std::uint32_t>(count), passes,
                     conv.recordState.currentOutput);
}

}  // namespace

void emitUnit(Conversion &conv, std::uint32_t seek) {
    std::FILE *in = conv.settings.inputFile;
    if (std::fseek(in, static_cast<long>(seek), SEEK_SET) != 0) rejectModule(conv);
    if (readRecordType(conv, in) != rec::ASP) rejectModule(conv);
    moveToUnitAddress(conv, in);

    std::uint32_t repeatCount = 0;
    for (;;) {
        const std::int32_t type = readRecordType(conv, in);
        // The next ASP record begins another unit, emitted in its own turn, so
        // every byte of the module is written once.
        if (type == rec::SB || type == rec::ME || type == rec::ASP) break;
        switch (type) {
        case rec::LD:
            readLoadBytes(conv, &conv.capture, in);
            if (std::feof(in)) rejectModule(conv);
            conv.recordState.dataSeen = 1;
            emitLoadBytes(conv, repeatCount > 0 ? repeatCount : 1);
            repeatCount = 0;
            break;
        case rec::RE:
            readNumber(conv, &repeatCount, in);
            if (std::feof(in)) rejectModule(conv);
            break;
        case rec::ASG:
            readValue(conv, nullptr, 1, in);
            break;
        default:
            rejectModule(conv);
        }
    }

    conv.recordState.lastDataAddress = conv.recordState.currentAddress;
    if (conv.recordState.currentAddress > conv.settings.addressLimit + 1)
        warn(conv, wrn::addressExceeds, conv.settings.addressLimitText);
    if (conv.recordState.recordFill > 0) flushRecord(conv, conv.recordState.currentAddress, conv.recordState.currentOutput);
}

void emitFile(Conversion &conv, UnitTree &units, std::FILE *stream) {
    bufferOutput(conv, stream);
    if (conv.settings.has(flag::binaryOutput))
        writeBinaryHeader(conv, stream);
    else if (!conv.settings.has(flag::hexOutput))
        writeHeaderRecord(stream);
    conv.recordState.currentOutput = stream;
    for (const UnitNode &unit : walkUnits(units)) emitUnit(conv, unit.seek);
    if (conv.settings.has(flag::rangeGiven)) {
        fillTo(conv, conv.settings.rangeEnd + 1, false);
        flushRecord(conv, conv.recordState.currentAddress, conv.recordState.currentOutput);
    }
}

void emitImage(Conversion &conv) {
    const std::uint32_t trailerPart = conv.parts.trailerPart;
    if (!conv.settings.has(flag::dualArea)) {
        emitFile(conv, conv.trees.normUnitRoot, conv.outputs.stream(OutputRole::image));
        writeSecurityRecords(conv, conv.outputs.stream(OutputRole::image));
        writeEndRecord(conv, trailerPart, conv.outputs.stream(OutputRole::image));
        return;
    }
    // The CODE file gets no security records.
    emitFile(conv, conv.trees.codeUnitRoot, conv.outputs.stream(OutputRole::code));
    writeEndRecord(conv, trailerPart, conv.outputs.stream(OutputRole::code));
    if (conv.recordState.dataSeen == 0) warn(conv, wrn::noCodeData, conv.settings.inputName);

    // The fill's progress carries over into the second file; the record state does not.
    resetRecordState(conv);
    emitFile(conv, conv.trees.romdataUnitRoot, conv.outputs.stream(OutputRole::romdata));
    writeSecurityRecords(conv, conv.outputs.stream(OutputRole::romdata));
    writeEndRecord(conv, trailerPart, conv.outputs.stream(OutputRole::romdata));
    if (conv.recordState.dataSeen == 0) warn(conv, wrn::noRomdataData, conv.settings.inputName);
}
