// Checking the archive::Error an operation throws.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "archive/error.h"

namespace testing_support {

// The error fn throws; a test failure, and an error numbered 0, when it
// throws none.
template <typename Fn>
archive::Error ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const archive::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error thrown";
    return archive::Error(0, "", "");
}

// fn must throw exactly this error.
template <typename Fn>
void ExpectError(Fn&& fn, int number, const std::string& source, const std::string& description) {
    const archive::Error e = ErrorOf(fn);
    EXPECT_EQ(e.Number, number);
    EXPECT_EQ(e.Source, source);
    EXPECT_EQ(e.Description, description);
}

}  // namespace testing_support
