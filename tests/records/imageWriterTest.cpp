// A writer's file does not depend on how a run is cut into calls: put whole or
// byte by byte, a run gives the same records (split at the record length, the
// 64 KiB banks, the "-A" range and the security bytes), the same padding and the
// same progress characters.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "testConversion.h"
#include "records/imageWriters.h"
#include "output/outputSink.h"
#include "options/securityOptions.h"

namespace {

// The bytes a writer gives, kept in memory.
struct StringSink final : OutputSink {
    std::string bytes;
    void write(std::span<const std::uint8_t> block) override { bytes.append(block.begin(), block.end()); }
};

// The console and the file of a run of 70,000 bytes from 0xEFE05, over the ID
// page, the protect byte and two bank boundaries.
std::string writeRun(std::uint32_t flags, bool byteByByte) {
    // A run of its own: the progress count starts afresh.
    const auto run = std::make_unique<Conversion>(stdout, false, CancelFlags{});
    Conversion &conv = *run;
    initRunSettings(conv.settings);
    initSecurityDefaults(conv);
    conv.settings.flags = flags | flag::idCode | flag::protect1;
    conv.settings.rangeStart = conv.settings.lowestSectionAddress = 0xEFF00;
    conv.settings.rangeEnd = conv.settings.highestSectionAddress = 0x100F00;
    std::vector<std::uint8_t> bytes(70000);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    StringSink out;
    testing::internal::CaptureStdout();
    if ((flags & flag::binaryOutput) != 0) conv.progress.countBytes();
    const auto writer = makeImageWriter(conv, &out, true);
    writer->writeHeaderRecord();
    writer->flushRecord(0xEFE05);
    for (std::size_t at = 0; byteByByte && at < bytes.size(); ++at) writer->putImageBytes(ByteSpan(bytes).subspan(at, 1));
    if (!byteByByte) writer->putImageBytes(bytes);
    writer->closeRecord();
    writer->writeEndRecord(0);
    return testing::internal::GetCapturedStdout() + "|" + out.bytes;
}

TEST(ImageWriter, RunsGiveTheSameFileHoweverTheyAreCut) {
    for (const std::uint32_t flags : {0u, flag::longRecords, flag::rangeGiven, flag::hexOutput,
                                      flag::hexOutput | flag::above1MB | flag::longRecords, flag::binaryOutput}) {
        const std::string whole = writeRun(flags, false);
        EXPECT_GT(whole.size(), 65000u);
        EXPECT_TRUE(writeRun(flags, true) == whole) << "flags " << flags;  // not printed: too long
    }
}

}  // namespace
