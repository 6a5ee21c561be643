#include "emission/directConvert.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "run/conversion.h"
#include "common/messages.h"
#include "common/runError.h"
#include "options/runSettings.h"
#include "module/dataPart.h"
#include "module/moduleHeader.h"
#include "module/moduleReader.h"
#include "module/sectionPart.h"
#include "records/imageWriters.h"

namespace {

// Only the module's extent is wanted here: no trees, no progress. Unlike the tree
// path, a section of size 0 counts too.
void scanSectionBounds(Conversion &conv, std::uint32_t sectionPart) {
    ModuleReader reader = readerOf(conv);
    reader.seek(sectionPart);
    while (const std::optional<SectionRecord> section = readSection(reader)) {
        if (!section->loadsNothing()) widenExtent(conv, *section);
    }
}

// What the conversion below writes, counted before it writes anything: the LD
// records of the data part up to its ASG or ME record, each as many times as
// its RE record says. A module that would write more than the address space
// holds is refused here (the malformed-module error); a record the conversion
// refuses ends the count and is refused where it stands.
void countDirectBytes(Conversion &conv, std::uint32_t dataPart) {
    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, dataPart);
    WrittenBytes written(reader);
    written.beginUnit(1);
    countLoads(data, written, CountUntil::dataPartEnd);
    written.endUnit();
}

// The data part in file order: each ASP moves the address, each LD writes its
// bytes there. Nothing is sorted and no gap is filled.
void convertDataPart(Conversion &conv, std::uint32_t dataPart, ImageWriter &writer) {
    writer.writeHeaderRecord();
    ModuleReader reader = readerOf(conv);
    DataPartReader data(reader, dataPart);
    bool loadSeen = false;
    bool limitExceeded = false;
    const std::uint32_t addressEnd = conv.settings.addressLimit + 1;
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
        conv.console.warn(wrn::addressExceeds, conv.settings.addressLimitText);
    writer.closeRecord();
    if (!loadSeen) conv.console.warn(wrn::noObjectData, conv.settings.inputName);
}

}  // namespace

void convertDirect(Conversion &conv) {
    scanSectionBounds(conv, conv.parts.sectionPart);
    if (conv.settings.moduleLoadsNothing())
        fatalError(err::noData, conv.settings.inputName);
    // "-A" with a start only ends where the tree path ends it: at the module's last
    // address, or at a fill end beyond it, so both paths keep the same bytes.
    if (conv.settings.rangeForm == 1) {
        conv.settings.rangeEnd = conv.settings.highestSectionAddress > conv.settings.fillEnd
                                ? conv.settings.highestSectionAddress
                                : conv.settings.fillEnd;
    }
    countDirectBytes(conv, conv.parts.dataPart);
    const std::unique_ptr<ImageWriter> writer = makeImageWriter(conv, conv.outputs.stream(OutputRole::image), true);
    convertDataPart(conv, conv.parts.dataPart, *writer);
    writer->writeSecurityRecords();
    writer->writeEndRecord(conv.parts.trailerPart);
}
