#include "core/conversion.h"
#include "output/imageEmission.h"

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"
#include "output/imageWriter.h"

namespace {


[[noreturn]] void rejectModule(Conversion &conv) { fatalError(err::illegalFormat, conv.settings.inputName); }

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(Conversion &conv, ImageWriter &writer, std::FILE *in) {
    std::uint32_t sectionIndex = 0;
    conv.capture.length = 0;
    readNumberValue(conv, &sectionIndex, &conv.capture, in);
    std::uint32_t address = 0;
    const int end = parseNumberAt(conv.capture.bytes, 0, &address);
    if (end == 0 || end > conv.capture.length) rejectModule(conv);
    writer.fillTo(address, true);
    if (writer.state.currentAddress != address) writer.flushRecord(address);
    if (conv.settings.has(flag::idCode)) writer.writeGapIdRecords(address);
}

// The bytes of the LD record just captured, `passes` times in succession.
void emitLoadBytes(Conversion &conv, ImageWriter &writer, std::uint32_t passes) {
    const int count = conv.capture.length - 1;  // the first captured byte is the count
    // Data that would run past the end of the 32-bit address space is no image.
    const std::uint64_t last = std::uint64_t{writer.state.currentAddress} +
                               std::uint64_t{passes} * static_cast<std::uint64_t>(count);
    if (last > 0x100000000ULL) rejectModule(conv);
    writer.putRepeatedBytes(ByteSpan(conv.capture.bytes + 1, static_cast<std::size_t>(count)), passes);
}

}  // namespace

void emitUnit(Conversion &conv, ImageWriter &writer, std::uint32_t seek) {
    std::FILE *in = conv.settings.inputFile;
    if (std::fseek(in, static_cast<long>(seek), SEEK_SET) != 0) rejectModule(conv);
    if (readRecordType(conv, in) != rec::ASP) rejectModule(conv);
    moveToUnitAddress(conv, writer, in);

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
            writer.state.dataSeen = true;
            emitLoadBytes(conv, writer, repeatCount > 0 ? repeatCount : 1);
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
