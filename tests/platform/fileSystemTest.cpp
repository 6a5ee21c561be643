// Outputs named by links are written through to the file the links lead to.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"
#include "platform/fileSystem.h"

namespace fs = std::filesystem;

namespace {

// A relative target is read from the link's own directory, an absolute one
// as it stands; a chain of 40 links is taken for a loop and leads nowhere.
TEST(FileSystem, LinksLeadToTheirTarget) {
    const TestDir scratch;
    const fs::path dir = scratch.path;
    fs::create_directories(dir / "sub");
    const std::string image = (dir / "sub/image.mot").string();
    ASSERT_TRUE(writeFileBytes(image, "S9"));
    ASSERT_EQ(symlink("image.mot", (dir / "sub/relative").c_str()), 0);
    ASSERT_EQ(symlink(image.c_str(), (dir / "absolute").c_str()), 0);
    std::string chain = image;
    for (int link = 1; link <= 40; ++link) {
        const std::string name = (dir / ("chain" + std::to_string(link))).string();
        ASSERT_EQ(symlink(chain.c_str(), name.c_str()), 0);
        chain = name;
    }
    EXPECT_EQ(platform::followLinks((dir / "sub/relative").string()), image);
    EXPECT_EQ(platform::followLinks((dir / "absolute").string()), image);
    EXPECT_EQ(platform::followLinks(image), image);
    EXPECT_EQ(platform::followLinks((dir / "chain39").string()), image);
    EXPECT_EQ(platform::followLinks((dir / "chain40").string()), std::nullopt);
}

}  // namespace
