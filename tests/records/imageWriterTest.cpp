// A writer's file does not depend on how a run is cut into calls: put whole or
// byte by byte, a run gives the same records (split at the record length, the
// 64 KiB banks, the "-A" range and the security bytes), the same padding and the
// same progress characters.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "common/console.h"
#include "module/moduleReader.h"
#include "options/runSettings.h"
#include "output/outputSink.h"
#include "plan/imagePlan.h"
#include "records/imageWriters.h"

namespace {

// The bytes a writer gives, kept in memory.
struct StringSink final : OutputSink {
    std::string bytes;
    void write(std::span<const std::uint8_t> block) override { bytes.append(block.begin(), block.end()); }
};

struct Form {
    const char *what;
    std::uint32_t flags;  // of the settings
    bool clipsToRange;
    bool above1MB;
};

// The console and the file of a run of 70,000 bytes from 0xEFE05, over the ID
// page, the protect byte and two bank boundaries.
std::string writeRun(const Form &form, bool byteByByte) {
    RunSettings settings;
    settings.flags = form.flags;
    if (settings.has(flag::longRecords)) settings.recordLength = 32;
    settings.set(flag::idCode | flag::protect1);
    const SecurityPlan security = planSecurity(settings, ModuleIdTexts{});
    RangePlan range;
    range.clipsToRange = form.clipsToRange;
    range.rangeStart = 0xEFF00;
    range.rangeEnd = 0x100F00;
    const ModuleExtent extent{0xEFF00, 0x100F00, form.above1MB};
    const NamesPlan names;
    const ImagePlan plan{settings, names, range, security, extent, false};

    // A run of its own: the progress count starts afresh.
    Console console(stdout, false);
    Progress progress(console, CancelFlags{});
    GapFillCursor fill;
    ModuleBytes module;
    const ModuleSource source{module, "app.tqx", CancelFlags{}};
    std::vector<std::uint8_t> bytes(70000);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    StringSink out;
    testing::internal::CaptureStdout();
    if (settings.has(flag::binaryOutput)) progress.countBytes();
    const auto writer = makeImageWriter(plan, WriterContext{console, progress, fill, source}, out, true);
    writer->writeHeaderRecord();
    writer->flushRecord(0xEFE05);
    for (std::size_t at = 0; byteByByte && at < bytes.size(); ++at) writer->putImageBytes(ByteSpan(bytes).subspan(at, 1));
    if (!byteByByte) writer->putImageBytes(bytes);
    writer->closeRecord();
    writer->writeEndRecord(0);
    console.flush();
    return testing::internal::GetCapturedStdout() + "|" + out.bytes;
}

TEST(ImageWriter, RunsGiveTheSameFileHoweverTheyAreCut) {
    const Form forms[] = {
        {"S-records", 0, false, false},
        {"long S-records", flag::longRecords, false, false},
        {"S-records in a range", 0, true, false},
        {"Intel HEX", flag::hexOutput, false, false},
        {"Intel HEX above 1 MB, long", flag::hexOutput | flag::longRecords, false, true},
        {"binary", flag::binaryOutput, false, false},
    };
    for (const Form &form : forms) {
        const std::string whole = writeRun(form, false);
        EXPECT_GT(whole.size(), 65000u);
        EXPECT_TRUE(writeRun(form, true) == whole) << form.what;  // not printed: too long
    }
}

}  // namespace
