#include "options/runSettings.h"

void initRunSettings(RunSettings &settings) {
    // Every field, the texts included, starts afresh; the start values follow.
    settings = RunSettings{};
    settings.flags = 0;
    settings.entryText[0] = '\0';
    settings.rangeForm = 0;
    settings.rangeStart = 0;
    settings.rangeEnd = 0;
    settings.fillForm = 0;
    settings.fillStart = 0;
    settings.fillEnd = 0;
    settings.fillState = 0;
    settings.fillByte = 0xFF;
    settings.recordLength = 16;
    settings.highestSectionAddress = 0;
    settings.lowestSectionAddress = 0xFFFFFF;
    settings.addressLimit = 0xFFFFF;
    settings.addressLimitText = "0FFFFFH";
    settings.targetKind = 1;
}
