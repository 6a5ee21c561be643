#include "options/runSettings.h"
#include "run/conversion.h"
#include "options/securityOptions.h"
#include "options/targetFamily.h"

void initSecurityDefaults(Conversion &conv) {
    conv.settings.clear(flag::idCode | flag::protectDefault | flag::protect1 | flag::protect2 |
              flag::protectX | flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX | flag::tq8Target);
    applyTargetFamily(conv, tq40Family);
    conv.settings.idBytes.fill(0);
    conv.settings.idText.clear();
    conv.settings.protectValue = 0xFF;
    conv.settings.moduleIdState = 0;
    conv.settings.moduleProtectValue = 0;
    conv.settings.moduleIdText[0] = '\0';
}
