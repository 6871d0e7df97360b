#include "DictEntry.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vorlinda::site {
namespace {

// Longer pieces are definitions or example sentences, not translations.
constexpr std::size_t kMaxTranslationLength = 80;
// Lines indented this deep hold examples, synonyms and notes.
constexpr std::size_t kDetailIndent = 3;

constexpr std::array<std::string_view, 7> kLabels = {"see:",  "see also", "synonym", "antonym",
                                                     "note:", "also:",    "example"};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lowerAsciiCopy(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isLabelLine(std::string_view trimmed)
{
    const std::string lowered = lowerAsciiCopy(trimmed.substr(0, 10));
    return std::any_of(kLabels.begin(), kLabels.end(),
                       [&](std::string_view label) { return lowered.starts_with(label); });
}

// Drops (…), […], <…> and {…} groups: grammar, domain and usage marks.
std::string withoutGroups(std::string_view s)
{
    std::string out;
    int depth = 0;
    for (const char c : s) {
        if (c == '(' || c == '[' || c == '<' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '>' || c == '}') {
            depth = std::max(0, depth - 1);
        } else if (depth == 0) {
            out += c;
        }
    }
    return out;
}

bool isSenseNumber(std::string_view word)
{
    if (word.size() < 2 || (word.back() != '.' && word.back() != ')'))
        return false;
    return std::all_of(word.begin(), word.end() - 1, [](char c) { return c >= '0' && c <= '9'; });
}

// Cleans a piece: collapses blanks, drops stray sense numbers and trailing
// punctuation.
std::string tidy(std::string_view piece)
{
    std::string out;
    std::size_t i = 0;
    while (i < piece.size()) {
        while (i < piece.size() && isSpace(piece[i]))
            ++i;
        std::size_t end = i;
        while (end < piece.size() && !isSpace(piece[end]))
            ++end;
        const std::string_view word = piece.substr(i, end - i);
        if (!word.empty() && !isSenseNumber(word)) {
            if (!out.empty())
                out += ' ';
            out += word;
        }
        i = end;
    }
    while (!out.empty() && (out.back() == '.' || out.back() == ':' || out.back() == ' '))
        out.pop_back();
    // "home 2." has lost its dot to the split; the number is the next sense's.
    const std::size_t lastBlank = out.rfind(' ');
    if (lastBlank != std::string::npos &&
        out.find_first_not_of("0123456789", lastBlank + 1) == std::string::npos)
        out.resize(lastBlank);
    return out;
}

void addPieces(std::string_view line, std::vector<std::string> &translations)
{
    const std::string text = withoutGroups(line);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char c = end ? '\0' : text[i];
        const bool sentenceEnd =
            c == '.' && (i + 1 == text.size() || text[i + 1] == ' ') && i > start + 1;
        if (!end && c != ',' && c != ';' && c != ':' && !sentenceEnd)
            continue;
        const std::string piece = tidy(std::string_view(text).substr(start, i - start));
        start = i + 1;
        const bool hasLetter = std::any_of(piece.begin(), piece.end(), [](char ch) {
            return static_cast<unsigned char>(ch) >= 0x80 ||
                   std::isalpha(static_cast<unsigned char>(ch));
        });
        if (!hasLetter || piece.size() > kMaxTranslationLength)
            continue;
        if (std::find(translations.begin(), translations.end(), piece) == translations.end())
            translations.push_back(piece);
    }
}

std::string headwordOf(std::string_view line)
{
    // The pronunciation starts at " /", grammar marks at " <" or " [".
    std::size_t cut = line.size();
    for (const std::string_view mark : {" /", " <", " ["})
        cut = std::min(cut, line.find(mark));
    return std::string(trim(line.substr(0, cut)));
}

} // namespace

DictEntry DictEntry::parse(std::string_view text)
{
    DictEntry entry;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        const std::string_view trimmed = trim(line);
        if (trimmed.empty())
            continue;
        if (first) {
            entry.headword = headwordOf(trimmed);
            first = false;
            continue;
        }
        const std::size_t indent = line.find_first_not_of(" \t");
        if (indent >= kDetailIndent || trimmed.front() == '"' || isLabelLine(trimmed))
            continue;
        addPieces(trimmed, entry.translations);
    }
    return entry;
}

} // namespace vorlinda::site
