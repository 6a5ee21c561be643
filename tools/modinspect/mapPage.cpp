#include "mapPage.h"

#include "mapContents.h"
#include "mapDrawing.h"
#include "mapText.h"
#include "securityWords.h"

namespace modinspect {
namespace {

// The findings list stops here; `modinspect --check` lists them all.
constexpr std::size_t mostListed = 1000;

const char style[] = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:16px;color:#222;background:#fff}
h1{font-size:20px;margin:0 0 8px}h2{font-size:16px;margin:20px 0 6px}
dl.header{display:grid;grid-template-columns:max-content auto;gap:2px 12px;margin:0}
dt{color:#666}dd{margin:0;font-family:monospace}
.refused{border:2px solid #c00;padding:8px;background:#fee}
.legend{display:flex;flex-wrap:wrap;gap:4px 16px;padding:0;list-style:none}
.legend svg{vertical-align:middle;margin-right:4px}
.layout{display:flex;gap:24px;align-items:flex-start}
aside{min-width:220px;max-width:360px}
table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 6px;text-align:left}
td.a{font-family:monospace}
svg.map text{font:11px monospace;fill:#222}
svg.map .address.minor{fill:#777}
svg.map .columnTitle{font-weight:bold;font-size:13px}
svg.map .breakText{font-style:italic;fill:#444;paint-order:stroke;stroke:#fff;stroke-width:3px}
.break{fill:#eee;stroke:#999;stroke-dasharray:6 3}
.section{stroke:#444;stroke-width:.5}
.k-code{fill:#9fc5e8}.k-romdata{fill:#b6d7a8}.k-other{fill:#d5c3ea}
.unit{fill:#3d6fa8;fill-opacity:.35;stroke:#1c4a7a;stroke-width:.5}
.overlap{fill:#d9312b;fill-opacity:.8}
.fill{fill:url(#hatch)}
.written{fill:#333}
.range{fill:#e69138}
.tick{stroke:#444}
.security .marker{stroke-width:2}.security .leader{stroke:#999;stroke-width:.7}
.security.id .marker{stroke:#a64d79}.security.protect .marker{stroke:#c00}
.security.missing .marker{stroke-dasharray:3 2}
.finding path{stroke:#000;stroke-width:.5}.finding.warning path{fill:#f1c232}.finding.note path{fill:#bbb}
[tabindex]:focus{outline:2px solid #000}
svg.map rect[tabindex]:focus,svg.map g[tabindex]:focus{stroke:#000;stroke-width:2}
#details{position:fixed;right:12px;bottom:12px;max-width:420px;background:#ffe;border:1px solid #888;padding:6px 8px;font:12px monospace}
.warning{color:#8a5a00}
)";

// Hover or focus an element of the map to see its title in a box.
const char script[] = R"(
(function () {
  var box = document.getElementById('details');
  var map = document.querySelector('svg.map');
  if (!box || !map) return;
  function show(event) {
    var element = event.target.closest('[data-kind]');
    if (!element) return;
    var title = element.querySelector('title');
    box.textContent = title ? title.textContent : '';
    box.hidden = false;
  }
  map.addEventListener('mouseover', show);
  map.addEventListener('focusin', show);
})();
)";

std::string swatch(const char *cls) {
    return std::string("<svg width=\"14\" height=\"14\"><rect class=\"") + cls + "\" width=\"14\" height=\"14\"/></svg>";
}

std::string legend() {
    std::string out = "<ul class=\"legend\">\n";
    const struct { const char *cls; const char *what; } items[] = {
        {"section k-code", "code section (kind ..P)"},
        {"section k-romdata", "ROM data section (kind ..R)"},
        {"section k-other", "other section"},
        {"unit", "unit (the bytes one ASP record loads)"},
        {"overlap", "overlap: bytes of more than one unit"},
        {"written", "bytes the file holds (left strip)"},
        {"fill", "gap filled by -F"},
        {"range", "-A: the range written"},
        {"break", "long gap, drawn short"},
    };
    for (const auto &item : items) out += "<li>" + swatch(item.cls) + item.what + "</li>\n";
    out += "<li><svg width=\"14\" height=\"14\"><line x1=\"0\" y1=\"7\" x2=\"14\" y2=\"7\" stroke=\"#a64d79\" "
           "stroke-width=\"2\"/></svg>ID code byte</li>\n"
           "<li><svg width=\"14\" height=\"14\"><line x1=\"0\" y1=\"7\" x2=\"14\" y2=\"7\" stroke=\"#c00\" "
           "stroke-width=\"2\"/></svg>protect or OFS byte (dashed: asked for, not written)</li>\n"
           "<li><svg width=\"14\" height=\"14\"><path d=\"M13 7l-10 -6v12z\" fill=\"#f1c232\" stroke=\"#000\" "
           "stroke-width=\".5\"/></svg>finding (grey: a note)</li>\n</ul>\n";
    return out;
}

std::string modeOf(const DryRun &run) {
    if (run.images.size() > 1 || (run.module && run.module->dualArea) || run.options.dualArea)
        return "dual area: code file and ROM data file";
    if (run.options.recordByRecord) return "record by record (-N)";
    return "normal";
}

std::string header(const DryRun &run, const MapHeader &h) {
    std::string out = "<h1>Memory map of " + escapeHtml(h.moduleName) + "</h1>\n<dl class=\"header\">\n";
    const auto row = [&](const char *term, const std::string &value) {
        out += std::string("<dt>") + term + "</dt><dd>" + value + "</dd>\n";
    };
    row("module", escapeHtml(h.moduleName));
    row("processor", run.module ? escapeHtml(run.module->processor) : "(the module could not be read)");
    row("mode", modeOf(run));
    row("options", h.options.empty() ? "(none)" : escapeHtml(h.options));
    if (run.first() && run.last())
        row("image", hexAddress(*run.first()) + "&#8211;" + hexAddress(*run.last()));
    row("romcast", escapeHtml(std::string(romcast::version())));
    return out + "</dl>\n";
}

std::string leftOutList(const MapContents &contents) {
    std::string out = "<aside>\n<h2>Left out of the image</h2>\n";
    if (contents.leftOut.empty()) return out + "<p>No section.</p>\n</aside>\n";
    out += "<ul class=\"leftOut\">\n";
    for (const LeftOut &l : contents.leftOut)
        out += "<li data-kind=\"leftOut\" data-name=\"" + escapeHtml(l.section->name) + "\">" +
               escapeHtml(l.section->name) + " <span class=\"a\">" + hexAddress(l.section->base) + "</span>, " +
               byteCount(l.section->size) + ": " + escapeHtml(l.why) + "</li>\n";
    return out + "</ul>\n</aside>\n";
}

std::string securityTable(const MapContents &contents) {
    if (contents.security.empty()) return "<h2>Security bytes</h2>\n<p>No ID code or protect byte is asked for.</p>\n";
    std::string out = "<h2>Security bytes</h2>\n<table class=\"security\">\n"
                      "<tr><th>byte</th><th>address</th><th>value</th><th>from</th><th>in the image</th></tr>\n";
    int id = 0;
    for (const MapSecurityByte &b : contents.security) {
        const bool isId = b.asked.what == romcast::SecurityByte::What::id;
        const char *from = sourceWords(b.asked.from).name;
        out += "<tr><td>" + (isId ? "ID code " + std::to_string(++id) : std::string("protect / OFS")) +
               "</td><td class=\"a\">" + hexAddress(b.asked.address) + "</td><td class=\"a\">" + hexByte(b.asked.value) +
               "</td><td>" + from + "</td><td>" + (b.written ? "yes" : "no") + "</td></tr>\n";
    }
    return out + "</table>\n";
}

std::string findingsList(const std::vector<Finding> &findings) {
    std::string out = "<h2>Findings and the converter's warnings</h2>\n";
    if (findings.empty()) return out + "<p>None.</p>\n";
    out += "<ol class=\"findings\">\n";
    for (std::size_t k = 0; k < findings.size() && k < mostListed; ++k) {
        const Finding &f = findings[k];
        const char *kind = f.kind == Finding::Kind::warning ? "warning" : "note";
        out += std::string("<li class=\"") + kind + "\">" + kind +
               (f.address ? " at <span class=\"a\">" + hexAddress(*f.address) + "</span>" : std::string()) + ": " +
               escapeHtml(f.text) + "</li>\n";
    }
    out += "</ol>\n";
    if (findings.size() > mostListed)
        out += "<p>and " + std::to_string(findings.size() - mostListed) + " more (modinspect --check lists them all).</p>\n";
    return out;
}

std::string sectionsTable(const DryRun &run, const MapContents &contents) {
    if (!run.module) return "";
    std::string out = "<h2>Sections</h2>\n<table class=\"sections\">\n"
                      "<tr><th>index</th><th>name</th><th>kind</th><th>base</th><th>size</th><th>goes to</th></tr>\n";
    for (const romcast::Section &s : run.module->sections) {
        std::string where = "left out";
        for (const MapColumn &c : contents.columns)
            for (const romcast::Section *in : c.sections)
                if (in == &s) where = escapeHtml(c.extension);
        out += "<tr><td>" + std::to_string(s.index) + "</td><td>" + escapeHtml(s.name) + "</td><td>" + escapeHtml(s.kind) +
               "</td><td class=\"a\">" + hexAddress(s.base) + "</td><td>" + byteCount(s.size) + "</td><td>" + where +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

// The module's name without folder and extension, as the output files are named.
std::string stemOf(const std::string &name) {
    const std::size_t slash = name.find_last_of("/\\");
    std::string stem = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::size_t dot = stem.find_last_of('.');
    return dot == std::string::npos ? stem : stem.substr(0, dot);
}

}  // namespace

std::string mapPage(const DryRun &run, const std::vector<Finding> &findings, const MapHeader &h) {
    const MapContents contents = mapContents(run);
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        // Nothing may be fetched: the page is all there is.
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "script-src 'unsafe-inline'\">\n"
        "<title>Memory map of " + escapeHtml(h.moduleName) + "</title>\n<style>" + style + "</style>\n</head>\n<body>\n";
    page += header(run, h);
    if (run.error) {
        page += "<p class=\"refused\" data-kind=\"refused\">romcast refuses this conversion (exit status " +
                std::to_string(run.error->exitStatus()) + "): " + escapeHtml(run.error->what()) + "</p>\n";
    } else if (run.images.empty() || !run.first()) {
        page += "<p class=\"refused\">The image holds no byte.</p>\n";
    }
    page += "<h2>Legend</h2>\n" + legend();
    page += "<div class=\"layout\">\n<div>\n";
    if (!contents.columns.empty()) page += mapDrawing(run, contents, findings, stemOf(h.moduleName));
    page += "</div>\n" + leftOutList(contents) + "</div>\n";
    page += securityTable(contents) + findingsList(findings) + sectionsTable(run, contents);
    page += "<div id=\"details\" hidden></div>\n<script>" + std::string(script) + "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace modinspect
