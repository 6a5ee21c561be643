#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/readerTestSupport.h"

namespace {

TEST(ModuleHeader, TargetDecidesTheMode) {
    const struct {
        const char *processor;
        std::uint32_t flags;
        bool dualArea;
    } cases[] = {
        {"TQ40", flag::dualArea, false},  // the module's target clears the mode
        {"TQ40/51X", 0, true},
        {"TQ40", flag::forceDualArea | flag::binaryOutput, true},  // refused later, with the outputs
    };
    for (const auto &c : cases) {
        startReading(assembleModule(moduleText({.processor = c.processor})), c.flags);
        readModuleHeader();
        EXPECT_EQ(hasFlag(flag::dualArea), c.dualArea) << c.processor;
        finishReading();
    }
}

TEST(ModuleHeader, PartOffsetsInAnyOrderTheLastOneWins) {
    startReading(assembleModule(moduleText(
        {.partOffsets = "ASW 6 0x66\nASW 5 0x11\nASW 0 0x99\nASW 2 0x22\nASW 5 0x55\nASW 7 0x77\nASW 3 0x33\n",
         .attributes = "ATN 0 0 37 5\nATN 0 0 38 1 2 <A5>\n"})));
    moduleParts.environmentPart = 0;
    readModuleHeader();
    EXPECT_EQ(moduleParts.environmentPart, 0u);
    EXPECT_EQ(moduleParts.sectionPart, 0x22u);
    EXPECT_EQ(moduleParts.dataPart, 0x55u);
    EXPECT_EQ(moduleParts.trailerPart, 0x66u);
    EXPECT_EQ(settings.progressTicks, 7u);  // one per ASW record, ignored ones too
    finishReading();
}

TEST(ModuleHeaderDeathTest, MalformedHeaders) {
    const std::string illegal = "Illegal file format `app.tqx' is used";
    const std::string mismatch = "MCU information mismatch 'app.tqx'";
    const struct {
        std::string text;  // module text, or "" for an empty file
        std::uint32_t flags;
        int status;
        std::string message;
    } cases[] = {
        {"", 0, 3, illegal},
        {"AD 8 4 @M\n" + moduleText({}), 0, 3, illegal},
        {moduleText({.afterOffsets = "NN 1 \"n\"*9000\n"}), 0, 3, illegal},  // longer than the log
        {"MB\n", 0, 4, mismatch},                                            // no processor name
        {moduleText({.processor = ""}), 0, 4, mismatch},
        {moduleText({.processor = "tq40"}), 0, 4, mismatch},
        {moduleText({.processor = "TQ40 "}), 0, 4, mismatch},
        {moduleText({.processor = "TQ4"}), 0, 4, mismatch},
        {moduleText({.processor = "TQ40/51X/TQ40/51X/TQ40"}), 0, 4, mismatch},  // past its buffer
        {moduleText({.processor = "TQ40/51X"}), flag::binaryOutput, 4, "TQ40/51-X mode can not generate binary-file"},
        {moduleText({.partOffsets = "ASW 1 $env\nASW 2 $sections\nASW 6 $trailer\n"}), 0, 3, illegal},
        {moduleText({.partOffsets = "ASW 2 $sections\nASW 5 0\nASW 6 $trailer\n"}), 0, 3, illegal},
        {moduleText({.attributes = ""}), 0, 3, illegal},
        {moduleText({.attributes = "ATN 0 0 37 1\nNN 2 \"x\"\nATN 0 0 38 1\n"}), 0, 3, illegal},
        {moduleText({.attributes = "ATN 0 0 38 2\n"}), 0, 3, illegal},
        {moduleText({.attributes = "ATN 0 0 38 0x01:1\n"}), 0, 3, illegal},
        {moduleText({.attributes = "ATN 0 0 38\n"}), 0, 3, illegal},
    };
    for (const auto &c : cases) {
        startReading(c.text.empty() ? "" : assembleModule(c.text), c.flags);
        EXPECT_RUN_ENDS(readModuleHeader(), c.status, c.message) << c.text;
        finishReading();
    }
}

}  // namespace
