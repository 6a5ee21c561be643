// The ID report and the image must agree: every address line of the report
// names a byte that the S-record image holds at that address.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

// `count` zero bytes at `start`, with `idTexts` (ATN records) in the environment part.
std::string moduleText(const std::string &idTexts, unsigned start, unsigned count) {
    std::ostringstream text;
    text << std::hex << "MB \"TQ40\" \"app\"\nAD 8 4 @M\nASW 1 $env\nASW 2 $sections\n"
         << "ASW 5 $data\nASW 6 $trailer\n$env:\nNN 1 \"app\"\nATN 0 0 38 1\n" << idTexts
         << "$sections:\nST 1 @AP \"P\"\nSA 1 2\nASS 1 0x" << count << "\nASL 1 0x" << start
         << "\n$data:\nSB 1\nASP 1 0x" << start << "\nLD 00*" << std::dec << count << std::hex
         << "\n$trailer:\nASG 0x" << start << "\nME\n";
    return text.str();
}

// Address to byte, from the S2 records of an S-record image.
std::map<unsigned, unsigned> imageBytes(const std::string &image) {
    std::map<unsigned, unsigned> bytes;
    std::istringstream lines(image);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("S2", 0) != 0) continue;
        const unsigned count = std::stoul(line.substr(2, 2), nullptr, 16);
        const unsigned address = std::stoul(line.substr(4, 6), nullptr, 16);
        for (unsigned i = 0; i + 4 < count; ++i) {
            bytes[address + i] = std::stoul(line.substr(10 + 2 * i, 2), nullptr, 16);
        }
    }
    return bytes;
}

struct AgreementCase {
    std::vector<std::string> args;
    std::string idTexts;  // ATN records of the environment part
    unsigned start;       // where the module's zero bytes lie
    unsigned count;
};

// The idcode case folders pin report and image each; this checks that they
// agree where module data covers the ID area (idcode/tq8-covered does on TQ8).
TEST(IdReportImage, ReportedBytesStandInTheImage) {
    const AgreementCase cases[] = {
        {{"-ID", "-protectx", "5A"}, "", 0xFFFD0, 48},
        {{}, "ATN 0 0 55 \".ID #A1B2\"\nATN 0 0 55 \".PROTECT 3F\"\n", 0xFFFE0, 32},
    };
    for (const AgreementCase &c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("app");
        SCOPED_TRACE(testing::PrintToString(args));
        const std::string module = assembleModule(moduleText(c.idTexts, c.start, c.count));
        const RunResult result = runRomcast(args, {{"app.tqx", module}});
        ASSERT_EQ(result.exitStatus, 0) << describeRun(result);
        ASSERT_EQ(result.files.count("app.id"), 1u) << describeRun(result);
        const std::map<unsigned, unsigned> image = imageBytes(result.files.at("app.mot"));

        std::istringstream report(result.files.at("app.id"));
        std::string line;
        std::getline(report, line);  // the heading
        int lines = 0;
        while (std::getline(report, line)) {
            ++lines;
            const unsigned address = std::stoul(line.substr(0, 5), nullptr, 16);
            const unsigned value = std::stoul(line.substr(8, 2), nullptr, 16);
            ASSERT_EQ(line.substr(5, 3), " : ") << line;
            ASSERT_EQ(image.count(address), 1u) << line;
            EXPECT_EQ(image.at(address), value) << line;
        }
        EXPECT_EQ(lines, 8);
    }
}

}  // namespace
