#include "output/imageEmission.h"

#include <span>

#include "core/conversion.h"
#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/dataPart.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/moduleReader.h"
#include "output/imageWriter.h"

namespace {

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(Conversion &conv, ImageWriter &writer, std::uint32_t address) {
    writer.fillTo(address, true);
    if (writer.state.currentAddress != address) writer.flushRecord(address);
    if (conv.settings.has(flag::idCode)) writer.writeGapIdRecords(address);
}

// The bytes of an LD record, `passes` times in succession.
void emitLoadBytes(Conversion &conv, ImageWriter &writer, ByteSpan bytes, std::uint32_t passes) {
    const std::size_t count = bytes.size();
    // Data that would run past the end of the 32-bit address space is no image.
    const std::uint64_t last = std::uint64_t{writer.state.currentAddress} +
                               std::uint64_t{passes} * static_cast<std::uint64_t>(count);
    if (last > 0x100000000ULL) rejectModule(conv.settings.inputName.c_str());
    writer.putRepeatedBytes(bytes, passes);
}

}  // namespace

void emitUnit(Conversion &conv, ImageWriter &writer, std::uint32_t seek) {
    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, seek);
    if (data.next().type != rec::ASP) reader.reject();
    moveToUnitAddress(conv, writer, data.readUnit().address);

    for (;;) {
        const DataRecord record = data.next();
        // The next ASP record begins another unit, emitted in its own turn, so
        // every byte of the module is written once.
        if (record.type == rec::SB || record.type == rec::ME || record.type == rec::ASP) break;
        if (record.type == rec::LD) {
            writer.state.dataSeen = true;
            emitLoadBytes(conv, writer, record.bytes, record.passes);
        }
    }

    writer.state.lastDataAddress = writer.state.currentAddress;
    if (writer.state.currentAddress > conv.settings.addressLimit + 1)
        warn(conv, wrn::addressExceeds, conv.settings.addressLimitText);
    writer.closeRecord();
}

void emitFile(Conversion &conv, UnitTree &units, ImageWriter &writer) {
    writer.writeHeaderRecord();
    for (const UnitNode &unit : walkUnits(units)) emitUnit(conv, writer, unit.seek);
    if (conv.settings.has(flag::rangeGiven)) {
        writer.fillTo(conv.settings.rangeEnd + 1, false);
        writer.flushRecord(writer.state.currentAddress);
    }
}

void emitImage(Conversion &conv) {
    const std::uint32_t trailerPart = conv.parts.trailerPart;
    if (!conv.settings.has(flag::dualArea)) {
        const std::unique_ptr<ImageWriter> writer = makeImageWriter(conv, conv.outputs.stream(OutputRole::image), true);
        emitFile(conv, conv.trees.normUnitRoot, *writer);
        writer->writeSecurityRecords();
        writer->writeEndRecord(trailerPart);
        return;
    }
    // The CODE file never holds the protect byte and gets no security records.
    const std::unique_ptr<ImageWriter> code = makeImageWriter(conv, conv.outputs.stream(OutputRole::code), false);
    emitFile(conv, conv.trees.codeUnitRoot, *code);
    code->writeEndRecord(trailerPart);
    if (!code->state.dataSeen) warn(conv, wrn::noCodeData, conv.settings.inputName);

    // The fill's progress carries over into the second file; the record state
    // does not, but for the address of the last byte stored.
    const std::unique_ptr<ImageWriter> romdata = makeImageWriter(conv, conv.outputs.stream(OutputRole::romdata), true);
    romdata->state.lastDataAddress = code->state.lastDataAddress;
    emitFile(conv, conv.trees.romdataUnitRoot, *romdata);
    romdata->writeSecurityRecords();
    romdata->writeEndRecord(trailerPart);
    if (!romdata->state.dataSeen) warn(conv, wrn::noRomdataData, conv.settings.inputName);
}
