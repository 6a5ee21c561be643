#include "core/conversion.h"
#include "driver/runSettings.h"

#include "core/conversion.h"

#include "diag/memory.h"


void initRunSettings(Conversion &conv) {
    conv.settings.flags = 0;
    conv.settings.entryText[0] = '\0';
    conv.settings.entryAddress = 0;
    conv.settings.outputName = nullptr;
    conv.settings.inputName = nullptr;
    conv.settings.inputFile = nullptr;
    conv.settings.inputStem = nullptr;
    conv.settings.inputDir = nullptr;
    conv.settings.outputHasExtension = 0;
    conv.settings.outputFileName.clear();
    conv.settings.outputFile = nullptr;
    conv.settings.codeOutputName.clear();
    conv.settings.codeOutputFile = nullptr;
    conv.settings.romdataOutputName.clear();
    conv.settings.romdataOutputFile = nullptr;
    conv.settings.debugName.clear();
    conv.settings.debugFile = nullptr;
    conv.settings.idReportName.clear();
    conv.settings.idReportFile = nullptr;
    conv.settings.rangeForm = 0;
    conv.settings.rangeStart = 0;
    conv.settings.rangeEnd = 0;
    conv.settings.fillForm = 0;
    conv.settings.fillStart = 0;
    conv.settings.fillEnd = 0;
    conv.settings.fillState = 0;
    conv.settings.fillByte = 0xFF;
    conv.settings.highestSectionAddress = 0;
    conv.settings.lowestSectionAddress = 0xFFFFFF;
    conv.settings.progressTicks = 0;
    conv.settings.progressSkip = 0;
    conv.settings.readingPhase = 1;
    conv.settings.addressLimit = 0xFFFFF;
    conv.settings.addressLimitText = copyText("0FFFFFH");
    conv.settings.targetKind = 1;
}
