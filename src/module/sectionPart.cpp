#include "module/sectionPart.h"

#include "module/moduleLayout.h"
#include "module/moduleReader.h"

namespace {

constexpr std::uint32_t oneMegabyte = 0x100000;

}  // namespace

std::optional<SectionRecord> readSection(ModuleReader &reader) {
    if (reader.readRecordType() != rec::ST) return std::nullopt;
    SectionRecord section{};
    section.index = reader.readNumber();
    section.letters = reader.readLetters();
    const std::optional<std::string_view> name = reader.readName();
    const ValueRun rest = reader.readValue(ModuleReader::Run::toRecordEnd);
    if (!name || name->size() >= nameBufferSize || !rest.complete) reader.reject();
    reader.requireWholeRecord();
    section.name = *name;
    reader.skipRecord();  // the record between ST and ASS is not looked at
    if (reader.readRecordType() != rec::ASS) reader.reject();
    section.size = reader.readIndexedValue().value;
    if (reader.readRecordType() != rec::ASL) reader.reject();
    section.base = reader.readIndexedValue().value;
    return section;
}

ModuleExtent widenExtent(ModuleExtent extent, const SectionRecord &section) {
    if (section.base + section.size > oneMegabyte) extent.above1MB = true;
    const std::uint32_t last = section.base + section.size - 1;
    if (last > extent.highest) extent.highest = last;
    if (section.base < extent.lowest) extent.lowest = section.base;
    return extent;
}
