// Shared set-up of the record-writer tests: fresh settings, one temporary output
// file, and its contents read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "driver/runSettings.h"
#include "output/recordWriter.h"
#include "security/securityOptions.h"

class WriterTest : public testing::Test {
protected:
    std::FILE *out = nullptr;

    void SetUp() override { out = std::tmpfile(); ASSERT_NE(out, nullptr); start(0); }
    void TearDown() override { if (out != nullptr) std::fclose(out); }

    // Start values of a run with `flags` set, as after the options; emission writes to `out`.
    void start(std::uint32_t flags) {
        initRunSettings();
        recordState.binarySum = 0;
        recordState.binaryLength = 0;
        resetRecordState();
        initSecurityDefaults();
        settings.flags = flags | flag::quiet;
        settings.readingPhase = 0;
        resetRecordState();
        recordState.currentOutput = out;
    }

    // Moves to `address` as an ASP record does, and passes `bytes` there.
    void putAt(std::uint32_t address, std::initializer_list<int> bytes) {
        if (recordState.currentAddress != address) flushRecord(address, out);
        for (int b : bytes) putImageByte(static_cast<std::uint8_t>(b), out);
    }
    void putRun(std::uint32_t address, int count, int firstByte = 0) {
        if (recordState.currentAddress != address) flushRecord(address, out);
        for (int i = 0; i < count; ++i) putImageByte(static_cast<std::uint8_t>(firstByte + i), out);
    }

    // Everything written so far.
    std::string text() {
        std::fflush(out);
        std::string result;
        std::rewind(out);
        for (int c = std::getc(out); c != EOF; c = std::getc(out)) result += static_cast<char>(c);
        std::fseek(out, 0, SEEK_END);
        return result;
    }
};
