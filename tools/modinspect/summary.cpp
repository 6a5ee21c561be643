#include "summary.h"

#include <cstdint>
#include <cstdio>

#include "moduleText.h"

namespace modinspect {
namespace {

void printIdSettings(const ModuleView &view) {
    const ModuleIdSettings &id = view.id;
    if (!id.scanned) {
        std::printf("ID settings: not read (the environment part does not begin with NN)\n");
        return;
    }
    if (id.idText < 0 && id.protectText < 0) {
        std::printf("ID settings in the module: none (-ID and the protect and OFS options apply)\n");
    } else {
        std::printf("ID settings in the module (they win over -ID and the protect and OFS options):\n");
    }
    if (id.idText >= 0) {
        const AttributeText &t = id.texts[id.idText];
        std::printf("  %s at 0x%zX: ID code %s; protect byte FF unless \".PROTECT \" says otherwise\n",
                    quoteName(t.text).c_str(), t.offset, idBytesOf(t.text).c_str());
    }
    if (id.protectText >= 0) {
        const AttributeText &t = id.texts[id.protectText];
        const int value = protectValue(t.text);
        std::printf("  %s at 0x%zX: ", quoteName(t.text).c_str(), t.offset);
        if (value < 0) {
            std::printf("protect byte unreadable (not two hexadecimal digits)");
        } else {
            std::printf("protect byte %02X", value);
        }
        std::printf("%s\n", id.idText < 0 ? "; no ID code is placed, even with -ID" : "");
    }
    const std::size_t unread = view.attributeTexts.size() - id.texts.size();
    if (unread > 0)
        std::printf("  %zu later attribute text%s not read for ID settings\n", unread, unread == 1 ? " is" : "s are");
}


}  // namespace

void printSummary(const ModuleView &view, bool verbose) {
    if (!view.hasMB) {
        std::printf("module: none (the file does not begin with MB)");
    } else {
        const char *mode = view.dualArea ? "dual-area mode"
                           : view.processor == "TQ40" ? "normal mode; dual-area with +d51x"
                                                      : "not a processor romcast accepts";
        std::printf("module %s for %s (%s)", quoteName(view.name).c_str(), quoteName(view.processor).c_str(), mode);
    }
    std::printf(": %zu bytes, %zu records\n", view.fileSize, view.recordCount);

    std::printf("parts:");
    for (std::uint64_t index : {1, 2, 5, 6}) {
        auto found = view.parts.find(index);
        char where[32] = "missing";
        if (found != view.parts.end() && found->second != 0)
            std::snprintf(where, sizeof where, "at 0x%llX", static_cast<unsigned long long>(found->second));
        std::printf("%s %s %s", index == 1 ? "" : ",", partName(index), where);
    }
    std::printf("\n");
    for (const std::string &problem : view.problems) std::printf("  refused by romcast: %s\n", problem.c_str());

    std::size_t kept = 0;
    for (const Section &s : view.sections) kept += s.image != Image::none;
    std::printf("sections: %zu, %zu kept\n", view.sections.size(), kept);
    for (const Section &s : view.sections) {
        std::printf("  %llu @%-4s %-14s base 0x%06llX size 0x%llX: %s\n", static_cast<unsigned long long>(s.index),
                    s.letters.c_str(), quoteName(s.name).c_str(), static_cast<unsigned long long>(s.base),
                    static_cast<unsigned long long>(s.size), s.fate);
        std::printf("      %s\n", describeUnits(view, s.index).c_str());
    }
    std::map<std::uint64_t, bool> orphans;  // section indexes of units without a section
    for (const Unit &u : view.units) {
        bool known = false;
        for (const Section &s : view.sections) known = known || s.index == u.section;
        if (!known) orphans[u.section] = true;
    }
    for (const auto &[index, unused] : orphans)
        std::printf("  no section %llu: %s, not output\n", static_cast<unsigned long long>(index),
                    describeUnits(view, index).c_str());

    printIdSettings(view);

    std::string counts;
    for (const auto &[mnemonic, count] : view.recordCounts)
        counts += (counts.empty() ? "" : ", ") + mnemonic + " " + std::to_string(count);
    std::printf("records: %s\n", counts.c_str());
    std::printf("attribute texts (attribute 55): %zu%s\n", view.attributeTexts.size(),
                view.attributeTexts.empty() || verbose ? "" : " (-v lists them)");
    if (!verbose) return;
    for (const AttributeText &t : view.attributeTexts)
        std::printf("  at 0x%zX: %s\n", t.offset, t.hasText ? quoteName(t.text).c_str() : "(no text)");
}

}  // namespace modinspect
