#include "preflight.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <span>
#include <string>

#include "common/runError.h"
#include "module/moduleIdTexts.h"
#include "module/moduleReader.h"
#include "moduleText.h"
#include "options/runSettings.h"
#include "plan/securityPlan.h"

namespace modinspect {
namespace {

constexpr std::uint64_t firstIdLow = 0xDF, lastIdLow = 0xFB;

std::string range(std::uint64_t first, std::uint64_t end) {
    return hexAddress(first) + ".." + hexAddress(end == first ? first : end - 1);
}

std::string sectionName(const Section &s) {
    return "section " + std::to_string(s.index) + " " + quoteName(s.name);
}

// One line a finding, the address first; returns how many.
class Findings {
public:
    void add(std::uint64_t address, const std::string &text) {
        std::printf("%s: %s\n", hexAddress(address).c_str(), text.c_str());
        ++count_;
    }
    int count() const { return count_; }

private:
    int count_ = 0;
};

// What the module's ID texts make of the security bytes, as the converter's
// own steps read and plan them. False when the converter refuses the texts.
bool checkIdSettings(const ModuleView &view, std::span<const std::uint8_t> bytes, const Family &family,
                     Findings &findings) {
    const std::uint64_t firstId = family.idPage + firstIdLow, lastId = family.idPage + lastIdLow;
    ModuleBytes module;
    module.assign(bytes.begin(), bytes.end());
    const auto environment = view.parts.find(1);
    ModuleIdTexts texts;
    try {
        texts = readModuleIdTexts(ModuleSource{module, "module", CancelFlags{}},
                                  environment == view.parts.end() ? 0 : static_cast<std::uint32_t>(environment->second));
    } catch (const RunError &) {
        std::printf("refused by romcast: the environment part or its ID texts are malformed\n");
        return false;
    }
    RunSettings settings;
    if (family.option[0] != '\0') settings.family = tq8Family;
    const SecurityPlan plan = planSecurity(settings, texts);
    if (texts.idFound) {
        const std::string text = ".ID " + texts.idText;
        findings.add(firstId, "the module's " + quoteName(text) + " places the ID code " + spacedHex(plan.idBytes) +
                                  " at " + range(firstId, lastId + 1) + ", replacing any -ID option");
        if (!texts.protectFound)
            findings.add(family.last, "the module's " + quoteName(text) +
                                          " sets the protect byte FF, replacing any -protect or -ofsreg option");
    }
    if (texts.protectFound) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned>(plan.protectValue & 0xFF));
        findings.add(family.last, "the module's " + quoteName(".PROTECT " + texts.protectText) +
                                      " sets the protect byte " + byte +
                                      ", replacing any -protect or -ofsreg option" +
                                      (texts.idFound ? "" : "; -ID is dropped and no ID code is placed"));
    }
    for (const AttributeText &t : view.id.unread)
        findings.add(startsWith(t.text, ".ID ") ? firstId : family.last,
                     "the module's " + quoteName(t.text) + " is not read: only its first three attribute texts are");
    return true;
}

void checkAddressSpace(const ModuleView &view, const Family &family, Findings &findings) {
    const std::string space = std::string("the ") + (family.option[0] ? "TQ8" : "TQ40") +
                              " family's address space (to " + hexAddress(family.last) + ")" +
                              (family.warnsAbove ? "; romcast warns \"Address exceed\" for each unit there"
                                                 : "; romcast says nothing");
    std::vector<bool> flagged(view.sections.size(), false);
    for (std::size_t k = 0; k < view.sections.size(); ++k) {
        const Section &s = view.sections[k];
        if (s.image == Image::none || s.end() - 1 <= family.last) continue;
        flagged[k] = true;
        findings.add(s.base, sectionName(s) + " " + range(s.base, s.end()) + " lies outside " + space);
    }
    for (const Unit &u : view.units) {
        if (u.home < 0 || u.bytes == 0 || flagged[u.home] || u.end() - 1 <= family.last) continue;
        findings.add(u.address, "a unit of " + sectionName(view.sections[u.home]) + " " + range(u.address, u.end()) +
                                    " lies outside " + space);
    }
}

void checkSecurityPlaces(const ModuleView &view, const Family &family, Findings &findings) {
    std::uint64_t low = UINT64_MAX, high = 0;
    for (const Section &s : view.sections) {
        if (!s.inExtent) continue;
        low = std::min(low, s.base);
        high = std::max(high, s.end() - 1);
    }
    if (low > high) return;
    const bool carries = view.id.idText >= 0 || view.id.protectText >= 0;
    // A module that loads nothing above 0xFFFF, converted for the TQ40 family.
    const bool smallModule = family.option[0] == '\0' && high <= 0xFFFF;
    if (!carries && !smallModule) return;
    const std::string image = "outside the image " + range(low, high + 1);
    const std::string hint = smallModule ? ": the module loads nothing above 0x00FFFF; a TQ8 module needs -TQ8, -TQ8E or -TQ8N"
                                         : ": S-records and Intel HEX get it as a record of its own, a binary image leaves it out";
    const std::string when = carries ? "" : "with -ID or a protect option, ";
    const std::uint64_t firstId = family.idPage + firstIdLow, lastId = family.idPage + lastIdLow;
    if ((view.id.idText >= 0 || !carries) && (firstId < low || lastId > high))
        findings.add(firstId, when + "the ID code at " + range(firstId, lastId + 1) + " lies " + image + hint);
    if (family.last < low || family.last > high)
        findings.add(family.last, when + "the protect byte at " + hexAddress(family.last) + " lies " + image + hint);
}

void checkUnits(const ModuleView &view, Findings &findings) {
    // Units outside their own section.
    for (const Unit &u : view.units) {
        if (u.home < 0 || u.bytes == 0) continue;
        const Section &s = view.sections[u.home];
        if (u.address < s.base || u.end() > s.end())
            findings.add(u.address, "a unit " + range(u.address, u.end()) + " lies outside its " + sectionName(s) + " " +
                                        range(s.base, s.end()));
    }
    // Units that no kept section takes, one line a section index.
    std::map<std::uint64_t, bool> reported;
    for (const Unit &u : view.units) {
        if (u.home >= 0 || u.bytes == 0 || reported[u.section]) continue;
        reported[u.section] = true;
        std::string why = "there is no section " + std::to_string(u.section);
        for (const Section &s : view.sections)
            if (s.index == u.section) why = sectionName(s) + " is " + s.fate;
        findings.add(u.address, describeUnits(view, u.section) + " not output: " + why);
    }
    // Overlaps, in the order the image is written: by address within each image.
    for (Image image : {Image::normal, Image::code, Image::romdata}) {
        std::vector<const Unit *> placed;
        for (const Unit &u : view.units)
            if (u.home >= 0 && u.bytes > 0 && view.sections[u.home].image == image) placed.push_back(&u);
        std::stable_sort(placed.begin(), placed.end(),
                         [](const Unit *a, const Unit *b) { return a->address < b->address; });
        const Unit *reach = nullptr;  // the unit that ends highest so far
        for (const Unit *u : placed) {
            if (reach != nullptr && u->address < reach->end()) {
                findings.add(u->address, "a unit of section " + std::to_string(u->section) + " " +
                                             range(u->address, u->end()) + " overlaps one of section " +
                                             std::to_string(reach->section) + " " + range(reach->address, reach->end()) +
                                             (image == Image::normal ? ": a binary image (-B) refuses the module" : ""));
            }
            if (reach == nullptr || u->end() > reach->end()) reach = u;
        }
    }
}

void checkLoadsSomething(const ModuleView &view, Findings &findings) {
    bool extent = false, data = false;
    for (const Section &s : view.sections) extent = extent || s.inExtent;
    for (const Unit &u : view.units) data = data || (u.home >= 0 && u.bytes > 0);
    if (!extent) {
        findings.add(0, "no section of nonzero size that is not a 'D' section: romcast stops, the module loads nothing");
    } else if (!data) {
        findings.add(0, "no unit loads bytes into a kept section: the image holds no data of the module");
    }
}


}  // namespace

int checkModule(const ModuleView &view, std::span<const std::uint8_t> bytes, const Family &family) {
    if (!view.problems.empty()) {
        for (const std::string &problem : view.problems) std::printf("refused by romcast: %s\n", problem.c_str());
        return 1;
    }
    Findings findings;
    if (!checkIdSettings(view, bytes, family, findings)) return 1;
    checkAddressSpace(view, family, findings);
    checkSecurityPlaces(view, family, findings);
    checkUnits(view, findings);
    checkLoadsSomething(view, findings);
    return findings.count() == 0 ? 0 : 1;
}

}  // namespace modinspect
