#pragma once

#include <string>

// Names a table's test after its row's `name`, so that --gtest_filter with
// "*/name" (or ctest -R) runs that row alone.
inline constexpr auto rowName = [](const auto &info) { return std::string(info.param.name); };
