// The one place where the output form chooses its writer.
#include "records/imageWriters.h"

#include "run/conversion.h"
#include "records/binaryImage.h"
#include "records/intelHex.h"
#include "records/sRecord.h"

std::unique_ptr<ImageWriter> makeImageWriter(Conversion &conv, OutputSink *sink, bool mayHoldProtect) {
    const bool holdsProtect = mayHoldProtect && !conv.settings.has(flag::directConvert) &&
                              conv.settings.has(flag::protectPlaced);
    if (conv.settings.has(flag::hexOutput)) return std::make_unique<IntelHexWriter>(conv, *sink, holdsProtect);
    if (conv.settings.has(flag::binaryOutput)) return std::make_unique<BinaryImageWriter>(conv, *sink, holdsProtect);
    return std::make_unique<SRecordWriter>(conv, *sink, holdsProtect);
}
