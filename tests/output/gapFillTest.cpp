// fillTo over every fill form and fill state, and the gaps it must leave open.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "testConversion.h"
#include "driver/runSettings.h"
#include "output/gapFill.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

namespace {

constexpr std::uint32_t none = 0xFFFFFF;  // no address record seen yet
constexpr std::uint32_t F = flag::fillGiven;

TEST(GapFill, EveryFormStateAndOpenGap) {
    struct Row {
        std::uint32_t flags;
        int form, state;
        std::uint32_t current, target;
        int newState;
        std::uint32_t first, last;  // the filled addresses; first > last: nothing
        bool atAddress = true;
    } rows[] = {
        {F, 0, 0, none, 0x800, 1, 1, 0},
        {F, 0, 1, 0x800, 0x800, 2, 1, 0},
        {F, 0, 1, 0x800, 0x810, 2, 0x800, 0x80F},
        {F, 0, 2, 0x800, 0x810, 2, 0x800, 0x80F},
        {F, 1, 0, none, 0x800, 1, 1, 0},
        {F, 1, 0, none, 0x1010, 2, 0x1000, 0x100F},
        {F, 1, 1, 0x900, 0x800, 1, 1, 0},
        {F, 1, 1, 0x900, 0x1010, 2, 0x1000, 0x100F},
        {F, 1, 1, 0x1008, 0x1010, 2, 0x1008, 0x100F},
        {F, 1, 2, 0x1100, 0x1110, 2, 0x1100, 0x110F},
        {F, 2, 0, none, 0x800, 1, 1, 0},
        {F, 2, 0, none, 0x1010, 2, 0x1000, 0x100F},
        {F, 2, 0, none, 0x3000, 3, 0x1000, 0x1FFF},
        {F, 2, 1, 0x900, 0x800, 1, 1, 0},
        {F, 2, 1, 0x900, 0x1010, 2, 0x1000, 0x100F},
        {F, 2, 1, 0x900, 0x3000, 3, 0x1000, 0x1FFF},
        {F, 2, 2, 0x1100, 0x1110, 2, 0x1100, 0x110F},
        {F, 2, 2, 0x1100, 0x3000, 3, 0x1100, 0x1FFF},
        {F, 2, 2, 0x2100, 0x3000, 3, 1, 0},  // the data already ran past the fill end
        {0, 0, 2, 0x800, 0x900, 2, 1, 0},    // no "-F"
        {F, 0, 3, 0x800, 0x900, 3, 1, 0},    // fill end reached
        {F, 0, 2, 0x800, 0x900, 2, 1, 0, false},               // final fill, byte only
        {F | flag::binaryOutput, 0, 2, 0x800, 0x900, 2, 1, 0},  // the image pads itself
        {F | flag::protect1, 0, 2, 0xFFFFF, 0x100010, 2, 1, 0},
        {F | flag::idCode, 0, 2, 0xFFFDF, 0xFFFE0, 2, 1, 0},  // one-byte gap at an ID byte
        {F | flag::idCode, 0, 2, 0xFFFDF, 0xFFFE1, 2, 0xFFFDF, 0xFFFE0},  // a wider one is filled
        {F, 0, 2, 0x800, 0, 2, 1, 0},  // a target of 0
    };
    for (const Row &row : rows) {
        std::FILE *out = std::tmpfile();
        initRunSettings(conv);
        initSecurityDefaults(conv);
        conv.settings.flags = row.flags | flag::quiet;
        resetRecordState(conv);
        conv.recordState.currentOutput = out;
        conv.settings.fillByte = 0xEE;
        conv.settings.fillStart = 0x1000;
        conv.settings.fillEnd = 0x1FFF;
        conv.settings.fillForm = row.form;
        conv.settings.fillState = row.state;
        conv.recordState.currentAddress = conv.recordState.recordAddress = row.current;
        fillTo(conv, row.target, row.atAddress);
        flushRecord(conv, 0, out);

        // The first and last address and the byte count of the S2 records.
        std::uint32_t first = 1, last = 0, count = 0;
        std::rewind(out);
        for (unsigned length = 0, address = 0; std::fscanf(out, "S2%2x%6x%*s\n", &length, &address) == 2;) {
            if (count == 0) first = address;
            last = address + length - 5;
            count += length - 4;
        }
        std::fclose(out);
        SCOPED_TRACE("form " + std::to_string(row.form) + " state " + std::to_string(row.state) + " target " +
                     std::to_string(row.target) + " flags " + std::to_string(row.flags));
        EXPECT_EQ(conv.settings.fillState, row.newState);
        EXPECT_EQ(first, row.first);
        EXPECT_EQ(last, row.last);
        EXPECT_EQ(count, row.first > row.last ? 0 : row.last - row.first + 1);
    }
}

}  // namespace
