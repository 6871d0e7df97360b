#include "dict/ApertiumLexicon.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>

extern char **environ;

namespace vorlinda::site::ApertiumLexicon {
namespace {

// A lexicon lists tens of thousands of words; a listing that runs past this
// is not one.
constexpr std::size_t kMaxPaths = 2'000'000;
constexpr std::size_t kMaxPathBytes = 1000;
// The form of the dictionaries written here: a new one rewrites them all.
constexpr std::string_view kFormat = "2";

struct Arc
{
    int to;
    std::string_view in, out;
};

struct Section
{
    std::unordered_map<int, std::vector<Arc>> arcs;
    std::vector<int> finals;
};

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    while (true) {
        const std::size_t tab = line.find('\t');
        out.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return out;
        line.remove_prefix(tab + 1);
    }
}

std::vector<Section> sections(std::string_view listing)
{
    std::vector<Section> all(1);
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        const std::string_view line = listing.substr(0, end);
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        if (line == "--") {
            all.emplace_back();
            continue;
        }
        const std::vector<std::string_view> f = fields(line);
        int from = 0, to = 0;
        if (std::from_chars(f[0].data(), f[0].data() + f[0].size(), from).ec != std::errc{})
            continue;
        if (f.size() >= 4 &&
            std::from_chars(f[1].data(), f[1].data() + f[1].size(), to).ec == std::errc{})
            all.back().arcs[from].push_back({to, f[2], f[3]});
        else if (f.size() <= 3)
            all.back().finals.push_back(from);
    }
    return all;
}

bool hasLoop(const Section &section)
{
    std::unordered_map<int, int> colour; // 1 on the path, 2 done
    for (const auto &[start, ignored] : section.arcs) {
        if (colour.contains(start))
            continue;
        std::vector<std::pair<int, std::size_t>> stack{{start, 0}};
        colour[start] = 1;
        while (!stack.empty()) {
            auto &[state, next] = stack.back();
            const auto found = section.arcs.find(state);
            if (found == section.arcs.end() || next == found->second.size()) {
                colour[state] = 2;
                stack.pop_back();
                continue;
            }
            const int to = found->second[next++].to;
            if (colour[to] == 1)
                return true;
            if (colour[to] == 0) {
                colour[to] = 1;
                stack.emplace_back(to, 0);
            }
        }
    }
    return false;
}

// "scoate# la iveală<vblex>" -> lemma "scoate la iveală", first tag "vblex".
std::pair<std::string, std::string> lemmaAndTag(std::string_view side)
{
    const std::size_t open = side.find('<');
    std::string lemma(side.substr(0, open));
    std::erase(lemma, '#');
    std::string tag;
    if (open != std::string_view::npos) {
        const std::size_t close = side.find('>', open);
        tag = side.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
    }
    return {std::move(lemma), std::move(tag)};
}

void pathsOf(const Section &section, const std::function<void(std::string, std::string)> &take)
{
    struct Frame
    {
        int state;
        std::size_t next, inLength, outLength;
    };
    std::string in, out;
    std::vector<Frame> stack{{0, 0, 0, 0}};
    std::size_t paths = 0;
    const auto isFinal = [&](int state) {
        return std::find(section.finals.begin(), section.finals.end(), state) !=
               section.finals.end();
    };
    if (isFinal(0))
        take(in, out);
    while (!stack.empty()) {
        Frame &frame = stack.back();
        in.resize(frame.inLength);
        out.resize(frame.outLength);
        const auto found = section.arcs.find(frame.state);
        if (found == section.arcs.end() || frame.next == found->second.size()) {
            stack.pop_back();
            continue;
        }
        const Arc &arc = found->second[frame.next++];
        if (arc.in != "ε")
            in += arc.in;
        if (arc.out != "ε")
            out += arc.out;
        if (in.size() > kMaxPathBytes)
            throw std::runtime_error("a path too long for a lexicon");
        if (isFinal(arc.to)) {
            if (++paths > kMaxPaths)
                throw std::runtime_error("too many paths for a lexicon");
            take(in, out);
        }
        stack.push_back({arc.to, 0, in.size(), out.size()});
    }
}

const char *dictionaryTag(std::string_view tag)
{
    if (tag == "n")
        return " <n>";
    if (tag.starts_with("vb"))
        return " <v>";
    if (tag == "adj")
        return " <adj>";
    if (tag == "adv")
        return " <adv>";
    return "";
}

std::string base64Number(std::uint64_t value)
{
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value % 64]);
        value /= 64;
    } while (value != 0);
    return out;
}

void writeAtomically(const std::filesystem::path &file, const std::string &bytes)
{
    std::filesystem::path part = file;
    part += ".part" + std::to_string(::getpid());
    {
        std::ofstream stream(part, std::ios::binary | std::ios::trunc);
        stream << bytes;
        if (!stream.flush())
            throw std::runtime_error("cannot write " + part.string());
    }
    std::filesystem::rename(part, file);
}

// Romanian's "ș" and "ț" (comma below) as Turkish keyboards and older fonts
// write them, with the cedilla: "oraș" as "oraş".
std::string cedillaSpelling(std::string_view headword)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kLetters{{
        {"ș", "ş"},
        {"ț", "ţ"},
        {"Ș", "Ş"},
        {"Ț", "Ţ"},
    }};
    std::string out(headword);
    for (const auto &[comma, cedilla] : kLetters)
        for (std::size_t at = out.find(comma); at != std::string::npos;
             at = out.find(comma, at + cedilla.size()))
            out.replace(at, comma.size(), cedilla);
    return out;
}

void writeDictionary(const std::vector<Entry> &entries, const std::filesystem::path &base)
{
    std::string text, index;
    for (const Entry &entry : entries) {
        const std::string body = entryText(entry);
        const std::string place =
            "\t" + base64Number(text.size()) + "\t" + base64Number(body.size()) + "\n";
        index += entry.headword + place;
        // The same entry is found by either spelling.
        if (const std::string cedilla = cedillaSpelling(entry.headword); cedilla != entry.headword)
            index += cedilla + place;
        text += body;
    }
    std::filesystem::path dict = base, idx = base;
    dict += ".dict";
    idx += ".index";
    // The index last: a dictionary is there once its index is.
    writeAtomically(dict, text);
    writeAtomically(idx, index);
}

bool current(const std::filesystem::path &base, const std::filesystem::path &source)
{
    std::filesystem::path dict = base, idx = base;
    dict += ".dict";
    idx += ".index";
    std::error_code error;
    const auto built = std::filesystem::last_write_time(idx, error);
    return !error && std::filesystem::exists(dict, error) &&
           built >= std::filesystem::last_write_time(source, error) && !error;
}

} // namespace

std::vector<Entry> fromListing(std::string_view listing)
{
    std::vector<Entry> entries;
    std::map<std::pair<std::string, std::string>, std::size_t> found;
    for (const Section &section : sections(listing)) {
        if (hasLoop(section))
            continue;
        pathsOf(section, [&](const std::string &left, const std::string &right) {
            auto [headword, tag] = lemmaAndTag(left);
            std::string translation = lemmaAndTag(right).first;
            if (headword.empty() || translation.empty())
                return;
            const auto [at, added] = found.try_emplace({headword, tag}, entries.size());
            if (added)
                entries.push_back({std::move(headword), std::move(tag), {}});
            std::vector<std::string> &translations = entries[at->second].translations;
            if (std::find(translations.begin(), translations.end(), translation) ==
                translations.end())
                translations.push_back(std::move(translation));
        });
    }
    return entries;
}

std::string entryText(const Entry &entry)
{
    std::string text = entry.headword + dictionaryTag(entry.partOfSpeech) + "\n";
    for (std::size_t i = 0; i < entry.translations.size(); ++i)
        text += (i == 0 ? "" : ", ") + entry.translations[i];
    return text + "\n";
}

std::string_view threeLetterCode(std::string_view twoLetter)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 19> kCodes{{
        {"en", "eng"}, {"tr", "tur"}, {"es", "spa"}, {"fr", "fra"}, {"de", "deu"},
        {"it", "ita"}, {"nl", "nld"}, {"pt", "por"}, {"ro", "ron"}, {"sv", "swe"},
        {"da", "dan"}, {"pl", "pol"}, {"cs", "ces"}, {"hr", "hrv"}, {"sr", "srp"},
        {"hu", "hun"}, {"fi", "fin"}, {"eo", "epo"}, {"sw", "swh"},
    }};
    for (const auto &[two, three] : kCodes)
        if (two == twoLetter)
            return three;
    return {};
}

void prepare(const std::filesystem::path &apertiumDirectory,
             const std::filesystem::path &outDirectory,
             const std::function<bool(std::string_view, std::string_view)> &wanted,
             const std::function<void(const std::string &)> &failed,
             const std::function<std::string(const std::filesystem::path &)> &listing)
{
    std::error_code error;
    std::string format;
    std::getline(std::ifstream(outDirectory / "format"), format);
    bool written = false, refused = false;
    for (const auto &folder : std::filesystem::directory_iterator(apertiumDirectory, error)) {
        // "apertium-es-ro": the lexicons "es-ro.autobil.bin" and "ro-es.autobil.bin".
        const std::string name = folder.path().filename().string();
        if (!name.starts_with("apertium-") || name.size() != 14 || name[11] != '-')
            continue;
        const std::string a = name.substr(9, 2), b = name.substr(12, 2);
        const std::string_view codeA = threeLetterCode(a), codeB = threeLetterCode(b);
        if (codeA.empty() || codeB.empty() || !wanted(codeA, codeB))
            continue;
        for (const auto &[from, to] : {std::pair{a, b}, std::pair{b, a}}) {
            const std::filesystem::path bin = folder.path() / (from + "-" + to + ".autobil.bin");
            const std::filesystem::path base =
                outDirectory / ("freedict-" + std::string(threeLetterCode(from)) + "-" +
                                std::string(threeLetterCode(to)));
            if (!std::filesystem::exists(bin, error) || (format == kFormat && current(base, bin)))
                continue;
            try {
                std::filesystem::create_directories(outDirectory);
                writeDictionary(fromListing(listing(bin)), base);
                written = true;
            } catch (const std::exception &e) {
                failed(bin.string() + ": " + e.what());
                refused = true;
            }
        }
    }
    if (written && !refused && format != kFormat)
        writeAtomically(outDirectory / "format", std::string(kFormat) + "\n");
}

std::string ltPrint(const std::filesystem::path &bin)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("no pipe for lt-print");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const std::string path = bin.string();
    char program[] = "lt-print";
    char *argv[] = {program, const_cast<char *>(path.c_str()), nullptr};
    pid_t child = -1;
    const int spawned = ::posix_spawnp(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    std::string out;
    if (spawned == 0) {
        std::array<char, 65536> buffer;
        ssize_t got = 0;
        while ((got = ::read(pipeEnds[0], buffer.data(), buffer.size())) > 0 ||
               (got < 0 && errno == EINTR))
            out.append(buffer.data(), static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        throw std::runtime_error("lt-print (Debian's lttoolbox-dev) failed on " + path);
    return out;
}

} // namespace vorlinda::site::ApertiumLexicon
