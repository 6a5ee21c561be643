// An input file handed from one object to another.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "e2e/harness.h"
#include "platform/inputFile.h"

namespace {

// Moved onto one already open, it brings what it knew of its file: the size
// to read up to and the time it was changed, so that it is found unchanged.
TEST(InputFile, MovedOntoAnOpenOneKeepsItsSizeAndTime) {
    const TestDir scratch;
    const std::string first = scratch / "first.tqx";
    const std::string second = scratch / "second.tqx";
    writeFileBytes(first, std::string(10, 'a'));
    writeFileBytes(second, std::string(5000, 'b'));
    struct stat info {};
    ASSERT_EQ(stat(second.c_str(), &info), 0);
    info.st_mtim.tv_sec -= 3600;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, second.c_str(), times, 0), 0);
    std::optional<platform::InputFile> held = platform::openInputFile(first);
    std::optional<platform::InputFile> other = platform::openInputFile(second);
    ASSERT_TRUE(held && other);
    *held = std::move(*other);
    EXPECT_EQ(held->size(), 5000u);
    EXPECT_TRUE(held->unchanged());
}

}  // namespace
