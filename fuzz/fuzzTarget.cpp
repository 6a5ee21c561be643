// The fuzzing target: one whole converter run in process per input. The
// input's first byte chooses a fixed option set, the other bytes are the load
// module. Every run ends with an exit status of 0 to 4, which is an expected
// outcome; a finding is a crash, a sanitizer report (both abort), a run that
// libFuzzer finds too slow, memory that grows from run to run, a stream left
// open or a temporary file left behind, or a difference of the cross-check.
//
// The cross-check: an input that converts is converted in all three forms
// with the same other options. The S-record and Intel HEX files must decode to
// the same memory image (fuzz/imageDecoder.cpp, written apart from the
// writers); the security bytes must stand where the ID report says; a binary
// image must hold its own length and sum and the bytes of the text forms.
// Where the converter, as it is meant to, writes an image that is not the
// module's memory (a shape with a case folder under tests/e2e/cases/fuzz/),
// the cross-check lets it pass only if modinspect's pre-flight of the same
// module and options names every byte the image holds otherwise or lacks.
//
// Files live in memory (memoryFiles.cpp stands in for the platform's file
// system), so a run touches no disk and its outputs are read where they were
// written.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <romcast/romcast.h>

#include "dryRun.h"
#include "findings.h"
#include "imageDecoder.h"
#include "memoryFiles.h"
#include "moduleRecords.h"

namespace {

// The option sets; the input's first byte modulo their number picks one. The
// output form comes first ("-H", "-B" or none for S-records); the cross-check
// runs the other options under each form. Fills and ranges stay within 256
// bytes where most test modules load, so that no input spends its time on
// padding.
struct OptionSet {
    const char *form;
    std::vector<const char *> options;
    bool idBytesWritten;  // every byte of an ID report must be in the text image
};
const OptionSet optionSets[] = {
    {nullptr, {}, true},
    {"-H", {}, true},
    {"-B", {}, true},
    {nullptr, {"-L", "-F", "A5:1000:10FF"}, false},
    {"-H", {"-A", "1000:10FF", "-F", "0:1000:1080"}, false},
    {nullptr, {"-ID#00112233445566", "-protect1"}, true},
    {nullptr, {"+debug"}, true},
    {nullptr, {"-N"}, false},
    {nullptr, {"-TQ8", "-ID"}, true},
    {"-B", {"-A", "1000"}, false},
    // A fill with no range, which the binary form takes too: the text forms
    // may then write an address twice (case fuzz/fillTakesBackEmptyUnitStart).
    {nullptr, {"-F", "A5"}, false},
};
constexpr std::size_t optionSetCount = sizeof optionSets / sizeof optionSets[0];

bool hasOption(const OptionSet &set, std::string_view option) {
    return std::find(set.options.begin(), set.options.end(), option) != set.options.end();
}

const std::string moduleName = "fuzz.tqx";

using Files = std::vector<memoryFiles::FileCopy>;
using Records = std::vector<moduleRecords::RecordView>;

struct Outcome {
    int status;
    Files files;  // what the run left, the module aside
    bool cancelled;  // it wrote more than `writeBudget` and was stopped
};

// What one run may write before it is stopped: the S-records of a 16 KiB
// image, and more than the binary images that are not passed over. Counts of
// loop turns are features to libFuzzer, so a campaign drifts towards inputs
// that write ever more; with a megabyte allowed, such inputs took three
// quarters of a campaign's time after fifteen minutes.
constexpr std::size_t writeBudget = 64 << 10;

// How the runs ended, printed when the process ends: the share of inputs
// that convert shows how far the mutated modules stay readable.
struct Tally {
    unsigned long inputs = 0;
    unsigned long passedOver = 0;
    unsigned long converted = 0;
    unsigned long crossChecked = 0;
    unsigned long preflights = 0;  // inputs held to the pre-flight's findings
    ~Tally() {
        std::fprintf(stderr, "romcast fuzz: %lu inputs, %lu passed over, %lu converted, %lu cross-checked, %lu held to the pre-flight\n",
                     inputs, passedOver, converted, crossChecked, preflights);
    }
};
Tally tally;

[[noreturn]] void differ(const std::string &what) {
    std::fprintf(stderr, "romcast fuzz: %s\n", what.c_str());
    std::abort();
}

// The console: written to and never read.
std::FILE *openConsole() {
    cookie_io_functions_t discard{};
    discard.write = [](void *, const char *, std::size_t size) { return static_cast<ssize_t>(size); };
    std::FILE *console = fopencookie(nullptr, "w", discard);
    if (console == nullptr) differ("no console stream");
    return console;
}

// The module's run under the output form `form` with the other options of `set`.
Outcome convertAs(std::string_view module, const char *form, const OptionSet &set) {
    static std::FILE *const console = openConsole();
    memoryFiles::removeAll();
    memoryFiles::store(moduleName, module);
    std::vector<std::string> args;
    args.reserve(3 + set.options.size());
    args.emplace_back("-.");
    if (form != nullptr) args.emplace_back(form);
    for (const char *option : set.options) args.emplace_back(option);
    args.push_back(moduleName);
    std::atomic<bool> cancel{false};
    memoryFiles::limitWrites(writeBudget, &cancel);
    const int status = romcast::run(args, console, &cancel);
    memoryFiles::limitWrites(0, nullptr);
    Outcome outcome{status, memoryFiles::takeAllBut(moduleName), cancel.load()};
    if (outcome.status < 0 || outcome.status > 4) differ("exit status " + std::to_string(outcome.status));
    if (memoryFiles::openStreams() != 0) differ("a stream was left open");
    for (const auto &file : outcome.files)
        if (file.name[0] == '.') differ("the temporary file " + file.name + " was left");
    return outcome;
}

const std::string *fileOf(const Outcome &outcome, const std::string &name) {
    const auto found = std::find_if(outcome.files.begin(), outcome.files.end(),
                                    [&](const memoryFiles::FileCopy &file) { return file.name == name; });
    return found == outcome.files.end() ? nullptr : &found->bytes;
}

std::string hexText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

// The S-record file and the Intel HEX file of one output decode to one image.
void compareTextForms(const Outcome &s, const Outcome &hex, const std::string &sName, const std::string &hexName) {
    const std::string *sFile = fileOf(s, sName);
    const std::string *hexFile = fileOf(hex, hexName);
    if ((sFile == nullptr) != (hexFile == nullptr)) differ("only one of " + sName + " and " + hexName + " exists");
    if (sFile == nullptr) return;
    const MemoryImage fromHex = decodeIntelHex(*hexFile);
    if (!fromHex.error.empty()) differ(hexName + ": " + fromHex.error);
    // Intel HEX keeps address bits 16 to 19 in its segment records, 16 to 23 in its bank records.
    const MemoryImage fromS = decodeSRecords(*sFile, fromHex.usesBankRecords ? 0xFFFFFF : 0xFFFFF);
    if (!fromS.error.empty()) differ(sName + ": " + fromS.error);
    if (fromS.bytes == fromHex.bytes) return;
    std::size_t i = 0;
    while (i < fromS.bytes.size() && i < fromHex.bytes.size() && fromS.bytes[i] == fromHex.bytes[i]) ++i;
    differ(sName + " and " + hexName + " differ: " + std::to_string(fromS.bytes.size()) + " and " +
           std::to_string(fromHex.bytes.size()) + " bytes, the first difference at byte " + std::to_string(i) +
           (i < fromS.bytes.size() ? " (address " + hexText(fromS.bytes[i].address) + " in the S-records)" : ""));
}

const MemoryImage::Byte *byteAt(const MemoryImage &image, std::uint32_t address) {
    const auto found = std::lower_bound(image.bytes.begin(), image.bytes.end(), address,
                                        [](const MemoryImage::Byte &byte, std::uint32_t a) { return byte.address < a; });
    return found != image.bytes.end() && found->address == address ? &*found : nullptr;
}

// Every "address : byte" line of the ID report names a byte of the image. An ID
// code byte that the image lacks is a difference only where the option set
// writes them all and the data end below them: data that reaches past them
// stops the records that would place them. The protect byte may be missing
// for the same reason after an empty unit, which leaves no byte to see.
// `protectPlaced` false: the image keeps the module's own byte at the protect
// address, which "-N" never replaces (case fuzz/protectNotPlacedInDirectConversion).
// Returns the bytes it lets the image lack or differ at.
std::vector<MemoryImage::Byte> checkIdReport(const std::string &report, const MemoryImage &image, bool allWritten, bool protectPlaced) {
    struct Line {
        std::string text;
        unsigned address;
        unsigned value;
    };
    // The byte lines end the report: seven, and the protect byte's when the
    // last names the top of the address space. The heading before them may
    // itself hold line ends, when the module's ID text does.
    std::vector<std::string> texts;
    for (std::size_t start = 0; start < report.size();) {
        const std::size_t end = report.find('\n', start);
        if (end == std::string::npos) differ("the ID report ends without a line end");
        texts.push_back(report.substr(start, end - start));
        start = end + 1;
    }
    const std::size_t count = !texts.empty() && texts.back().compare(1, 4, "FFFF") == 0 ? 8 : 7;
    if (texts.size() < count + 1) differ("the ID report has " + std::to_string(texts.size()) + " lines");
    std::vector<Line> lines;
    std::vector<MemoryImage::Byte> excused;
    for (std::size_t i = texts.size() - count; i < texts.size(); ++i) {
        Line line{texts[i], 0, 0};
        char tail = 0;
        if (line.text.size() != 10 || std::sscanf(line.text.c_str(), "%5X : %2X%c", &line.address, &line.value, &tail) != 2)
            differ("the ID report line \"" + line.text + "\" is malformed");
        lines.push_back(line);
    }
    if (lines.size() != 7 && lines.size() != 8) differ("the ID report has " + std::to_string(lines.size()) + " byte lines");
    const auto named = [&](std::uint32_t address) {
        return std::any_of(lines.begin(), lines.end(), [&](const Line &line) { return line.address == address; });
    };
    bool dataBelow = !image.bytes.empty();
    for (const MemoryImage::Byte &byte : image.bytes)
        if (!named(byte.address) && byte.address >= lines.front().address) dataBelow = false;
    for (const Line &line : lines) {
        const MemoryImage::Byte *byte = byteAt(image, line.address);
        const bool idCodeByte = &line - lines.data() < 7;
        if (byte == nullptr && allWritten && dataBelow && idCodeByte) differ("the ID report names " + line.text + " and the image has no byte there");
        if (byte != nullptr && byte->value != line.value && (idCodeByte || protectPlaced))
            differ("the ID report names " + line.text + " and the image holds " + hexText(byte->value) + " there");
        if (byte == nullptr || byte->value != line.value)
            excused.push_back(MemoryImage::Byte{line.address, static_cast<std::uint8_t>(line.value)});
    }
    return excused;
}

// The pre-flight of the module under the option set's other options, in
// S-records (the image compared): a shape the cross-check lets pass must not
// pass it unnamed.
struct Preflight {
    modinspect::DryRun run;
    std::vector<modinspect::Finding> findings;

    // Whether a warning spans `address`; with `cut`, a note of the range
    // that leaves it out does too.
    bool names(std::uint32_t address, bool cut = false) const {
        return std::any_of(findings.begin(), findings.end(), [&](const modinspect::Finding &f) {
            return f.address && *f.address <= address && address <= f.through.value_or(*f.address) &&
                   (f.kind == modinspect::Finding::Kind::warning ||
                    (cut && f.text.find("outside the range") != std::string::npos));
        });
    }
    bool securityAt(std::uint32_t address) const {
        return std::any_of(run.result.security.begin(), run.result.security.end(),
                           [&](const romcast::SecurityByte &b) { return b.address == address; });
    }
};

Preflight preflightOf(std::string_view module, const OptionSet &set) {
    std::vector<std::string> args(set.options.begin(), set.options.end());
    args.push_back(moduleName);
    Preflight preflight;
    preflight.run = modinspect::dryRun({reinterpret_cast<const std::uint8_t *>(module.data()), module.size()},
                                       romcast::parseCommandLine(args));
    preflight.findings = modinspect::preflightFindings(preflight.run);
    return preflight;
}

// Where the cross-check lets the image lack a security byte, the pre-flight
// must warn about it. A byte the CODE file of a dual-area run holds is in the
// output all the same, as the pre-flight counts.
void checkSecurityNamed(const Preflight &preflight, const std::vector<MemoryImage::Byte> &excused, const MemoryImage &code) {
    for (const MemoryImage::Byte &b : excused) {
        const MemoryImage::Byte *held = byteAt(code, b.address);
        if ((held == nullptr || held->value != b.value) && !preflight.names(b.address))
            differ("the image lacks the security byte at " + hexText(b.address) + " and the pre-flight does not say so");
    }
}

// Where the cross-check lets the text image pass though it is not the
// module's memory, the pre-flight must name every byte of the module the image
// holds otherwise (a warning) or not at all (a warning, or a note of the
// range that cuts it). `binary` holds what a binary image has where the text
// forms differ from it: the module's byte, else the binary image is what is
// wrong, which the pre-flight in S-records cannot see. Security bytes are
// checked apart; a module the converter reads whole only under "-N" has no
// memory to hold the image against.
void checkDisplacedNamed(const Preflight &preflight, const MemoryImage &image, const MemoryImage &code,
                         const std::vector<MemoryImage::Byte> &binary, std::string_view shape) {
    if (!preflight.run.module) return;
    std::vector<std::uint32_t> twice;
    const std::vector<modinspect::Loaded> memory = modinspect::moduleMemory(preflight.run, twice);
    for (const modinspect::Loaded &loaded : memory) {
        const MemoryImage::Byte *held = byteAt(image, loaded.address);
        if (held == nullptr) held = byteAt(code, loaded.address);
        if ((held != nullptr && held->value == loaded.value) || preflight.securityAt(loaded.address)) continue;
        if (!preflight.names(loaded.address, held == nullptr))
            differ(std::string(shape) + ": the module loads " + hexText(loaded.value) + " at " + hexText(loaded.address) +
                   ", the image holds " + (held != nullptr ? hexText(held->value) : std::string("nothing")) +
                   ", and the pre-flight does not say so");
    }
    for (const MemoryImage::Byte &b : binary) {
        const auto found = std::lower_bound(memory.begin(), memory.end(), b.address,
                                            [](const modinspect::Loaded &l, std::uint32_t a) { return l.address < a; });
        if (found != memory.end() && found->address == b.address && found->value != b.value)
            differ(std::string(shape) + ": the binary image holds " + hexText(b.value) + " at " + hexText(b.address) +
                   " where the module loads " + hexText(found->value));
    }
}

// The offset of a part as the header gives it: the run of ASW records after
// MB and the record that follows it, the last for the part's index (2 for the
// sections, 5 for the data).
bool partOffset(const Records &records, std::uint32_t index, std::uint32_t &offset) {
    bool found = false;
    for (std::size_t i = 2; i < records.size() && records[i].type == moduleRecords::ASW; ++i) {
        const moduleRecords::NumberItems numbers = moduleRecords::leadingNumbers(records[i], 2);
        if (numbers.size() == 2 && numbers[0].value == index) {
            offset = numbers[1].value;
            found = true;
        }
    }
    return found;
}

// A binary image holds its length and sum, and at every address of its range
// the byte the text forms give (the gaps it fills are not compared). An
// address the text forms write twice is not compared either: a unit that
// starts inside the data before it takes the fill back over that data there,
// while the binary image only ever pads forward.
// Where the binary image differs there, the text forms hold another byte than
// the module loads (case fuzz/fillTakesBackEmptyUnitStart): returns the binary
// image's bytes there.
std::vector<MemoryImage::Byte> compareBinaryImage(const std::string &binary, const MemoryImage &text, const Records &records,
                        const OptionSet &set) {
    const std::string problem = ::checkBinaryImage(binary);
    if (!problem.empty()) differ("the binary image: " + problem);
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<unsigned char>(binary[static_cast<std::size_t>(i)]);
    // The image spans the "-A" range, else the sections.
    std::uint32_t start = 0;
    const auto range = std::find(set.options.begin(), set.options.end(), std::string_view("-A"));
    if (range != set.options.end()) {
        start = static_cast<std::uint32_t>(std::strtoul(range[1], nullptr, 16));
    } else {
        std::uint32_t sections = 0;
        std::uint32_t highest = 0;
        if (!partOffset(records, 2, sections) || !moduleRecords::sectionExtent(records, sections, start, highest)) return {};
        if (length != highest - start + 9)
            differ("the binary image says " + std::to_string(length) + " bytes, its sections span " + hexText(start) + " to " + hexText(highest));
        // A section whose end wraps past 32 bits leaves the bounds reversed:
        // the header then counts round the address space, and no byte is written.
        if (highest < start) {
            if (binary.size() != 8) differ("the binary image of reversed bounds holds bytes");
            return {};
        }
    }
    if (length != binary.size()) differ("the binary image is " + std::to_string(binary.size()) + " bytes and says " + std::to_string(length));
    const std::uint32_t count = length - 8;
    std::vector<MemoryImage::Byte> takenBack;
    for (const MemoryImage::Byte &byte : text.bytes) {
        if (byte.address < start || byte.address - start >= count) continue;
        const auto held = static_cast<unsigned char>(binary[4 + byte.address - start]);
        if (held == byte.value) continue;
        if (!std::binary_search(text.rewritten.begin(), text.rewritten.end(), byte.address))
            differ("the binary image holds " + hexText(held) + " at " + hexText(byte.address) + ", the text forms " + hexText(byte.value));
        takenBack.push_back(MemoryImage::Byte{byte.address, held});
    }
    return takenBack;
}

// Outputs larger than this are not cross-checked: decoding them would take
// long under the sanitizers, and small images exercise the same records.
constexpr std::size_t crossCheckLimit = writeBudget;

std::size_t totalBytes(const Outcome &outcome) {
    std::size_t total = 0;
    for (const auto &file : outcome.files) total += file.bytes.size();
    return total;
}

// Whether a binary image of the module would exceed 16 KiB: it runs from the
// "-A" start or the lowest section to the highest section, however far apart,
// and a megabyte of padding takes milliseconds and finds nothing a small image
// would not.
bool binaryTooLarge(const Records &records, const OptionSet &set) {
    std::uint32_t sections = 0;
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;
    if (!partOffset(records, 2, sections) || !moduleRecords::sectionExtent(records, sections, lowest, highest)) return false;
    const auto range = std::find(set.options.begin(), set.options.end(), std::string_view("-A"));
    if (range != set.options.end()) lowest = static_cast<std::uint32_t>(std::strtoul(range[1], nullptr, 16));
    return highest >= lowest && highest - lowest >= 0x4000;
}

// Whether an RE record repeats its data more than 256 times: a module may ask
// for gigabytes of output that way, which is no fault of the converter, and
// even 4096 repeats of 255 bytes make every run of it take milliseconds.
bool repeatsHugely(const Records &records) {
    for (const moduleRecords::RecordView &record : records) {
        if (record.type != moduleRecords::RE) continue;
        const moduleRecords::NumberItems count = moduleRecords::leadingNumbers(record, 1);
        if (count.empty() || count[0].value > 256) return true;
    }
    return false;
}

// The records of the data part, cut again from its own offset: the converter
// reads them from there, which may lie inside what the cut of the whole
// module took for one record.
void dataPart(std::string_view module, const Records &records, Records &data) {
    std::uint32_t offset = 0;
    if (!partOffset(records, 5, offset) || offset >= module.size()) {
        data.clear();
        return;
    }
    moduleRecords::cut(module.substr(offset), data);
}

// The address an ASP record sets, when it is a plain number. Its section index
// may be any byte, as the converter reads it.
std::optional<std::uint32_t> unitAddress(const moduleRecords::RecordView &record) {
    std::uint32_t address = 0;
    if (record.type != moduleRecords::ASP || !moduleRecords::indexedValue(record, address)) return std::nullopt;
    return address;
}

// Whether a unit's data runs past the top of the 32-bit address space: its
// ASP address and the bytes of its LD records, up to the next SB or ME record,
// each as often as an RE record before it asks.
bool dataRunsPastTop(const Records &records) {
    using namespace moduleRecords;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::optional<std::uint32_t> address = unitAddress(records[i]);
        if (!address) continue;
        std::uint64_t end = *address;
        std::uint64_t repeat = 1;
        for (std::size_t j = i + 1; j < records.size() && records[j].type != SB && records[j].type != ME; ++j) {
            if (records[j].type == RE) {
                const NumberItems count = leadingNumbers(records[j], 1);
                repeat = count.empty() || count[0].value == 0 ? 1 : count[0].value;
            } else if (records[j].type == LD && records[j].bytes.size() > 1) {
                end += static_cast<unsigned char>(records[j].bytes[1]) * repeat;
                repeat = 1;
            }
        }
        if (end > 0x100000000) return true;
    }
    return false;
}

// Whether an ASP record moves to address 0 with no LD record after it in its
// unit's run. A run that ends so leaves the last data address at 0, which the
// writers take for no data at all: they then write no security records, though
// the ID report names them (case fuzz/noSecurityRecordsAfterMoveToZero).
bool emptyMoveToZero(const Records &records) {
    using namespace moduleRecords;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (unitAddress(records[i]) != 0u) continue;
        std::size_t j = i + 1;
        while (j < records.size() && records[j].type != LD && records[j].type != ASP && records[j].type != SB &&
               records[j].type != ME)
            ++j;
        if (j == records.size() || records[j].type != LD) return true;
    }
    return false;
}

// Whether an ASP record sets the address 0xFFFFFF: the text writers start
// there, meaning "no address yet", so a first unit at that address is no move
// to them, and they record its bytes from address 0 on, where the binary
// image has none of them (case fuzz/unitAtWritersStartAddress).
bool unitAtWritersStart(const Records &records) {
    return std::any_of(records.begin(), records.end(),
                       [](const moduleRecords::RecordView &record) { return unitAddress(record) == 0xFFFFFFu; });
}

// The same module and options in the three forms; `first` is the run of the
// option set's own form.
void crossCheck(std::string_view module, const Records &records, const OptionSet &set, Outcome first) {
    if (totalBytes(first) > crossCheckLimit) return;
    ++tally.crossChecked;
    const std::string_view form = set.form == nullptr ? "" : set.form;
    const Outcome s = form.empty() ? std::move(first) : convertAs(module, nullptr, set);
    const Outcome hex = form == "-H" ? std::move(first) : convertAs(module, "-H", set);
    if (s.cancelled || hex.cancelled) return;
    if (s.status != 0 || hex.status != 0) differ("the run converts in one form but not in the other");
    // With a range given, a unit that runs past the top of the 32-bit address
    // space leaves no comparable image: a byte outside the range is dropped
    // while the record's address stays, or moves with it, so the bytes kept
    // after the wrap are recorded where the dropped ones stood; Intel HEX
    // starts a new record at the bank change, S-records do not (cases
    // fuzz/rangeEndBeforeAddressWrap and ...Hex).
    const bool rangeGiven = hasOption(set, "-A") || hasOption(set, "-F");
    static Records data;  // kept from input to input, as `records` below
    dataPart(module, records, data);
    const std::string *image = fileOf(s, "fuzz.mot");
    const std::string *romData = fileOf(s, "fuzz.mdt");
    const std::string *codeFile = fileOf(s, "fuzz.mcd");
    const MemoryImage full = decodeSRecords(image != nullptr ? *image : romData != nullptr ? *romData : "", 0xFFFFFFFF);
    const MemoryImage code = decodeSRecords(codeFile != nullptr ? *codeFile : "", 0xFFFFFFFF);
    std::optional<Preflight> preflight;  // asked for once, where an allowance is made
    const auto asked = [&]() -> const Preflight & {
        if (!preflight) {
            preflight = preflightOf(module, set);
            ++tally.preflights;
        }
        return *preflight;
    };
    if (rangeGiven && dataRunsPastTop(data)) {
        checkDisplacedNamed(asked(), full, code, {}, "a range cuts a unit that wraps round the address space");
        return;
    }
    compareTextForms(s, hex, "fuzz.mot", "fuzz.hex");
    compareTextForms(s, hex, "fuzz.mcd", "fuzz.hcd");
    compareTextForms(s, hex, "fuzz.mdt", "fuzz.hdt");

    // The security bytes go to the one image, or to the ROM data file of two.
    const std::string *report = fileOf(s, "fuzz.id");
    const std::string *hexReport = fileOf(hex, "fuzz.id");
    if ((report == nullptr) != (hexReport == nullptr) || (report != nullptr && *report != *hexReport))
        differ("the ID reports of the S-record and the Intel HEX run differ");
    if (report != nullptr) {
        const std::vector<MemoryImage::Byte> excused = checkIdReport(
            *report, full, set.idBytesWritten && image != nullptr && !emptyMoveToZero(data), !hasOption(set, "-N"));
        if (!excused.empty()) checkSecurityNamed(asked(), excused, code);
    }

    // A unit at the writers' start address has its bytes recorded from address
    // 0 on, where the binary image has none (case fuzz/unitAtWritersStartAddress).
    if (unitAtWritersStart(data)) {
        checkDisplacedNamed(asked(), full, code, {}, "a unit at the writers' start is recorded from address 0");
        return;
    }
    // A binary image may be refused (two areas, data that goes back).
    if (form != "-B" && binaryTooLarge(records, set)) return;
    const Outcome binary = form == "-B" ? std::move(first) : convertAs(module, "-B", set);
    if (binary.status != 0 || binary.cancelled) return;
    const std::string *bytes = fileOf(binary, "fuzz.bin");
    if (bytes == nullptr) differ("the binary run made no image");
    if (image == nullptr) return;
    const std::vector<MemoryImage::Byte> takenBack = compareBinaryImage(*bytes, full, records, set);
    if (!takenBack.empty())
        checkDisplacedNamed(asked(), full, code, takenBack, "the text forms write an address twice and differ from the binary image");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view module(reinterpret_cast<const char *>(data + 1), size - 1);
    const OptionSet &set = optionSets[data[0] % optionSetCount];
    // Inputs that ask for megabytes of output are passed over; a run needs less
    // than a millisecond otherwise.
    ++tally.inputs;
    // Kept from input to input: under AddressSanitizer every allocation costs
    // about a microsecond.
    static Records records;
    moduleRecords::cut(module, records);
    if (repeatsHugely(records) || (set.form != nullptr && set.form == std::string_view("-B") && binaryTooLarge(records, set))) {
        ++tally.passedOver;
        return 0;
    }
    Outcome first = convertAs(module, set.form, set);
    if (first.cancelled) ++tally.passedOver;
    if (first.status == 0) {
        ++tally.converted;
        crossCheck(module, records, set, std::move(first));
    }
    memoryFiles::removeAll();
    return 0;
}
