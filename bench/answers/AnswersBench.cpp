// Does the translation a person expects come first? For a list of common
// words, each with the translations a bilingual speaker expects, asks the
// site exactly as the program does and reads the rows of its page. Not a
// test: run it by hand.
//
//   bench_answers [-v] [LIST.tsv [DICTIONARY-DIRECTORY]]
//
// Per direction: found (an expected translation in any row), top-1 (in the
// first row), top-3 (in the first three) and the median number of rows.
// -v prints the first rows of every word whose expected answer is not first.
#include "SitePages.h"
#include "SiteResponder.h"
#include "TextFolding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
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

} // namespace

int main(int argc, char **argv)
{
    bool verbose = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-v") == 0) {
        verbose = true;
        ++arg;
    }
    const std::string list = arg < argc ? argv[arg++] : VORLINDA_ANSWERS_LIST;
    const std::string directory = arg < argc ? argv[arg++] : "/usr/share/dictd";
    const SiteResponder site(std::make_shared<const Translator>(directory));

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
        const SiteResponse answer =
            site.respond("GET",
                         "/index.php?selectFrom=" + from + "&selectTo=" + to +
                             "&txtLang=" + percentEncoded(row.word) + "&submitButton=Search",
                         "vorlinda_oturum=1");
        const std::vector<std::string> cells = translations(answer.body);
        const bool turkish = to == "turkish";
        std::size_t rank = 0;
        while (rank < cells.size() && !matches(cells[rank], row, turkish))
            ++rank;
        Count &count = counts[row.direction];
        ++count.total;
        count.rows.push_back(cells.size());
        count.found += rank < cells.size();
        count.top1 += rank < 1;
        count.top3 += rank < 3;
        if (verbose && rank > 0) {
            std::printf("%s %s: expected at %s;", row.direction.c_str(), row.word.c_str(),
                        rank < cells.size() ? std::to_string(rank + 1).c_str() : "-");
            for (std::size_t i = 0; i < std::min<std::size_t>(cells.size(), 6); ++i)
                std::printf(" [%s]", cells[i].c_str());
            std::printf(" (%zu rows)\n", cells.size());
        }
    }

    std::printf("\n%-18s %5s %7s %7s %7s %11s\n", "direction", "words", "found", "top-1", "top-3",
                "median rows");
    Count all;
    const auto print = [](const std::string &name, Count &count) {
        std::sort(count.rows.begin(), count.rows.end());
        const double n = count.total;
        std::printf("%-18s %5d %6.1f%% %6.1f%% %6.1f%% %11zu\n", name.c_str(), count.total,
                    100 * count.found / n, 100 * count.top1 / n, 100 * count.top3 / n,
                    count.rows.empty() ? 0 : count.rows[count.rows.size() / 2]);
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
