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

RecordCapture capture;

[[noreturn]] void rejectModule() { fatalError(err::illegalFormat, settings.inputName); }

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(std::FILE *in) {
    std::uint32_t sectionIndex = 0;
    capture.length = 0;
    readNumberValue(&sectionIndex, &capture, in);
    std::uint32_t address = 0;
    const int end = parseNumberAt(capture.bytes, 0, &address);
    if (end == 0 || end > capture.length) rejectModule();
    fillTo(address, true);
    if (recordState.currentAddress != address) flushRecord(address, recordState.currentOutput);
    if (hasFlag(flag::idCode)) writeGapIdRecords(address);
}

// The bytes of the LD record just captured, `passes` times in succession.
void emitLoadBytes(std::uint32_t passes) {
    const int count = capture.length - 1;  // the first captured byte is the count
    // Data that would run past the end of the 32-bit address space is no image.
    const std::uint64_t last = std::uint64_t{recordState.currentAddress} +
                               std::uint64_t{passes} * static_cast<std::uint64_t>(count);
    if (last > 0x100000000ULL) rejectModule();
    putRepeatedBytes(capture.bytes + 1, static_cast<std::uint32_t>(count), passes,
                     recordState.currentOutput);
}

}  // namespace

void emitUnit(std::uint32_t seek) {
    std::FILE *in = settings.inputFile;
    if (std::fseek(in, static_cast<long>(seek), SEEK_SET) != 0) rejectModule();
    if (readRecordType(in) != rec::ASP) rejectModule();
    moveToUnitAddress(in);

    std::uint32_t repeatCount = 0;
    for (;;) {
        const std::int32_t type = readRecordType(in);
        // The next ASP record begins another unit, emitted in its own turn, so
        // every byte of the module is written once.
        if (type == rec::SB || type == rec::ME || type == rec::ASP) break;
        switch (type) {
        case rec::LD:
            readLoadBytes(&capture, in);
            if (std::feof(in)) rejectModule();
            recordState.dataSeen = 1;
            emitLoadBytes(repeatCount > 0 ? repeatCount : 1);
            repeatCount = 0;
            break;
        case rec::RE:
            readNumber(&repeatCount, in);
            if (std::feof(in)) rejectModule();
            break;
        case rec::ASG:
            readValue(nullptr, 1, in);
            break;
        default:
            rejectModule();
        }
    }

    recordState.lastDataAddress = recordState.currentAddress;
    if (recordState.currentAddress > settings.addressLimit + 1)
        warn(wrn::addressExceeds, settings.addressLimitText);
    if (recordState.recordFill > 0) flushRecord(recordState.currentAddress, recordState.currentOutput);
}

void emitFile(UnitTree &units, std::FILE *stream) {
    bufferOutput(stream);
    if (hasFlag(flag::binaryOutput))
        writeBinaryHeader(stream);
    else if (!hasFlag(flag::hexOutput))
        writeHeaderRecord(stream);
    recordState.currentOutput = stream;
    for (const UnitNode &unit : walkUnits(units)) emitUnit(unit.seek);
    if (hasFlag(flag::rangeGiven)) {
        fillTo(settings.rangeEnd + 1, false);
        flushRecord(recordState.currentAddress, recordState.currentOutput);
    }
}

void emitImage() {
    const std::uint32_t trailerPart = moduleParts.trailerPart;
    if (!hasFlag(flag::dualArea)) {
        emitFile(normUnitRoot, settings.outputFile);
        writeSecurityRecords(settings.outputFile);
        writeEndRecord(trailerPart, settings.outputFile);
        return;
    }
    // The CODE file gets no security records.
    emitFile(codeUnitRoot, settings.codeOutputFile);
    writeEndRecord(trailerPart, settings.codeOutputFile);
    if (recordState.dataSeen == 0) warn(wrn::noCodeData, settings.inputName);

    // The fill's progress carries over into the second file; the record state does not.
    resetRecordState();
    emitFile(romdataUnitRoot, settings.romdataOutputFile);
    writeSecurityRecords(settings.romdataOutputFile);
    writeEndRecord(trailerPart, settings.romdataOutputFile);
    if (recordState.dataSeen == 0) warn(wrn::noRomdataData, settings.inputName);
}
