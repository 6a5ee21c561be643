#include "records/securityRecords.h"

#include "options/runSettings.h"
#include "plan/imagePlan.h"

namespace {

std::uint32_t idAddress(const SecurityPlan &security, int i) { return security.idAddresses[static_cast<std::size_t>(i)]; }

bool idWritten(ByteRecordOutput &writer, int i) { return (writer.recordState().securityWritten & (1u << i)) != 0; }

void writeIdRecord(const SecurityPlan &security, ByteRecordOutput &writer, int i) {
    writer.writeByteRecord(idAddress(security, i), security.idBytes[static_cast<std::size_t>(i)]);
    writer.recordState().securityWritten |= 1u << i;
}

// The protect byte in order of preference; nothing when no choice is in force.
void writeProtectRecord(const SecurityPlan &security, ByteRecordOutput &writer) {
    std::uint32_t value = security.protectValue;
    if (security.has(flag::protect1))
        value = 0x3F;
    else if (security.has(flag::protect2))
        value = 0xF3;
    else if (security.has(flag::protectDefault))
        value = 0xFF;
    else if (!security.has(flag::protectX))
        return;
    writer.writeByteRecord(security.protectAddress, static_cast<std::uint8_t>(value));
    writer.recordState().securityWritten |= securityBits::protect;
}

}  // namespace

void writeSkippedIdRecords(const ImagePlan &plan, ByteRecordOutput &writer, std::uint32_t address) {
    for (int i = 0; i < idByteCount; ++i) {
        const std::uint32_t a = idAddress(plan.security, i);
        if (a < writer.recordState().dataEnd || a >= address || idWritten(writer, i)) continue;
        writeIdRecord(plan.security, writer, i);
    }
}

void writeMissingSecurityRecords(const ImagePlan &plan, ByteRecordOutput &writer) {
    const std::uint32_t dataEnd = writer.recordState().dataEnd;
    if (plan.security.has(flag::idCode)) {
        for (int i = 0; i < idByteCount; ++i) {
            if (dataEnd == 0 || idAddress(plan.security, i) < dataEnd || idWritten(writer, i)) continue;
            writeIdRecord(plan.security, writer, i);
        }
    }
    // Past the protect address the data held it already (substituted there).
    if ((writer.recordState().securityWritten & securityBits::protect) != 0 || dataEnd == 0 ||
        dataEnd > plan.security.protectAddress || plan.settings.has(flag::directConvert))
        return;
    writeProtectRecord(plan.security, writer);
}
