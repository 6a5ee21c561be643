#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ieee695/moduleBytes.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/recordReader.h"

namespace {

struct Attribute {
    std::uint32_t number;
    Bytes value;
};

// A header: MB, AD, the ASW records, NN, the ATN records, then ME.
Bytes header(const std::string &processor, const std::vector<std::pair<std::uint32_t, std::uint32_t>> &asw,
             const std::vector<Attribute> &attributes) {
    Bytes out;
    addType(out, rec::MB);
    addName(out, processor);
    addName(out, "app");
    addType(out, rec::AD);
    addBytes(out, {8, 4, 0xCD});
    for (const auto &[index, offset] : asw) {
        addType(out, rec::ASW);
        addNumber(out, index);
        addNumber(out, offset);
    }
    addType(out, rec::NN);
    addNumber(out, 1);
    addName(out, "app");
    for (const Attribute &attribute : attributes) {
        addType(out, rec::ATN);
        addBytes(out, {0, 0});
        addNumber(out, attribute.number);
        out.insert(out.end(), attribute.value.begin(), attribute.value.end());
    }
    addType(out, rec::ME);
    return out;
}

const std::vector<std::pair<std::uint32_t, std::uint32_t>> allParts = {{1, 0x10}, {2, 0x20}, {5, 0x50}, {6, 0x60}};
const std::vector<Attribute> absolute = {{38, {0x01}}};

TEST(ModuleHeader, TargetDecidesTheMode) {
    const struct {
        std::string processor;
        std::uint32_t flags;
        bool dualArea;
    } cases[] = {
        {"TQ40", 0, false},
        {"TQ40", flag::dualArea, false},  // the module's target clears the mode
        {"TQ40/51X", 0, true},
        {"TQ40", flag::forceDualArea, true},
        {"TQ40", flag::forceDualArea | flag::binaryOutput, true},  // refused later, by the outputs
    };
    for (const auto &c : cases) {
        startReading(header(c.processor, allParts, absolute), c.flags);
        readModuleHeader();
        EXPECT_EQ(hasFlag(flag::dualArea), c.dualArea) << c.processor;
        finishReading();
    }
}

TEST(ModuleHeader, PartOffsetsInAnyOrderTheLastOneWins) {
    startReading(header("TQ40", {{6, 0x66}, {5, 0x11}, {0, 0x99}, {2, 0x22}, {5, 0x55}, {7, 0x77}, {3, 0x33}}, absolute));
    moduleParts.environmentPart = 0;
    readModuleHeader();
    EXPECT_EQ(moduleParts.environmentPart, 0u);
    EXPECT_EQ(moduleParts.sectionPart, 0x22u);
    EXPECT_EQ(moduleParts.dataPart, 0x55u);
    EXPECT_EQ(moduleParts.trailerPart, 0x66u);
    EXPECT_EQ(settings.progressTicks, 7u);  // one per ASW record, ignored ones too
    finishReading();
}

TEST(ModuleHeader, OtherAttributesBeforeTheFormatArePassedOver) {
    startReading(header("TQ40", allParts, {{37, {0x05}}, {40, {0x84, 0, 0, 0, 1}}, {38, {0x01, 0x02, 0xA5}}}));
    readModuleHeader();
    EXPECT_EQ(moduleParts.sectionPart, 0x20u);
    finishReading();
}

TEST(HeaderDeathTest, MalformedHeaders) {
    const std::string illegal = "Illegal file format `app.tqx' is used";
    const std::string mismatch = "MCU information mismatch 'app.tqx'";
    Bytes notMb = header("TQ40", allParts, absolute);
    notMb[0] = rec::ME;
    Bytes longAd = header("TQ40", allParts, absolute);
    Bytes padding(9000, 0x01);
    longAd.insert(longAd.begin() + 14, padding.begin(), padding.end());
    const struct {
        Bytes bytes;
        std::uint32_t flags;
        int status;
        std::string message;
    } cases[] = {
        {{}, 0, 3, illegal},
        {notMb, 0, 3, illegal},
        {longAd, 0, 3, illegal},  // a record longer than the log
        {{0xE0}, 0, 4, mismatch},  // MB ends before its processor name
        {header("", allParts, absolute), 0, 4, mismatch},
        {header("tq40", allParts, absolute), 0, 4, mismatch},
        {header("TQ40 ", allParts, absolute), 0, 4, mismatch},
        {header("TQ4", allParts, absolute), 0, 4, mismatch},
        {header("TQ40/51X/TQ40/51X/TQ40/51X", allParts, absolute), 0, 4, mismatch},  // past the buffer
        {header("TQ40/51X", allParts, absolute), flag::binaryOutput, 4,
         "TQ40/51-X mode can not generate binary-file"},
        {header("TQ40", {{1, 0x10}, {2, 0x20}, {6, 0x60}}, absolute), 0, 3, illegal},
        {header("TQ40", {{1, 0x10}, {2, 0x20}, {5, 0}, {6, 0x60}}, absolute), 0, 3, illegal},
        {header("TQ40", {{2, 0x20}, {5, 0x50}}, absolute), 0, 3, illegal},
        {header("TQ40", allParts, {}), 0, 3, illegal},
        {header("TQ40", allParts, {{37, {0x01}}}), 0, 3, illegal},
        {header("TQ40", allParts, {{38, {0x02}}}), 0, 3, illegal},
        {header("TQ40", allParts, {{38, {0x81, 0x01}}}), 0, 3, illegal},
        {header("TQ40", allParts, {{38, {}}}), 0, 3, illegal},
    };
    for (const auto &c : cases) {
        startReading(c.bytes, c.flags);
        EXPECT_RUN_ENDS(readModuleHeader(), c.status, c.message) << testing::PrintToString(c.bytes);
        finishReading();
    }
}

TEST(HeaderDeathTest, TheFormatMustBeInTheFirstRunOfAttributes) {
    Bytes bytes = header("TQ40", allParts, {{37, {0x01}}});
    bytes.pop_back();  // ME
    addType(bytes, rec::NN);
    addBytes(bytes, {2, 0});
    addType(bytes, rec::ATN);
    addBytes(bytes, {0, 0, 38, 1});
    startReading(bytes);
    EXPECT_RUN_ENDS(readModuleHeader(), 3, "Illegal file format `app.tqx' is used");
    finishReading();
}

}  // namespace
