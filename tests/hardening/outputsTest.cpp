// Outputs are never half-written under their names: an older image or listing
// is gone after a failed run, a successful run replaces it whole, the input
// module is never an output, and no temporary file stays behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "hardening/faultSupport.h"

namespace fs = std::filesystem;

namespace {

std::string caseModule(const std::string &name) {
    return assembleModule(readFileBytes(std::string(ROMCAST_SOURCE_DIR) + "/tests/e2e/cases/" + name + "/in/app.tqx.txt"));
}

const char older[] = "S9030000FC\n";

TEST(Outputs, OlderFilesOfTheOutputNames) {
    using Names = std::set<std::string>;
    const struct {
        const char *label;
        const char *module;  // a case of the suite
        std::vector<std::string> args;
        int status;
        Names removed;  // of the older app.mot, app.dbg, app.mcd, app.mdt
        Names files;    // left, new or changed
    } cases[] = {
        {"converted", "writing/oneSectionSRecord", {"-.", "app"}, 0, {}, {"app.mot"}},
        {"converted with a listing", "writing/oneSectionSRecord", {"-.", "+debug", "app"}, 0, {}, {"app.mot", "app.dbg"}},
        {"no data", "reading/noDataSizeZero", {"-.", "+debug", "app"}, 3, {"app.mot", "app.dbg"}, {}},
        {"no data in two areas", "reading/noDataDualArea", {"-.", "app"}, 3, {"app.mcd", "app.mdt"}, {}},
        // Refused before any output was opened: the older files are not this run's.
        {"wrong processor", "reading/processorLowerCase", {"-.", "app"}, 4, {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<InputFile> inputs = {{"app.tqx", caseModule(c.module)}};
        for (const char *name : {"app.mot", "app.dbg", "app.mcd", "app.mdt"}) inputs.push_back({name, older});
        const RunResult result = runRomcast(c.args, inputs);
        EXPECT_EQ(result.exitStatus, c.status) << describeRun(result);
        EXPECT_EQ(result.removed, c.removed);
        Names left;
        for (const auto &[name, bytes] : result.files) left.insert(name);
        EXPECT_EQ(left, c.files) << describeRun(result);
    }
}

// "-o" naming the module, or an output name that is a link to it: refused
// before anything is written, the module untouched.
TEST(Outputs, TheInputIsNeverAnOutput) {
    const struct {
        const char *label;
        const char *module;
        std::vector<std::string> options;
        const char *link;  // an output name made a link to the module, or none
        bool hard;
        const char *refused;  // the name in the message
    } cases[] = {
        {"-o names the module", "writing/oneSectionSRecord", {"-o", "@/app.tqx"}, nullptr, false, "app.tqx"},
        {"-o names it otherwise", "writing/oneSectionSRecord", {"-o", "@/./app.tqx"}, nullptr, false, "./app.tqx"},
        {"image is a link", "writing/oneSectionSRecord", {}, "app.mot", false, "app.mot"},
        {"image is a hard link", "writing/oneSectionSRecord", {"-B"}, "app.bin", true, "app.bin"},
        {"listing is a link", "writing/oneSectionSRecord", {"+debug"}, "app.dbg", false, "app.dbg"},
        {"second area file is a link", "writing/dualArea", {}, "app.mdt", false, "app.mdt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        TestDir dir;
        ASSERT_FALSE(dir.path.empty());
        const std::string module = caseModule(c.module);
        writeBytes(dir / "app.tqx", module);
        if (c.link != nullptr) {
            if (c.hard)
                fs::create_hard_link(dir / "app.tqx", dir / c.link);
            else
                fs::create_symlink("app.tqx", dir / c.link);
        }
        std::vector<std::string> args = {"-."};
        for (std::string option : c.options) {
            if (option.starts_with("@")) option = dir.path + option.substr(1);
            args.push_back(option);
        }
        args.push_back(dir / "app");
        const RunResult result = runRomcast(args);
        EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
        EXPECT_EQ(result.out, error("Can't create file '" + (dir / c.refused) + "'"));
        EXPECT_EQ(readFileBytes(dir / "app.tqx"), module);
        EXPECT_EQ(dir.entries().size(), c.link != nullptr ? 2u : 1u);
    }
}

TEST(Outputs, AnOutputNameThatIsADirectory) {
    const RunResult result =
        runRomcast({"-.", "app"}, {{"app.tqx", caseModule("writing/oneSectionSRecord")}, {"app.mot/keep", ""}});
    EXPECT_EQ(result.exitStatus, 2) << describeRun(result);
    EXPECT_EQ(result.out, error("Can't create file 'app.mot'"));
    EXPECT_TRUE(result.files.empty()) << describeRun(result);
    EXPECT_TRUE(result.removed.empty());
}

// A device is written in place, and never deleted, whatever the run's end.
TEST(Outputs, ADeviceIsWrittenInPlace) {
    TestDir dir;
    ASSERT_FALSE(dir.path.empty());
    if (mknod((dir / "image.mot").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node (the test needs root)";
    const struct {
        const char *module;
        int status;
    } cases[] = {{"writing/oneSectionSRecord", 0}, {"reading/noDataSizeZero", 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.module);
        writeBytes(dir / "app.tqx", caseModule(c.module));
        const RunResult result = runRomcast({"-.", "-o", dir / "image.mot", dir / "app"});
        EXPECT_EQ(result.exitStatus, c.status) << describeRun(result);
        struct stat device {};
        ASSERT_EQ(stat((dir / "image.mot").c_str(), &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode));
        EXPECT_EQ(dir.entries().size(), 2u);
    }
}

// Written under a private temporary name, an image still gets the permissions
// that creating it under its own name gives.
TEST(Outputs, ImagePermissionsFollowTheUmask) {
    TestDir dir;
    ASSERT_FALSE(dir.path.empty());
    writeBytes(dir / "app.tqx", caseModule("writing/oneSectionSRecord"));
    const RunResult result = runRomcast({"-.", dir / "app"});
    ASSERT_EQ(result.exitStatus, 0) << describeRun(result);
    const mode_t mask = umask(0);
    umask(mask);
    struct stat image {};
    ASSERT_EQ(stat((dir / "app.mot").c_str(), &image), 0);
    EXPECT_EQ(image.st_mode & 0777, 0666 & ~mask);
}

}  // namespace
