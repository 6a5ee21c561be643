#include "core/conversion.h"
#include "output/directConvert.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "diag/messages.h"
#include "diag/termination.h"
#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/dataPart.h"
#include "ieee695/moduleReader.h"
#include "ieee695/sectionPart.h"
#include "output/recordWriter.h"
#include "output/securityRecords.h"

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

// The data part in file order: each ASP moves the address, each LD writes its
// bytes there. Nothing is sorted and no gap is filled.
void convertDataPart(Conversion &conv, std::uint32_t dataPart, std::FILE *stream) {
    bufferOutput(conv, stream);
    if (!conv.settings.has(flag::hexOutput)) writeHeaderRecord(stream);
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
            if (conv.recordState.currentAddress != address) flushRecord(conv, address, stream);
            break;
        }
        case rec::LD:
            loadSeen = true;
            putRepeatedBytes(conv, record.bytes.data(), static_cast<std::uint32_t>(record.bytes.size()),
                             record.passes, stream);
            if (conv.recordState.currentAddress > addressEnd) limitExceeded = true;
            break;
        default:
            break;  // SB: the next ASP places the bytes; records run on across sections
        }
    }
    if (limitExceeded || conv.recordState.currentAddress > addressEnd)
        warn(conv, wrn::addressExceeds, conv.settings.addressLimitText);
    if (conv.recordState.recordFill > 0) flushRecord(conv, 0, stream);
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
    std::FILE *out = conv.settings.outputFile;
    conv.recordState.currentOutput = out;
    convertDataPart(conv, conv.parts.dataPart, out);
    writeSecurityRecords(conv, out);
    writeEndRecord(conv, conv.parts.trailerPart, out);
}
