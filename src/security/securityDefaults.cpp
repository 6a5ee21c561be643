#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"
#include "security/targetFamily.h"

void initSecurityDefaults() {
    clearFlag(flag::idCode | flag::protectDefault | flag::protect1 | flag::protect2 |
              flag::protectX | flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX | flag::tq8Target);
    applyTargetFamily(tq40Family);
    for (std::uint32_t &entry : settings.idBytes) entry = 0;
    settings.idText = nullptr;
    settings.protectValue = 0xFF;
    settings.moduleIdState = 0;
    settings.moduleProtectValue = 0;
    settings.moduleIdText[0] = '\0';
    settings.idReportName.clear();
    settings.idReportFile = nullptr;
    recordState.lastDataAddress = 0;
}
