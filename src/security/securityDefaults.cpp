#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {
// Low address byte of each ID byte within the ID page.
const std::uint32_t idLowBytes[idByteCount] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};
}  // namespace

void initSecurityDefaults() {
    clearFlag(flag::idCode | flag::protectDefault | flag::protect1 | flag::protect2 |
              flag::protectX | flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX | flag::tq8Target);
    settings.idAreaBase = 0xFFF00;
    for (int i = 0; i < idByteCount; ++i) {
        settings.idBytes[i] = 0;
        settings.idAddressLow[i] = idLowBytes[i];
        settings.idAddresses[i] = settings.idAreaBase + idLowBytes[i];
    }
    settings.idText = nullptr;
    settings.securityHighByte = 0x0F;
    settings.securityMidByte = 0xFF;
    settings.protectAddress = 0xFFFFF;
    settings.protectChecksumBase = 0x212;
    settings.protect1Record = "S2050FFFFF3FAE\n";
    settings.protect2Record = "S2050FFFFFF3FA\n";
    settings.protectDefaultRecord = "S2050FFFFFFFEE\n";
    settings.protectValue = 0xFF;
    settings.moduleIdState = 0;
    settings.moduleProtectValue = 0;
    settings.moduleIdText[0] = '\0';
    settings.idReportName[0] = '\0';
    settings.idReportFile = nullptr;
    recordState.lastDataAddress = 0;
}
