// The pre-flight against the conversion: for the modules of the case folders
// and the examples under a spread of option sets, what "modinspect --check
// --json" predicts (the exit status, the image's first and last address, the
// ID code and protect bytes with their addresses) is what romcast then writes,
// read back from its outputs. The bytes asked for are those its ID report lists.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <romcast/romcast.h>

#include "e2e/harness.h"

namespace {

using Memory = std::map<std::uint32_t, unsigned>;  // address to byte

unsigned hexByte(const std::string &text, std::size_t at) { return std::stoul(text.substr(at, 2), nullptr, 16); }

// S1, S2 and S3 data records.
void readSRecords(const std::string &text, Memory &memory) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 4 || line[0] != 'S' || line[1] < '1' || line[1] > '3') continue;
        const std::size_t addressBytes = static_cast<std::size_t>(line[1] - '0') + 1;
        const std::size_t count = hexByte(line, 2) - addressBytes - 1;
        // An S2 record above 24 bits keeps every digit of its address: the
        // digits are what the line holds besides the count, data and checksum.
        const std::size_t digits = line.size() - 4 - 2 * (count + 1);
        const std::uint32_t address = std::stoul(line.substr(4, digits), nullptr, 16);
        for (std::size_t i = 0; i < count; ++i)
            memory[static_cast<std::uint32_t>(address + i)] = hexByte(line, 4 + digits + 2 * i);
    }
}

// Data records, with segment (02), linear (04) and the converter's bank (FF) records.
void readIntelHex(const std::string &text, Memory &memory) {
    std::istringstream lines(text);
    std::uint32_t base = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 11 || line[0] != ':') continue;
        const unsigned count = hexByte(line, 1), type = hexByte(line, 7);
        const std::uint32_t offset = std::stoul(line.substr(3, 4), nullptr, 16);
        if (type == 0x00) {
            for (unsigned i = 0; i < count; ++i) memory[base + offset + i] = hexByte(line, 9 + 2 * i);
        } else if (type == 0x02 || type == 0x04 || type == 0xFF) {
            const std::uint32_t value = std::stoul(line.substr(9, 4), nullptr, 16);
            base = type == 0x02 ? value << 4 : value << 16;
        }
    }
}

// "FFFDF : 41" lines of the ID report: the security bytes asked for.
Memory readIdReport(const std::string &text) {
    Memory asked;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(" : ");
        if (colon == std::string::npos || line[0] == '-') continue;
        asked[std::stoul(line.substr(0, colon), nullptr, 16)] = std::stoul(line.substr(colon + 3), nullptr, 16);
    }
    return asked;
}

struct Module {
    std::string name;  // where it came from
    std::string bytes;
    bool compact = false;  // read by the converter, its sections and units within 1 MiB
};

bool isCompact(const std::string &bytes) {
    try {
        const romcast::Module module =
            romcast::readModule({reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()});
        // The units' reach, not the sections': a unit may run far past its section.
        std::uint64_t low = module.first, high = module.last;
        for (const romcast::Unit &unit : module.units) {
            low = std::min<std::uint64_t>(low, unit.address);
            high = std::max<std::uint64_t>(high, unit.address + unit.size);
        }
        return low <= high && high - low < 0x100000;
    } catch (const romcast::Error &) {
        return false;
    }
}

// Every distinct module of the case folders' inputs, and the examples.
std::vector<Module> testModules() {
    std::vector<Module> modules;
    std::set<std::string> seen;
    auto add = [&](const std::filesystem::path &text, const std::string &name) {
        const std::string bytes = assembleModule(readFileBytes(text.string()));
        if (!bytes.empty() && seen.insert(bytes).second) modules.push_back(Module{name, bytes, isCompact(bytes)});
    };
    for (const std::string &folder : findCases()) {
        const std::filesystem::path in = casesRoot() / folder / "in";
        if (!std::filesystem::is_directory(in)) continue;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(in)) {
            const std::string file = entry.path().filename().string();
            if (entry.is_regular_file() && file.size() > 8 && file.ends_with(".tqx.txt")) add(entry.path(), folder + "/" + file);
        }
    }
    for (const char *example : {"demo", "secured", "dualarea"})
        add(std::filesystem::path(ROMCAST_SOURCE_DIR) / "examples" / (std::string(example) + ".tqx.txt"), example);
    return modules;
}

const std::vector<std::string> optionSets[] = {
    {},
    {"-H"},
    {"-B"},
    {"-ID"},
    {"-ID#0123456789ABCD", "-protect1"},
    {"-H", "-ID", "-protectx", "5A"},
    {"-B", "-ID"},
    {"-A", "F0000:F7FFF", "-ID"},
    {"-F", "0", "-ID", "-protect2"},
    {"-F", "FF:FFF00", "-IDABC"},
    {"-TQ8", "-ID", "-ofsreg2"},
    {"-TQ8N", "-H", "-ID"},
    {"-N", "-ID"},
    {"+d51x", "-ID"},
    {"-L", "-A", "E0000", "-ID"},
};

std::string joined(const std::vector<std::string> &args) {
    std::string text;
    for (const std::string &a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

// Compares one prediction with one conversion, and draws its memory map.
void compare(const Module &module, const std::vector<std::string> &options) {
    SCOPED_TRACE(module.name + " with \"" + joined(options) + "\"");
    std::vector<std::string> args = options;
    args.push_back("app");
    std::vector<std::string> checkArgs = {"--check", "--json"};
    checkArgs.insert(checkArgs.end(), args.begin(), args.end());
    const RunResult check = runProgram(ROMCAST_MODINSPECT, checkArgs, {{"app.tqx", module.bytes}});
    const RunResult conversion = runRomcast(args, {{"app.tqx", module.bytes}});
    // The memory map of the same conversion is written, or says the converter's refusal.
    std::vector<std::string> mapArgs = {"--map", "map.html"};
    mapArgs.insert(mapArgs.end(), args.begin(), args.end());
    RunResult map = runProgram(ROMCAST_MODINSPECT, mapArgs, {{"app.tqx", module.bytes}});
    EXPECT_EQ(map.exitStatus, conversion.exitStatus) << map.err;
    EXPECT_GT(map.files["map.html"].size(), 1000U) << map.err;
    const nlohmann::json predicted = nlohmann::json::parse(check.out, nullptr, false);
    ASSERT_FALSE(predicted.is_discarded()) << check.out;

    ASSERT_EQ(predicted["status"].get<int>(), conversion.exitStatus) << check.out << describeRun(conversion);
    if (conversion.exitStatus != 0) {
        // The converter's own message line, as the command line printed it.
        EXPECT_NE(conversion.out.find(predicted["message"].get<std::string>()), std::string::npos) << check.out;
        return;
    }
    Memory written;
    std::string binary;
    for (const auto &[name, bytes] : conversion.files) {
        const std::string extension = std::filesystem::path(name).extension().string();
        if (extension == ".mot" || extension == ".mcd" || extension == ".mdt") readSRecords(bytes, written);
        if (extension == ".hex" || extension == ".hcd" || extension == ".hdt") readIntelHex(bytes, written);
        if (extension == ".bin") binary = bytes.size() >= 8 ? bytes.substr(4, bytes.size() - 8) : "";
    }
    const bool isBinary = !binary.empty();
    // A binary file says how long it is, not where it starts: it starts where the prediction says.
    const std::uint32_t start = predicted["image"].is_null() ? 0 : predicted["image"]["first"].get<std::uint32_t>();
    if (isBinary)
        for (std::size_t i = 0; i < binary.size(); ++i)
            written[static_cast<std::uint32_t>(start + i)] = static_cast<unsigned char>(binary[i]);

    if (written.empty()) {
        EXPECT_TRUE(predicted["image"].is_null()) << check.out;
    } else {
        ASSERT_FALSE(predicted["image"].is_null()) << check.out;
        EXPECT_EQ(predicted["image"]["first"].get<std::uint32_t>(), written.begin()->first) << check.out;
        EXPECT_EQ(predicted["image"]["last"].get<std::uint32_t>(), written.rbegin()->first) << check.out;
    }
    // Every security byte listed is in the image; every one the ID report
    // lists and the image holds is listed (a module with a protect text alone
    // gets no report).
    Memory listed, notHeld, notListed;
    for (const nlohmann::json &byte : predicted["security"]) {
        const std::uint32_t address = byte["address"].get<std::uint32_t>();
        listed[address] = byte["value"].get<unsigned>();
        const auto there = written.find(address);
        if (there == written.end() || there->second != listed[address]) notHeld[address] = listed[address];
    }
    for (const auto &[name, bytes] : conversion.files)
        if (name.ends_with(".id"))
            for (const auto &[address, value] : readIdReport(bytes)) {
                const auto there = written.find(address);
                if (there != written.end() && there->second == value && listed.count(address) == 0) notListed[address] = value;
            }
    EXPECT_EQ(notHeld, Memory{}) << "listed, not in the image\n" << check.out;
    EXPECT_EQ(notListed, Memory{}) << "in the image, not listed\n" << check.out;
}

TEST(Preflight, PredictsWhatTheConversionWrites) {
    const std::vector<Module> modules = testModules();
    ASSERT_GE(modules.size(), 100U);
    // Every option set on the examples; on the case modules a rotating few,
    // so that each set meets many shapes and the test stays short.
    constexpr std::size_t setsEach = 2;
    const std::size_t setCount = std::size(optionSets);
    std::size_t compared = 0;
    for (std::size_t m = 0; m < modules.size(); ++m) {
        const bool example = modules[m].name.find('/') == std::string::npos;
        for (std::size_t k = 0; k < (example ? setCount : setsEach); ++k) {
            const std::vector<std::string> &options = optionSets[(m * setsEach + k * 7) % setCount];
            // A gap fill over a module that spans gigabytes writes gigabytes.
            if (options.size() >= 2 && options[0] == "-F" && !modules[m].compact) continue;
            compare(modules[m], options);
            ++compared;
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GE(compared, 250U);
}

}  // namespace

namespace {

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string exampleText(const char *name) {
    return readFileBytes((std::filesystem::path(ROMCAST_SOURCE_DIR) / "examples" / name).string());
}

std::string caseText(const char *folder) { return readFileBytes((casesRoot() / folder / "in/app.tqx.txt").string()); }

// Shapes of module and options, and the finding each must give (a line of
// the text report that holds `says`), with modinspect's exit status.
TEST(Preflight, NamesWhatTheImageWillNotHold) {
    const std::string demo = exampleText("demo.tqx.txt");
    const std::string linkerDefaults =
        replaced(demo, "ATN 0 0 38 1\n", "ATN 0 0 38 1\nATN 0 0 55 \".ID #FFFFFFFFFFFFFF\"\nATN 0 0 55 \".PROTECT FF\"\n");
    const std::string ramUnderConst =
        replaced(demo, "$data:\n", "ST 4 @AD \"ram\"\nSA 4 2\nASS 4 0x10\nASL 4 0x0F8000\n$data:\n");
    const std::string overlapping = replaced(demo, "ASP 2 0x0F8000", "ASP 2 0x0F0010");
    struct Row {
        const char *what;
        std::string module;
        std::vector<std::string> options;
        int status;
        const char *says;
    } rows[] = {
        {"the linker's default texts", linkerDefaults, {}, 0, "note 0x0FFFDF: the module's \".ID #FFFFFFFFFFFFFF\" is the linker's default"},
        {"a module's own texts", exampleText("secured.tqx.txt"), {}, 0, "protect byte: 3F at 0x0FFFFF, from the module's text"},
        {"options the module's texts displace", exampleText("secured.tqx.txt"), {"-ID", "-protect2"}, 1, "warning: romcast warns: '-ID' option isn't processed"},
        {"a binary image short of the ID page", demo, {"-B", "-ID"}, 1, "will not be in the image: a binary image holds only the addresses from its first to its last"},
        {"TQ8 security under TQ40 data", demo, {"-TQ8", "-ID"}, 1, "the protect byte FF at 0x00FFFF will not be in the image: the image holds data above it"},
        {"-N on a module's ID text", caseText("fuzz/protectNotPlacedInDirectConversion"), {"-N"}, 1, "will not be in the image: -N converts record by record"},
        {"no records after a move to zero", caseText("fuzz/noSecurityRecordsAfterMoveToZero"), {}, 1, "warning 0x0FFFDF: 7 ID code bytes 01 23 45 67 89 AB CD at 0x0FFFDF..0x0FFFFB will not be in the image"},
        {"a range asked for", demo, {"-A", "F0000:F7FFF"}, 0, "note 0x0F8000: 16 bytes of section 2 \"const\" are not in the image: outside the range -A F0000:F7FFF"},
        {"overlapping units", overlapping, {}, 1, "warning 0x0F0010: a unit of section 2 \"const\" at 0x0F0010..0x0F001F overlaps one of section 1 \"code\""},
        {"code over RAM", ramUnderConst, {}, 1, "warning 0x0F8000: the image places 16 bytes over the RAM section 4 \"ram\""},
        {"a TQ8-sized module as TQ40", caseText("fuzz/fillTakesBackEmptyUnitStart"), {}, 1, "warning: the module loads nothing above 0x00FFFF"},
        {"a unit at the writers' start", caseText("fuzz/unitAtWritersStartAddress"), {}, 1, "warning 0xFFFFFF: the 4 bytes of section 1 \"P\" at 0xFFFFFF..0x1000002 will be at 0x000000..0x000003 instead"},
        {"a range end before the wrap", caseText("fuzz/rangeEndBeforeAddressWrap"), {"-F", "A5:1000:1003"}, 1, "warning 0x000000: the 3 bytes of section 1 \"P\" at 0x000000..0x000002 will be at 0xFFFFFFFF..0x000001 instead"},
        {"the same in Intel HEX", caseText("fuzz/rangeEndBeforeAddressWrapHex"), {"-H", "-F", "A5:1000:1003"}, 1, "warning 0x000000: the byte 01 of section 1 \"P\" at 0x000000 will be at 0x0FFFFF instead"},
        {"a range start after the wrap", caseText("fuzz/rangeStartAfterAddressWrap"), {"-F", "A5:1000:1003"}, 1, "warning 0xFFFFFFFF: the byte CC of section 1 \"P\" at 0xFFFFFFFF will be at 0x000002 instead"},
        {"a fill over an empty unit's start", caseText("fuzz/fillTakesBackEmptyUnitStart"), {"-F", "A5"}, 1, "warning 0x001004: the image holds A5 A5 A5 A5 at 0x001004..0x001007, where section 1 \"P\" loads 04 05 06 07"},
        {"options romcast refuses", demo, {"-x"}, 4, "(exit status 4): Error (romcast): Invalid option '-x' is used"},
        {"a module romcast refuses", replaced(demo, "ATN 0 0 38 1", "ATN 0 0 38 0"), {}, 3, "romcast refuses app.tqx (exit status 3)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> args = {"--check"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back("app");
        const RunResult check = runProgram(ROMCAST_MODINSPECT, args, {{"app.tqx", assembleModule(row.module)}});
        EXPECT_EQ(check.exitStatus, row.status) << check.out;
        EXPECT_NE(check.out.find(row.says), std::string::npos) << check.out;
    }
}

// The summary of the largest module of the case folders fits a screen, and
// its JSON form lists every section the converter reads.
TEST(Preflight, SummaryFitsAScreen) {
    std::filesystem::path largest;
    std::uintmax_t size = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(casesRoot()))
        if (entry.path().string().ends_with("/in/app.tqx.txt") && entry.file_size() > size) {
            size = entry.file_size();
            largest = entry.path();
        }
    SCOPED_TRACE(largest.string());
    const std::string module = assembleModule(readFileBytes(largest.string()));
    const RunResult text = runProgram(ROMCAST_MODINSPECT, {"-s", "app"}, {{"app.tqx", module}});
    EXPECT_EQ(text.exitStatus, 0) << text.out;
    EXPECT_LE(std::count(text.out.begin(), text.out.end(), '\n'), 40) << text.out;
    const RunResult json = runProgram(ROMCAST_MODINSPECT, {"-s", "--json", "app"}, {{"app.tqx", module}});
    const nlohmann::json summary = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_FALSE(summary.is_discarded()) << json.out;
    const romcast::Module read = romcast::readModule({reinterpret_cast<const std::uint8_t *>(module.data()), module.size()});
    EXPECT_EQ(summary["sections"].size(), read.sections.size());
    EXPECT_EQ(summary["units"].size(), read.units.size());
    EXPECT_EQ(summary["processor"], read.processor);
}

}  // namespace
