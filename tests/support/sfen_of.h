#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/position/sfen.h"

namespace kaz::testing {

// A position the test writes as SFEN; a text the parser rejects fails the test.
inline SfenPosition sfenOf(std::string_view text) {
    SfenPosition s{};
    const std::string err = parseSfen(text, s);
    EXPECT_EQ(err, "") << text;
    return s;
}

}  // namespace kaz::testing
