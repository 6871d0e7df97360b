#pragma once

#include <string>

namespace vorlinda::site {

// One row of an answer: a word of the source language and a translation.
struct TranslationPair
{
    std::string source;
    std::string translation;

    bool operator==(const TranslationPair &) const = default;
};

} // namespace vorlinda::site
