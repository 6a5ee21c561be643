#include "core/conversion.h"
#include "output/imageEmission.h"

#include <span>

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/dataPart.h"
#include "ieee695/moduleReader.h"
#include "output/gapFill.h"
#include "output/recordWriter.h"
#include "output/securityRecords.h"

namespace {

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(Conversion &conv, std::uint32_t address) {
    fillTo(conv, address, true);
    if (conv.recordState.currentAddress != address) flushRecord(conv, address, conv.recordState.currentOutput);
    if (conv.settings.has(flag::idCode)) writeGapIdRecords(conv, address);
}

// The bytes of an LD record, `passes` times in succession.
void emitLoadBytes(Conversion &conv, std::span<const std::uint8_t> bytes, std::uint32_t passes) {
    const std::size_t count = bytes.size();
    // Data that would run past the end of the 32-bit address space is no image.
    const std::uint64_t last = std::uint64_t{conv.recordState.currentAddress} +
                               std::uint64_t{passes} * static_cast<std::uint64_t>(count);
    if (last > 0x100000000ULL) rejectModule(conv.settings.inputName);
    putRepeatedBytes(conv, bytes.data(), static_cast<std::uint32_t>(count), passes,
                     conv.recordState.currentOutput);
}

}  // namespace

void emitUnit(Conversion &conv, std::uint32_t seek) {
    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, seek);
    if (data.next().type != rec::ASP) reader.reject();
    moveToUnitAddress(conv, data.readUnit().address);

    for (;;) {
        const DataRecord record = data.next();
        // The next ASP record begins another unit, emitted in its own turn, so
        // every byte of the module is written once.
        if (record.type == rec::SB || record.type == rec::ME || record.type == rec::ASP) break;
        if (record.type == rec::LD) {
            conv.recordState.dataSeen = 1;
            emitLoadBytes(conv, record.bytes, record.passes);
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
        emitFile(conv, conv.trees.normUnitRoot, conv.settings.outputFile);
        writeSecurityRecords(conv, conv.settings.outputFile);
        writeEndRecord(conv, trailerPart, conv.settings.outputFile);
        return;
    }
    // The CODE file gets no security records.
    emitFile(conv, conv.trees.codeUnitRoot, conv.settings.codeOutputFile);
    writeEndRecord(conv, trailerPart, conv.settings.codeOutputFile);
    if (conv.recordState.dataSeen == 0) warn(conv, wrn::noCodeData, conv.settings.inputName);

    // The fill's progress carries over into the second file; the record state does not.
    resetRecordState(conv);
    emitFile(conv, conv.trees.romdataUnitRoot, conv.settings.romdataOutputFile);
    writeSecurityRecords(conv, conv.settings.romdataOutputFile);
    writeEndRecord(conv, trailerPart, conv.settings.romdataOutputFile);
    if (conv.recordState.dataSeen == 0) warn(conv, wrn::noRomdataData, conv.settings.inputName);
}
