// Does the translation a person expects come first? For a list of common
// words, each with the translations a bilingual speaker expects, asks the
// site exactly as the program does and reads the rows of its page. Not a
// test: run it by hand.
//
//   bench_answers [-v] [LIST.tsv [DICTIONARY-DIRECTORY]]
//   bench_answers --rules [DICTIONARY.index ...]
//   bench_answers --table [-v] [CONCEPTS.tsv [DICTIONARY-DIRECTORY [PAIR ...]]]
//
// Per direction: found (an expected translation in any row), top-1 (in the
// first row), top-3 (in the first three) and the median number of rows.
// "found" rows count the words whose expected translation the site gives at
// all; where the dictionaries lack it no order can help, so top-1 and top-3
// are also given over those words. -v prints the first rows of every word
// whose expected answer is not first. --rules tells, for each dictionary,
// what share of its rows and entries each cleaning and ranking rule touches.
// --table looks every concept of a table in all languages up in the pairs
// given ("czech>turkish"; by default the 34 with Turkish and 22 others) and
// tells per pair top-1, top-3, found, no rows at all and the route the pair
// takes: its own dictionary, the opposite one read backwards, or English.
#include "dict/ApertiumLexicon.h"
#include "dict/DictEntry.h"
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"
#include "text/TextFolding.h"
#include "web/SitePages.h"
#include "web/SiteResponder.h"
#include "web/TranslationRanking.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vorlinda::site;

namespace {

struct Row
{
    std::string direction, word;
    std::vector<std::string> expected;
};

std::vector<Row> readList(const std::string &path)
{
    std::vector<Row> rows;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Row row;
        std::string expected;
        std::getline(fields, row.direction, '\t');
        std::getline(fields, row.word, '\t');
        std::getline(fields, expected, '\t');
        std::istringstream each(expected);
        for (std::string one; std::getline(each, one, '|');)
            row.expected.push_back(one);
        rows.push_back(row);
    }
    return rows;
}

std::string percentEncoded(std::string_view word)
{
    std::string out;
    for (const char c : word) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
        out += hex;
    }
    return out;
}

// The word's UTF-8 as the program sends it: Windows-1254 bytes, and each
// character the code page lacks as "&#N;".
std::string asTheProgramSends(std::string_view utf8)
{
    static const std::map<std::string, char> kCodePage = [] {
        std::map<std::string, char> bytes;
        for (int byte = 1; byte < 256; ++byte)
            bytes.emplace(windows1254ToUtf8(std::string(1, static_cast<char>(byte))),
                          static_cast<char>(byte));
        return bytes;
    }();
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string character(utf8.substr(i, length));
        i += length;
        if (const auto found = kCodePage.find(character); found != kCodePage.end()) {
            out += found->second;
            continue;
        }
        char32_t codePoint = lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < character.size(); ++k)
            codePoint = codePoint << 6 | (static_cast<unsigned char>(character[k]) & 0x3F);
        out += "&#" + std::to_string(static_cast<std::uint32_t>(codePoint)) + ";";
    }
    return out;
}

std::string unescaped(std::string text)
{
    const std::pair<std::string_view, std::string_view> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto &[entity, plain] : entities)
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + plain.size()))
            text.replace(at, entity.size(), plain);
    return text;
}

// The translation cells of the page, in order, as the program cuts them.
std::vector<std::string> translations(const std::string &page)
{
    std::vector<std::string> cells;
    const std::size_t table = page.find(SitePages::kResultsMarker);
    if (table == std::string::npos)
        return cells;
    for (std::size_t at = page.find(SitePages::kCellStart, table); at != std::string::npos;
         at = page.find(SitePages::kCellStart, at)) {
        at += SitePages::kCellStart.size();
        const std::size_t end = page.find("</td>", at);
        cells.push_back(unescaped(page.substr(at, end - at)));
    }
    std::vector<std::string> second;
    for (std::size_t i = 1; i < cells.size(); i += 2)
        second.push_back(cells[i]);
    return second;
}

bool matches(const std::string &cell, const Row &row, bool turkish)
{
    std::string folded = foldCase(cell, turkish);
    if (!turkish && folded.starts_with("to ")) // "to go" is the verb "go"
        folded.erase(0, 3);
    return std::any_of(row.expected.begin(), row.expected.end(),
                       [&](const std::string &e) { return foldCase(e, turkish) == folded; });
}

// What each rule does to a whole dictionary: the parse with the rule
// against the parse without it, where the rule can be left out.
void ruleShares(const std::string &indexPath)
{
    std::string textPath = indexPath.substr(0, indexPath.size() - 6) + ".dict.dz";
    const bool turkish = indexPath.find("-tur.") != std::string::npos;
    const DictdIndex index =
        DictdIndex::load(indexPath, indexPath.find("/freedict-tur-") != std::string::npos);
    const DictZipFile file = DictZipFile::open(textPath);
    std::uint64_t end = 0;
    for (const DictdIndex::Entry &entry : index.entries())
        end = std::max(end, entry.offset + entry.length);
    const std::string text = file.read(0, end);
    const auto labels = DictEntry::labelsIn(text);
    const auto isHeadword = [&](std::string_view word) { return !index.find(word).empty(); };
    // The opposite dictionary's headwords are the translations' language.
    const std::size_t dash = indexPath.rfind('-');
    const std::size_t name = indexPath.rfind("freedict-");
    std::optional<DictdIndex> opposite;
    if (dash != std::string::npos && name != std::string::npos) {
        const std::string from = indexPath.substr(name + 9, dash - name - 9);
        const std::string to = indexPath.substr(dash + 1, indexPath.size() - 6 - dash - 1);
        const std::string oppositePath = indexPath.substr(0, name + 9) + to + "-" + from + ".index";
        if (std::filesystem::exists(oppositePath))
            opposite = DictdIndex::load(oppositePath, to == "tur");
    }
    DictEntry::Context full{&labels, isHeadword, {}, turkish, {}};
    if (opposite) {
        full.isTranslationWord = [&](std::string_view word) {
            return !opposite->find(word).empty();
        };
        full.isSourceWord = isHeadword;
    }
    const DictEntry::Context noLabels{nullptr, isHeadword, {}, turkish, {}};
    const DictEntry::Context noCompounds{&labels, {}, {}, turkish, {}};

    std::size_t entries = 0, secondary = 0, verbs = 0, rows = 0, labelled = 0, compounds = 0,
                split = 0, alphabetical = 0, noteLines = 0, lines = 0, flat = 0, cut = 0,
                sourceText = 0;
    std::set<std::uint64_t> seen;
    for (const DictdIndex::Entry &at : index.entries()) {
        if (!seen.insert(at.offset).second || at.offset >= text.size())
            continue;
        const std::string_view raw = std::string_view(text).substr(at.offset, at.length);
        const DictEntry entry = DictEntry::parse(raw, full);
        ++entries;
        secondary += entry.secondary;
        cut += entry.cut;
        sourceText += std::count_if(entry.translations.begin(), entry.translations.end(),
                                    [](const auto &t) { return t.sourceText; });
        flat += entry.isFlatList();
        verbs += entry.partOfSpeech == DictEntry::PartOfSpeech::Verb;
        rows += entry.translations.size() + entry.subEntries.size();
        compounds += entry.subEntries.size();
        const DictEntry plain = DictEntry::parse(raw, noCompounds);
        split += plain.translations.size() > entry.translations.size()
                     ? plain.translations.size() - entry.translations.size()
                     : 0;
        const DictEntry unlabelled = DictEntry::parse(raw, noLabels);
        for (std::size_t i = 0; i < entry.translations.size(); ++i)
            labelled += i >= unlabelled.translations.size() ||
                        unlabelled.translations[i].text != entry.translations[i].text;
        for (std::size_t i = 1; i < entry.translations.size(); ++i)
            alphabetical += entry.translations[i].sense == entry.translations[i - 1].sense &&
                            entry.translations[i].place == 0;
        for (std::size_t line = 0; line < raw.size();) {
            const std::size_t next = std::min(raw.find('\n', line), raw.size());
            const std::string_view one = raw.substr(line, next - line);
            ++lines;
            noteLines +=
                std::count(one.begin(), one.end(), ')') > std::count(one.begin(), one.end(), '(');
            line = next + 1;
        }
    }
    const auto share = [](std::size_t part, std::size_t whole) {
        return whole == 0 ? 0.0 : 100.0 * double(part) / double(whole);
    };
    std::printf("%s: %zu entries, %zu rows, %zu labels\n", indexPath.c_str(), entries, rows,
                labels.size());
    std::printf("  abbreviations, pointers, affixes last: %5.1f%% of entries\n",
                share(secondary, entries));
    std::printf("  verbs by their Turkish infinitive:     %5.1f%% of entries\n",
                share(verbs, entries));
    std::printf("  compounds split into rows of their own: %5.1f%% of rows\n",
                share(compounds, rows));
    std::printf("  cells that lost a run-on compound:     %5.1f%% of rows\n", share(split, rows));
    std::printf("  cells that lost a written label:       %5.1f%% of rows\n",
                share(labelled, rows));
    std::printf("  words of an alphabetical sense:        %5.1f%% of rows\n",
                share(alphabetical, rows));
    std::printf("  lines with a note opened before them:  %5.1f%% of lines\n",
                share(noteLines, lines));
    std::printf("  flat lists, ranked by use into English: %5.1f%% of entries\n",
                share(flat, entries));
    std::printf("  headwords cut from a phrase, dropped:   %5.1f%% of entries\n",
                share(cut, entries));
    std::printf("  cells in the entry's own language, last: %5.1f%% of rows\n",
                share(sourceText, rows));
}

// The installed dictionaries, and Romanian as the site adds it: Apertium's
// lexicons made into dictionaries, in a cache of the bench's own.
std::shared_ptr<Translator> withRomanian(const std::string &directory)
{
    auto translator = std::make_shared<Translator>(directory);
    const std::filesystem::path lexicons =
        std::filesystem::temp_directory_path() / "vorlinda-bench-apertium";
    ApertiumLexicon::prepare(
        std::filesystem::path(directory).parent_path() / "apertium", lexicons,
        [](std::string_view a, std::string_view b) { return a == "ron" || b == "ron"; },
        [](const std::string &why) { std::fprintf(stderr, "%s\n", why.c_str()); },
        ApertiumLexicon::ltPrint);
    translator->addDictionaries(lexicons);
    return translator;
}

// The translation cells the site gives for `word` from `from` to `to`.
std::vector<std::string> lookUp(const SiteResponder &site, const std::string &from,
                                const std::string &to, const std::string &word)
{
    const SiteResponse answer =
        site.respond("GET",
                     "/index.php?selectFrom=" + from + "&selectTo=" + to + "&txtLang=" +
                         percentEncoded(asTheProgramSends(word)) + "&submitButton=Search",
                     "vorlinda_oturum=1");
    return translations(answer.body);
}

std::vector<std::string> split(const std::string &line, char by)
{
    std::vector<std::string> parts;
    std::istringstream fields(line);
    for (std::string one; std::getline(fields, one, by);)
        parts.push_back(one);
    return parts;
}

// The 34 pairs with Turkish and 22 common others.
std::vector<std::string> defaultPairs(const std::vector<std::string> &languages)
{
    std::vector<std::string> pairs;
    for (const std::string &language : languages)
        if (language != "turkish")
            pairs.insert(pairs.end(), {"turkish>" + language, language + ">turkish"});
    for (const char *pair :
         {"english>german",     "english>french",   "english>spanish",  "english>italian",
          "english>dutch",      "english>swedish",  "english>finnish",  "english>hungarian",
          "german>english",     "french>english",   "spanish>english",  "czech>english",
          "hungarian>english",  "finnish>english",  "german>french",    "french>german",
          "spanish>italian",    "german>dutch",     "polish>czech",     "swedish>danish",
          "portuguese>spanish", "esperanto>german", "english>rumanian", "rumanian>english"})
        pairs.emplace_back(pair);
    return pairs;
}

int table(bool verbose, const std::string &path, const std::string &directory,
          std::vector<std::string> pairs)
{
    std::ifstream file(path);
    std::vector<std::string> languages;
    std::vector<std::vector<std::vector<std::string>>> concepts; // [concept][language][word]
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells = split(line, '\t');
        if (languages.empty()) {
            languages.assign(cells.begin() + 1, cells.end());
            continue;
        }
        concepts.emplace_back();
        for (std::size_t i = 1; i < cells.size(); ++i)
            concepts.back().push_back(split(cells[i], '|'));
    }
    if (pairs.empty())
        pairs = defaultPairs(languages);
    const std::shared_ptr<const Translator> translator = withRomanian(directory);
    const SiteResponder site(translator);
    const std::vector<std::string> direct = translator->directPairs();
    const auto has = [&](const std::string &pair) {
        return std::find(direct.begin(), direct.end(), pair) != direct.end();
    };
    const auto column = [&](const std::string &language) {
        return std::size_t(std::find(languages.begin(), languages.end(), language) -
                           languages.begin());
    };

    std::printf("%-22s %-9s %5s %7s %7s %7s %7s\n", "pair", "route", "words", "top-1", "top-3",
                "found", "no-rows");
    struct Sum
    {
        int total = 0, top1 = 0, top3 = 0, found = 0, none = 0;
    };
    std::map<std::string, Sum> sums;
    for (const std::string &pair : pairs) {
        const std::size_t arrow = pair.find('>');
        const std::string from = pair.substr(0, arrow), to = pair.substr(arrow + 1);
        if (arrow == std::string::npos || column(from) == languages.size() ||
            column(to) == languages.size()) {
            std::fprintf(stderr, "%s: not a pair of the table's languages (from>to)\n",
                         pair.c_str());
            return 2;
        }
        const std::string back = to + ">" + from;
        const std::string route = !translator->serves(from, to) ? "none"
                                  : has(pair)                   ? "own"
                                  : has(back)                   ? "backwards"
                                                                : "pivot";
        Sum sum;
        for (const auto &words : concepts) {
            const Row row{pair, words[column(from)].front(), words[column(to)]};
            const std::vector<std::string> cells = lookUp(site, from, to, row.word);
            std::size_t rank = 0;
            while (rank < cells.size() && !matches(cells[rank], row, to == "turkish"))
                ++rank;
            ++sum.total;
            sum.top1 += rank < std::min<std::size_t>(1, cells.size());
            sum.top3 += rank < std::min<std::size_t>(3, cells.size());
            sum.found += rank < cells.size();
            sum.none += cells.empty();
            if (verbose && (rank > 0 || cells.empty())) {
                std::printf("  %s: expected at %s;", row.word.c_str(),
                            rank < cells.size() ? std::to_string(rank + 1).c_str() : "-");
                for (std::size_t i = 0; i < std::min<std::size_t>(cells.size(), 5); ++i)
                    std::printf(" [%s]", cells[i].c_str());
                std::printf("\n");
            }
        }
        const auto line = [](const std::string &name, const std::string &via, const Sum &s) {
            const double n = s.total == 0 ? 1 : s.total;
            std::printf("%-22s %-9s %5d %6.1f%% %6.1f%% %6.1f%% %6.1f%%\n", name.c_str(),
                        via.c_str(), s.total, 100 * s.top1 / n, 100 * s.top3 / n, 100 * s.found / n,
                        100 * s.none / n);
        };
        // Romanian (Apertium's lexicon through Spanish) has totals of its own.
        const bool aside = from == "rumanian" || to == "rumanian";
        line(pair + (aside ? " *" : ""), route, sum);
        std::fflush(stdout);
        const std::vector<std::string> groups =
            aside ? std::vector<std::string>{"romanian"}
                  : std::vector<std::string>{"all", "route " + route,
                                             from == "turkish" || to == "turkish" ? "with turkish"
                                                                                  : "others"};
        for (const std::string &group : groups) {
            Sum &total = sums[group];
            total.total += sum.total;
            total.top1 += sum.top1;
            total.top3 += sum.top3;
            total.found += sum.found;
            total.none += sum.none;
        }
    }
    std::printf("(* Romanian: left out of the other totals)\n");
    for (const auto &[name, sum] : sums) {
        const double n = sum.total == 0 ? 1 : sum.total;
        std::printf("%-22s %-9s %5d %6.1f%% %6.1f%% %6.1f%% %6.1f%%\n", name.c_str(), "", sum.total,
                    100 * sum.top1 / n, 100 * sum.top3 / n, 100 * sum.found / n,
                    100 * sum.none / n);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--rules") == 0) {
        if (argc == 2)
            for (const char *name : {"eng-tur", "tur-eng", "deu-tur", "fra-tur", "eng-deu"})
                ruleShares(std::string("/usr/share/dictd/freedict-") + name + ".index");
        for (int i = 2; i < argc; ++i)
            ruleShares(argv[i]);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--table") == 0) {
        int at = 2;
        const bool verbose = at < argc && std::strcmp(argv[at], "-v") == 0;
        at += verbose;
        const std::string path = at < argc ? argv[at++] : VORLINDA_CONCEPTS_TABLE;
        const std::string directory = at < argc ? argv[at++] : "/usr/share/dictd";
        return table(verbose, path, directory, std::vector<std::string>(argv + at, argv + argc));
    }
    bool verbose = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-v") == 0) {
        verbose = true;
        ++arg;
    }
    const std::string list = arg < argc ? argv[arg++] : VORLINDA_ANSWERS_LIST;
    const std::string directory = arg < argc ? argv[arg++] : "/usr/share/dictd";
    // Romanian as the site adds it: Apertium's lexicons made into
    // dictionaries, in a cache of the bench's own.
    const SiteResponder site(withRomanian(directory));

    struct Count
    {
        int total = 0, found = 0, top1 = 0, top3 = 0;
        std::vector<std::size_t> rows;
    };
    std::map<std::string, Count> counts;
    for (const Row &row : readList(list)) {
        const std::size_t arrow = row.direction.find('>');
        const std::string from = row.direction.substr(0, arrow);
        const std::string to = row.direction.substr(arrow + 1);
        const std::vector<std::string> cells = lookUp(site, from, to, row.word);
        const bool turkish = to == "turkish";
        std::size_t rank = 0;
        while (rank < cells.size() && !matches(cells[rank], row, turkish))
            ++rank;
        Count &count = counts[row.direction];
        ++count.total;
        count.rows.push_back(cells.size());
        count.found += rank < cells.size();
        count.top1 += rank < std::min<std::size_t>(1, cells.size());
        count.top3 += rank < std::min<std::size_t>(3, cells.size());
        if (verbose && rank > 0) {
            std::printf("%s %s: expected at %s;", row.direction.c_str(), row.word.c_str(),
                        rank < cells.size() ? std::to_string(rank + 1).c_str() : "-");
            for (std::size_t i = 0; i < std::min<std::size_t>(cells.size(), 6); ++i)
                std::printf(" [%s]", cells[i].c_str());
            std::printf(" (%zu rows)\n", cells.size());
        }
    }

    std::printf("\n%-18s %5s %7s %7s %7s %11s %17s\n", "direction", "words", "found", "top-1",
                "top-3", "median rows", "top-1/3 of found");
    Count all;
    const auto print = [](const std::string &name, Count &count) {
        std::sort(count.rows.begin(), count.rows.end());
        const double n = count.total;
        const double found = count.found;
        std::printf("%-18s %5d %6.1f%% %6.1f%% %6.1f%% %11zu %7.1f%% %7.1f%%\n", name.c_str(),
                    count.total, 100 * count.found / n, 100 * count.top1 / n, 100 * count.top3 / n,
                    count.rows.empty() ? 0 : count.rows[count.rows.size() / 2],
                    100 * count.top1 / found, 100 * count.top3 / found);
    };
    for (auto &[direction, count] : counts) {
        print(direction, count);
        all.total += count.total;
        all.found += count.found;
        all.top1 += count.top1;
        all.top3 += count.top3;
        all.rows.insert(all.rows.end(), count.rows.begin(), count.rows.end());
    }
    print("all", all);
}
