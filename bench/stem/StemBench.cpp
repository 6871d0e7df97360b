// How many of a list of inflected forms the site finds, per language, and
// how long a lookup takes that needs the morphology against one that does
// not. Not a test: run it by hand.
//
//   bench_stem [LIST.tsv [DICTIONARY-DIRECTORY]]
//
// A form counts as found when the answer holds its dictionary form, or the
// form itself as a headword (an entry of its own). Rows whose dictionary
// form the site does not know are reported and left out.
#include "text/TextFolding.h"
#include "web/Translator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using vorlinda::site::foldCase;
using vorlinda::site::TranslationPair;
using vorlinda::site::Translator;

namespace {

struct Row
{
    std::string from, to, form, lemma, kind;
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
        std::getline(fields, row.from, '\t');
        std::getline(fields, row.to, '\t');
        std::getline(fields, row.form, '\t');
        std::getline(fields, row.lemma, '\t');
        std::getline(fields, row.kind, '\t');
        rows.push_back(row);
    }
    return rows;
}

bool holds(const std::vector<TranslationPair> &pairs, const std::string &word, bool turkish)
{
    const std::string folded = foldCase(word, turkish);
    return std::any_of(pairs.begin(), pairs.end(), [&](const TranslationPair &pair) {
        return foldCase(pair.source, turkish) == folded;
    });
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

} // namespace

int main(int argc, char **argv)
{
    const std::string list = argc > 1 ? argv[1] : VORLINDA_STEM_LIST;
    const std::string directory = argc > 2 ? argv[2] : "/usr/share/dictd";
    const std::vector<Row> rows = readList(list);
    const Translator translator(directory);
    constexpr std::size_t kMaxPairs = 60;

    struct Count
    {
        int found = 0, total = 0;
    };
    std::map<std::string, Count> counts;
    std::vector<const Row *> stemmed; // found only through a dictionary form
    for (const Row &row : rows) {
        const bool turkish = row.from == "turkish";
        if (!holds(translator.translate(row.from, row.to, row.lemma, kMaxPairs), row.lemma,
                   turkish)) {
            std::printf("unknown dictionary form, row left out: %s %s\n", row.from.c_str(),
                        row.lemma.c_str());
            continue;
        }
        const auto pairs = translator.translate(row.from, row.to, row.form, kMaxPairs);
        const bool own = holds(pairs, row.form, turkish);
        const bool found = own || holds(pairs, row.lemma, turkish);
        Count &count = counts[row.from];
        ++count.total;
        count.found += found ? 1 : 0;
        if (found && !own)
            stemmed.push_back(&row);
        if (!found)
            std::printf("not found: %s %s (%s)\n", row.from.c_str(), row.form.c_str(),
                        row.lemma.c_str());
    }
    Count all;
    std::printf("\n%-10s %6s %6s %7s\n", "language", "found", "total", "rate");
    for (const auto &[language, count] : counts) {
        std::printf("%-10s %6d %6d %6.1f%%\n", language.c_str(), count.found, count.total,
                    100.0 * count.found / count.total);
        all.found += count.found;
        all.total += count.total;
    }
    std::printf("%-10s %6d %6d %6.1f%%\n", "all", all.found, all.total,
                all.total ? 100.0 * all.found / all.total : 0.0);

    // Every dictionary and morphology is loaded by now: the times are those
    // after first use. Wall time, and the thread's own CPU time, which a busy
    // machine does not stretch.
    constexpr int kRounds = 20;
    struct Times
    {
        std::vector<double> wall, cpu;
    };
    const auto cpuNow = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    };
    std::map<std::string, double> slowest; // word -> its longest CPU time
    const auto timed = [&](Times &times, const Row &row, const std::string &word) {
        const double cpuStart = cpuNow();
        const auto start = std::chrono::steady_clock::now();
        translator.translate(row.from, row.to, word, kMaxPairs);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.wall.push_back(took.count());
        times.cpu.push_back(cpuNow() - cpuStart);
        double &slowestOfWord = slowest[row.from + " " + word];
        slowestOfWord = std::max(slowestOfWord, times.cpu.back());
    };
    Times plain, stemming;
    for (int round = 0; round < kRounds; ++round) {
        for (const Row *row : stemmed) {
            timed(plain, *row, row->lemma);
            timed(stemming, *row, row->form);
        }
    }
    std::printf("\nlookup time, ms, %d rounds over %zu words each\n", kRounds, stemmed.size());
    std::printf("%-26s %8s %8s %8s %8s %8s %8s\n", "", "wall p50", "p99", "max", "cpu p50", "p99",
                "max");
    for (const auto &[name, times] : {std::pair{"dictionary form (exact)", &plain},
                                      std::pair{"inflected form (stemmed)", &stemming}})
        std::printf("%-26s %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f\n", name,
                    percentile(times->wall, 0.5), percentile(times->wall, 0.99),
                    percentile(times->wall, 1.0), percentile(times->cpu, 0.5),
                    percentile(times->cpu, 0.99), percentile(times->cpu, 1.0));
    std::vector<std::pair<double, std::string>> byTime;
    byTime.reserve(slowest.size());
    for (const auto &[word, took] : slowest)
        byTime.emplace_back(took, word);
    std::sort(byTime.rbegin(), byTime.rend());
    std::printf("slowest (cpu ms):");
    for (std::size_t i = 0; i < std::min<std::size_t>(8, byTime.size()); ++i)
        std::printf(" %s %.1f;", byTime[i].second.c_str(), byTime[i].first);
    std::printf("\n");
    return 0;
}
