#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/runSettings.h"
#include "ieee695/moduleHeader.h"
#include "security/moduleIdSettings.h"
#include "security/securityOptions.h"

namespace {

using Bytes = std::vector<unsigned char>;
using IdBytes = std::array<std::uint32_t, idByteCount>;

const IdBytes allZero = {};

void appendName(Bytes &out, const std::string &text) {
    if (text.size() < 0x80) {
        out.push_back(static_cast<unsigned char>(text.size()));
    } else if (text.size() < 0x100) {
        out.insert(out.end(), {0xDE, static_cast<unsigned char>(text.size())});
    } else {
        out.insert(out.end(), {0xDF, static_cast<unsigned char>(text.size() >> 8),
                               static_cast<unsigned char>(text.size())});
    }
    out.insert(out.end(), text.begin(), text.end());
}

// An environment part: the NN record, one ATN record per text (attribute 55
// unless the text starts with "@": then attribute 38), and ME.
Bytes environment(const std::vector<std::string> &texts) {
    Bytes out = {0xF0, 0x01};
    appendName(out, "app");
    for (const std::string &text : texts) {
        const bool other = !text.empty() && text[0] == '@';
        const unsigned char attribute = other ? 38 : 55;
        out.insert(out.end(), {0xF1, 0xCE, 0x00, 0x00, attribute});
        appendName(out, other ? text.substr(1) : text);
    }
    out.push_back(0xE1);
    return out;
}

class ModuleIdSettings : public testing::Test {
protected:
    void SetUp() override {
        initRunSettings();
        initSecurityDefaults();
        settings.inputName = "app.tqx";
        char dir[] = "/tmp/modidXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory = dir;
        output = directory + "/app";
        settings.outputName = output.c_str();
        moduleParts = {};
    }
    void TearDown() override {
        if (settings.inputFile != nullptr) std::fclose(settings.inputFile);
        if (settings.idReportFile != nullptr) std::fclose(settings.idReportFile);
        std::remove((output + ".id").c_str());
        rmdir(directory.c_str());
    }
    // Runs the scan over `module` and returns what it printed.
    std::string scan(const Bytes &module) {
        settings.inputFile = std::tmpfile();
        std::fwrite(module.data(), 1, module.size(), settings.inputFile);
        testing::internal::CaptureStdout();
        readModuleIdSettings();
        return testing::internal::GetCapturedStdout();
    }
    // The same for a scan that must end the run; stdout is sent to the
    // death test's stderr so that the message can be matched.
    void scanFails(const Bytes &module) {
        settings.inputFile = std::tmpfile();
        std::fwrite(module.data(), 1, module.size(), settings.inputFile);
        dup2(2, 1);
        readModuleIdSettings();
    }
    std::string directory;
    std::string output;
};

struct ScanCase {
    const char *label;
    std::vector<std::string> texts;
    std::uint32_t optionFlags;  // the command line's security flags
    std::uint32_t optionProtect;
    const char *warnings;
    bool reportCreated;
    std::uint32_t flags;  // security flags afterwards
    IdBytes bytes;
    std::uint32_t protect;
    const char *idText;  // nullptr: the command line's
};

const std::uint32_t idFlags = flag::idCode | flag::protectDefault;
const std::uint32_t securityFlags = idFlags | flag::protect1 | flag::protect2 | flag::protectX |
                                    flag::ofsreg1 | flag::ofsreg2 | flag::ofsregX;

// What the end-to-end cases under idcode/ leave out.
const ScanCase scanCases[] = {
    {"hex id", {".ID #0123456789abCD"}, 0, 0xFF, "", true, idFlags,
     {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}, 0xFF, "#0123456789abCD"},
    {"one digit", {".ID #A"}, 0, 0xFF, "", true, idFlags, {0xA0}, 0xFF, "#A"},
    {"hash alone", {".ID #"}, 0, 0xFF, "", true, idFlags, allZero, 0xFF, "#"},
    {"long text, seven used", {".ID ABCDEFGHI"}, 0, 0xFF, "", true, idFlags,
     {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}, 0xFF, "ABCDEFGHI"},
    {"id and protect", {"REV.F1", ".PROTECT a5x", ".ID #7"}, flag::idCode | flag::protectX, 0x12,
     "Warning (romcast): '-ID' option isn't processed\n"
     "Warning (romcast): '-protect' or '-ofsreg' option isn't processed\n",
     true, flag::idCode | flag::protectX, {0x70}, 0xA5, "#7"},
    {"later text replaces earlier", {".ID A", ".ID B"}, 0, 0xFF, "", true, idFlags, {0x42}, 0xFF,
     "B"},
};

TEST_F(ModuleIdSettings, TextsTakeThePlaceOfTheCommandLine) {
    for (const ScanCase &c : scanCases) {
        SCOPED_TRACE(c.label);
        TearDown();
        SetUp();
        settings.flags |= c.optionFlags;
        settings.protectValue = c.optionProtect;
        if ((c.optionFlags & flag::idCode) != 0) {
            for (std::uint32_t &byte : settings.idBytes) byte = 0xFF;
        }
        EXPECT_EQ(scan(environment(c.texts)), c.warnings);
        EXPECT_EQ(settings.idReportFile != nullptr, c.reportCreated);
        EXPECT_EQ(settings.flags & (securityFlags | flag::tq8Target), c.flags);
        for (int i = 0; i < idByteCount; ++i) EXPECT_EQ(settings.idBytes[i], c.bytes[i]) << i;
        EXPECT_EQ(settings.protectValue, c.protect);
        if (c.idText != nullptr) {
            EXPECT_STREQ(settings.idText, c.idText);
        }
    }
}

TEST_F(ModuleIdSettings, AttributeThatIsNoNameIsIgnoredAndNotCounted) {
    Bytes module = environment({});
    module.pop_back();
    // Value runs that open with an operator, with a letter, and an empty one.
    module.insert(module.end(), {0xF1, 0xCE, 0x00, 0x00, 0x37, 0xA0, 0xF1, 0xCE, 0x00, 0x00,
                                 0x37, 0xC1, 0xF1, 0xCE, 0x00, 0x00, 0x37});
    const Bytes tail = environment({"REV.F", "REV.F", ".ID Z"});
    module.insert(module.end(), tail.begin() + 6, tail.end());
    EXPECT_EQ(scan(module), "");
    EXPECT_EQ(settings.moduleIdState, 1u);
    EXPECT_EQ(settings.idBytes[0], 0x5Au);
}

const char illegal[] = "Error \\(romcast\\): Illegal file format `app.tqx' is used";

TEST_F(ModuleIdSettings, EnvironmentWithoutNameRecordIsIllegal) {
    const Bytes module = {0xE0, 0x04, 'T', 'Q', '4', '0', 0x03, 'a', 'p', 'p'};
    EXPECT_EXIT(scanFails(module), testing::ExitedWithCode(3), illegal);
}

TEST_F(ModuleIdSettings, MalformedTextsAreIllegal) {
    const std::string texts[] = {
        ".ID #12G",          ".ID #" + std::string(15, '1'), ".ID # 1",
        ".PROTECT ",         ".PROTECT 3",                   ".PROTECT G1",
        std::string(256, 'a'),
    };
    for (const std::string &text : texts) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_EXIT(scanFails(environment({text})), testing::ExitedWithCode(3), illegal);
    }
    // A name that claims more bytes than its record holds.
    const Bytes cut = {0xF0, 0x01, 0x01, 'a', 0xF1, 0xCE, 0x00, 0x00, 0x37, 0x10, '.', 'I', 'D', 0xE1};
    EXPECT_EXIT(scanFails(cut), testing::ExitedWithCode(3), illegal);
}

}  // namespace
