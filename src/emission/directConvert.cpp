#include "emission/directConvert.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "module/dataPart.h"
#include "module/moduleReader.h"
#include "module/sectionPart.h"
#include "output/outputSet.h"
#include "plan/imagePlan.h"
#include "records/imageWriters.h"

namespace {

// Only the module's extent is wanted here: no trees, no progress. Unlike the tree
// path, a section of size 0 counts too.
ModuleExtent scanSectionBounds(const ModuleSource &module, std::uint32_t sectionPart) {
    ModuleExtent extent;
    ModuleReader reader = readerOf(module);
    reader.seek(sectionPart);
    while (const std::optional<SectionRecord> section = readSection(reader)) {
        if (!section->loadsNothing()) extent = widenExtent(extent, *section);
    }
    return extent;
}

// What the conversion below writes, counted before it writes anything: the LD
// records of the data part up to its ASG or ME record, each as many times as
// its RE record says. A module that would write more than the address space
// holds is refused here (the malformed-module error); a record the conversion
// refuses ends the count and is refused where it stands.
void countDirectBytes(const ModuleSource &module, std::uint32_t dataPart) {
    ModuleReader reader = readerOf(module);
    DataPartReader data(reader, dataPart);
    WrittenBytes written(reader);
    written.beginUnit(1);
    countLoads(data, written, CountUntil::dataPartEnd);
    written.endUnit();
}

// The data part in file order: each ASP moves the address, each LD writes its
// bytes there. Nothing is sorted and no gap is filled.
void convertDataPart(const ImagePlan &plan, const WriterContext &context, std::uint32_t dataPart,
                     ImageWriter &writer) {
    writer.writeHeaderRecord();
    ModuleReader reader = readerOf(context.module);
    DataPartReader data(reader, dataPart);
    bool loadSeen = false;
    bool limitExceeded = false;
    const std::uint32_t addressEnd = plan.settings.addressLimit + 1;
    for (;;) {
        const DataRecord record = data.next();
        if (record.type == rec::ASG || record.type == rec::ME) break;
        switch (record.type) {
        case rec::ASP: {
            const std::uint32_t address = data.readUnit().address;
            if (writer.state.currentAddress != address) writer.flushRecord(address);
            break;
        }
        case rec::LD:
            loadSeen = true;
            writer.putRepeatedBytes(record.bytes, record.passes);
            if (writer.state.currentAddress > addressEnd) limitExceeded = true;
            break;
        default:
            break;  // SB: the next ASP places the bytes; records run on across sections
        }
    }
    if (limitExceeded || writer.state.currentAddress > addressEnd)
        context.console.warn(wrn::addressExceeds, plan.settings.addressLimitText);
    writer.closeRecord();
    if (!loadSeen) context.console.warn(wrn::noObjectData, context.module.name);
}

}  // namespace

ModuleExtent convertDirect(const ImagePlan &options, const ModuleParts &parts, const WriterContext &context,
                           const OutputSet &outputs) {
    const ModuleExtent extent = scanSectionBounds(context.module, parts.sectionPart);
    if (extent.loadsNothing()) fatalError(err::noData, context.module.name);
    // "-A" with a start only ends where the tree path ends it: at the module's last
    // address, or at a fill end beyond it, so both paths keep the same bytes.
    const RangePlan range = closeRangeForDirect(options.range, extent);
    const ImagePlan plan{options.settings, options.names, range, options.security, extent, false};
    countDirectBytes(context.module, parts.dataPart);
    const std::unique_ptr<ImageWriter> writer = makeImageWriter(plan, context, *outputs.stream(OutputRole::image), true);
    convertDataPart(plan, context, parts.dataPart, *writer);
    writer->writeSecurityRecords();
    writer->writeEndRecord(parts.trailerPart);
    return extent;
}
