#include "core/conversion.h"
#include "security/targetFamily.h"

#include "driver/runSettings.h"

const TargetFamily tq40Family = {0xFFF00, 0x0F, 0xFFFFF, 0x212,
                                 "S2050FFFFF3FAE\n", "S2050FFFFFF3FA\n", "S2050FFFFFFFEE\n"};
const TargetFamily tq8Family = {0xFF00, 0x00, 0xFFFF, 0x203,
                                "S20500FFFF3FBD\n", "S20500FFFFF309\n", "S20500FFFFFFFD\n"};

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
    conv.settings.securityHighByte = family.securityHighByte;
    conv.settings.securityMidByte = 0xFF;  // the same for every family
    conv.settings.protectAddress = family.protectAddress;
    conv.settings.protectChecksumBase = family.protectChecksumBase;
    conv.settings.protect1Record = family.protect1Record;
    conv.settings.protect2Record = family.protect2Record;
    conv.settings.protectDefaultRecord = family.protectDefaultRecord;
}
