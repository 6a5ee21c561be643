#include "summary.h"

#include <cstdio>
#include <map>

#include <romcast/romcast.h>

#include "dryRun.h"
#include "imageCoverage.h"
#include "jsonWriter.h"
#include "moduleFile.h"
#include "moduleText.h"
#include "moduleView.h"
#include "sectionKind.h"

namespace modinspect {
namespace {

struct SectionInImage {
    const romcast::Section *section;
    std::size_t units = 0;
    std::uint64_t bytes = 0;
};

// What the summary shows of a module the converter reads.
struct Summary {
    std::string name;
    const romcast::Module *module = nullptr;
    std::optional<std::uint32_t> first, last;  // of the image a conversion without options writes
    std::uint64_t imageBytes = 0;
    std::vector<SectionInImage> inImage;         // sections with units in the image, in module order
    std::map<std::string, std::size_t> leftOut;  // sections without, counted by why
};

// Why a section puts nothing in the image, from what the converter read: a
// RAM section ('D'), one of size 0, or one it keeps no unit of.
std::string whyLeftOut(const romcast::Section &s, bool dualArea) {
    if (s.size == 0) return "of size 0";
    if (lastLetter(s) == 'D') return "of RAM data ('D')";
    if (dualArea && lastLetter(s) != 'P' && lastLetter(s) != 'R')
        return "neither code ('P') nor ROM data ('R')";
    return "with no data";
}

Summary summaryOf(const std::string &name, const romcast::Module &module, const DryRun &run) {
    Summary summary;
    summary.name = name;
    summary.module = &module;
    summary.first = run.first();
    summary.last = run.last();
    summary.imageBytes = ImageCoverage(run).total();
    for (const romcast::Section &s : module.sections) {
        SectionInImage entry{&s};
        for (const romcast::Unit &u : module.units)
            if (u.section == s.index) {
                ++entry.units;
                entry.bytes += u.size;
            }
        if (entry.units > 0) {
            summary.inImage.push_back(entry);
        } else {
            ++summary.leftOut[whyLeftOut(s, module.dualArea)];
        }
    }
    return summary;
}

const char *modeOf(const romcast::Module &module) { return module.dualArea ? "dual-area" : "normal"; }

void printText(const Summary &summary) {
    const romcast::Module &m = *summary.module;
    std::printf("module %s for %s, %s mode%s\n", summary.name.c_str(), quoteName(m.processor).c_str(), modeOf(m),
                m.dualArea ? ": CODE and ROM data files" : " (+d51x splits it in two)");
    if (summary.first) {
        std::printf("image %s..%s: %llu bytes", hexAddress(*summary.first).c_str(), hexAddress(*summary.last).c_str(),
                    static_cast<unsigned long long>(summary.imageBytes));
    } else {
        std::printf("image empty");
    }
    std::printf(", entry %s\n", m.entry ? hexAddress(*m.entry).c_str() : "none");
    if (m.idText) std::printf("ID code text %s\n", quoteName(".ID " + *m.idText).c_str());
    if (m.protectText) std::printf("protect text %s\n", quoteName(".PROTECT " + *m.protectText).c_str());
    std::printf("sections in the image: %zu\n", summary.inImage.size());
    for (const SectionInImage &e : summary.inImage) {
        const romcast::Section &s = *e.section;
        std::printf("  %-3u %-4s %-14s %s size 0x%X: %zu unit%s, %llu bytes\n", static_cast<unsigned>(s.index),
                    s.kind.c_str(), quoteName(s.name).c_str(), hexAddress(s.base).c_str(), static_cast<unsigned>(s.size),
                    e.units, e.units == 1 ? "" : "s", static_cast<unsigned long long>(e.bytes));
    }
    for (const auto &[why, count] : summary.leftOut)
        std::printf("sections left out: %zu %s\n", count, why.c_str());
}

void printJson(const Summary &summary) {
    const romcast::Module &m = *summary.module;
    JsonWriter json;
    json.beginObject();
    json.string("module", summary.name);
    json.string("processor", m.processor);
    json.string("mode", modeOf(m));
    json.beginObject("extent");
    json.number("first", m.first);
    json.number("last", m.last);
    json.endObject();
    if (summary.first) {
        json.beginObject("image");
        json.number("first", *summary.first);
        json.number("last", *summary.last);
        json.number("bytes", summary.imageBytes);
        json.endObject();
    } else {
        json.null("image");
    }
    json.number("entry", std::optional<std::uint64_t>(m.entry));
    if (m.idText) json.string("idText", *m.idText); else json.null("idText");
    if (m.protectText) json.string("protectText", *m.protectText); else json.null("protectText");
    json.beginArray("sections");
    for (const romcast::Section &s : m.sections) {
        json.beginObject();
        json.number("index", s.index);
        json.string("name", s.name);
        json.string("kind", s.kind);
        json.number("base", s.base);
        json.number("size", s.size);
        bool inImage = false;
        for (const SectionInImage &e : summary.inImage) inImage = inImage || e.section == &s;
        json.boolean("inImage", inImage);
        json.endObject();
    }
    json.endArray();
    json.beginArray("units");
    for (const romcast::Unit &u : m.units) {
        json.beginObject();
        json.number("section", u.section);
        json.number("address", u.address);
        json.number("size", u.size);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    std::fputs(json.text().c_str(), stdout);
}

void printRefusal(const std::string &name, const romcast::Error &error, bool json) {
    if (json) {
        JsonWriter doc;
        doc.beginObject();
        doc.string("module", name);
        doc.number("status", static_cast<std::uint64_t>(error.exitStatus()));
        doc.string("message", namedAs(error.what(), name));
        doc.endObject();
        std::fputs(doc.text().c_str(), stdout);
    } else {
        std::printf("module %s: romcast refuses it (exit status %d): %s\n", name.c_str(), error.exitStatus(),
                    namedAs(error.what(), name).c_str());
    }
}

// Every attribute text, read by the inspector's own lenient reader: the
// converter reads only the first three.
void printAttributeTexts(const std::vector<std::uint8_t> &bytes) {
    const ModuleView view = viewModule(parseModule(bytes), bytes.size());
    std::printf("attribute texts (attribute 55): %zu\n", view.attributeTexts.size());
    for (const AttributeText &t : view.attributeTexts)
        std::printf("  at 0x%zX: %s\n", t.offset, t.hasText ? quoteName(t.text).c_str() : "(no text)");
}

}  // namespace

int printSummary(const std::string &name, const std::vector<std::uint8_t> &bytes, bool verbose, bool json) {
    romcast::Module module;
    try {
        module = romcast::readModule(bytes);
    } catch (const romcast::Error &error) {
        printRefusal(name, error, json);
        if (verbose && !json) printAttributeTexts(bytes);
        return 0;
    }
    const Summary summary = summaryOf(name, module, dryRun(bytes, romcast::Options{}));
    if (json) {
        printJson(summary);
    } else {
        printText(summary);
        if (verbose) printAttributeTexts(bytes);
    }
    return 0;
}

}  // namespace modinspect
