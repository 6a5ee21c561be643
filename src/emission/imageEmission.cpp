#include "emission/imageEmission.h"

#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "module/dataPart.h"
#include "module/moduleReader.h"
#include "output/outputSet.h"
#include "plan/imagePlan.h"
#include "records/imageWriters.h"

namespace {

// The ASP record that opens the unit: fill the gap up to its address, move there,
// and give the ID bytes that the move skipped their own records.
void moveToUnitAddress(const ImagePlan &plan, ImageWriter &writer, std::uint32_t address) {
    writer.fillTo(address, true);
    if (writer.state.currentAddress != address) writer.flushRecord(address);
    if (plan.security.has(flag::idCode)) writer.writeGapIdRecords(address);
}

// Data that would run past the end of the 32-bit address space is no image.
constexpr std::uint64_t addressSpace = 0x100000000ULL;
bool pastAddressSpace(std::uint32_t address, std::uint64_t count) { return address + count > addressSpace; }

// Writes the units of one file. The short LD records of a unit, the usual ones,
// are gathered into one run before they reach the writer: a run gives the same
// records however it is cut, and it is handed on before anything else happens.
class UnitEmitter {
public:
    UnitEmitter(const ImagePlan &plan, const WriterContext &context, ImageWriter &writer)
        : plan_(plan), context_(context), writer_(writer), reader_(readerOf(context.module)) {}

    void emitUnit(std::uint32_t seek);

private:
    static constexpr std::size_t gatherLimit = 128;  // longer records go to the writer as they are

    void gather(std::span<const std::uint8_t> bytes);
    void handOn() {
        if (gathered_ == 0) return;
        writer_.putImageBytes(ByteSpan(run_, gathered_));
        gathered_ = 0;
    }
    [[noreturn]] void reject() {
        handOn();
        reader_.reject();
    }

    const ImagePlan &plan_;
    const WriterContext &context_;
    ImageWriter &writer_;
    ModuleReader reader_;
    std::string exceedsWarning_;  // every unit above the limit repeats it: made once
    std::size_t gathered_ = 0;
    static constexpr std::size_t runSize = 4096;
    std::uint8_t run_[runSize + ModuleReader::copySlack];
};

void UnitEmitter::gather(std::span<const std::uint8_t> bytes) {
    const std::uint32_t address = writer_.state.currentAddress + static_cast<std::uint32_t>(gathered_);
    if (pastAddressSpace(address, bytes.size())) reject();
    if (bytes.size() >= gatherLimit) {
        handOn();
        writer_.putImageBytes(bytes);
        return;
    }
    if (gathered_ + bytes.size() > runSize) handOn();
    std::memcpy(run_ + gathered_, bytes.data(), bytes.size());
    gathered_ += bytes.size();
}

void UnitEmitter::emitUnit(std::uint32_t seek) {
    DataPartReader data(reader_, seek);
    if (reader_.readRecordType() != rec::ASP) reader_.reject();
    moveToUnitAddress(plan_, writer_, reader_.readIndexedValue().value);

    for (;;) {
        if (gathered_ == runSize) handOn();
        // The short records in a row, up to the end of the address space.
        const std::uint32_t address = writer_.state.currentAddress + static_cast<std::uint32_t>(gathered_);
        const std::uint64_t room = gathered_ + (addressSpace - address);
        // What stopped them is read below, without trying them again.
        if (data.copyShortLoads(run_, gathered_, room < runSize ? room : runSize, gatherLimit))
            writer_.state.dataSeen = true;
        std::span<const std::uint8_t> bytes;
        // An interrupt at a record's safe point comes after the records before it.
        if (context_.module.cancel.raised()) handOn();
        if (data.nextPlainLoad(bytes)) {
            writer_.state.dataSeen = true;
            gather(bytes);
            continue;
        }
        handOn();
        const DataRecord record = data.next();
        // The next ASP record begins another unit, emitted in its own turn, so
        // every byte of the module is written once.
        if (record.type == rec::SB || record.type == rec::ME || record.type == rec::ASP) break;
        if (record.type == rec::LD) {
            writer_.state.dataSeen = true;
            if (pastAddressSpace(writer_.state.currentAddress, std::uint64_t{record.passes} * record.bytes.size()))
                reject();
            writer_.putRepeatedBytes(record.bytes, record.passes);
        }
    }

    writer_.state.dataEnd = writer_.state.currentAddress;
    if (writer_.state.currentAddress > plan_.settings.addressLimit + 1) {
        if (exceedsWarning_.empty())
            exceedsWarning_ = warningLine(wrn::addressExceeds, plan_.settings.addressLimitText);
        context_.console.warnLine(wrn::addressExceeds, exceedsWarning_);
    }
    writer_.closeRecord();
}

}  // namespace

void emitFile(const ImagePlan &plan, const WriterContext &context, const UnitList &units, ImageWriter &writer) {
    writer.writeHeaderRecord();
    UnitEmitter emitter(plan, context, writer);
    UnitWalk walk(units);
    const UnitEntry *unit = nullptr;
    std::uint32_t place = 0;
    while (walk.next(unit, place)) emitter.emitUnit(unit->seek);
    if (plan.range.clipsToRange) {
        writer.fillTo(plan.range.rangeEnd + 1, false);
        writer.flushRecord(writer.state.currentAddress);
    }
}

void emitImage(const ImagePlan &plan, const ModuleLayout &layout, const ModuleParts &parts,
               const WriterContext &context, const OutputSet &outputs) {
    const std::uint32_t trailerPart = parts.trailerPart;
    if (!plan.dualArea) {
        const std::unique_ptr<ImageWriter> writer =
            makeImageWriter(plan, context, *outputs.stream(OutputRole::image), true);
        emitFile(plan, context, layout.normUnits, *writer);
        writer->writeSecurityRecords();
        writer->writeEndRecord(trailerPart);
        return;
    }
    // The CODE file never holds the protect byte and gets no security records.
    const std::unique_ptr<ImageWriter> code = makeImageWriter(plan, context, *outputs.stream(OutputRole::code), false);
    emitFile(plan, context, layout.codeUnits, *code);
    code->writeEndRecord(trailerPart);
    if (!code->state.dataSeen) context.console.warn(wrn::noCodeData, context.module.name);

    // The fill's progress carries over into the second file; the record state
    // does not, but for the address of the last byte stored.
    const std::unique_ptr<ImageWriter> romdata =
        makeImageWriter(plan, context, *outputs.stream(OutputRole::romdata), true);
    romdata->state.dataEnd = code->state.dataEnd;
    emitFile(plan, context, layout.romdataUnits, *romdata);
    romdata->writeSecurityRecords();
    romdata->writeEndRecord(trailerPart);
    if (!romdata->state.dataSeen) context.console.warn(wrn::noRomdataData, context.module.name);
}
