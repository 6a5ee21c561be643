// Names as users type them: in any language, longer than the classic limit of
// a Windows path, and, for romcast.exe, with backslashes and drive letters.
// Whatever the name, the image is the one a plain name gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "platform/temporaryName.h"

namespace {

TEST(Names, AnyLanguageAnyLengthAndWindowsForms) {
    const std::string module = assembleModule(readFileBytes(ROMCAST_SOURCE_DIR "/examples/demo.tqx.txt"));
    // Three directories of 100 characters: the path is over 300 long from anywhere.
    const std::string level(100, 'd');
    const std::string longDirectory = level + "/" + level + "/" + level;
    ASSERT_FALSE(module.empty());
    const RunResult plain = runRomcast({"app"}, {{"app.tqx", module}});
    ASSERT_EQ(plain.exitStatus, 0) << describeRun(plain);
    const std::string image = plain.files.at("app.mot");

    const struct {
        std::vector<std::string> args;
        std::string input;   // where the module lies, '/' separated
        std::string output;  // where its image must be, and no other file
        bool windowsOnly;
    } cases[] = {
        {{"модуль/файл€"}, "модуль/файл€.tqx", "модуль/файл€.mot", false},
        {{"-o", "ñame", "dïr/äpp"}, "dïr/äpp.tqx", "dïr/ñame.mot", false},
        {{longDirectory + "/app"}, longDirectory + "/app.tqx", longDirectory + "/app.mot", false},
        {{"-o", "out", "dir\\app"}, "dir/app.tqx", "dir/out.mot", true},
        // With a drive, a name lies in that drive's working directory (Wine's
        // drive Z is the root, and so the test's own directory).
        {{"Z:app"}, "app.tqx", "app.mot", true},
        {{"-o", "Z:out", "dir\\app"}, "dir/app.tqx", "out.mot", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        if (c.windowsOnly && !testingAnotherBuild()) continue;
        const RunResult result = runRomcast(c.args, {{c.input, module}});
        EXPECT_EQ(result.exitStatus, 0) << describeRun(result);
        EXPECT_EQ(result.out, plain.out);
        ASSERT_EQ(result.files.size(), 1u) << describeRun(result);
        EXPECT_EQ(result.files.begin()->first, c.output);
        EXPECT_EQ(result.files.begin()->second, image);
    }
}

// An output's temporary keeps the output's name while the dots and the six
// random letters still fit a directory entry of 255 bytes, and is ".romcast."
// past that.
TEST(Names, TemporaryNamesFitADirectoryEntry) {
    const std::string fits(247, 'n'), longer(248, 'n');
    EXPECT_EQ(platform::temporaryPrefix("d/" + fits, 2), "d/." + fits + ".");
    EXPECT_EQ(platform::temporaryPrefix("d/" + longer, 2), "d/.romcast.");
    // The random part: six letters or digits, never anything else.
    std::uint64_t state = 1;
    for (int i = 0; i < 1000; ++i) {
        const std::string letters = platform::randomLetters(state);
        ASSERT_EQ(letters.size(), 6u);
        ASSERT_EQ(letters.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos) << i;
    }
}

}  // namespace
