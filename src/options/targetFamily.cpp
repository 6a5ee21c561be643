#include "options/targetFamily.h"

#include "run/conversion.h"
#include "options/runSettings.h"

const TargetFamily tq40Family = {0xFFF00, 0xFFFFF};
const TargetFamily tq8Family = {0xFF00, 0xFFFF};

namespace {
// Low address byte of each ID byte within the ID page.
const std::uint32_t idLowBytes[idByteCount] = {0xDF, 0xE3, 0xEB, 0xEF, 0xF3, 0xF7, 0xFB};
}  // namespace

void applyTargetFamily(Conversion &conv, const TargetFamily &family) {
    conv.settings.idAreaBase = family.idAreaBase;
    for (int i = 0; i < idByteCount; ++i) {
        conv.settings.idAddressLow[i] = idLowBytes[i];
        conv.settings.idAddresses[i] = family.idAreaBase + idLowBytes[i];
    }
    conv.settings.protectAddress = family.protectAddress;
}
