// putImageBytes against putImageByte byte by byte: for every output form the same
// file, the same record state and the same progress characters, also where a run
// meets a record, bank, range or image boundary or a security byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "diag/console.h"
#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

struct Run {
    std::uint32_t address;  // where an address move puts the run; ~0u: no move
    std::uint32_t count;
};

struct Scenario {
    const char *name;
    std::uint32_t flags;
    std::vector<Run> runs;
    std::uint32_t low = 0, high = 0;  // binary image bounds (section extent or "-A")
};

constexpr std::uint32_t noMove = ~0u;

struct Outcome {
    std::string file;
    std::string console;
    RecordState state;
    std::uint32_t ticks;
    std::int32_t skip;
};

std::string contents(std::FILE *file) {
    std::fflush(file);
    std::rewind(file);
    std::string result;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) result += static_cast<char>(c);
    return result;
}

Outcome convert(const Scenario &scenario, bool fast) {
    initRunSettings();
    recordState.binarySum = 0;
    recordState.binaryLength = 0;
    initSecurityDefaults();
    settings.flags = scenario.flags;
    settings.readingPhase = 0;
    settings.progressTicks = 0;
    settings.progressSkip = 0;
    for (int i = 0; i < idByteCount; ++i) settings.idBytes[i] = 0xA0u + static_cast<std::uint32_t>(i);
    settings.protectValue = 0x3F;
    settings.rangeStart = scenario.low;
    settings.rangeEnd = scenario.high;
    settings.lowestSectionAddress = scenario.low;
    settings.highestSectionAddress = scenario.high;
    resetRecordState();
    std::FILE *out = std::tmpfile();
    recordState.currentOutput = out;

    testing::internal::CaptureStdout();
    if (hasFlag(flag::binaryOutput) && scenario.high != 0) writeBinaryHeader(out);
    static std::uint8_t bytes[70000];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    for (const Run &run : scenario.runs) {
        if (run.address != noMove && run.address != recordState.currentAddress) flushRecord(run.address, out);
        if (fast) {
            putImageBytes(bytes, run.count, out);
        } else {
            for (std::uint32_t i = 0; i < run.count; ++i) putImageByte(bytes[i], out);
        }
    }
    flushRecord(recordState.currentAddress, out);
    if (hasFlag(flag::binaryOutput)) writeEndRecord(0, out);
    Outcome outcome{contents(out), testing::internal::GetCapturedStdout(), recordState, settings.progressTicks,
                    settings.progressSkip};
    std::fclose(out);
    return outcome;
}

const std::uint32_t security = flag::idCode | flag::protect1;

const Scenario scenarios[] = {
    {"S-records", 0, {{noMove, 5}, {0x100, 40}, {noMove, 3}, {0x20F, 1000}, {0x1FFF3, 300}}},
    {"S-records -L", flag::longRecords, {{0x101, 31}, {noMove, 33}, {noMove, 700}}},
    {"S-records over the ID page and the protect byte", security, {{0xFFE00, 700}, {0xFFFFE, 20}}},
    {"Intel HEX over bank boundaries", flag::hexOutput, {{noMove, 3}, {0x1FF03, 500}, {0x3FFF8, 65560}}},
    {"Intel HEX in bank FF", flag::hexOutput | flag::above1MB, {{0xFEFFF0, 40}, {0xFFFFF0, 16}}},
    {"Intel HEX -L with the security bytes", flag::hexOutput | flag::longRecords | security,
     {{0xFFE10, 1000}}},
    {"S-records in a range", flag::rangeGiven, {{0x100, 64}, {0x180, 600}}, 0x110, 0x2FF},
    {"binary with padding and the security bytes", flag::binaryOutput | security,
     {{0xFEFF0, 316}, {0x100400, 20}, {0x100500, 1200}, {0x1009F0, 40}}, 0xFF000, 0x100A00},
    {"binary without a header", flag::binaryOutput, {{0x500, 9000}, {0x3000, 70}}},
    {"binary in a range", flag::binaryOutput | flag::rangeGiven, {{0x400, 3000}}, 0x500, 0x9FF},
};

TEST(FastPath, RunsGiveWhatByteByByteGives) {
    for (const Scenario &scenario : scenarios) {
        const Outcome slow = convert(scenario, false);
        const Outcome fast = convert(scenario, true);
        SCOPED_TRACE(scenario.name);
        EXPECT_FALSE(slow.file.empty());
        EXPECT_EQ(fast.file, slow.file);
        EXPECT_EQ(fast.console, slow.console);
        EXPECT_EQ(fast.ticks, slow.ticks);
        EXPECT_EQ(fast.skip, slow.skip);
        EXPECT_EQ(fast.state.currentAddress, slow.state.currentAddress);
        EXPECT_EQ(fast.state.recordAddress, slow.state.recordAddress);
        EXPECT_EQ(fast.state.lastUpperAddress, slow.state.lastUpperAddress);
        EXPECT_EQ(fast.state.lastDataAddress, slow.state.lastDataAddress);
        EXPECT_EQ(fast.state.binarySum, slow.state.binarySum);
        EXPECT_EQ(fast.state.imageNext, slow.state.imageNext);
        EXPECT_EQ(fast.state.securityWritten, slow.state.securityWritten);
    }
}

// The progress characters of the run above come from both ways of counting; here
// the count alone, from every phase of the 30-call cycle of slow mode.
TEST(FastPath, CountedProgressEqualsSingleTicks) {
    for (const bool slowMode : {false, true}) {
        for (const std::uint32_t calls : {0u, 1u, 29u, 30u, 99u, 3001u, 250000u}) {
            std::string printed[2];
            std::uint32_t ticks[2];
            std::int32_t skip[2];
            for (int way = 0; way < 2; ++way) {
                initRunSettings();
                settings.readingPhase = slowMode ? 1 : 0;
                settings.progressTicks = 437;
                settings.progressSkip = 17;
                testing::internal::CaptureStdout();
                if (way == 0) {
                    for (std::uint32_t i = 0; i < calls; ++i) tickProgress();
                } else {
                    tickProgressTimes(calls);
                }
                printed[way] = testing::internal::GetCapturedStdout();
                ticks[way] = settings.progressTicks;
                skip[way] = settings.progressSkip;
            }
            EXPECT_EQ(printed[1], printed[0]) << slowMode << " " << calls;
            EXPECT_EQ(ticks[1], ticks[0]) << slowMode << " " << calls;
            EXPECT_EQ(skip[1], skip[0]) << slowMode << " " << calls;
        }
    }
}

}  // namespace
