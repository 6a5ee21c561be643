#include "moduleView.h"

#include "moduleText.h"

#include "common/hexText.h"

namespace modinspect {

bool startsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

int protectValue(const std::string &text) {
    if (text.size() < 11 || hexDigitValue(text[9]) < 0 || hexDigitValue(text[10]) < 0) return -1;
    return hexDigitValue(text[9]) * 16 + hexDigitValue(text[10]);
}

// The seven ID bytes of an ".ID " text: "#" and hexadecimal digits, or characters.
std::string idBytesOf(const std::string &text) {
    const std::string value = text.substr(4);
    std::uint8_t bytes[7] = {};
    if (startsWith(value, "#")) {
        const std::string_view digits = std::string_view(value).substr(1, 14);
        if (pairHexDigits(digits, bytes) != digits.size()) return "not hexadecimal digits after \"#\"";
    } else {
        for (std::size_t k = 0; k < 7 && k < value.size(); ++k) bytes[k] = static_cast<unsigned char>(value[k]);
    }
    return spacedHex(bytes);
}

std::string spacedHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (const int b : bytes) {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%s%02X", out.empty() ? "" : " ", b);
        out += buffer;
    }
    return out;
}

namespace {

bool numberAt(const Record &r, std::size_t k, std::uint64_t &value) {
    if (k >= r.items.size() || r.items[k].kind != ItemKind::number) return false;
    value = r.items[k].value;
    return true;
}

// The record that begins exactly at `offset`, or -1.
long recordAt(const std::vector<Record> &records, std::uint64_t offset) {
    for (std::size_t k = 0; k < records.size(); ++k)
        if (records[k].offset == offset) return static_cast<long>(k);
    return -1;
}

AttributeText attributeText(const Record &r) {
    AttributeText t;
    t.offset = r.offset;
    t.hasText = r.items.size() > 3 && r.items[3].kind == ItemKind::name;
    if (t.hasText) t.text = r.items[3].text;
    return t;
}

bool isAttributeText(const Record &r) {
    std::uint64_t attribute;
    return r.type == rec::ATN && numberAt(r, 2, attribute) && attribute == idTextAttribute;
}

void readIdSettings(const std::vector<Record> &records, ModuleView &view) {
    // Without an environment part the scan starts at the file's first record.
    auto found = view.parts.find(1);
    long k = recordAt(records, found == view.parts.end() ? 0 : found->second);
    if (k < 0 || records[k].type != rec::NN) return;
    ModuleIdSettings &id = view.id;
    id.scanned = true;
    for (++k; static_cast<std::size_t>(k) < records.size() && records[k].type == rec::ATN; ++k) {
        if (!isAttributeText(records[k])) continue;
        const AttributeText t = attributeText(records[k]);
        // The converter counts only the attributes whose value is a text.
        if (!t.hasText) continue;
        if (id.texts.size() == 3) {
            if (startsWith(t.text, ".ID ") || startsWith(t.text, ".PROTECT ")) id.unread.push_back(t);
            continue;
        }
        id.texts.push_back(t);
        const int at = static_cast<int>(id.texts.size()) - 1;
        if (startsWith(t.text, "REV.F")) {
        } else if (startsWith(t.text, ".ID ")) {
            id.idText = at;
        } else if (startsWith(t.text, ".PROTECT ")) {
            id.protectText = at;
        }
    }
}

void readSections(const std::vector<Record> &records, ModuleView &view) {
    auto found = view.parts.find(2);
    long k = found == view.parts.end() || found->second == 0 ? -1 : recordAt(records, found->second);
    while (k >= 0 && static_cast<std::size_t>(k) < records.size() && records[k].type == rec::ST) {
        const Record &st = records[k];
        Section s;
        s.offset = st.offset;
        numberAt(st, 0, s.index);
        for (const Item &item : st.items) {
            if (item.kind == ItemKind::letters && s.letters.empty()) s.letters = item.text;
            if (item.kind == ItemKind::name && s.name.empty()) s.name = item.text;
        }
        // ST, one record (SA in a linker's output), then ASS and ASL.
        const std::size_t ass = static_cast<std::size_t>(k) + 2, asl = ass + 1;
        if (asl >= records.size() || records[ass].type != rec::ASS || records[asl].type != rec::ASL ||
            !numberAt(records[ass], 1, s.size) || !numberAt(records[asl], 1, s.base)) {
            char text[128];
            std::snprintf(text, sizeof text, "section %llu at 0x%zX: not followed by a record and ASS, ASL"
                          " with plain numbers", static_cast<unsigned long long>(s.index), st.offset);
            view.problems.push_back(text);
            break;
        }
        const char last = s.letters.empty() ? '\0' : s.letters.back();
        s.inExtent = s.size != 0 && last != 'D';
        if (s.size == 0) {
            s.fate = "dropped: size 0";
        } else if (last == 'D') {
            s.fate = "dropped: 'D' section";
        } else if (!view.dualArea) {
            s.fate = "kept";
            s.image = Image::normal;
        } else if (last == 'P') {
            s.fate = "kept: CODE";
            s.image = Image::code;
        } else if (last == 'R') {
            s.fate = "kept: ROMDATA";
            s.image = Image::romdata;
        } else {
            s.fate = "dropped: neither P nor R in dual-area mode";
        }
        view.sections.push_back(s);
        k = static_cast<long>(asl) + 1;
    }
}

// The section a unit goes into: the first kept one of its index, code sections first.
long homeOf(const ModuleView &view, std::uint64_t index) {
    for (Image image : {Image::normal, Image::code, Image::romdata})
        for (std::size_t s = 0; s < view.sections.size(); ++s)
            if (view.sections[s].index == index && view.sections[s].image == image) return static_cast<long>(s);
    return -1;
}

// Each ASP record begins a unit; its LD records (times a preceding RE count)
// give its bytes.
void readUnits(const std::vector<Record> &records, ModuleView &view) {
    auto found = view.parts.find(5);
    long k = found == view.parts.end() || found->second == 0 ? -1 : recordAt(records, found->second);
    Unit *current = nullptr;
    std::uint64_t repeat = 0;
    for (; k >= 0 && static_cast<std::size_t>(k) < records.size(); ++k) {
        const Record &r = records[k];
        if (r.type == rec::ASG || r.type == rec::ME) break;
        if (r.type == rec::ASP) {
            Unit unit;
            unit.offset = r.offset;
            numberAt(r, 0, unit.section);
            numberAt(r, 1, unit.address);
            unit.home = homeOf(view, unit.section);
            view.units.push_back(unit);
            current = &view.units.back();
            repeat = 0;
        } else if (r.type == rec::LD && current != nullptr && !r.items.empty() &&
                   r.items[0].kind == ItemKind::loadData) {
            current->bytes += r.items[0].bytes.size() * (repeat > 0 ? repeat : 1);
            repeat = 0;
        } else if (r.type == rec::RE) {
            numberAt(r, 0, repeat);
        } else if (r.type != rec::SB && r.type != rec::LD) {
            char text[128];
            std::snprintf(text, sizeof text, "data part: a %s record at 0x%zX ends the data part early",
                          r.mnemonic, r.offset);
            view.problems.push_back(text);
            break;
        }
    }
}


}  // namespace

ModuleView viewModule(const std::vector<Record> &records, std::size_t fileSize) {
    ModuleView view;
    view.fileSize = fileSize;
    view.recordCount = records.size();
    view.hasMB = !records.empty() && records[0].type == rec::MB;
    std::vector<std::string> names;  // of the MB record: processor, module
    if (view.hasMB)
        for (const Item &item : records[0].items)
            if (item.kind == ItemKind::name) names.push_back(item.text);
    names.resize(2);
    view.processor = names[0];
    view.name = names[1];
    view.dualArea = view.processor == "TQ40/51X";
    if (!view.hasMB) {
        view.problems.push_back("the module does not begin with an MB record");
    } else if (view.processor != "TQ40" && !view.dualArea) {
        view.problems.push_back("processor " + quoteName(view.processor) + " is neither \"TQ40\" nor \"TQ40/51X\"");
    }
    for (const Record &r : records) {
        ++view.recordCounts[r.mnemonic];
        std::uint64_t index, offset;
        if (aswFields(r, index, offset)) view.parts[index] = offset;
        if (isAttributeText(r)) view.attributeTexts.push_back(attributeText(r));
    }
    for (std::uint64_t index : {2, 5, 6}) {
        auto found = view.parts.find(index);
        if (found == view.parts.end() || found->second == 0)
            view.problems.push_back(std::string("no ") + partName(index) + " (ASW " + std::to_string(index) + ")");
    }
    readIdSettings(records, view);
    if (view.hasMB && !view.id.scanned) view.problems.push_back("the environment part does not begin with an NN record");
    readSections(records, view);
    readUnits(records, view);
    return view;
}

// "3 units, 0x0F0000..0x0F0023, 36 bytes" for the units of one section index.
std::string describeUnits(const ModuleView &view, std::uint64_t index) {
    std::size_t count = 0;
    std::uint64_t low = UINT64_MAX, high = 0, bytes = 0;
    for (const Unit &u : view.units) {
        if (u.section != index) continue;
        ++count;
        bytes += u.bytes;
        if (u.address < low) low = u.address;
        if (u.end() > high) high = u.end();
    }
    if (count == 0) return "no units";
    std::string out = std::to_string(count) + (count == 1 ? " unit, " : " units, ");
    if (bytes == 0) return out + "at " + hexAddress(low) + ", no bytes";
    return out + hexAddress(low) + ".." + hexAddress(high - 1) + ", " + std::to_string(bytes) + " bytes";
}

}  // namespace modinspect
