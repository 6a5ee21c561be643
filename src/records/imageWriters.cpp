// The one place where the output form chooses its writer.
#include "records/imageWriters.h"

#include "options/runSettings.h"
#include "plan/imagePlan.h"
#include "records/binaryImage.h"
#include "records/intelHex.h"
#include "records/sRecord.h"

std::unique_ptr<ImageWriter> makeImageWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink,
                                             bool mayHoldProtect) {
    const bool holdsProtect = mayHoldProtect && !plan.settings.has(flag::directConvert) &&
                              plan.security.has(flag::protectPlaced);
    if (plan.settings.has(flag::hexOutput)) return std::make_unique<IntelHexWriter>(plan, context, sink, holdsProtect);
    if (plan.settings.has(flag::binaryOutput))
        return std::make_unique<BinaryImageWriter>(plan, context, sink, holdsProtect);
    return std::make_unique<SRecordWriter>(plan, context, sink, holdsProtect);
}
