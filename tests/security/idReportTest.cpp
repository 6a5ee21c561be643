#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "driver/runSettings.h"
#include "security/idReport.h"
#include "security/securityOptions.h"

namespace {

const char tq40Lines[] =
    "FFFDF : 41\nFFFE3 : 42\nFFFEB : 43\nFFFEF : 00\nFFFF3 : 00\nFFFF7 : 00\nFFFFB : 00\n";
const char tq8Lines[] =
    "0FFDF : 41\n0FFE3 : 42\n0FFEB : 43\n0FFEF : 00\n0FFF3 : 00\n0FFF7 : 00\n0FFFB : 00\n";

std::string reportText() {
    std::FILE *file = std::tmpfile();
    writeIdReport(file);
    std::rewind(file);
    std::string text;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// The settings as the options leave them: ID "ABC", then the given flags.
void setUp(std::uint32_t flags, std::uint32_t protect, bool tq8) {
    initRunSettings();
    initSecurityDefaults();
    settings.idText = "ABC";
    settings.idBytes[0] = 'A';
    settings.idBytes[1] = 'B';
    settings.idBytes[2] = 'C';
    setFlag(flag::idCode | flags);
    settings.protectValue = protect;
    if (tq8) {
        setFlag(flag::tq8Target);
        for (std::uint32_t &address : settings.idAddresses) address &= 0xFFFF;
        settings.protectAddress = 0xFFFF;
    }
}

struct ReportCase {
    std::uint32_t flags;
    std::uint32_t protect;
    bool tq8;
    std::string expected;
};

TEST(IdReport, HeadingAddressesAndProtectLine) {
    const ReportCase cases[] = {
        {flag::protectDefault, 0xFF, false, "-IDABC\n" + std::string(tq40Lines) + "FFFFF : FF\n"},
        {flag::protect1, 0x3F, false, "-IDABC -protect1\n" + std::string(tq40Lines) + "FFFFF : 3F\n"},
        {flag::protect2, 0xF3, false, "-IDABC -protect2\n" + std::string(tq40Lines) + "FFFFF : F3\n"},
        {flag::protectX, 0x3F, false, "-IDABC -protectx 3F\n" + std::string(tq40Lines) + "FFFFF : 3F\n"},
        {flag::protectX, 0x5A, true, "-IDABC -ofsregx 5A\n" + std::string(tq8Lines) + "0FFFF : 5A\n"},
        {flag::ofsregX | flag::protectX, 0x0C, true,
         "-IDABC -ofsregx 0C\n" + std::string(tq8Lines) + "0FFFF : 0C\n"},
        {flag::ofsreg1 | flag::protect1, 0x3F, true,
         "-IDABC -ofsreg1\n" + std::string(tq8Lines) + "0FFFF : 3F\n"},
        {flag::ofsreg2 | flag::protect2, 0xF3, true,
         "-IDABC -ofsreg2\n" + std::string(tq8Lines) + "0FFFF : F3\n"},
    };
    for (const ReportCase &c : cases) {
        setUp(c.flags, c.protect, c.tq8);
        EXPECT_EQ(reportText(), c.expected);
    }
}

TEST(IdReport, EmptyIdHasNoText) {
    setUp(flag::protectDefault, 0xFF, false);
    settings.idText = nullptr;
    for (std::uint32_t &byte : settings.idBytes) byte = 0xFF;
    EXPECT_EQ(reportText(),
              "-ID\nFFFDF : FF\nFFFE3 : FF\nFFFEB : FF\nFFFEF : FF\nFFFF3 : FF\nFFFF7 : FF\n"
              "FFFFB : FF\nFFFFF : FF\n");
}

class IdReportName : public testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/idnameXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory = std::string(dir) + "/";
    }
    void TearDown() override {
        if (settings.idReportFile != nullptr) std::fclose(settings.idReportFile);
        settings.idReportFile = nullptr;
        std::remove(settings.idReportName);
        rmdir(directory.c_str());
    }
    void create(const std::string &output, bool hasExtension, std::uint32_t flags) {
        initRunSettings();
        initSecurityDefaults();
        setFlag(flags);
        name = directory + output;
        settings.outputName = name.c_str();
        settings.outputHasExtension = hasExtension ? 1 : 0;
        createIdReport();
    }
    std::string directory;
    std::string name;
};

TEST_F(IdReportName, ImageExtensionIsReplacedOtherwiseAppended) {
    struct NameCase {
        const char *output;
        bool hasExtension;
        std::uint32_t flags;
        const char *report;
    };
    const NameCase cases[] = {
        {"prog", false, 0, "prog.id"},
        {"out.mot", true, 0, "out.id"},
        {"out.hex", true, flag::hexOutput, "out.id"},
        {"out.hex", true, 0, "out.hex.id"},
        {"out.mot", true, flag::hexOutput, "out.mot.id"},
        {"x.bin", true, flag::binaryOutput, "x.bin.id"},
        {"x.mot", true, flag::binaryOutput, "x.id"},
        {"a.mot.b", true, 0, "a.id"},
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.output);
        create(c.output, c.hasExtension, c.flags);
        EXPECT_EQ(settings.idReportName, directory + c.report);
        struct stat info {};
        ASSERT_EQ(stat(settings.idReportName, &info), 0);
        EXPECT_EQ(info.st_size, 0);
        TearDown();
        SetUp();
    }
}

TEST_F(IdReportName, NameBeyondItsBufferIsRefused) {
    // 255 characters fit; one more does not.
    const std::string fits(255 - directory.size() - 3, 'n');
    create(fits, false, 0);
    EXPECT_EQ(std::string(settings.idReportName).size(), 255u);
    const std::string tooLong = fits + "n";
    EXPECT_EXIT(
        {
            dup2(2, 1);
            create(tooLong, false, 0);
        },
        testing::ExitedWithCode(2), "Can't create file '" + directory + tooLong + ".id'");
}

TEST_F(IdReportName, UncreatableFileIsError2) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            create("missing/out", false, 0);
        },
        testing::ExitedWithCode(2), "Can't create file '" + directory + "missing/out.id'");
}

}  // namespace
