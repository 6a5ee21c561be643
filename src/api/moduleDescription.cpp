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

// Each LD record of the unit whose ASP record is at `seek`, up to the next SB,
// ME or ASP record, with the times an RE record before it says: what the image
// writes of the unit.
template <class Each>
void forEachLoad(const ModuleSource &module, std::uint32_t seek, Each each) {
    ModuleReader reader = readerOf(module);
    DataPartReader data(reader, seek);
    data.next();
    data.skipUnit();
    for (;;) {
        const DataRecord record = data.next();
        if (record.type == rec::SB || record.type == rec::ME || record.type == rec::ASP) return;
        if (record.type == rec::LD) each(record.bytes, record.passes);
    }
}

std::uint64_t unitSize(const ModuleSource &module, std::uint32_t seek) {
    std::uint64_t size = 0;
    forEachLoad(module, seek, [&](std::span<const std::uint8_t> bytes, std::uint32_t passes) {
        size += std::uint64_t{passes} * bytes.size();
    });
    return size;
}

void addUnits(const ModuleSource &module, const SectionList &sections, const UnitList &units,
              std::vector<Unit> &out) {
    for (const UnitEntry &unit : units.nodes)
        out.push_back(Unit{sections.nodes[unit.section].index, unit.address, unitSize(module, unit.seek), unit.seek});
}

// The caller's bytes as a conversion reads a module, named as in memory.
struct HeldModule {
    explicit HeldModule(std::span<const std::uint8_t> bytes) { held.view(bytes); }
    ModuleBytes held;
    ModuleSource source{held, "module.tqx", CancelFlags{}};
};

}  // namespace

Module readModule(std::span<const std::uint8_t> bytes) {
    return asPublicErrors([&] {
        const HeldModule held(bytes);
        const ModuleSource &module = held.source;
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

std::vector<std::uint8_t> unitBytes(std::span<const std::uint8_t> bytes, const Unit &unit) {
    return asPublicErrors([&] {
        const HeldModule held(bytes);
        std::vector<std::uint8_t> loaded;
        loaded.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(unit.size, std::uint64_t{1} << 20)));
        forEachLoad(held.source, unit.record, [&](std::span<const std::uint8_t> run, std::uint32_t passes) {
            // An empty record may be repeated four billion times, to no effect.
            for (std::uint32_t pass = 0; pass < passes && !run.empty(); ++pass)
                loaded.insert(loaded.end(), run.begin(), run.end());
        });
        return loaded;
    });
}

}  // namespace romcast
