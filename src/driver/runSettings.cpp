#include "driver/runSettings.h"

#include "diag/memory.h"

RunSettings settings;

void initRunSettings() {
    settings.flags = 0;
    settings.entryText[0] = '\0';
    settings.entryAddress = 0;
    settings.outputName = nullptr;
    settings.inputName = nullptr;
    settings.inputFile = nullptr;
    settings.inputStem = nullptr;
    settings.inputDir = nullptr;
    settings.outputHasExtension = 0;
    settings.outputFileName.clear();
    settings.outputFile = nullptr;
    settings.codeOutputName.clear();
    settings.codeOutputFile = nullptr;
    settings.romdataOutputName.clear();
    settings.romdataOutputFile = nullptr;
    settings.debugName.clear();
    settings.debugFile = nullptr;
    settings.idReportName.clear();
    settings.idReportFile = nullptr;
    settings.rangeForm = 0;
    settings.rangeStart = 0;
    settings.rangeEnd = 0;
    settings.fillForm = 0;
    settings.fillStart = 0;
    settings.fillEnd = 0;
    settings.fillState = 0;
    settings.fillByte = 0xFF;
    settings.highestSectionAddress = 0;
    settings.lowestSectionAddress = 0xFFFFFF;
    settings.progressTicks = 0;
    settings.progressSkip = 0;
    settings.readingPhase = 1;
    settings.addressLimit = 0xFFFFF;
    settings.addressLimitText = copyText("0FFFFFH");
    settings.targetKind = 1;
}
