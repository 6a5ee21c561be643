#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "testConversion.h"
#include "driver/runSettings.h"
#include "ieee695/readerTestSupport.h"
#include "security/idReport.h"
#include "security/securityOptions.h"

namespace {

std::string scratchDirectory() {
    char dir[] = "/tmp/idnameXXXXXX";
    return std::string(mkdtemp(dir)) + "/";
}

void create(const std::string &output, bool hasExtension, std::uint32_t flags) {
    initRunSettings(conv);
    initSecurityDefaults(conv);
    conv.settings.set(flags);
    conv.settings.outputName = output;
    conv.settings.outputHasExtension = hasExtension ? 1 : 0;
    createIdReport(conv);
}

// The report is kept by the error path; it is removed by hand.
void removeReport(const std::string &name) {
    conv.outputs.rollback();
    std::remove(name.c_str());
}

// The plain name and the three image extensions that match their format are
// idcode case folders (name-o-*).
TEST(IdReportName, ImageExtensionIsReplacedOnlyWhenItMatchesTheFormat) {
    const std::string directory = scratchDirectory();
    const struct {
        const char *output;
        std::uint32_t flags;
        const char *report;
    } cases[] = {
        {"out.hex", 0, "out.hex.id"},
        {"out.mot", flag::hexOutput, "out.mot.id"},
        {"x.mot", flag::binaryOutput, "x.id"},
        {"a.mot.b", 0, "a.id"},
    };
    for (const auto &c : cases) {
        create(directory + c.output, true, c.flags);
        struct stat info {};
        EXPECT_EQ(stat((directory + c.report).c_str(), &info), 0) << c.output;
        EXPECT_EQ(info.st_size, 0) << c.output;
        removeReport(directory + c.report);
    }
    rmdir(directory.c_str());
}

TEST(IdReportName, UncreatableNameIsRefused) {
    const std::string directory = scratchDirectory();
    const std::string output = directory + "missing/out";
    EXPECT_RUN_ENDS(create(output, false, 0), 2, "Can't create file '" + output + ".id'");
    rmdir(directory.c_str());
}

}  // namespace
