#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "output/gapFill.h"
#include "output/writerFixture.h"

namespace {

class GapFill : public WriterTest {
protected:
    // The first and last address and the number of bytes the S2 records hold.
    struct Written {
        std::uint32_t first = 0, last = 0, count = 0;
    };
    Written written() {
        Written w;
        const std::string all = text();
        for (std::size_t pos = 0; pos < all.size(); pos = all.find('\n', pos) + 1) {
            unsigned length = 0, address = 0;
            std::sscanf(all.c_str() + pos, "S2%2x%6x", &length, &address);
            if (w.count == 0) w.first = address;
            w.last = address + length - 5;
            w.count += length - 4;
        }
        return w;
    }
    void fill(int form, int state, std::uint32_t current, std::uint32_t target, bool atAddress = true) {
        settings.fillForm = form;
        settings.fillState = state;
        recordState.currentAddress = current;
        recordState.recordAddress = current;
        fillTo(target, atAddress);
        flushRecord(0, out);
    }
};

TEST_F(GapFill, EveryRowOfTheTable) {
    constexpr std::uint32_t none = 0xFFFFFF;
    struct Row {
        int form, state;
        std::uint32_t current, target;
        int newState;
        std::uint32_t first, last;  // first > last: nothing filled
    } rows[] = {
        {0, 0, none, 0x800, 1, 1, 0},
        {0, 1, 0x800, 0x800, 2, 1, 0},
        {0, 1, 0x800, 0x810, 2, 0x800, 0x80F},
        {0, 2, 0x800, 0x810, 2, 0x800, 0x80F},
        {1, 0, none, 0x800, 1, 1, 0},
        {1, 0, none, 0x1010, 2, 0x1000, 0x100F},
        {1, 1, 0x900, 0x800, 1, 1, 0},
        {1, 1, 0x900, 0x1010, 2, 0x1000, 0x100F},
        {1, 1, 0x1008, 0x1010, 2, 0x1008, 0x100F},
        {1, 2, 0x1100, 0x1110, 2, 0x1100, 0x110F},
        {2, 0, none, 0x800, 1, 1, 0},
        {2, 0, none, 0x1010, 2, 0x1000, 0x100F},
        {2, 0, none, 0x3000, 3, 0x1000, 0x1FFF},
        {2, 1, 0x900, 0x800, 1, 1, 0},
        {2, 1, 0x900, 0x1010, 2, 0x1000, 0x100F},
        {2, 1, 0x900, 0x3000, 3, 0x1000, 0x1FFF},
        {2, 2, 0x1100, 0x1110, 2, 0x1100, 0x110F},
        {2, 2, 0x1100, 0x3000, 3, 0x1100, 0x1FFF},
        {2, 2, 0x2100, 0x3000, 3, 1, 0},  // the data already ran past the fill end
    };
    for (const Row &row : rows) {
        std::fclose(out);
        out = std::tmpfile();
        start(flag::fillGiven);
        settings.fillByte = 0xEE;
        settings.fillStart = 0x1000;
        settings.fillEnd = 0x1FFF;
        fill(row.form, row.state, row.current, row.target);
        const Written w = written();
        const std::string where = "form " + std::to_string(row.form) + " state " +
                                  std::to_string(row.state) + " target " + std::to_string(row.target);
        EXPECT_EQ(settings.fillState, row.newState) << where;
        if (row.first > row.last) {
            EXPECT_EQ(w.count, 0u) << where;
        } else {
            EXPECT_EQ(w.first, row.first) << where;
            EXPECT_EQ(w.last, row.last) << where;
            EXPECT_EQ(w.count, row.last - row.first + 1) << where;
        }
    }
}

TEST_F(GapFill, CasesThatFillNothing) {
    struct Case {
        std::uint32_t flags;
        int state;
        std::uint32_t current, target;
        bool atAddress;
    } cases[] = {
        {0, 2, 0x800, 0x900, true},                                   // no "-F"
        {flag::fillGiven, 3, 0x800, 0x900, true},                     // fill end reached
        {flag::fillGiven, 2, 0x800, 0x900, false},                    // final fill, byte only
        {flag::fillGiven | flag::binaryOutput, 2, 0x800, 0x900, true},  // the image pads itself
        {flag::fillGiven | flag::protect1, 2, 0xFFFFF, 0x100010, true},
        {flag::fillGiven | flag::idCode, 2, 0xFFFDF, 0xFFFE0, true},  // one-byte gap at an ID byte
        {flag::fillGiven, 2, 0x800, 0, true},                         // a target of 0
    };
    for (const Case &c : cases) {
        start(c.flags);
        fill(0, c.state, c.current, c.target, c.atAddress);
        EXPECT_EQ(settings.fillState, c.state) << c.flags;
        EXPECT_EQ(text(), "") << c.flags;
    }
    // A wider gap at an ID byte is filled, the ID byte taking its place.
    start(flag::fillGiven | flag::idCode);
    settings.idBytes[0] = 0x42;
    fill(0, 2, 0xFFFDF, 0xFFFE1);
    EXPECT_EQ(text(), "S2060FFFDF42FFCB\n");
}

}  // namespace
