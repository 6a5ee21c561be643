#include "core/conversion.h"
#include "driver/runSettings.h"
#include "output/recordWriter.h"


void resetRecordState(Conversion &conv) {
    conv.recordState.recordAddress = 0;
    conv.recordState.recordFill = 0;
    conv.recordState.dataSeen = 0;
    conv.settings.recordLength = conv.settings.has(flag::longRecords) ? 32 : 16;
    // 0xFFFFFF means no address yet: the first ASP always differs from it.
    conv.recordState.currentAddress = 0xFFFFFF;
    conv.recordState.lastUpperAddress = 0xFFFFFF;
    // A new output file holds no security byte yet and has no binary bounds.
    conv.recordState.securityWritten = 0;
    conv.recordState.imageBounded = false;
    conv.recordState.imageStart = 0;
    conv.recordState.imageEnd = 0;
    conv.recordState.imageNext = 0;
    conv.recordState.outsideDataReported = false;
}
