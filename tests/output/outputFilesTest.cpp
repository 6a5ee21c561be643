#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testConversion.h"
#include "ieee695/readerTestSupport.h"
#include "output/outputFiles.h"

namespace {

void startNames(const char *input, std::uint32_t flags = 0, const char *output = nullptr) {
    initRunSettings(conv);
    conv.settings.flags = flag::bannerShown | flags;
    conv.settings.inputName = input;
    if (output != nullptr) {
        conv.settings.set(flag::outputNameGiven);
        conv.settings.outputName = output;
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
        deriveNames(conv);
        EXPECT_EQ(conv.settings.inputStem, c.stem);
        EXPECT_EQ(conv.settings.inputDir, c.dir);
        if (c.outputName != nullptr) {
            EXPECT_EQ(conv.settings.outputName, c.outputName);
        }
        EXPECT_EQ(conv.settings.outputHasExtension, c.hasExtension) << c.output;
        EXPECT_EQ(conv.settings.entryAddress, 0u);
    }
}

// The refusals of "-e" but one are case folders under reading/.
TEST(OutputFiles, EntryAddress) {
    const struct {
        const char *text;
        std::uint32_t limit, value;
    } cases[] = {{"0a", 0xFFFFF, 0xA}, {"00000ABCD", 0xFFFFF, 0xABCD}, {"0FFFF", 0xFFFF, 0xFFFF}};
    for (const auto &c : cases) {
        startNames("app.tqx", flag::entryGiven);
        std::strcpy(conv.settings.entryText, c.text);
        conv.settings.addressLimit = c.limit;
        deriveNames(conv);
        EXPECT_EQ(conv.settings.entryAddress, c.value) << c.text;
    }
    startNames("app.tqx", flag::entryGiven);
    std::strcpy(conv.settings.entryText, "0FFFFFFFF");  // stops before it overflows
    EXPECT_RUN_ENDS(deriveNames(conv), 4, "Address specified by '-e' option exceed 0FFFFFH");
}

}  // namespace
