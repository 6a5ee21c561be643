// Times the reading of large modules: the section part, the data part and the
// per-kind unit trees, in-process on a module held in memory.
//
//   readUnits [units]   (default 1000000)
#include <chrono>
#include <memory>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/console.h"
#include "module/layoutReading.h"
#include "module/moduleHeader.h"
#include "module/moduleReader.h"

#include "moduleBytes.h"

namespace {





struct Layout {
    std::uint32_t sections;   // sections, each 0x100 bytes apart
    bool sameIndex;           // every section has index 1
    std::uint32_t units;      // units, spread over the sections in turn
    bool descending;          // units in falling address order
};

// A module for the single-area target: MB, AD, the ASW records, the attribute
// that makes it absolute, the sections, one ASP and a 4-byte LD per unit.
Bytes writeModule(const Layout &layout) {
    Bytes out;
    putType(out, rec::MB);
    putName(out, "TQ40");
    putName(out, "app");
    putType(out, rec::AD);
    put(out, {8, 4, static_cast<int>(moduleFormat::letterCode('M'))});
    std::size_t patch[3];
    const int indexes[3] = {2, 5, 6};
    for (int i = 0; i < 3; ++i) {
        putType(out, rec::ASW);
        put(out, {indexes[i]});
        patch[i] = out.size();
        putLong(out, 0);
    }
    putType(out, rec::NN);
    put(out, {1});
    putName(out, "app");
    putType(out, rec::ATN);
    put(out, {0, 0, moduleFormat::objectFormatAttribute, moduleFormat::absoluteFormat});
    patchLong(out, patch[0], static_cast<std::uint32_t>(out.size()));
    const std::uint32_t span = layout.units / layout.sections * 4 + 4;
    for (std::uint32_t s = 0; s < layout.sections; ++s) {
        const std::uint32_t index = layout.sameIndex ? 1 : s + 1;
        putType(out, rec::ST);
        putLong(out, index);
        putCodeLetters(out);
        putName(out, "P");
        putType(out, rec::SA);
        put(out, {1, 2});
        putType(out, rec::ASS);
        putLong(out, index);
        putLong(out, span);
        putType(out, rec::ASL);
        putLong(out, index);
        putLong(out, s * span);
    }
    patchLong(out, patch[1], static_cast<std::uint32_t>(out.size()));
    for (std::uint32_t u = 0; u < layout.units; ++u) {
        const std::uint32_t n = layout.descending ? layout.units - 1 - u : u;
        const std::uint32_t section = n % layout.sections;
        putType(out, rec::ASP);
        putLong(out, layout.sameIndex ? 1 : section + 1);
        putLong(out, section * span + n / layout.sections * 4);
        putType(out, rec::LD);
        put(out, {4, 1, 2, 3, 4});
    }
    patchLong(out, patch[2], static_cast<std::uint32_t>(out.size()));
    putType(out, rec::ASG);
    put(out, {0});
    putType(out, rec::ME);
    return out;
}

void timeReading(const char *what, const Layout &layout) {
    const Bytes module = writeModule(layout);
    Console console(stdout, false);
    console.setQuiet();
    Progress progress(console, CancelFlags{});
    ModuleBytes bytes;
    bytes.assign(module.begin(), module.end());
    const ModuleSource source{bytes, "bench.tqx", CancelFlags{}};

    const auto start = std::chrono::steady_clock::now();
    const bool dualArea = readModuleTarget(source).dualArea;
    const ModuleParts parts = readModuleParts(source, progress);
    ModuleLayout read = readSectionPart(source, parts, dualArea, progress);
    const ModuleLayout whole = readDataPart(source, parts, dualArea, std::move(read), progress);
    countUnitProgress(whole, progress);
    const std::size_t walked = whole.normUnits.nodes.size();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::printf("%-44s %9zu units in the walk  %6.2f s  (%zu bytes)\n", what, walked, elapsed.count(),
                module.size());
}

}  // namespace

int main(int argc, char **argv) {
    const std::uint32_t units = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    timeReading("one section, units in address order", {1, false, units, false});
    timeReading("one section, units in falling order", {1, false, units, true});
    timeReading("10000 sections, units taken in turn", {10000, false, units, false});
    // Every unit goes to every section of its index: 1000 sections of index 1
    // and units / 1000 units make `units` unit nodes.
    timeReading("1000 sections of one index", {1000, true, units / 1000, false});
    return 0;
}
