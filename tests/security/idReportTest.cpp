#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "driver/runSettings.h"
#include "security/idReport.h"
#include "security/securityOptions.h"

namespace {

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
