#include "morph/Morphology.h"

#include "morph/TurkishSuffixes.h"
#include "text/SiteLanguages.h"
#include "text/TextFolding.h"

#include <algorithm>
#include <thread>

namespace vorlinda::site {
namespace {

// The Hunspell dictionaries Debian installs for each language, the first
// one found is used. Finnish and Esperanto have none.
const std::map<std::string_view, std::vector<std::string_view>> &dictionaryNames()
{
    static const std::map<std::string_view, std::vector<std::string_view>> kNames = {
        {"english", {"en_US", "en_GB"}},
        {"turkish", {"tr_TR"}},
        {"spanish", {"es_ES"}},
        {"french", {"fr_FR", "fr"}},
        {"german", {"de_DE"}},
        {"italian", {"it_IT"}},
        {"dutch", {"nl_NL", "nl"}},
        {"portuguese", {"pt_PT", "pt_BR"}},
        {"rumanian", {"ro_RO"}},
        {"swedish", {"sv_SE"}},
        {"danish", {"da_DK"}},
        {"polish", {"pl_PL"}},
        {"czech", {"cs_CZ"}},
        {"serbo_croat", {"hr_HR", "sr_Latn_RS"}},
        {"hungarian", {"hu_HU"}},
        {"swahili", {"sw_TZ", "sw_KE"}},
    };
    return kNames;
}

// Each guess costs a lookup in both directions; without Hunspell to sort out
// the non-words, a long word could have dozens.
constexpr std::size_t kMaxGuesses = 8;

// Adds `stem` unless it is the word itself or one already there, letter case
// ignored ("hund" and "Hund" are one lookup).
void addNew(std::vector<std::string> &stems, std::string stem, const std::string &folded,
            bool turkish)
{
    const std::string key = foldCase(stem, turkish);
    if (stem.empty() || key == folded)
        return;
    if (std::none_of(stems.begin(), stems.end(),
                     [&](const std::string &s) { return foldCase(s, turkish) == key; }))
        stems.push_back(std::move(stem));
}

} // namespace

Morphology::Morphology(const std::filesystem::path &hunspellDirectory,
                       const std::filesystem::path &wordNetDirectory, Loading loading)
{
    std::vector<std::shared_ptr<Slot>> slots;
    for (const SiteLanguage &language : siteLanguages()) {
        Slot &slot = *languages_[std::string(language.code)].slot;
        if (const auto listed = dictionaryNames().find(language.code);
            listed != dictionaryNames().end())
            slot.names.assign(listed->second.begin(), listed->second.end());
        slot.hunspellDirectory = hunspellDirectory;
        // WordNet's lists are English's alone.
        if (language.code == "english")
            slot.wordNetDirectory = wordNetDirectory;
        slots.push_back(languages_[std::string(language.code)].slot);
    }
    if (loading == Loading::Background)
        // Detached: a site stopping need not wait for a dictionary it will
        // not use; the worker holds all it touches.
        std::thread([slots = std::move(slots)] {
            for (const std::shared_ptr<Slot> &slot : slots)
                obtain(*slot);
        }).detach();
}

std::shared_ptr<const Morphology::Loaded>
Morphology::load(const std::vector<std::string> &names,
                 const std::filesystem::path &hunspellDirectory,
                 const std::filesystem::path &wordNetDirectory)
{
    auto loaded = std::make_shared<Loaded>();
    for (const std::string &name : names) {
        loaded->stemmer =
            Stemmer::open(hunspellDirectory / (name + ".aff"), hunspellDirectory / (name + ".dic"));
        if (loaded->stemmer)
            break;
    }
    if (!wordNetDirectory.empty())
        loaded->exceptions =
            std::make_unique<const WordNetExceptions>(WordNetExceptions::load(wordNetDirectory));
    return loaded;
}

std::shared_ptr<const Morphology::Loaded> Morphology::obtain(Slot &slot)
{
    std::unique_lock lock(slot.mutex);
    if (slot.started) {
        slot.ready.wait(lock, [&] { return slot.loaded != nullptr; });
        return slot.loaded;
    }
    slot.started = true;
    lock.unlock();
    auto loaded = load(slot.names, slot.hunspellDirectory, slot.wordNetDirectory);
    lock.lock();
    slot.loaded = std::move(loaded);
    slot.ready.notify_all();
    return slot.loaded;
}

std::shared_ptr<const Morphology::Loaded> Morphology::language(std::string_view code) const
{
    const auto found = languages_.find(code);
    return found == languages_.end() ? nullptr : obtain(*found->second.slot);
}

std::vector<std::string> Morphology::stems(std::string_view code, std::string_view word) const
{
    const auto language = this->language(code);
    if (language == nullptr)
        return {};
    const bool turkish = code == "turkish";
    const std::string folded = foldCase(word, turkish);
    std::vector<std::string> stems;
    if (language->stemmer) {
        // As typed: Hunspell itself tries the word's other letter cases.
        std::vector<std::string> found = language->stemmer->stems(word);
        for (std::string &stem : found) {
            // A Turkish verb is known by its infinitive ("içti": "içmek"
            // before "iç", inside).
            if (turkish) {
                std::string verb = TurkishSuffixes::infinitive(stem);
                if (language->stemmer->knows(verb))
                    addNew(stems, std::move(verb), folded, turkish);
            }
            addNew(stems, std::move(stem), folded, turkish);
        }
    }
    if (language->exceptions)
        for (std::string &base : language->exceptions->bases(word))
            addNew(stems, std::move(base), folded, turkish);
    return stems;
}

std::vector<std::string> Morphology::guesses(std::string_view code, std::string_view word) const
{
    if (code == "swahili") {
        // The Swahili dictionaries list a verb by its stem ("la", "nywa",
        // "enda"); it is typed as its infinitive ("kula", "kunywa",
        // "kwenda").
        const std::string folded = foldCase(word, false);
        std::vector<std::string> guesses;
        if (folded.size() > 3 && (folded.starts_with("ku") || folded.starts_with("kw")))
            guesses.push_back(folded.substr(2));
        // An adjective is listed by its stem too ("zuri", "ekundu") and typed
        // with the concord of its noun's class ("nzuri", "mbaya", "nyekundu",
        // "cheupe"); the longer concords first.
        for (std::string_view concord :
             {"ny", "mw", "ch", "vy", "wa", "mi", "ma", "ki", "vi", "ji", "pa", "m", "n", "w", "j"})
            if (folded.size() >= concord.size() + 3 && folded.starts_with(concord))
                addNew(guesses, folded.substr(concord.size()), folded, false);
        return guesses;
    }
    if (code != "turkish")
        return {};
    const auto language = this->language(code);
    if (language == nullptr)
        return {};
    const std::string folded = foldCase(word, true);
    std::vector<std::string> guesses;
    for (const TurkishSuffixes::Candidate &candidate : TurkishSuffixes::candidates(word)) {
        std::string form =
            candidate.verb ? TurkishSuffixes::infinitive(candidate.stem) : candidate.stem;
        if (language->stemmer && !language->stemmer->knows(form))
            continue;
        addNew(guesses, std::move(form), folded, true);
        if (guesses.size() == kMaxGuesses)
            break;
    }
    return guesses;
}

bool Morphology::inflected(std::string_view code, std::string_view word) const
{
    const auto language = this->language(code);
    if (language == nullptr || !language->stemmer)
        return false;
    const bool turkish = code == "turkish";
    const std::string folded = foldCase(word, turkish);
    const std::vector<std::string> found = language->stemmer->stems(word);
    return !found.empty() && std::none_of(found.begin(), found.end(), [&](const std::string &s) {
        return foldCase(s, turkish) == folded;
    });
}

bool Morphology::hasDictionary(std::string_view code) const
{
    const auto language = this->language(code);
    return language != nullptr && language->stemmer != nullptr;
}

} // namespace vorlinda::site
