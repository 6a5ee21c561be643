#include "findings.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string_view>

#include "byteText.h"
#include "imageCoverage.h"
#include "moduleText.h"
#include "sectionKind.h"

namespace modinspect {
namespace {

using Kind = Finding::Kind;
using romcast::SecurityByte;

std::string span(std::uint32_t first, std::uint32_t last) {
    return first == last ? hexAddress(first) : hexAddress(first) + ".." + hexAddress(last);
}

// A unit's last address; units that would run past the 32-bit space end there.
std::uint32_t lastOf(const romcast::Unit &unit) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{unit.address} + unit.size - 1, UINT32_MAX));
}

std::string sectionName(const DryRun &run, std::uint32_t index) {
    std::string text = "section " + std::to_string(index);
    for (const romcast::Section &s : run.module->sections)
        if (s.index == index) return text + " " + quoteName(s.name);
    return text;
}

bool holds(const DryRun &run, const SecurityByte &byte) {
    const std::optional<std::uint8_t> value = run.byteAt(byte.address);
    return value && *value == byte.value;
}

std::string hexValue(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

// The option as typed ("-A 0:FFFF"), built by appending: g++ 12 sees a false
// overlap in chains of operator+ on short strings.
std::string rangeOption(const romcast::AddressRange &range) {
    std::string text = "-A ";
    text.append(hexValue(range.start));
    if (range.end) text.append(":").append(hexValue(*range.end));
    return text;
}

std::string fillOption(const romcast::Fill &fill) {
    std::string text = "-F ";
    text.append(hexValue(fill.byte));
    if (fill.start) text.append(":").append(hexValue(*fill.start));
    if (fill.end) text.append(":").append(hexValue(*fill.end));
    return text;
}

// Why the images do not hold a security byte the conversion was asked for.
// Each option that can keep one out is taken away in a second conversion: the
// first whose absence brings the byte in is the reason. What is left is read
// off the images themselves.
class MissingReasons {
public:
    explicit MissingReasons(const DryRun &run) : run_(run) {}

    std::string reasonFor(const SecurityByte &byte) {
        const romcast::Options &o = run_.options;
        if (o.recordByRecord && heldWithout(0, byte, [](romcast::Options &x) { x.recordByRecord = false; }))
            return "-N converts record by record and places no security byte there";
        if (o.range && heldWithout(1, byte, [](romcast::Options &x) { x.range.reset(); }))
            return "the range " + rangeOption(*o.range) + " leaves it out";
        if (o.fill && heldWithout(2, byte, [](romcast::Options &x) { x.fill.reset(); }))
            return "the fill " + fillOption(*o.fill) + " counts it as filled, and writes no record for it";
        const std::optional<std::uint32_t> last = run_.last();
        if (byte.what == SecurityByte::What::protect && last && *last > byte.address)
            return "the image holds data above it (up to " + hexAddress(*last) +
                   "), and the protect byte is written as a record of its own only above the data";
        const WrittenImage *code = nullptr;
        const WrittenImage *romData = nullptr;
        for (const WrittenImage &image : run_.images) (image.code ? code : romData) = &image;
        if (code != nullptr) {
            const std::optional<std::uint8_t> there = run_.byteAt(byte.address);
            if (there) return "the dual-area split: the CODE file holds " + hexByte(*there) +
                              " there, and the security bytes go to the ROM data file only";
            if (romData == nullptr || romData->memory.bytes.empty())
                return "the dual-area split: the security bytes go to the ROM data file only, which holds no data";
            return "the dual-area split: the ROM data file holds no record for it";
        }
        if (const std::optional<std::uint8_t> there = run_.byteAt(byte.address))
            return "the image holds " + hexByte(*there) + " there instead";
        if (o.form == romcast::OutputForm::binary && last)
            return "a binary image holds only the addresses from its first to its last, " + hexAddress(*run_.first()) +
                   ".." + hexAddress(*last);
        if (!last) return "the image holds no data, and no security record is written without data";
        return "no record is written for it";
    }

private:
    bool heldWithout(int variant, const SecurityByte &byte, const std::function<void(romcast::Options &)> &change) {
        if (!variants_[variant]) {
            romcast::Options options = run_.options;
            change(options);
            variants_[variant] = dryRun(run_.bytes, options);
        }
        const DryRun &other = *variants_[variant];
        return !other.error && holds(other, byte);
    }

    const DryRun &run_;
    std::optional<DryRun> variants_[3];
};

void addConverterWarnings(const DryRun &run, std::vector<Finding> &findings) {
    // The console's line less the prefix that says whose warning it is.
    constexpr std::string_view prefix = "Warning (romcast): ";
    for (const romcast::Warning &warning : run.result.warnings) {
        const std::string_view text = warning.text;
        findings.push_back(Finding{Kind::warning, std::nullopt,
                                   "romcast warns: " + std::string(text.starts_with(prefix) ? text.substr(prefix.size()) : text)});
    }
}

std::optional<std::uint32_t> firstAddressOf(const DryRun &run, SecurityByte::What what) {
    for (const SecurityByte &byte : run.result.security)
        if (byte.what == what) return byte.address;
    return std::nullopt;
}

// The module's own ID texts win over the options; the linker writes all-FF
// ones by default, which place what an erased chip holds.
void addModuleTexts(const DryRun &run, std::vector<Finding> &findings) {
    const romcast::Module &module = *run.module;
    if (module.idText) {
        const std::string text = quoteName(".ID " + *module.idText);
        findings.push_back(Finding{Kind::note, firstAddressOf(run, SecurityByte::What::id),
                                   *module.idText == "#FFFFFFFFFFFFFF"
                                       ? "the module's " + text + " is the linker's default: the ID code is all FF"
                                       : "the module's " + text + " sets the ID code, in place of any -ID option"});
    }
    if (module.protectText) {
        const std::string text = quoteName(".PROTECT " + *module.protectText);
        findings.push_back(Finding{Kind::note, firstAddressOf(run, SecurityByte::What::protect),
                                   module.protectText->rfind("FF", 0) == 0
                                       ? "the module's " + text + " is the linker's default: the protect byte is FF"
                                       : "the module's " + text +
                                             " sets the protect byte, in place of any protect or OFS option"});
    }
}

// Security bytes asked for that the images do not hold, one finding for each
// reason and kind of byte.
void addMissingSecurity(const DryRun &run, std::vector<Finding> &findings) {
    MissingReasons reasons(run);
    std::map<std::pair<std::string, int>, std::vector<const SecurityByte *>> missing;
    for (const SecurityByte &byte : run.result.security)
        if (!holds(run, byte)) missing[{reasons.reasonFor(byte), static_cast<int>(byte.what)}].push_back(&byte);
    for (const auto &[key, bytes] : missing) {
        const SecurityByte &first = *bytes.front();
        std::string values;
        for (const SecurityByte *b : bytes) values.append(values.empty() ? "" : " ").append(hexByte(b->value));
        const std::string what = first.what == SecurityByte::What::id
                                     ? (bytes.size() == 1 ? "the ID code byte " : std::to_string(bytes.size()) + " ID code bytes ")
                                     : std::string("the protect byte ");
        findings.push_back(Finding{Kind::warning, first.address,
                                   what + values + " at " + span(first.address, bytes.back()->address) +
                                       " will not be in the image: " + key.first,
                                   bytes.back()->address});
    }
}

// The addresses a unit loads, as at most two spans: a unit that runs past the
// top of the 32-bit space goes on from address 0, as a chip's addresses would.
std::vector<std::pair<std::uint32_t, std::uint32_t>> spansOf(const romcast::Unit &unit) {
    const std::uint64_t end = std::uint64_t{unit.address} + unit.size;  // past the last
    if (end <= std::uint64_t{1} << 32) return {{unit.address, static_cast<std::uint32_t>(end - 1)}};
    if (unit.size >= std::uint64_t{1} << 32) return {{0, UINT32_MAX}};
    return {{unit.address, UINT32_MAX}, {0, static_cast<std::uint32_t>(end - (std::uint64_t{1} << 32) - 1)}};
}

// Bytes the module loads that the images leave out, one finding a section,
// spanning the lowest to the highest of them. Those outside the range asked
// for with -A are a note: the user cut them.
void addBytesOutsideImage(const DryRun &run, const ImageCoverage &coverage, std::vector<Finding> &findings) {
    struct Left {
        std::uint64_t count = 0, outsideRange = 0;
        std::uint32_t first = 0, last = 0;
    };
    std::map<std::uint32_t, Left> bySection;
    const std::optional<romcast::AddressRange> &range = run.options.range;
    for (const romcast::Unit &unit : run.module->units) {
        if (unit.size == 0) continue;
        for (const auto &[first, last] : spansOf(unit)) {
            const ImageCoverage::Count c = coverage.count(first, last);
            if (c.missing == 0) continue;
            Left &left = bySection[unit.section];
            if (left.count == 0 || c.firstMissing < left.first) left.first = c.firstMissing;
            if (left.count == 0 || c.lastMissing > left.last) left.last = c.lastMissing;
            left.count += c.missing;
            if (range) {
                // What the range keeps of the unit is held or missing like any byte.
                const std::uint32_t keepFirst = std::max(first, range->start);
                const std::uint32_t keepLast = std::min(last, range->end.value_or(UINT32_MAX));
                const std::uint64_t inside = keepFirst <= keepLast ? coverage.count(keepFirst, keepLast).missing : 0;
                left.outsideRange += c.missing - inside;
            }
        }
    }
    for (const auto &[section, left] : bySection) {
        const bool cut = range && left.outsideRange == left.count;
        findings.push_back(Finding{cut ? Kind::note : Kind::warning, left.first,
                                   std::to_string(left.count) + (left.count == 1 ? " byte" : " bytes") + " of " +
                                       sectionName(run, section) + (left.count == 1 ? " is" : " are") + " not in the image" +
                                       (cut ? ": outside the range " + rangeOption(*range) : ""),
                                   left.last});
    }
}

// Units that load the same addresses: the image holds the bytes of the one
// written last.
void addOverlaps(const DryRun &run, std::vector<Finding> &findings) {
    const romcast::Unit *reach = nullptr;  // of the units so far, the one that ends highest
    for (const romcast::Unit &unit : run.module->units) {
        if (unit.size == 0) continue;
        if (reach != nullptr && unit.address <= lastOf(*reach)) {
            findings.push_back(Finding{Kind::warning, unit.address,
                                       "a unit of " + sectionName(run, unit.section) + " at " +
                                           span(unit.address, lastOf(unit)) + " overlaps one of " +
                                           sectionName(run, reach->section) + " at " +
                                           span(reach->address, lastOf(*reach)),
                                       std::min(lastOf(unit), lastOf(*reach))});
        }
        if (reach == nullptr || lastOf(unit) > lastOf(*reach)) reach = &unit;
    }
}

// Image bytes inside a section the module reserves in RAM ('D'): a chip does
// not keep them.
void addImageOverRam(const DryRun &run, const ImageCoverage &coverage, std::vector<Finding> &findings) {
    for (const romcast::Section &s : run.module->sections) {
        if (s.size == 0 || lastLetter(s) != 'D') continue;
        const std::uint32_t last = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{s.base} + s.size - 1, UINT32_MAX));
        const ImageCoverage::Count c = coverage.count(s.base, last);
        if (c.held == 0) continue;
        findings.push_back(Finding{Kind::warning, c.firstHeld,
                                   "the image places " + std::to_string(c.held) + " byte" + (c.held == 1 ? "" : "s") +
                                       " over the RAM " + sectionName(run, s.index) + " at " + span(s.base, last)});
    }
}

std::string byteList(const std::vector<std::optional<std::uint8_t>> &values) {
    std::string text;
    for (std::size_t i = 0; i < values.size() && i < 8; ++i)
        text.append(i == 0 ? "" : " ").append(values[i] ? hexByte(*values[i]) : "--");
    if (values.size() > 8) text.append(" ...");
    return text;
}

// Bytes the module loads that the images hold elsewhere or not as loaded:
// the writers' own notion of "no address yet", a range cutting a unit that
// wraps round the address space, a fill that takes back the start of an
// empty unit. Each run of such bytes is told by where the images hold the
// same bytes instead (a place where they hold what the module does not
// load there) or, when they hold them nowhere, by what they hold in their
// place. Bytes the images hold nowhere at all are counted as not in the
// image, elsewhere.
void addDisplacedBytes(const DryRun &run, std::vector<Finding> &findings) {
    std::vector<std::uint32_t> twice;
    const std::vector<Loaded> loaded = moduleMemory(run, twice);
    const auto moduleAt = [&](std::uint32_t address) -> const Loaded * {
        const auto found = std::lower_bound(loaded.begin(), loaded.end(), address,
                                            [](const Loaded &l, std::uint32_t a) { return l.address < a; });
        return found != loaded.end() && found->address == address ? &*found : nullptr;
    };
    const auto security = [&](std::uint32_t address) {
        return std::any_of(run.result.security.begin(), run.result.security.end(),
                           [&](const SecurityByte &b) { return b.address == address; });
    };
    // Where misplaced bytes may stand: bytes the images hold and the module
    // does not load there, gap fill and security bytes aside.
    const bool gapsFilled = run.options.fill || run.options.form == romcast::OutputForm::binary;
    const std::uint8_t fillByte = run.options.fill ? run.options.fill->byte : 0xFF;
    std::vector<std::uint32_t> strays;
    for (const WrittenImage &image : run.images)
        for (const MemoryImage::Byte &byte : image.memory.bytes) {
            const Loaded *l = moduleAt(byte.address);
            if (l != nullptr ? l->value == byte.value
                             : std::binary_search(twice.begin(), twice.end(), byte.address) || security(byte.address) ||
                                   (gapsFilled && byte.value == fillByte))
                continue;
            strays.push_back(byte.address);
        }
    std::sort(strays.begin(), strays.end());
    const auto isStray = [&](std::uint32_t a) { return std::binary_search(strays.begin(), strays.end(), a); };
    const auto mismatched = [&](const Loaded &l) {
        const std::optional<std::uint8_t> held = run.byteAt(l.address);
        return (!held || *held != l.value) && !security(l.address);
    };
    for (std::size_t i = 0; i < loaded.size();) {
        if (!mismatched(loaded[i])) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < loaded.size() && loaded[end].address == loaded[end - 1].address + 1 &&
               loaded[end].section == loaded[i].section && mismatched(loaded[end]))
            ++end;
        const std::uint32_t first = loaded[i].address, last = loaded[end - 1].address;
        const std::size_t count = end - i;
        // The place that holds the longest start of the run; a later record
        // may write over the rest of it there.
        std::optional<std::uint32_t> place;
        std::size_t placed = 0;
        for (const std::uint32_t p : strays) {
            if (p == first) continue;
            std::size_t k = 0;
            for (; k < count; ++k) {
                const std::uint32_t a = static_cast<std::uint32_t>(p + k);
                if (!isStray(a) || run.byteAt(a) != loaded[i + k].value) break;
            }
            if (k > placed) {
                place = p;
                placed = k;
                if (k == count) break;
            }
        }
        const std::string bytes = count == 1 ? "the byte " + hexByte(loaded[i].value) : "the " + std::to_string(count) + " bytes";
        const std::string where = " of " + sectionName(run, loaded[i].section) + " at " + span(first, last);
        if (place && placed == count) {
            findings.push_back(Finding{Kind::warning, first,
                                       bytes + where + " will be at " +
                                           span(*place, static_cast<std::uint32_t>(*place + count - 1)) + " instead",
                                       last});
        } else if (place && (placed >= std::min<std::size_t>(count, 4) ||
                             (placed >= 2 && !isStray(static_cast<std::uint32_t>(*place + placed))))) {
            // Four bytes in a row, or every stray byte the images hold there.
            findings.push_back(Finding{Kind::warning, first,
                                       bytes + where + " are not there: the first " + std::to_string(placed) +
                                           " will be at " + span(*place, static_cast<std::uint32_t>(*place + placed - 1)) +
                                           " instead",
                                       last});
        } else {
            // Runs of bytes held but other than loaded.
            for (std::size_t k = i; k < end;) {
                if (!run.byteAt(loaded[k].address)) {
                    ++k;
                    continue;
                }
                std::size_t to = k;
                std::vector<std::optional<std::uint8_t>> held, wanted;
                for (; to < end && run.byteAt(loaded[to].address); ++to) {
                    held.push_back(run.byteAt(loaded[to].address));
                    wanted.push_back(loaded[to].value);
                }
                findings.push_back(Finding{Kind::warning, loaded[k].address,
                                           "the image holds " + byteList(held) + " at " +
                                               span(loaded[k].address, loaded[to - 1].address) + ", where " +
                                               sectionName(run, loaded[k].section) + " loads " + byteList(wanted),
                                           loaded[to - 1].address});
                k = to;
            }
        }
        i = end;
    }
}

// A TQ8 chip's memory ends at 0xFFFF: a module that loads nothing above it,
// converted for the TQ40 family, gets its security bytes at 0xFFFxx instead.
void addSmallModule(const DryRun &run, std::vector<Finding> &findings) {
    const romcast::Module &module = *run.module;
    if (run.options.family != romcast::Family::tq40 || module.units.empty() || module.last > 0xFFFF) return;
    std::string text = "the module loads nothing above 0x00FFFF, as one for the TQ8 family, and is converted for the TQ40 "
                       "family; -TQ8, -TQ8E or -TQ8N converts it for a TQ8 chip";
    if (!run.result.security.empty()) text += " (its security bytes go to 0x0FFFxx, outside a TQ8 chip)";
    findings.push_back(Finding{Kind::warning, std::nullopt, text});
}

}  // namespace

std::vector<Loaded> moduleMemory(const DryRun &run, std::vector<std::uint32_t> &twice) {
    constexpr std::uint64_t limit = std::uint64_t{1} << 26;
    std::vector<Loaded> loaded;
    std::uint64_t total = 0;
    for (const romcast::Unit &unit : run.module->units) total += unit.size;
    if (total > limit) return loaded;
    loaded.reserve(static_cast<std::size_t>(total));
    for (const romcast::Unit &unit : run.module->units) {
        if (unit.size == 0) continue;
        const std::vector<std::uint8_t> data = romcast::unitBytes(run.bytes, unit);
        for (std::size_t i = 0; i < data.size(); ++i)
            loaded.push_back(Loaded{static_cast<std::uint32_t>(unit.address + i), data[i], unit.section});
    }
    std::stable_sort(loaded.begin(), loaded.end(), [](const Loaded &a, const Loaded &b) { return a.address < b.address; });
    for (std::size_t i = 1; i < loaded.size(); ++i)
        if (loaded[i].address == loaded[i - 1].address && (twice.empty() || twice.back() != loaded[i].address))
            twice.push_back(loaded[i].address);
    std::erase_if(loaded, [&](const Loaded &l) { return std::binary_search(twice.begin(), twice.end(), l.address); });
    return loaded;
}

std::vector<Finding> preflightFindings(const DryRun &run) {
    std::vector<Finding> findings;
    addConverterWarnings(run, findings);
    if (run.error || !run.module) return findings;
    const ImageCoverage coverage(run);
    addModuleTexts(run, findings);
    addMissingSecurity(run, findings);
    addBytesOutsideImage(run, coverage, findings);
    addOverlaps(run, findings);
    addDisplacedBytes(run, findings);
    addImageOverRam(run, coverage, findings);
    addSmallModule(run, findings);
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return a.address.has_value() != b.address.has_value() ? !a.address.has_value()
                                                               : a.address.value_or(0) < b.address.value_or(0);
    });
    return findings;
}

}  // namespace modinspect
