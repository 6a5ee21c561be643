#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "output/writerFixture.h"

namespace {

class BinaryImage : public WriterTest {
protected:
    void startBinary(std::uint32_t low, std::uint32_t high, std::uint32_t flags = 0) {
        start(flag::binaryOutput | flags);
        settings.lowestSectionAddress = low;
        settings.highestSectionAddress = high;
        writeBinaryHeader(out);
    }
    std::vector<int> bytes() {
        std::vector<int> result;
        for (char c : text()) result.push_back(static_cast<unsigned char>(c));
        return result;
    }
};

TEST_F(BinaryImage, GapsHoldTheFillByteAndTheFileMatchesItsHeader) {
    startBinary(0x1000, 0x102F);
    putRun(0x1000, 16, 1);
    putRun(0x1020, 16, 1);
    writeEndRecord(0, out);
    const std::vector<int> image = bytes();
    ASSERT_EQ(image.size(), 0x38u);
    EXPECT_EQ(image[3], 0x38);
    for (int i = 0x10; i < 0x20; ++i) EXPECT_EQ(image[4 + i], 0xFF);
    const int sum = 2 * (16 * 17 / 2) + 16 * 0xFF;
    EXPECT_EQ(image[0x34], (sum >> 8) & 0xFF);
    EXPECT_EQ(image[0x35], sum & 0xFF);
}

TEST_F(BinaryImage, TheRangeIsPaddedBeforeAndAfterTheData) {
    start(flag::binaryOutput | flag::rangeGiven);
    settings.rangeStart = 0xFF0;
    settings.rangeEnd = 0x100F;
    settings.fillByte = 0x00;
    writeBinaryHeader(out);
    putAt(0xFE0, {9, 9});          // clipped: below the range
    putAt(0x1000, {1, 2, 3, 4});
    putAt(0x2000, {9});            // clipped: above the range
    writeEndRecord(0, out);
    std::vector<int> expected = {0, 0, 0, 0x28};
    expected.resize(4 + 0x10, 0);
    for (int b : {1, 2, 3, 4}) expected.push_back(b);
    expected.resize(4 + 0x20, 0);
    for (int b : {0x00, 0x0A, 0, 0}) expected.push_back(b);
    EXPECT_EQ(bytes(), expected);
}

TEST_F(BinaryImage, SecurityBytesInsideTheImageAndWarningsForThoseOutside) {
    testing::internal::CaptureStdout();
    startBinary(0xFFFE0, 0xFFFFE, flag::idCode | flag::protectDefault);
    settings.idBytes[1] = 0x42;  // at 0xFFFE3
    putAt(0xFFFE0, {0, 0, 0, 0});
    writeEndRecord(0, out);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Warning (romcast): The ID code byte at 0FFFDFH lies outside the binary image and is not written\n"
              "Warning (romcast): The protect byte at 0FFFFFH lies outside the binary image and is not written\n");
    const std::vector<int> image = bytes();
    EXPECT_EQ(image[4 + 3], 0x42);
    EXPECT_EQ(image[4 + 0xB], 0x00);  // 0xFFFEB: ID byte 2 is 0, in the padding
    EXPECT_EQ(image[4 + 0xC], 0xFF);

    testing::internal::CaptureStdout();
    startBinary(0x1000, 0x1FFF, flag::idCode | flag::protectDefault);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Warning (romcast): The ID code (0FFFDFH to 0FFFFBH) lies outside the binary image and is not written\n"
              "Warning (romcast): The protect byte at 0FFFFFH lies outside the binary image and is not written\n");
}

TEST_F(BinaryImage, DataBeyondItsSectionsIsDroppedWithAWarning) {
    testing::internal::CaptureStdout();
    startBinary(0x1000, 0x1001);
    putAt(0x1000, {1, 2, 3, 4});
    writeEndRecord(0, out);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Warning (romcast): Data at 01002H lies outside the binary image and is not written\n");
    EXPECT_EQ(bytes(), (std::vector<int>{0, 0, 0, 0x0A, 1, 2, 0, 3, 0, 0}));
}

TEST_F(BinaryImage, DataGoingBackIsRefused) {
    EXPECT_EXIT(
        {
            startBinary(0x1000, 0x10FF);
            settings.inputName = "app.tqx";
            putRun(0x1000, 0x20);
            putRun(0x1010, 4);
        },
        testing::ExitedWithCode(3), "");
}

}  // namespace
