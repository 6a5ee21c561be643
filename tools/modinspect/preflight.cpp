#include "preflight.h"

#include <cstdio>
#include <optional>

#include <romcast/romcast.h>

#include "byteText.h"
#include "dryRun.h"
#include "findings.h"
#include "jsonWriter.h"
#include "moduleFile.h"
#include "moduleText.h"
#include "securityWords.h"

namespace modinspect {
namespace {

using romcast::SecurityByte;

struct Report {
    std::string module;
    int status = 0;                      // the converter's
    std::optional<std::string> message;  // its message line when it refuses
    std::vector<Finding> findings;
    std::optional<std::uint32_t> first, last;
    std::vector<SecurityByte> security;  // the bytes asked for that the image holds
};

const char *whatName(SecurityByte::What what) { return what == SecurityByte::What::id ? "id" : "protect"; }

Report reportOf(const DryRun &run, const std::string &name) {
    Report report;
    report.module = name;
    if (run.error) {
        report.status = run.error->exitStatus();
        report.message = namedAs(run.error->what(), name);
        return report;
    }
    report.findings = preflightFindings(run);
    for (Finding &f : report.findings) f.text = namedAs(f.text, name);
    report.first = run.first();
    report.last = run.last();
    for (const SecurityByte &byte : run.result.security) {
        const std::optional<std::uint8_t> held = run.byteAt(byte.address);
        if (held && *held == byte.value) report.security.push_back(byte);
    }
    return report;
}

void printJson(const Report &report) {
    JsonWriter json;
    json.beginObject();
    json.string("module", report.module);
    json.number("status", static_cast<std::uint64_t>(report.status));
    if (report.message) {
        json.string("message", *report.message);
    } else {
        json.null("message");
    }
    json.beginArray("findings");
    for (const Finding &f : report.findings) {
        json.beginObject();
        json.string("kind", f.kind == Finding::Kind::note ? "note" : "warning");
        json.number("address", std::optional<std::uint64_t>(f.address));
        json.string("text", f.text);
        json.endObject();
    }
    json.endArray();
    if (report.first) {
        json.beginObject("image");
        json.number("first", *report.first);
        json.number("last", *report.last);
        json.endObject();
    } else {
        json.null("image");
    }
    json.beginArray("security");
    for (const SecurityByte &byte : report.security) {
        json.beginObject();
        json.number("address", byte.address);
        json.number("value", byte.value);
        json.string("what", whatName(byte.what));
        json.string("from", sourceWords(byte.from).name);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    std::fputs(json.text().c_str(), stdout);
}

// The security bytes the image will hold: the ID code on one line when all of
// it is there from one source, else a line a byte.
void printSecurity(const std::vector<SecurityByte> &bytes) {
    std::vector<const SecurityByte *> id;
    for (const SecurityByte &b : bytes)
        if (b.what == SecurityByte::What::id) id.push_back(&b);
    bool together = id.size() == 7;
    for (const SecurityByte *b : id) together = together && b->from == id.front()->from;
    if (together) {
        std::string values;
        for (const SecurityByte *b : id) values.append(values.empty() ? "" : " ").append(hexByte(b->value));
        std::printf("ID code: %s at %s..%s, %s\n", values.c_str(), hexAddress(id.front()->address).c_str(),
                    hexAddress(id.back()->address).c_str(), sourceWords(id.front()->from).text);
    }
    for (const SecurityByte &b : bytes) {
        if (b.what == SecurityByte::What::id && together) continue;
        std::printf("%s: %s at %s, %s\n", b.what == SecurityByte::What::id ? "ID code byte" : "protect byte",
                    hexByte(b.value).c_str(), hexAddress(b.address).c_str(), sourceWords(b.from).text);
    }
}

void printText(const Report &report) {
    if (report.message) {
        std::printf("romcast refuses %s (exit status %d): %s\n", report.module.c_str(), report.status,
                    report.message->c_str());
        return;
    }
    if (report.first) {
        std::printf("image: %s..%s\n", hexAddress(*report.first).c_str(), hexAddress(*report.last).c_str());
    } else {
        std::printf("image: empty\n");
    }
    printSecurity(report.security);
    for (const Finding &f : report.findings)
        std::printf("%s%s%s: %s\n", f.kind == Finding::Kind::note ? "note" : "warning", f.address ? " " : "",
                    f.address ? hexAddress(*f.address).c_str() : "", f.text.c_str());
}

}  // namespace

int checkConversion(const std::vector<std::string> &args, bool json) {
    const std::string name = moduleFileName(args.back());
    DryRun run;
    try {
        run.options = romcast::parseCommandLine(args);
        std::string why;
        const std::optional<std::vector<std::uint8_t>> bytes = readModuleFile(name, why);
        if (!bytes) {
            std::fprintf(stderr, "modinspect: %s\n", why.c_str());
            return 2;
        }
        run = dryRun(*bytes, run.options);
    } catch (const romcast::Error &error) {
        run.error = error;  // the options are refused before the module is read
    }
    const Report report = reportOf(run, name);
    if (json) {
        printJson(report);
    } else {
        printText(report);
    }
    if (report.message) return report.status;
    for (const Finding &f : report.findings)
        if (f.kind == Finding::Kind::warning) return 1;
    return 0;
}

}  // namespace modinspect
