// putImageBytes against putImageByte byte by byte: for every output form the same
// file, the same record state and the same progress characters, also where a run
// meets a record, bank, range or image boundary or a security byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "testConversion.h"
#include "diag/console.h"
#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

constexpr std::uint32_t noMove = ~0u;
constexpr std::uint32_t security = flag::idCode | flag::protect1;

struct Scenario {
    const char *name;
    std::uint32_t flags;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;  // address (noMove: none), byte count
    std::uint32_t low = 0, high = 0;  // range and binary image bounds
};

// The file, and the console with the record state and progress, of one conversion.
std::pair<std::string, std::string> convertRuns(const Scenario &s, bool fast) {
    initRunSettings(conv);
    initSecurityDefaults(conv);
    conv.settings.flags = s.flags;
    conv.settings.readingPhase = 0;
    for (int i = 0; i < idByteCount; ++i) conv.settings.idBytes[i] = 0xA0u + static_cast<std::uint32_t>(i);
    conv.settings.protectValue = 0x3F;
    conv.settings.rangeStart = conv.settings.lowestSectionAddress = s.low;
    conv.settings.rangeEnd = conv.settings.highestSectionAddress = s.high;
    resetRecordState(conv);
    conv.recordState.binarySum = 0;
    std::FILE *out = std::tmpfile();
    conv.recordState.currentOutput = out;

    testing::internal::CaptureStdout();
    if (conv.settings.has(flag::binaryOutput) && s.high != 0) writeBinaryHeader(conv, out);
    static std::uint8_t bytes[70000];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    for (const auto &[address, count] : s.runs) {
        if (address != noMove && address != conv.recordState.currentAddress) flushRecord(conv, address, out);
        if (fast) putImageBytes(conv, bytes, count, out);
        for (std::uint32_t i = 0; !fast && i < count; ++i) putImageByte(conv, bytes[i], out);
    }
    flushRecord(conv, conv.recordState.currentAddress, out);
    if (conv.settings.has(flag::binaryOutput)) writeEndRecord(conv, 0, out);
    std::string state = testing::internal::GetCapturedStdout();
    const RecordState &r = conv.recordState;
    for (std::uint32_t v : {r.currentAddress, r.recordAddress, r.lastUpperAddress, r.lastDataAddress, r.binarySum,
                            r.imageNext, r.securityWritten, conv.settings.progressTicks,
                            static_cast<std::uint32_t>(conv.settings.progressSkip)})
    {
        state += ' ';  // appended apart: g++ 12 misjudges " " + string at -O2
        state += std::to_string(v);
    }
    std::string file;
    std::rewind(out);
    for (int c; (c = std::getc(out)) != EOF;) file += static_cast<char>(c);
    std::fclose(out);
    return {file, state};
}

const Scenario scenarios[] = {
    {"S-records", 0, {{noMove, 5}, {0x100, 40}, {noMove, 3}, {0x20F, 1000}, {0x1FFF3, 300}}},
    {"S-records -L", flag::longRecords, {{0x101, 31}, {noMove, 33}, {noMove, 700}}},
    {"S-records over the ID page and the protect byte", security, {{0xFFE00, 700}, {0xFFFFE, 20}}},
    {"Intel HEX over bank boundaries", flag::hexOutput, {{noMove, 3}, {0x1FF03, 500}, {0x3FFF8, 65560}}},
    {"Intel HEX in bank FF", flag::hexOutput | flag::above1MB, {{0xFEFFF0, 40}, {0xFFFFF0, 16}}},
    {"Intel HEX -L with the security bytes", flag::hexOutput | flag::longRecords | security, {{0xFFE10, 1000}}},
    {"S-records in a range", flag::rangeGiven, {{0x100, 64}, {0x180, 600}}, 0x110, 0x2FF},
    {"binary with padding and the security bytes", flag::binaryOutput | security,
     {{0xFEFF0, 316}, {0x100400, 20}, {0x100500, 1200}, {0x1009F0, 40}}, 0xFF000, 0x100A00},
    {"binary without a header", flag::binaryOutput, {{0x500, 9000}, {0x3000, 70}}},
    {"binary in a range", flag::binaryOutput | flag::rangeGiven, {{0x400, 3000}}, 0x500, 0x9FF},
};

TEST(FastPath, RunsGiveWhatByteByByteGives) {
    for (const Scenario &scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        const auto slow = convertRuns(scenario, false);
        const auto fast = convertRuns(scenario, true);
        EXPECT_FALSE(slow.first.empty());
        EXPECT_TRUE(fast.first == slow.first);  // not printed: up to 70,000 bytes
        EXPECT_EQ(fast.second, slow.second);
    }
}

// The progress characters of the runs above come from both ways of counting; here
// the count alone, from every phase of the 30-call cycle of slow mode.
TEST(FastPath, CountedProgressEqualsSingleTicks) {
    for (const int phase : {0, 1}) {
        for (const std::uint32_t calls : {0u, 1u, 29u, 30u, 99u, 3001u, 250000u}) {
            std::string result[2];
            for (int way = 0; way < 2; ++way) {
                initRunSettings(conv);
                conv.settings.readingPhase = phase;
                conv.settings.progressTicks = 437;
                conv.settings.progressSkip = 17;
                testing::internal::CaptureStdout();
                if (way == 1) tickProgressTimes(conv, calls);
                for (std::uint32_t i = 0; way == 0 && i < calls; ++i) tickProgress(conv);
                result[way] = testing::internal::GetCapturedStdout() + " " +
                              std::to_string(conv.settings.progressTicks) + " " + std::to_string(conv.settings.progressSkip);
            }
            EXPECT_EQ(result[1], result[0]) << "phase " << phase << ", " << calls << " calls";
        }
    }
}

}  // namespace
