#include "driver/runSettings.h"
#include "output/recordWriter.h"

RecordState recordState;

void resetRecordState() {
    recordState.recordAddress = 0;
    recordState.recordFill = 0;
    recordState.dataSeen = 0;
    settings.recordLength = hasFlag(flag::longRecords) ? 32 : 16;
    // 0xFFFFFF means no address yet: the first ASP always differs from it.
    recordState.currentAddress = 0xFFFFFF;
    recordState.lastUpperAddress = 0xFFFFFF;
    // A new output file holds no security byte yet and has no binary bounds.
    recordState.securityWritten = 0;
    recordState.imageBounded = false;
    recordState.imageStart = 0;
    recordState.imageEnd = 0;
    recordState.imageNext = 0;
    recordState.outsideDataReported = false;
}
