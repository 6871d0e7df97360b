#include "dict/DictEntry.h"

#include "text/TextFolding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>
#include <unordered_map>

namespace vorlinda::site {
namespace {

// Longer pieces are definitions or example sentences, not translations.
constexpr std::size_t kMaxTranslationLength = 80;
// The longest abbreviation in small letters a dot may follow ("jdm.").
constexpr std::size_t kMaxAbbreviation = 3;
// Lines indented this deep hold examples, synonyms and notes.
constexpr std::size_t kDetailIndent = 3;
// A dotted mark in parentheses this often is one of the dictionary's labels.
constexpr std::size_t kLabelUses = 20;
constexpr std::size_t kMaxLabelLength = 14;
// How many sounds more than its letters make a pronunciation a phrase's.
constexpr std::size_t kLongerPhraseSounds = 4;

constexpr std::array<std::string_view, 7> kLabels = {"see:",  "see also", "synonym", "antonym",
                                                     "note:", "also:",    "example"};
// How entries say they only expand an abbreviation or point elsewhere.
constexpr std::array<std::string_view, 4> kSecondaryMarks = {"(kıs.)", "(bak.)", "<abbr", "(abbr"};

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

// Drops (…), […], <…> and {…} groups: grammar, domain and usage marks. A
// closing mark nothing opened ends a note begun before the piece ("(çoğ.)
// men) adam"): the piece so far is the note's, and goes too.
std::string withoutGroups(std::string_view s)
{
    std::string out;
    int depth = 0;
    for (const char c : s) {
        if (c == '(' || c == '[' || c == '<' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '>' || c == '}') {
            if (depth == 0)
                out.erase(
                    out.find_last_of(",;:") == std::string::npos ? 0 : out.find_last_of(",;:") + 1);
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

std::vector<std::string_view> blankSeparated(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        std::size_t end = i;
        while (end < text.size() && !isSpace(text[end]))
            ++end;
        if (end > i)
            words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

std::string normalisedLabel(std::string_view mark)
{
    std::string folded = foldCase(mark, false);
    std::erase(folded, '.');
    return folded;
}

// A label written as one: dotted ("b.h.", "İng.") or in capitals ("ABD").
bool isWrittenLabel(std::string_view word, const std::unordered_set<std::string> &labels)
{
    const bool dotted = word.find('.') != std::string_view::npos;
    const bool capitals = word.size() >= 2 && std::all_of(word.begin(), word.end(), [](char c) {
                              return (c >= 'A' && c <= 'Z') || c == '.';
                          });
    return (dotted || capitals) && labels.contains(normalisedLabel(word));
}

// Cleans a piece: collapses blanks, drops stray sense numbers, leading
// labels and trailing punctuation.
std::string tidy(std::string_view piece, const std::unordered_set<std::string> *labels)
{
    std::vector<std::string_view> words = blankSeparated(piece);
    std::erase_if(words, isSenseNumber);
    if (labels != nullptr) {
        auto first = words.begin();
        while (first != words.end() && isWrittenLabel(*first, *labels))
            ++first;
        words.erase(words.begin(), first);
    }
    std::string out;
    for (const std::string_view word : words) {
        if (!out.empty())
            out += ' ';
        out += word;
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

bool hasLetter(std::string_view piece)
{
    return std::any_of(piece.begin(), piece.end(), [](char ch) {
        return static_cast<unsigned char>(ch) >= 0x80 ||
               std::isalpha(static_cast<unsigned char>(ch));
    });
}

// One short word in small letters ("jdm", "etw", "sth").
bool isAbbreviation(std::string_view word)
{
    return !word.empty() && word.size() <= kMaxAbbreviation &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The pieces of one translation line: split at , ; : and at sentence ends.
std::vector<std::string> piecesOf(std::string_view line,
                                  const std::unordered_set<std::string> *labels)
{
    const std::string text = withoutGroups(line);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char c = end ? '\0' : text[i];
        const bool sentenceEnd =
            c == '.' && (i + 1 == text.size() || text[i + 1] == ' ') && i > start + 1;
        if (!end && c != ',' && c != ';' && c != ':' && !sentenceEnd)
            continue;
        const std::string_view raw = trim(std::string_view(text).substr(start, i - start));
        std::string piece = tidy(raw, labels);
        start = i + 1;
        // A dot before more words of the line, or before a comma, after a
        // short word in small letters: an abbreviation left alone ("jdm. ein
        // Darlehen gewähren", "etw., aufrichten"), not a translation.
        const bool dotted = raw.ends_with('.') || (sentenceEnd && i + 1 < text.size());
        if (dotted && isAbbreviation(raw.ends_with('.') ? raw.substr(0, raw.size() - 1) : raw))
            continue;
        if (hasLetter(piece) && piece.size() <= kMaxTranslationLength)
            pieces.push_back(std::move(piece));
    }
    return pieces;
}

// An English verb gloss with its past forms ("to go, went, gone", "to make,
// made"): the forms are one word each, without a "to" of their own, and
// translate nothing.
bool isVerbWithItsForms(const std::vector<std::string> &pieces)
{
    const auto oneWord = [](std::string_view piece) {
        return piece.find(' ') == std::string_view::npos;
    };
    return pieces.size() >= 2 && pieces.size() <= 3 && pieces.front().starts_with("to ") &&
           oneWord(std::string_view(pieces.front()).substr(3)) &&
           std::all_of(pieces.begin() + 1, pieces.end(), oneWord);
}

std::string headwordOf(std::string_view line)
{
    // The pronunciation starts at " /", grammar marks at " <" or " [".
    std::size_t cut = line.size();
    for (const std::string_view mark : {" /", " <", " ["})
        cut = std::min(cut, line.find(mark));
    return std::string(trim(line.substr(0, cut)));
}

// How many sounds or letters a text holds: its letters, each UTF-8 sequence
// one, without length and stress marks (U+02B0 to U+02FF, two bytes from
// 0xCA 0xB0 to 0xCB 0xBF) and combining marks (0xCC, 0xCD).
std::size_t lettersIn(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            count += std::isalpha(c) != 0;
        } else if (c >= 0xC0) {
            const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            const bool mark = (c == 0xCA && next >= 0xB0) || c == 0xCB || c == 0xCC || c == 0xCD;
            count += !mark;
        }
    }
    return count;
}

// Whether a headword line's pronunciation is that of a longer phrase: the
// older transcriptions run a phrase's words together ("house /haustʃɑːdʒ/"
// for "house charge"), and a run four sounds longer than the spelling and
// half as long again is no pronunciation of the word. Those that mark
// stress part a phrase's words, and letters read out by name ("ABC",
// "bbc", "1960s") sound longer than they are written: both are left alone.
bool pronouncesLongerPhrase(std::string_view line, std::string_view headword)
{
    if (headword.find(' ') != std::string_view::npos ||
        headword.find_first_of("aeiouy") == std::string_view::npos ||
        headword.find_first_of("0123456789") != std::string_view::npos)
        return false;
    const std::size_t open = line.find(" /", headword.size());
    if (open == std::string_view::npos)
        return false;
    const std::size_t close = line.find('/', open + 2);
    if (close == std::string_view::npos)
        return false;
    const std::string_view sound = line.substr(open + 2, close - open - 2);
    if (sound.empty() || sound.find(' ') != std::string_view::npos ||
        sound.find("\u02C8") != std::string_view::npos ||
        sound.find("\u02CC") != std::string_view::npos)
        return false;
    const std::size_t sounds = lettersIn(sound);
    const std::size_t letters = lettersIn(headword);
    return sounds >= letters + kLongerPhraseSounds && 2 * sounds >= 3 * letters;
}

// How many words `piece` holds, and how many of them are words of the
// entry's own language and not of the translations'.
struct SourceWords
{
    std::size_t words = 0, source = 0;

    // A definition in the entry's own language: two words or more, most of
    // them the entry's language's ("clear liquid" among Finnish
    // translations). A single word may be one of both (Czech "mince" is
    // coins): it counts only beside such a definition ("figuratively: a
    // person's intuition").
    bool definition() const { return words >= 2 && 2 * source > words; }
    bool sourceWord() const { return words == 1 && source == 1; }
};

SourceWords sourceWordsOf(std::string_view piece, const DictEntry::Context &context)
{
    if (!context.isSourceWord || !context.isTranslationWord)
        return {};
    std::size_t words = 0;
    std::size_t source = 0;
    for (std::string_view word : blankSeparated(piece)) {
        while (!word.empty() && std::ispunct(static_cast<unsigned char>(word.back())))
            word.remove_suffix(1);
        while (!word.empty() && std::ispunct(static_cast<unsigned char>(word.front())))
            word.remove_prefix(1);
        if (!hasLetter(word))
            continue;
        ++words;
        source += context.isSourceWord(word) && !context.isTranslationWord(word);
    }
    return {words, source};
}

// The part of speech a headword line marks ("<n, fem>", "<v>", "<adj>").
DictEntry::PartOfSpeech markedPartOfSpeech(std::string_view line)
{
    const std::size_t open = line.find('<');
    if (open == std::string_view::npos)
        return DictEntry::PartOfSpeech::Unknown;
    std::string_view mark = line.substr(open + 1);
    mark = mark.substr(0, mark.find_first_of(",> "));
    using P = DictEntry::PartOfSpeech;
    if (mark == "n" || mark == "noun")
        return P::Noun;
    if (mark == "v" || mark == "vt" || mark == "vi" || mark == "verb")
        return P::Verb;
    if (mark == "adj")
        return P::Adjective;
    if (mark == "adv")
        return P::Adverb;
    return P::Unknown;
}

bool isAffix(std::string_view headword)
{
    for (const std::string_view hyphen : {"-", "\u2010"})
        if (headword.size() > hyphen.size() &&
            (headword.starts_with(hyphen) || headword.ends_with(hyphen)))
            return true;
    return false;
}

bool isTurkishInfinitive(std::string_view text)
{
    return text.ends_with("mek") || text.ends_with("mak");
}

// Where a phrase of the headword stands in a piece: "house arrest" in
// "house arrest evde göz hapsi", "next door" in "kabahat yüklemek next door
// kapı komşu". The run is the source-language words around the first word
// that holds the headword or a compound of it ("doorbell").
struct Run
{
    std::size_t begin = 0, end = 0; // empty when the piece holds none
};

Run headwordRun(const std::vector<std::string_view> &words, std::string_view headword,
                const DictEntry::Context &context)
{
    // "doorbell" for "door"; a word that only shares the start ("gramer"
    // for "grammar") or differs in case (German "Arm" for "arm") is the
    // translation's.
    const auto compound = [&](std::string_view word) {
        return headword.size() >= 3 && word.starts_with(headword);
    };
    // "one'" and "death'" are English possessives the conversion cut short.
    const auto source = [&](std::string_view word) {
        return compound(word) || word.ends_with('\'') || context.isHeadword(word);
    };
    std::size_t at = 0;
    while (at < words.size() && !(words[at].starts_with(headword) && source(words[at])))
        ++at;
    if (at == words.size())
        return {};
    Run run{at, at + 1};
    while (run.begin > 0 && source(words[run.begin - 1]))
        --run.begin;
    while (run.end < words.size() && source(words[run.end]))
        ++run.end;
    while (run.end > at + 1 && words[run.end - 1].size() <= 2 && context.isTranslationWord &&
           context.isTranslationWord(words[run.end - 1]))
        --run.end;
    return run;
}

std::string joined(const std::vector<std::string_view> &words, std::size_t begin, std::size_t end)
{
    std::string out;
    for (std::size_t i = begin; i < end; ++i) {
        if (!out.empty())
            out += ' ';
        out += words[i];
    }
    return out;
}

} // namespace

bool DictEntry::isFlatList() const
{
    // At most one sense in four gives a second word.
    constexpr std::uint16_t kFlatListSenses = 4;
    return senses >= kFlatListSenses && translations.size() <= senses + senses / 4u;
}

DictEntry DictEntry::parse(std::string_view text)
{
    return parse(text, Context{});
}

DictEntry DictEntry::parse(std::string_view text, const Context &context)
{
    DictEntry entry;
    bool first = true;
    // A one-word headword, as written, whose compounds and phrases some entries
    // run into their senses; empty for others.
    std::string compoundHead;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        const std::string_view trimmed = trim(line);
        if (trimmed.empty())
            continue;
        if (first) {
            entry.headword = headwordOf(trimmed);
            entry.partOfSpeech = markedPartOfSpeech(trimmed.substr(entry.headword.size()));
            entry.cut = pronouncesLongerPhrase(trimmed, entry.headword);
            // An affix ("xantho-", "-ness") is no word of its own either.
            entry.secondary =
                trimmed.find("<abbr") != std::string_view::npos || isAffix(entry.headword);
            const std::vector<std::string_view> headwordWords = blankSeparated(entry.headword);
            if (headwordWords.size() == 1 && entry.headword.size() >= 2 &&
                hasLetter(entry.headword))
                compoundHead = entry.headword;
            first = false;
            continue;
        }
        const std::size_t indent = line.find_first_not_of(" \t");
        if (indent >= kDetailIndent || trimmed.front() == '"' || isLabelLine(trimmed))
            continue;
        if (entry.senses == 0) {
            const std::string lowered = foldCase(trimmed.substr(0, 24), true);
            entry.secondary =
                entry.secondary || std::any_of(kSecondaryMarks.begin(), kSecondaryMarks.end(),
                                               [&](std::string_view mark) {
                                                   return lowered.find(mark) != std::string::npos;
                                               });
        }
        std::uint16_t place = 0;
        const std::size_t lineStart = entry.translations.size();
        bool definitionLine = false;
        std::vector<bool> lone; // one word of the entry's language, per translation
        std::vector<std::string> pieces = piecesOf(trimmed, context.labels);
        if (isVerbWithItsForms(pieces))
            pieces.resize(1);
        for (std::string &piece : pieces) {
            const std::vector<std::string_view> words = blankSeparated(piece);
            const Run run = context.isHeadword && !compoundHead.empty() &&
                                    piece.find(compoundHead) != std::string::npos
                                ? headwordRun(words, compoundHead, context)
                                : Run{};
            // A piece of source words alone is the headword's cognate ("Hand"
            // for "hand"), and so is the headword alone before more words
            // ("atlas kemiği"): neither is a phrase of its own.
            // The headword itself, as written, translates nothing ("(çoğ.)
            // fish veya fishes) balık" leaves "fish").
            if (run.begin == 0 && run.end == words.size() && piece == compoundHead)
                continue;
            const bool phrase = run.end > run.begin &&
                                !(run.begin == 0 && run.end == words.size()) &&
                                !(run.end - run.begin == 1 && words[run.begin] == compoundHead);
            if (phrase) {
                std::string headword = joined(words, run.begin, run.end);
                std::string translation = joined(words, run.end, words.size());
                if (!translation.empty())
                    entry.subEntries.push_back({std::move(headword), std::move(translation)});
                // What stands before the phrase ends the sense before it.
                piece = joined(words, 0, run.begin);
                if (piece.empty())
                    continue;
            }
            const bool seen = std::any_of(entry.translations.begin(), entry.translations.end(),
                                          [&](const Translation &t) { return t.text == piece; });
            if (!seen) {
                const SourceWords source = sourceWordsOf(piece, context);
                definitionLine = definitionLine || source.definition();
                lone.push_back(source.sourceWord());
                entry.translations.push_back(
                    {std::move(piece), entry.senses, place++, source.definition()});
            }
        }
        // Words in alphabetical order ("bleak, chilly, cold") are in no
        // order of importance: none of them comes first.
        const auto lineWords = std::span(entry.translations).subspan(lineStart);
        for (std::size_t i = 0; definitionLine && i < lineWords.size(); ++i)
            lineWords[i].sourceText = lineWords[i].sourceText || lone[i];
        if (lineWords.size() >= 2 &&
            std::is_sorted(lineWords.begin(), lineWords.end(), [](const auto &a, const auto &b) {
                return foldCase(a.text, false) < foldCase(b.text, false);
            }))
            for (Translation &translation : lineWords)
                translation.place = 0;
        ++entry.senses;
    }
    if (entry.cut) {
        entry.translations.clear();
        entry.subEntries.clear();
    }
    if (entry.partOfSpeech == PartOfSpeech::Unknown && context.turkishTranslations &&
        !entry.translations.empty() && isTurkishInfinitive(entry.translations.front().text))
        entry.partOfSpeech = PartOfSpeech::Verb;
    return entry;
}

std::unordered_set<std::string> DictEntry::labelsIn(std::string_view text)
{
    std::unordered_map<std::string, std::size_t> uses;
    for (std::size_t open = text.find('('); open != std::string_view::npos;
         open = text.find('(', open + 1)) {
        const std::size_t close = text.find_first_of(") ,\n(", open + 1);
        if (close == std::string_view::npos || text[close] != ')' ||
            close - open - 1 > kMaxLabelLength)
            continue;
        const std::string_view mark = text.substr(open + 1, close - open - 1);
        if (mark.find('.') != std::string_view::npos && hasLetter(mark))
            ++uses[normalisedLabel(mark)];
    }
    std::unordered_set<std::string> labels;
    for (const auto &[label, count] : uses)
        if (count >= kLabelUses)
            labels.insert(label);
    return labels;
}

} // namespace vorlinda::site
