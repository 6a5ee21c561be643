// An output file as a sink: whatever sizes the writers hand it, the file holds
// their bytes in order, and a write the system refuses ends the run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "e2e/harness.h"
#include "module/readerTestSupport.h"
#include "output/fileSink.h"

namespace {

// Runs of these sizes in turn: short ones into a block, long ones past it,
// one that overflows a part-filled block.
TEST(FileSink, KeepsEveryByteInOrder) {
    const std::string name = (std::filesystem::temp_directory_path() / "romcast-fileSink.bin").string();
    std::vector<std::uint8_t> expected;
    {
        FileSink sink(platform::openInPlace(name), name, CancelFlags{}, false);
        for (const std::size_t size : {10u, 200000u, 3u, 65533u, 70000u, 1u}) {
            std::vector<std::uint8_t> run(size);
            for (std::size_t i = 0; i < size; ++i) run[i] = static_cast<std::uint8_t>((expected.size() + i) * 7 + 1);
            sink.write(run);
            expected.insert(expected.end(), run.begin(), run.end());
        }
        sink.finish();
    }
    const std::string written = readFileBytes(name);
    std::filesystem::remove(name);
    EXPECT_TRUE(written == std::string(expected.begin(), expected.end())) << written.size() << " bytes";
}

TEST(FileSink, AWriteTheSystemRefusesEndsTheRun) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    FileSink sink(platform::openInPlace("/dev/full"), "full.mot", CancelFlags{}, false);
    const std::vector<std::uint8_t> bytes(100, 0x5A);
    sink.write(bytes);
    EXPECT_RUN_ENDS(sink.finish(), 2, "Can't close file 'full.mot'");
}

}  // namespace
