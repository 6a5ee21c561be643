#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "diag/termination.h"
#include "ieee695/moduleBytes.h"
#include "output/outputFiles.h"

namespace {

namespace fs = std::filesystem;

void startNames(const char *input, std::uint32_t flags = 0, const char *output = nullptr) {
    initRunSettings();
    settings.flags = flag::bannerShown | flags;
    settings.inputName = input;
    if (output != nullptr) {
        setFlag(flag::outputNameGiven);
        settings.outputName = output;
    }
}

TEST(OutputFiles, NamesFromTheInputAndTheOutputOption) {
    const struct {
        const char *input;
        const char *output;  // the "-o" argument, or none
        const char *stem;
        const char *dir;
        const char *outputName;
        int hasExtension;
    } cases[] = {
        {"app.tqx", nullptr, "app", "", nullptr, 0},
        {"C:\\work\\app.tqx", nullptr, "C:\\work\\app", "C:\\work\\", nullptr, 0},
        {"dir.v\\a.tqx", nullptr, "dir.v\\a", "dir.v\\", nullptr, 0},
        {"sub/app.tqx", nullptr, "sub/app", "sub/", nullptr, 0},
        {"C:\\work\\app.tqx", "out", "C:\\work\\app", "C:\\work\\", "C:\\work\\out", 0},
        {"sub/app.tqx", "out.s", "sub/app", "sub/", "sub/out.s", 1},
        {"C:\\work\\app.tqx", "D:\\x\\out.s", "C:\\work\\app", "C:\\work\\", "D:\\x\\out.s", 1},
        {"w/app.tqx", "sub\\out", "w/app", "w/", "sub\\out", 0},   // keeps its own directory
        {"app.tqx", ".out", "app", "", ".out", 0},                // a leading dot is no extension
        {"app.tqx", "sub/.out", "app", "", "sub/.out", 1},        // after a separator it is
        {"app.tqx", "a.b/out", "app", "", "a.b/out", 0},
    };
    for (const auto &c : cases) {
        startNames(c.input, 0, c.output);
        deriveNames();
        EXPECT_STREQ(settings.inputStem, c.stem);
        EXPECT_STREQ(settings.inputDir, c.dir);
        if (c.outputName != nullptr) {
            EXPECT_STREQ(settings.outputName, c.outputName);
        }
        EXPECT_EQ(settings.outputHasExtension, c.hasExtension) << c.output;
        EXPECT_EQ(settings.entryAddress, 0u);
    }
}

TEST(OutputFiles, EntryAddress) {
    const struct {
        const char *text;
        std::uint32_t limit;
        std::uint32_t value;
    } cases[] = {
        {"0FFFFF", 0xFFFFF, 0xFFFFF},
        {"000", 0xFFFFF, 0},
        {"0", 0xFFFFF, 0},
        {"0a", 0xFFFFF, 0xA},
        {"00000ABCD", 0xFFFFF, 0xABCD},
        {"12345", 0xFFFFF, 0x12345},
        {"0FFFF", 0xFFFF, 0xFFFF},
    };
    for (const auto &c : cases) {
        startNames("app.tqx", flag::entryGiven);
        std::strcpy(settings.entryText, c.text);
        settings.addressLimit = c.limit;
        deriveNames();
        EXPECT_EQ(settings.entryAddress, c.value) << c.text;
    }
}

TEST(OutputFilesDeathTest, EntryAddressRefused) {
    const struct {
        const char *text;
        std::uint32_t limit;
        const char *limitText;
        std::string message;
    } cases[] = {
        {"", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"FFFFF", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"1G", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"0G", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"-1", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"100000", 0xFFFFF, "0FFFFFH", "Address specified by '-e' option exceed 0FFFFFH"},
        {"10000", 0xFFFF, "0FFFFH", "Address specified by '-e' option exceed 0FFFFH"},
        {"FFFFFFFFF", 0xFFFFF, "0FFFFFH", "Option '-e' is not appropriate"},
        {"0FFFFFFFF", 0xFFFFF, "0FFFFFH", "Address specified by '-e' option exceed 0FFFFFH"},
    };
    for (const auto &c : cases) {
        startNames("app.tqx", flag::entryGiven);
        std::strcpy(settings.entryText, c.text);
        settings.addressLimit = c.limit;
        settings.addressLimitText = c.limitText;
        EXPECT_RUN_ENDS(deriveNames(), 4, c.message) << c.text;
    }
}

TEST(OutputFilesDeathTest, NoInputNameOrNoOutputArgument) {
    startNames(nullptr);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            deriveNames();
        },
        testing::ExitedWithCode(4), "Usage: romcast \\[options\\] <filename>");
    startNames("noextension");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            deriveNames();
        },
        testing::ExitedWithCode(4), "Usage: romcast");
    startNames("app.tqx", flag::outputNameGiven);
    EXPECT_RUN_ENDS(deriveNames(), 4, "Option '-o' is not appropriate");
}

// A fresh directory that holds the input module "app.tqx".
struct Scratch {
    fs::path dir;
    std::string input;
    Scratch() {
        char pattern[] = "/tmp/romcastNamesXXXXXX";
        dir = mkdtemp(pattern);
        input = (dir / "app.tqx").string();
        std::FILE *module = std::fopen(input.c_str(), "wb");
        std::fclose(module);
    }
    ~Scratch() { fs::remove_all(dir); }
    // The files besides the input.
    std::set<std::string> outputs() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir))
            if (entry.path().filename() != "app.tqx") names.insert(entry.path().filename().string());
        return names;
    }
};

void openAll(const Scratch &scratch, std::uint32_t flags, const char *output) {
    startNames(scratch.input.c_str(), flags, output);
    deriveNames();
    openInput();
    openOutputs();
    closeAllFiles();
}

TEST(OutputFiles, FilesCreatedByOutputForm) {
    using Names = std::set<std::string>;
    const struct {
        std::uint32_t flags;
        const char *output;
        Names created;
    } cases[] = {
        {0, nullptr, {"app.mot"}},
        {flag::hexOutput, nullptr, {"app.hex"}},
        {flag::binaryOutput, nullptr, {"app.bin"}},
        {flag::binaryOutput, "out.hex", {"out.hex"}},
        {flag::dualArea, nullptr, {"app.mcd", "app.mdt"}},
        {flag::dualArea | flag::hexOutput, nullptr, {"app.hcd", "app.hdt"}},
        {flag::dualArea, "name", {"name.mcd", "name.mdt"}},
        {flag::debugListing, nullptr, {"app.mot", "app.dbg"}},
        {flag::debugListing, "image.mot", {"image.mot", "image.mot.dbg"}},
        {flag::debugListing | flag::dualArea | flag::hexOutput, "n", {"n.hcd", "n.hdt", "n.dbg"}},
    };
    for (const auto &c : cases) {
        Scratch scratch;
        openAll(scratch, c.flags, c.output);
        EXPECT_EQ(scratch.outputs(), c.created) << (c.output ? c.output : "");
    }
}

TEST(OutputFilesDeathTest, RefusedOutputsLeaveNothingBehind) {
    const std::string longName(250, 'n');
    const struct {
        std::uint32_t flags;
        std::string output;
        int status;
        std::string message;  // "@" stands for the scratch directory
    } cases[] = {
        {flag::dualArea, "out.mot", 4, "Option '-o (TQ40/51X mode)' is not appropriate"},
        {flag::dualArea | flag::binaryOutput, "", 4, "TQ40/51-X mode can not generate binary-file"},
        {0, "missing/out", 2, "Can't create file '@/missing/out.mot'"},
        {0, longName, 2, "Can't create file '@/" + longName + ".mot'"},
        {flag::dualArea, "missing/out", 2, "Can't create file '@/missing/out.mcd'"},
    };
    for (const auto &c : cases) {
        Scratch scratch;
        std::string message = c.message;
        if (message.find('@') != std::string::npos) message.replace(message.find('@'), 1, scratch.dir.string());
        const std::string output = c.output.empty() ? "" : (scratch.dir / c.output).string();
        EXPECT_RUN_ENDS(openAll(scratch, c.flags, output.empty() ? nullptr : output.c_str()), c.status, message);
        EXPECT_TRUE(scratch.outputs().empty()) << c.output;
    }
}

TEST(OutputFilesDeathTest, ALaterFailureRemovesTheOutputsAlreadyCreated) {
    Scratch scratch;
    // The image name just fits its buffer (255 characters); the listing's, four characters longer, does not.
    const std::string image =
        (scratch.dir / std::string(254 - scratch.dir.string().size() - 4, 'n')).string() + ".mot";
    ASSERT_EQ(image.size(), 255u);
    EXPECT_RUN_ENDS(openAll(scratch, flag::debugListing, image.c_str()), 2,
                    "Can't create file '" + image + ".dbg'");
    EXPECT_TRUE(scratch.outputs().empty());
}

TEST(OutputFilesDeathTest, InputThatCannotBeOpened) {
    Scratch scratch;
    const std::string missing = (scratch.dir / "none.tqx").string();
    startNames(missing.c_str());
    EXPECT_RUN_ENDS(openInput(), 2, "Can't open file '" + missing + "'");
    const std::string tooLong = (scratch.dir / (std::string(250, 'a') + ".tqx")).string();
    startNames(tooLong.c_str());
    EXPECT_RUN_ENDS(openInput(), 2, "Can't open file '" + tooLong + "'");
}

}  // namespace
