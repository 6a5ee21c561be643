// What tests of the core share: the check of a raised error.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/runError.h"

// A statement that must end the run with `status`, reporting the error line
// `message` (without its prefix).
#define EXPECT_RUN_ENDS(statement, expectedStatus, expectedMessage)                                  \
    try {                                                                            \
        statement;                                                                   \
        ADD_FAILURE() << "the run did not end";                                      \
    } catch (const RunError &error) {                                                \
        EXPECT_EQ(error.status, expectedStatus);                                             \
        EXPECT_EQ(error.message, std::string("Error (romcast): ") + (expectedMessage) + "\n"); \
    }
