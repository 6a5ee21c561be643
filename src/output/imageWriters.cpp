// The one place where the output form chooses its writer.
#include "output/imageWriters.h"

#include "core/conversion.h"
#include "output/binaryImage.h"
#include "output/intelHex.h"
#include "output/sRecord.h"

std::unique_ptr<ImageWriter> makeImageWriter(Conversion &conv, OutputSink *sink, bool mayHoldProtect) {
    const bool holdsProtect = mayHoldProtect && !conv.settings.has(flag::directConvert) &&
                              conv.settings.has(flag::protectPlaced);
    if (conv.settings.has(flag::hexOutput)) return std::make_unique<IntelHexWriter>(conv, *sink, holdsProtect);
    if (conv.settings.has(flag::binaryOutput)) return std::make_unique<BinaryImageWriter>(conv, *sink, holdsProtect);
    return std::make_unique<SRecordWriter>(conv, *sink, holdsProtect);
}
