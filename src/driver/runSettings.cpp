#include "driver/runSettings.h"

#include "core/conversion.h"

void initRunSettings(Conversion &conv) {
    // Every field, the texts included, starts afresh; the start values follow.
    conv.settings = RunSettings{};
    conv.settings.flags = 0;
    conv.settings.entryText[0] = '\0';
    conv.settings.rangeForm = 0;
    conv.settings.rangeStart = 0;
    conv.settings.rangeEnd = 0;
    conv.settings.fillForm = 0;
    conv.settings.fillStart = 0;
    conv.settings.fillEnd = 0;
    conv.settings.fillState = 0;
    conv.settings.fillByte = 0xFF;
    conv.settings.recordLength = 16;
    conv.settings.highestSectionAddress = 0;
    conv.settings.lowestSectionAddress = 0xFFFFFF;
    conv.settings.addressLimit = 0xFFFFF;
    conv.settings.addressLimitText = "0FFFFFH";
    conv.settings.targetKind = 1;
}
