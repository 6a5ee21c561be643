// readModule: the module as a conversion reads it, described in public types.
#include <romcast/romcast.h>

#include <algorithm>
#include <utility>

#include "api/apiErrors.h"
#include "common/console.h"
#include "module/dataPart.h"
#include "module/layoutReading.h"
#include "module/moduleHeader.h"
#include "module/moduleIdTexts.h"
#include "module/moduleReader.h"
#include "module/sectionPart.h"

namespace romcast {
namespace {

// The type letters as text ("AP"), from their codes, the last one in the low byte.
std::string lettersOf(std::uint32_t letters) {
    std::string text;
    for (; letters != 0; letters >>= 8) text.insert(text.begin(), moduleFormat::letterOf(letters & 0xFF));
    return text;
}

// Every section as the module lists them, those that load nothing too.
std::vector<Section> listSections(const ModuleSource &module, const ModuleParts &parts) {
    std::vector<Section> sections;
    ModuleReader reader = readerOf(module);
    reader.seek(parts.sectionPart);
    while (const std::optional<SectionRecord> section = readSection(reader))
        sections.push_back(Section{section->index, std::string(section->name), lettersOf(section->letters),
                                   section->base, section->size});
    return sections;
}

// The bytes a unit loads: its LD records up to the next SB, ME or ASP record,
// each as many times as an RE record before it says, as the image writes them.
std::uint64_t unitSize(const ModuleSource &module, std::uint32_t seek) {
    ModuleReader reader = readerOf(module);
    DataPartReader data(reader, seek);
    data.next();
    data.skipUnit();
    std::uint64_t size = 0;
    for (;;) {
        const DataRecord record = data.next();
        if (record.type == rec::SB || record.type == rec::ME || record.type == rec::ASP) return size;
        if (record.type == rec::LD) size += std::uint64_t{record.passes} * record.bytes.size();
    }
}

void addUnits(const ModuleSource &module, const SectionList &sections, const UnitList &units,
              std::vector<Unit> &out) {
    for (const UnitEntry &unit : units.nodes)
        out.push_back(Unit{sections.nodes[unit.section].index, unit.address, unitSize(module, unit.seek)});
}

}  // namespace

Module readModule(std::span<const std::uint8_t> bytes) {
    return asPublicErrors([&] {
        ModuleBytes held;
        held.assign(bytes.begin(), bytes.end());
        const ModuleSource module{held, "module.tqx", CancelFlags{}};
        Console nowhere(nullptr, false);
        Progress progress(nowhere, CancelFlags{});

        Module description;
        const ModuleTarget target = readModuleTarget(module);
        description.processor = target.processor;
        description.dualArea = target.dualArea;
        const ModuleParts parts = readModuleParts(module, progress);
        const ModuleIdTexts texts = readModuleIdTexts(module, parts.environmentPart);
        if (texts.idFound) description.idText = texts.idText;
        if (texts.protectFound) description.protectText = texts.protectText;
        description.sections = listSections(module, parts);
        ModuleLayout read = readSectionPart(module, parts, target.dualArea, progress);
        const ModuleLayout layout = readDataPart(module, parts, target.dualArea, std::move(read), progress);
        description.first = layout.extent.lowest;
        description.last = layout.extent.highest;
        addUnits(module, layout.normSections, layout.normUnits, description.units);
        addUnits(module, layout.codeSections, layout.codeUnits, description.units);
        addUnits(module, layout.romdataSections, layout.romdataUnits, description.units);
        std::stable_sort(description.units.begin(), description.units.end(),
                         [](const Unit &a, const Unit &b) { return a.address < b.address; });
        description.entry = readModuleEntry(module, parts.trailerPart);
        return description;
    });
}

}  // namespace romcast
