// romcast as a library: the converter of absolute IEEE 695 load modules into
// Motorola S-records, Intel HEX and raw binary images, callable any number of
// times in one process. Nothing here ends the process or keeps state between
// calls.
//
//   run              the command line exactly: files, console text, exit status
//   parseCommandLine the command line's options as typed Options
//   readModule       a module's processor, sections, units, extent and ID texts
//   unitBytes        the bytes one of its units loads
//   convert          a module in memory to its outputs in memory: no file is touched
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace romcast {

// The program's version, as its banner shows it: "1.00.00.000".
std::string_view version();

// Why a conversion ended before its end: the number of the program's message,
// the exit status that goes with it (1 interrupted, 2 a file could not be
// opened, created or closed, or memory ran out, 3 the module is unusable, 4 the
// options are wrong) and the message line as the command line prints it,
// without its newline ("" for an interrupt).
class Error : public std::exception {
public:
    Error(int code, int exitStatus, std::string message)
        : code_(code), exitStatus_(exitStatus), message_(std::move(message)) {}
    int code() const noexcept { return code_; }
    int exitStatus() const noexcept { return exitStatus_; }
    const char *what() const noexcept override { return message_.c_str(); }

private:
    int code_;
    int exitStatus_;
    std::string message_;
};

enum class OutputForm { sRecords, intelHex, binary };  // default, "-H", "-B"
enum class Family { tq40, tq8, tq8e, tq8n };           // default, "-TQ8", "-TQ8E", "-TQ8N"
// "-protect1", "-protect2", "-protectx BYTE", "-ofsreg1", "-ofsreg2", "-ofsregx BYTE".
enum class Protect { none, protect1, protect2, protectX, ofsreg1, ofsreg2, ofsregX };

// "-A start" or "-A start:end".
struct AddressRange {
    std::uint32_t start = 0;
    std::optional<std::uint32_t> end;
};

// "-F byte", "-F byte:start" or "-F byte:start:end".
struct Fill {
    std::uint8_t byte = 0xFF;
    std::optional<std::uint32_t> start;
    std::optional<std::uint32_t> end;
};

// Everything the command line sets, with its defaults. A conversion applies
// the command line's rules to them and raises its errors.
struct Options {
    OutputForm form = OutputForm::sRecords;
    bool longRecords = false;              // "-L": 32 data bytes a record, not 16
    std::optional<AddressRange> range;     // "-A"
    std::optional<Fill> fill;              // "-F"
    std::optional<std::uint32_t> entry;    // "-e": the S-record end record's address
    Family family = Family::tq40;
    std::optional<std::string> idCode;     // "-ID": what follows it ("#" and hexadecimal digits, or characters)
    Protect protect = Protect::none;
    std::uint8_t protectByte = 0;          // for protectX and ofsregX
    bool recordByRecord = false;           // "-N"
    bool dualArea = false;                 // "+d51x"
    bool listing = false;                  // "+debug": the .dbg listing
    bool quiet = false;                    // "-.": no banner, no progress characters
    std::optional<std::string> outputName; // "-o"
};

// The options of a command line (`args` without the program's name; a module
// name among them is accepted and ignored). Raises the command line's errors.
Options parseCommandLine(const std::vector<std::string> &args);

struct Section {
    std::uint32_t index = 0;
    std::string name;
    std::string kind;  // the type letters, as "AP"
    std::uint32_t base = 0;
    std::uint32_t size = 0;
};

struct Unit {
    std::uint32_t section = 0;  // index
    std::uint32_t address = 0;
    std::uint64_t size = 0;     // bytes it loads, repeats counted
    std::uint32_t record = 0;   // where its ASP record begins in the module
};

struct Module {
    std::string processor;
    bool dualArea = false;          // linked for the chip with a CODE and a ROM data area
    std::vector<Section> sections;  // as the module lists them
    std::vector<Unit> units;        // of the sections that load bytes, in address order
    std::uint32_t first = 0;        // the extent of the sections that load bytes
    std::uint32_t last = 0;
    std::optional<std::uint32_t> entry;      // the execution start address
    std::optional<std::string> idText;       // what follows ".ID " in the module's texts
    std::optional<std::string> protectText;  // what follows ".PROTECT "
};

// The module in `bytes`, as a conversion reads it; raises what a conversion
// raises for a malformed module.
Module readModule(std::span<const std::uint8_t> bytes);

// The bytes `unit` of readModule(bytes) loads, in order from its address, as
// the image writes them. A unit may load far more than the module holds
// (repeats): its size says how much before this is asked.
std::vector<std::uint8_t> unitBytes(std::span<const std::uint8_t> bytes, const Unit &unit);

struct Output {
    std::string extension;  // as the command line names the file: ".mot", ".hex", ".bin", ".mcd", ".mdt", ".dbg", ".id"
    std::vector<std::uint8_t> bytes;
};

struct Warning {
    int number;
    std::string text;  // the line the console shows, without its newline
};

// A security byte the conversion was asked to place, by an option, by the
// module's texts or by default. Whether the image holds it is for the image to
// say: a range, a fill, data above it, "-N" or the dual-area split can keep it out.
struct SecurityByte {
    enum class What { id, protect };
    enum class From { option, module, byDefault };
    std::uint32_t address = 0;
    std::uint8_t value = 0;
    What what = What::id;
    From from = From::option;
};

struct Result {
    std::vector<Output> outputs;  // in the order the command line closes its files
    std::vector<Warning> warnings;
    std::vector<SecurityByte> security;  // the ID code bytes in address order, then the protect byte
};

// What a program that converts may want to hear while it goes.
struct Hooks {
    std::function<void(char)> progress;              // each progress character, "-" or "*"
    std::function<void(const Warning &)> warning;    // each warning as it is given
    const std::atomic<bool> *cancel = nullptr;       // polled at every safe point; true ends it as an interrupt
};

// Converts the module in `bytes` as the command line would with `options`,
// into memory. Raises Error where the command line would fail.
Result convert(std::span<const std::uint8_t> bytes, const Options &options);
Result convert(std::span<const std::uint8_t> bytes, const Options &options, const Hooks &hooks);

// Does exactly what `romcast args...` does (`args` without the program's
// name): the same files, the same text on `console`, and the same exit status
// returned. `cancel`, when it becomes true, ends the run as an interrupt does.
int run(const std::vector<std::string> &args, std::FILE *console, const std::atomic<bool> *cancel = nullptr);

}  // namespace romcast
