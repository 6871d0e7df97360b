#pragma once

#include <string_view>

// The language code table: a drop-down list position maps to the text the
// list shows and the code the dictionary site expects. Positions 0 and 1 are
// swapped between the source and the target side, so the start-up selection
// (0 and 0) is English to Turkish.
namespace vorlinda::lookup::LanguageTable {

inline constexpr int kSize = 18;

std::string_view sourceName(int position); // what ComboBox1 shows
std::string_view sourceCode(int position); // ListBox1
std::string_view targetName(int position); // what ComboBox2 shows
std::string_view targetCode(int position); // ListBox2

} // namespace vorlinda::lookup::LanguageTable
