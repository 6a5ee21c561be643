#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "testConversion.h"
#include "e2e/harness.h"
#include "ieee695/moduleHeader.h"
#include "ieee695/readerTestSupport.h"

namespace {

TEST(ModuleHeader, PartOffsetsInAnyOrderTheLastOneWins) {
    startReading(assembleModule(moduleText(
        {.partOffsets = "ASW 6 0x66\nASW 5 0x11\nASW 0 0x99\nASW 2 0x22\nASW 5 0x55\nASW 7 0x77\nASW 3 0x33\n",
         .attributes = "ATN 0 0 37 5\nATN 0 0 38 1 2 <A5>\n"})));
    conv.parts.environmentPart = 0;
    readModuleHeader(conv);
    EXPECT_EQ(conv.parts.environmentPart, 0u);
    EXPECT_EQ(conv.parts.sectionPart, 0x22u);
    EXPECT_EQ(conv.parts.dataPart, 0x55u);
    EXPECT_EQ(conv.parts.trailerPart, 0x66u);
    EXPECT_EQ(conv.settings.progressTicks, 7u);  // one per ASW record, ignored ones too
    finishReading();
}

// Most malformed headers are case folders under reading/.
TEST(ModuleHeaderDeathTest, MalformedHeaders) {
    // Status 4 for a processor name that does not match, 3 for any other fault.
    const std::pair<ModuleText, int> cases[] = {
        {{.processor = ""}, 4},
        {{.processor = "TQ4"}, 4},
        {{.attributes = ""}, 3},
        {{.attributes = "ATN 0 0 37 1\nNN 2 \"x\"\nATN 0 0 38 1\n"}, 3},
        {{.attributes = "ATN 0 0 38\n"}, 3},
    };
    for (const auto &[module, status] : cases) {
        SCOPED_TRACE(moduleText(module));
        startReading(assembleModule(moduleText(module)));
        EXPECT_RUN_ENDS(readModuleHeader(conv), status,
                        status == 4 ? "MCU information mismatch 'app.tqx'" : "Illegal file format `app.tqx' is used");
        finishReading();
    }
}

}  // namespace
