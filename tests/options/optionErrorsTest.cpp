// The command line's refusals (and the version), run end to end: each case runs the program in an
// empty scratch directory and compares the console output and exit status. No
// module is needed: every refusal comes before any file is opened, and the
// directory must still be empty afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

const std::string shortBanner =
    "   Object Image Converter (romcast) for TQ8/Lite,TQ40/50 Series Version 1.00.00.000\n";
const std::string usage = "Usage: romcast [options] <filename>\n";

struct ErrorCase {
    std::vector<std::string> args;
    std::string message;  // an error text without its prefix, the usage line or the short banner
    bool bannerFirst = true;
};

const ErrorCase errorCases[] = {
    // Usage (no prefix): an option without its value, an option after the name.
    // A lone option is a case folder under startup/.
    {{"-H", "-o"}, usage},
    {{"a.tqx", "-H"}, usage},
    {{"-.", "-L"}, usage, false},
    // The version ends the run wherever it stands (alone, it is a startup/ case).
    {{"-.", "-v", "a"}, shortBanner, false},

    // Invalid option: a known letter with more after it is quoted without "-",
    // anything else whole; words are case-sensitive.
    {{"-Hx", "a"}, "Invalid option 'Hx' is used\n"},
    {{"-Id", "a"}, "Invalid option '-Id' is used\n"},
    {{"-.", "-q", "a"}, "Invalid option '-q' is used\n", false},
    {{"-.x", "a"}, "Invalid option '.x' is used\n"},
    {{"-ofoo", "out", "a"}, "Invalid option 'ofoo' is used\n"},
    // One-sided conflicts, quoted as typed.
    {{"-e", "1", "-B", "a"}, "Invalid option '-B' is used\n"},
    {{"-B", "-e", "1", "a"}, "Invalid option '-e' is used\n"},
    {{"-L", "-B", "a"}, "Invalid option '-B' is used\n"},
    {{"-ID", "-N", "-B", "a"}, "Invalid option '-B' is used\n"},
    {{"-F", "XY", "a"}, "Invalid option 'XY' is used\n"},
    {{"-B", "-F", "0:100", "a"}, "Invalid option '-F data:Start Addr:End Addr' is used\n"},

    {{"-IDabcdefgh", "a"}, "Option '-IDabcdefgh' is not appropriate\n"},
    {{"-protectx", "G1", "a"}, "Option '-protectx' is not appropriate\n"},
    {{"-protectx", "100", "a"}, "Value is out range '100'\n"},
    {{"-TQ8", "-ofsregx", "0100", "a"}, "Value is out range '0100'\n"},

    {{"dir.v/a.b"}, "Unknown file extension '.b' is specified\n"},

    // Duplicates, quoting the later option as typed.
    {{"-h", "-H", "a"}, "'-H' option multiple specified\n"},
    {{"-b", "-B", "a"}, "'-B' option multiple specified\n"},
    {{"-o", "x", "-O", "y", "a"}, "'-O' option multiple specified\n"},
    {{"-ID", "-IDx", "a"}, "'-IDx' option multiple specified\n"},
    {{"-.", "-.", "a"}, "'-.' option multiple specified\n", false},
    {{"-e", "1234567890", "a"}, "'-e' option is too long\n"},
    // Protect and OFS choices after the last option.
    {{"-protect1", "-protect2", "a"}, "'-protect' or '-ofsreg' option multiple specified\n"},
    {{"-TQ8", "-ofsreg1", "-protectx", "1", "a"}, "'-protect' or '-ofsreg' option multiple specified\n"},

    {{"-A", "1000:1000", "a"}, "'-A' Option Illegal format '-A StartAddr:EndAddr'\n"},
    {{"-TQ8", "-A", "10000", "a"}, "'-A' Option Illegal format '-A StartAddr:EndAddr'\n"},
    {{"-F", "0:100:100", "a"}, "'-F' Option Illegal format '-F Data:StartAddr:EndAddr'\n"},
    // "-F" against "-A", still before any file is opened.
    {{"-A", "1000:1FFF", "-F", "0:800:1800", "a"}, "Address specified by '-F' option exceed output address\n"},

    // Target options: the name quoted follows a fixed table of pairs, not the order.
    {{"-TQ8", "-TQ8E", "a"}, "Specified an option that can't be used with '-TQ8E'\n"},
    {{"-TQ8", "-TQ8N", "a"}, "Specified an option that can't be used with '-TQ8'\n"},
    {{"-TQ8N", "-TQ8", "a"}, "Specified an option that can't be used with '-TQ8'\n"},
    {{"-protect2", "-TQ8E", "a"}, "Specified an option that can't be used with '-TQ8E'\n"},
    {{"-TQ8", "-protect1", "-protect2", "a"}, "Specified an option that can't be used with '-TQ8'\n"},
    {{"-ofsreg1", "-ofsreg2", "a"}, "Specified an option that can't be used in TQ40\n"},
};

TEST(OptionErrors, ExactOutputAndStatusBeforeAnyFileIsOpened) {
    for (const ErrorCase &c : errorCases) {
        RunResult outcome = runRomcast(c.args);
        std::string line = testing::PrintToString(c.args);
        const bool version = c.message == shortBanner;
        std::string message = c.message == usage || version ? c.message : "Error (romcast): " + c.message;
        EXPECT_EQ(outcome.out, (c.bannerFirst ? banner : "") + message) << line;
        EXPECT_EQ(outcome.exitStatus, version ? 0 : 4) << line;
        EXPECT_EQ(outcome.err, "") << line;
        EXPECT_TRUE(outcome.files.empty()) << line;
    }
}

}  // namespace
