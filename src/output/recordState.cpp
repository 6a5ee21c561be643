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
}
