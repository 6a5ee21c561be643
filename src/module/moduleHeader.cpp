#include "module/moduleHeader.h"

#include <string_view>

#include "common/console.h"
#include "common/messages.h"
#include "common/runError.h"
#include "module/moduleReader.h"

namespace {

constexpr std::size_t processorNameSize = 20;  // 19 characters and the NUL
using moduleFormat::absoluteFormat;
using moduleFormat::objectFormatAttribute;

constexpr std::string_view singleAreaTarget = "TQ40";
constexpr std::string_view dualAreaTarget = "TQ40/51X";

// MB: the processor decides the mode. A name that cannot be read, or is too long
// for a processor's, counts as empty and so matches no target; like any text of
// the module it ends at a NUL.
ModuleTarget checkTarget(const ModuleSource &module, ModuleReader &reader) {
    if (reader.readRecordType() != rec::MB) reader.reject();
    const std::optional<std::string_view> name = reader.readName();
    std::string_view processor = name && name->size() < processorNameSize ? *name : std::string_view{};
    processor = processor.substr(0, processor.find('\0'));
    reader.readName();  // the module's own name
    const bool dualTarget = processor == dualAreaTarget;
    if (!dualTarget && processor != singleAreaTarget) fatalError(err::mcuMismatch, module.name);
    // Only a known target is refused for its length.
    reader.requireWholeRecord();
    return ModuleTarget{std::string(processor), dualTarget};
}

// The ASW records, in any order and repeated: the last offset for an index wins.
ModuleParts readPartOffsets(ModuleReader &reader, Progress &progress) {
    ModuleParts parts;
    std::int32_t type = reader.readRecordType();
    while (type == rec::ASW) {
        const std::uint32_t index = reader.readNumber();
        const std::uint32_t offset = reader.readNumber();
        switch (index) {
        case moduleFormat::part::environment: parts.environmentPart = offset; break;
        case moduleFormat::part::sections: parts.sectionPart = offset; break;
        case moduleFormat::part::data: parts.dataPart = offset; break;
        case moduleFormat::part::trailer: parts.trailerPart = offset; break;
        default: break;
        }
        progress.tick();
        type = reader.readRecordType();
    }
    reader.unreadRecordType(type);
    if (parts.sectionPart == 0 || parts.dataPart == 0 || parts.trailerPart == 0) reader.reject();
    return parts;
}

// The first run of ATN records must hold attribute 38 with the value 1: an
// absolute module.
void checkAbsolute(ModuleReader &reader) {
    while (reader.readRecordType() == rec::ATN) {
        const Attribute attribute = reader.readAttribute();
        reader.requireWholeRecord();
        if (attribute.number == objectFormatAttribute) {
            const auto value = attribute.value.bytes;
            if (value.empty() || value[0] != absoluteFormat) reader.reject();
            return;
        }
    }
    reader.reject();
}

}  // namespace

ModuleTarget readModuleTarget(const ModuleSource &module) {
    ModuleReader reader = readerOf(module);
    return checkTarget(module, reader);
}

ModuleParts readModuleParts(const ModuleSource &module, Progress &progress) {
    ModuleReader reader = readerOf(module);
    // MB again, already checked; the record after it (the address descriptor)
    // is passed over whole.
    reader.skipRecord();
    reader.skipRecord();
    const ModuleParts parts = readPartOffsets(reader, progress);
    reader.skipRecord();
    checkAbsolute(reader);
    return parts;
}

std::optional<std::uint32_t> readModuleEntry(const ModuleSource &module, std::uint32_t trailerPart) {
    ModuleReader reader = readerOf(module);
    reader.seek(trailerPart);
    if (reader.readRecordType() != rec::ASG) return std::nullopt;
    const ValueRun run = reader.readValue(ModuleReader::Run::oneValue);
    if (!run.complete) return std::nullopt;
    // The number that begins the value; whatever follows it is not looked at.
    const std::optional<moduleFormat::PlainNumber> number = moduleFormat::leadingNumber(run.bytes);
    if (!number) return std::nullopt;
    return number->value;
}
