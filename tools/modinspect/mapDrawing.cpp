#include "mapDrawing.h"

#include <algorithm>

#include "mapText.h"
#include "securityWords.h"

namespace modinspect {
namespace {

constexpr double top = 40;
constexpr double stretchHeight = 620;
constexpr double axisWidth = 96;      // address labels, right-aligned
constexpr double findingsLeft = 100;  // finding markers between axis and columns
constexpr double columnsLeft = 132;
constexpr double columnWidth = 300;
constexpr double columnGap = 36;
constexpr double labelWidth = 330;
constexpr double labelSpacing = 14;

// Elements drawn for a run of intervals: those under a pixel tall are drawn
// together with their neighbours, so that a million units give a page of a
// few hundred rectangles.
struct Group {
    Interval span;
    std::size_t count = 0;
    std::size_t firstIndex = 0;
    double from = 0;
    double to = 0;
};

template <typename IntervalOf>
std::vector<Group> groupByPixel(std::size_t n, IntervalOf intervalOf, const Axis &axis) {
    std::vector<Group> groups;
    for (std::size_t k = 0; k < n; ++k) {
        const Interval i = intervalOf(k);
        const double from = axis.at(i.first);
        const double to = axis.below(i.last);
        if (!groups.empty()) {
            Group &g = groups.back();
            if ((g.to - g.from < 1 || to - from < 1) && from - g.to < 1) {
                g.span.last = std::max(g.span.last, i.last);
                g.to = std::max(g.to, to);
                ++g.count;
                continue;
            }
        }
        groups.push_back({i, 1, k, from, to});
    }
    return groups;
}

std::string range(const Interval &i) {
    return hexAddress(i.first) + "&#8211;" + hexAddress(i.last) + ", " +
           byteCount(std::uint64_t{i.last} - i.first + 1);
}

class Svg {
public:
    std::string out;

    // An element a reader may ask about: a rectangle with its addresses and title.
    void rect(const char *kind, const std::string &cls, double x, double y, double w, double h, const Interval &span,
              const std::string &title, const std::string &more = "") {
        out += "<rect class=\"" + cls + "\" data-kind=\"" + kind + "\" data-first=\"" + hexAddress(span.first) +
               "\" data-last=\"" + hexAddress(span.last) + "\"" + more + " tabindex=\"0\" x=\"" + pixels(x) +
               "\" y=\"" + pixels(y) + "\" width=\"" + pixels(w) + "\" height=\"" + pixels(std::max(h, 1.0)) +
               "\"><title>" + title + "</title></rect>\n";
    }
    void text(const std::string &cls, double x, double y, const std::string &content, const char *anchor = "start") {
        out += "<text class=\"" + cls + "\" x=\"" + pixels(x) + "\" y=\"" + pixels(y) + "\" text-anchor=\"" + anchor +
               "\">" + content + "</text>\n";
    }
    void line(const std::string &cls, double x1, double y1, double x2, double y2) {
        out += "<line class=\"" + cls + "\" x1=\"" + pixels(x1) + "\" y1=\"" + pixels(y1) + "\" x2=\"" + pixels(x2) +
               "\" y2=\"" + pixels(y2) + "\"/>\n";
    }
};

// Each break says how much it stands for; written over the columns, whose
// fill may cross it.
void labelBreaks(Svg &svg, const Axis &axis) {
    for (const AxisPiece &piece : axis.pieces()) {
        if (!piece.isBreak) continue;
        svg.text("breakText", columnsLeft + 24, (piece.top + piece.bottom) / 2 + 4,
                 "&#8942; " + byteCount(std::uint64_t{piece.last} - piece.first + 1) + " (" + hexAddress(piece.first) +
                     "&#8211;" + hexAddress(piece.last) + ") drawn short &#8942;");
    }
}

void drawAxis(Svg &svg, const Axis &axis, double width) {
    for (const AxisPiece &piece : axis.pieces()) {
        const Interval span{piece.first, piece.last};
        if (piece.isBreak) {
            svg.rect("gap", "break", 0, piece.top, width, piece.bottom - piece.top, span,
                     range(span) + ", drawn short");
            continue;
        }
        svg.line("tick", axisWidth, piece.top, axisWidth + 4, piece.top);
        svg.text("address", axisWidth - 2, piece.top + 9, hexAddress(piece.first), "end");
        const double height = piece.bottom - piece.top;
        if (height >= 34) {
            svg.text("address", axisWidth - 2, piece.bottom - 2, hexAddress(piece.last), "end");
            // Ticks between, about every 90 pixels, on 16-byte boundaries.
            const std::uint64_t bytes = std::uint64_t{piece.last} - piece.first + 1;
            const int between = int(height / 90);
            for (int k = 1; k <= between && bytes >= 32; ++k) {
                const std::uint32_t at = std::uint32_t((piece.first + bytes * std::uint64_t(k) / std::uint64_t(between + 1)) & ~std::uint64_t{15});
                if (at <= piece.first) continue;
                const double y = axis.at(at);
                svg.line("tick", axisWidth, y, axisWidth + 4, y);
                svg.text("address minor", axisWidth - 2, y + 4, hexAddress(at), "end");
            }
        }
    }
}

std::string sectionTitle(const romcast::Section &s) {
    return "section " + escapeHtml(s.name) + " (kind " + escapeHtml(s.kind) + "): base " + hexAddress(s.base) +
           ", size " + byteCount(s.size);
}

Interval sectionSpan(const romcast::Section &s) {
    return {s.base, std::uint32_t(std::min<std::uint64_t>(std::uint64_t{s.base} + s.size - 1, 0xFFFFFFFF))};
}

std::string kindClass(const romcast::Section &s) {
    const std::string letters = s.kind;
    const char last = letters.empty() ? '\0' : letters.back();
    return last == 'P' ? "k-code" : last == 'R' ? "k-romdata" : "k-other";
}

void drawColumn(Svg &svg, const DryRun &run, const std::string &stem, const MapColumn &column, double x, const Axis &axis) {
    const std::string title = stem + column.extension + (column.code ? ": code file" : "") +
                              (!column.code && run.images.size() > 1 ? ": ROM data file" : "");
    svg.text("columnTitle", x, top - 14, escapeHtml(title));

    const std::string fillByte = run.options.fill ? hexByte(run.options.fill->byte) : "";
    for (const Group &g : groupByPixel(column.filled.size(), [&](std::size_t k) { return column.filled[k]; }, axis))
        svg.rect("fill", "fill", x, g.from, columnWidth, g.to - g.from, g.span,
                 "filled with " + fillByte + " (-F): " + range(g.span), " data-value=\"" + fillByte + "\"");

    for (const romcast::Section *s : column.sections) {
        const Interval span = sectionSpan(*s);
        const double from = axis.at(span.first);
        const double to = axis.below(span.last);
        svg.rect("section", "section " + kindClass(*s), x + 12, from, columnWidth - 12, to - from, span,
                 sectionTitle(*s), " data-name=\"" + escapeHtml(s->name) + "\"");
        if (to - from >= 13)
            svg.text("sectionLabel", x + 16, from + 11,
                     escapeHtml(s->name) + "  " + hexAddress(s->base) + "  " + byteCount(s->size));
    }

    const auto units = groupByPixel(column.units.size(), [&](std::size_t k) { return column.units[k].bytes; }, axis);
    for (const Group &g : units) {
        const std::string title =
            g.count == 1 ? "unit of section " + escapeHtml(column.units[g.firstIndex].section->name) + ": " + range(g.span)
                         : std::to_string(g.count) + " units, drawn as one: " + range(g.span);
        svg.rect("unit", "unit", x + 28, g.from, columnWidth - 56, g.to - g.from, g.span, title);
    }
    for (const Group &g : groupByPixel(column.overlaps.size(), [&](std::size_t k) { return column.overlaps[k]; }, axis))
        svg.rect("overlap", "overlap", x + 20, g.from, columnWidth - 40, g.to - g.from, g.span,
                 "overlap: more than one unit loads " + range(g.span));
    for (const Group &g : groupByPixel(column.written.size(), [&](std::size_t k) { return column.written[k]; }, axis))
        svg.rect("written", "written", x, g.from, 8, g.to - g.from, g.span,
                 "written to " + escapeHtml(column.extension) + ": " + range(g.span));

    if (run.options.range && !axis.empty()) {
        const std::uint32_t first = run.options.range->start;
        const std::uint32_t last = run.options.range->end.value_or(axis.pieces().back().last);
        const Interval span{first, std::max(first, last)};
        const double from = axis.at(span.first);
        const double to = axis.below(span.last);
        svg.rect("range", "range", x + columnWidth - 6, from, 4, to - from, span,
                 "-A: only " + range(span) + " is written");
        svg.text("rangeLabel", x + columnWidth - 8, from + 10, "-A", "end");
    }
}

struct Label {
    const MapSecurityByte *byte;
    double y;
    double at;
};

void drawSecurity(Svg &svg, const MapContents &contents, const DryRun &run, const Axis &axis, double labelsLeft,
                  double &lowest) {
    std::vector<Label> labels;
    for (const MapSecurityByte &b : contents.security)
        labels.push_back({&b, 0, (axis.at(b.asked.address) + axis.below(b.asked.address)) / 2});
    std::stable_sort(labels.begin(), labels.end(), [](const Label &a, const Label &b) { return a.at < b.at; });
    // Labels spread downward so that none covers another; a leader line joins
    // each to its byte.
    double next = 0;
    for (Label &l : labels) {
        l.y = std::max(l.at, next);
        next = l.y + labelSpacing;
    }
    const bool ofs = run.options.protect == romcast::Protect::ofsreg1 || run.options.protect == romcast::Protect::ofsreg2 ||
                     run.options.protect == romcast::Protect::ofsregX;
    int idNumber = 0;
    for (const Label &l : labels) {
        const romcast::SecurityByte &asked = l.byte->asked;
        const bool isId = asked.what == romcast::SecurityByte::What::id;
        if (isId) ++idNumber;
        const char *from = sourceWords(asked.from).name;
        const std::string fromText = sourceWords(asked.from).text;
        const std::string name = isId ? "ID code byte " + std::to_string(idNumber) : ofs ? "OFS byte" : "protect byte";
        const std::string said = name + " at " + hexAddress(asked.address) + ": " + hexByte(asked.value) + " " + fromText +
                                 (l.byte->written ? "" : "; not written");
        const double x = columnsLeft + double(l.byte->column) * (columnWidth + columnGap);
        const std::string cls = std::string("security ") + (isId ? "id" : "protect") + (l.byte->written ? "" : " missing");
        svg.out += "<g class=\"" + cls + "\" data-kind=\"" + (isId ? "id" : "protect") + "\" data-address=\"" +
                   hexAddress(asked.address) + "\" data-value=\"" + hexByte(asked.value) + "\" data-from=\"" + from +
                   "\" data-written=\"" + (l.byte->written ? "yes" : "no") + "\" tabindex=\"0\"><title>" + said +
                   "</title>\n";
        svg.line("marker", x, l.at, x + columnWidth, l.at);
        svg.line("leader", x + columnWidth, l.at, labelsLeft - 4, l.y);
        svg.text("securityLabel", labelsLeft, l.y + 4,
                 (isId ? "ID " + std::to_string(idNumber) : ofs ? std::string("OFS") : std::string("protect")) + "  " +
                     hexAddress(asked.address) + " = " + hexByte(asked.value) + "  " + from +
                     (l.byte->written ? "" : "  (not written)"));
        svg.out += "</g>\n";
        lowest = std::max(lowest, l.y + 10);
    }
}

void drawFindings(Svg &svg, const std::vector<Finding> &findings, const Axis &axis) {
    double lastLabel = -100;
    double lastMarker = -100;
    for (std::size_t k = 0; k < findings.size(); ++k) {
        const Finding &f = findings[k];
        if (!f.address) continue;
        const double y = (axis.at(*f.address) + axis.below(*f.address)) / 2;
        if (y - lastMarker < 1) continue;  // the list below names every one
        lastMarker = y;
        const char *kind = f.kind == Finding::Kind::warning ? "warning" : "note";
        svg.out += std::string("<g class=\"finding ") + kind + "\" data-kind=\"finding\" data-address=\"" +
                   hexAddress(*f.address) + "\" tabindex=\"0\"><title>" + std::to_string(k + 1) + ". " + kind + " at " +
                   hexAddress(*f.address) + ": " + escapeHtml(f.text) + "</title><path d=\"M" +
                   pixels(findingsLeft + 22) + " " + pixels(y) + "l-10 -6v12z\"/>";
        if (y - lastLabel >= 11) {
            svg.text("findingNumber", findingsLeft + 10, y + 4, std::to_string(k + 1), "end");
            lastLabel = y;
        }
        svg.out += "</g>\n";
    }
}

}  // namespace

std::string mapDrawing(const DryRun &run, const MapContents &contents, const std::vector<Finding> &findings,
                       const std::string &stem) {
    std::vector<Interval> marks = marksOf(contents, run);
    for (const Finding &f : findings)
        if (f.address) marks.push_back({*f.address, *f.address});
    const Axis axis = Axis::fit(std::move(marks), top, stretchHeight);
    const double labelsLeft = columnsLeft + double(contents.columns.size()) * (columnWidth + columnGap);
    const double width = labelsLeft + labelWidth;

    Svg svg;
    drawAxis(svg, axis, labelsLeft - columnGap / 2);
    for (std::size_t k = 0; k < contents.columns.size(); ++k)
        drawColumn(svg, run, stem, contents.columns[k], columnsLeft + double(k) * (columnWidth + columnGap), axis);
    labelBreaks(svg, axis);
    double lowest = axis.bottom();
    drawSecurity(svg, contents, run, axis, labelsLeft, lowest);
    drawFindings(svg, findings, axis);
    const double height = lowest + 20;
    return "<svg class=\"map\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + pixels(width) + "\" height=\"" +
           pixels(height) + "\" viewBox=\"0 0 " + pixels(width) + " " + pixels(height) +
           "\" role=\"img\" aria-label=\"memory map\">\n"
           "<defs><pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
           "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"#fdf0d5\"/>"
           "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#e0a040\" stroke-width=\"2\"/></pattern></defs>\n" +
           svg.out + "</svg>\n";
}

}  // namespace modinspect
