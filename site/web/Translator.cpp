#include "web/Translator.h"

#include "dict/DictEntry.h"
#include "text/TextFolding.h"
#include "web/DataSpelling.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <span>
#include <stdexcept>

namespace vorlinda::site {
namespace {

// How many English words a pivoted lookup follows into the second
// dictionary, how many candidates it takes from each (each costs a lookup
// back towards English) and what a later candidate of one costs against a
// later English word. A word whose entry is a flat list (the Hungarian files
// give up to thirty one-word senses in no order of use: "fej": to squeeze,
// mask ... head) has its English words followed up to kLongListWords, and
// its candidates read back as far: the meaning a speaker wants may stand
// anywhere in such a list, and agreement, not place, picks it. Elsewhere
// the first few carry the meaning, and later ones would only add votes for
// rarer senses (and cost lookups). Each of those gives eight candidates:
// English–Czech and English–Serbo-Croatian keep a word's translations as
// entries of their own, ordered by how many senses each has, and the
// common one ("see": vidět) is often seventh or later. The English words
// past the first few bring two candidates each, to bound the lookups back.
constexpr std::size_t kPivotWords = 6;
constexpr std::size_t kLongListWords = 16;
constexpr std::size_t kPivotCandidates = 8;
constexpr std::size_t kLaterCandidates = 2;
constexpr double kPivotRowWeight = 0.5;
// What each English word both entries share wins against the path: eight
// rows, or four English words; a little more the earlier it stands in both.
constexpr double kAgreementWeight = 4.0;
// Into English, what a row read backwards that the own entry lacks costs.
constexpr double kBackOnlyCost = 1.0;
// What a candidate of another form than the verb asked for costs: four
// English words.
constexpr double kPivotOtherFormPenalty = 4.0;
// What a candidate whose first English word is the word's own first one
// wins besides that word's vote: another English word shared. A word's
// first translation is its commonest meaning, in both dictionaries, but
// for nouns and adjectives only: a verb's entry often starts with a
// narrower sense ("içmek": smoke, then drink).
constexpr double kFirstMeaningWeight = 1.0;
// What each doubling of a candidate's commonness in the target language
// wins against the path: half a row.
constexpr double kPivotCommonWeight = 0.25;
// Each candidate that is a compound of another (up to three) wins that one
// this share of an agreeing English word.
constexpr double kPivotCompoundWeight = 0.5;
constexpr std::ptrdiff_t kPivotMaxCompounds = 3;
// A lookup ranks at most this many of the entries a word stands in.
constexpr std::size_t kMaxCandidates = 2000;
// Into a language without counts of use, a flat list this long is ranked as
// one in no order: a shorter one ("fire": fuego, incendio, despedir,
// tirar, animar) is most often written commonest first.
constexpr std::uint16_t kUnorderedListSenses = 6;
// A doubling of the headwords that start with a word counts as two
// doublings of the English headwords translated by it.
constexpr double kFamilyWeight = 2.0;
constexpr std::size_t kMinFamilyHeadwords = 2000;
// What a row marked as another use than the word's commoner one costs.
constexpr double kOtherUsePenalty = 8.0;

std::filesystem::path textFileFor(const std::filesystem::path &index)
{
    std::filesystem::path zipped = index;
    zipped.replace_extension(".dict.dz");
    if (std::filesystem::exists(zipped))
        return zipped;
    std::filesystem::path plain = index;
    plain.replace_extension(".dict");
    return std::filesystem::exists(plain) ? plain : std::filesystem::path{};
}

// Whether `folded` is an English verb gloss of one word: "to go".
bool isVerbGloss(std::string_view folded)
{
    return folded.starts_with("to ") && folded.size() > 3 &&
           folded.find(' ', 3) == std::string_view::npos;
}

// An English verb gloss without its "to ": "to go" is "go".
std::string withoutTo(std::string folded)
{
    if (isVerbGloss(folded))
        folded.erase(0, 3);
    return folded;
}

// Whether `text` (a word or a phrase) of `language` has the form of a
// verb's infinitive, by the language's infinitive endings ("pít", "napít se",
// "trinken", "boire", "bere"); nullopt where the form does not tell (Hungarian
// and Swahili dictionaries list other forms, Finnish and Scandinavian nouns
// end alike).
std::optional<bool> looksLikeInfinitive(std::string_view language, std::string_view text)
{
    static constexpr std::string_view kCzech[] = {"t", "ti", "ci"};
    static constexpr std::string_view kPolish[] = {"ć", "c"};
    static constexpr std::string_view kSerboCroat[] = {"ti", "ći"};
    static constexpr std::string_view kGermanic[] = {"en", "ln", "rn"};
    static constexpr std::string_view kFrench[] = {"er", "ir", "re"};
    static constexpr std::string_view kIberian[] = {"ar", "er", "ir", "arse", "erse", "irse"};
    static constexpr std::string_view kItalian[] = {"are", "ere", "ire", "arsi", "ersi", "irsi"};
    static constexpr std::string_view kEsperanto[] = {"i"};
    static constexpr std::string_view kTurkish[] = {"mek", "mak"};
    const std::span<const std::string_view> endings =
        language == "czech"                                 ? std::span(kCzech)
        : language == "polish"                              ? std::span(kPolish)
        : language == "serbo_croat"                         ? std::span(kSerboCroat)
        : language == "german" || language == "dutch"       ? std::span(kGermanic)
        : language == "french"                              ? std::span(kFrench)
        : language == "spanish" || language == "portuguese" ? std::span(kIberian)
        : language == "italian"                             ? std::span(kItalian)
        : language == "esperanto"                           ? std::span(kEsperanto)
        : language == "turkish"                             ? std::span(kTurkish)
                                                            : std::span<const std::string_view>();
    if (endings.empty())
        return std::nullopt;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(at, end - at);
        for (const std::string_view ending : endings)
            if (word.ends_with(ending))
                return true;
        at = end + 1;
    }
    return false;
}

// The word as typed, and as its language's dictionaries write it where
// they write it otherwise.
std::vector<std::string> spellings(std::string_view language, std::string_view word)
{
    std::vector<std::string> all{std::string(word)};
    std::string written = DataSpelling::asWritten(language, word);
    if (written != all.front())
        all.push_back(std::move(written));
    return all;
}

void addUnique(std::vector<TranslationPair> &pairs, TranslationPair pair)
{
    if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end())
        pairs.push_back(std::move(pair));
}

// A letter (any byte of a UTF-8 sequence), digit, apostrophe or hyphen.
bool isWordByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || std::isalnum(b) || c == '\'' || c == '-';
}

} // namespace

Translator::Translator(const std::filesystem::path &dictionaryDirectory,
                       const std::filesystem::path &hunspellDirectory,
                       const std::filesystem::path &wordNetDirectory,
                       const std::filesystem::path &scowlDirectory)
    : morphology_(std::make_unique<const Morphology>(hunspellDirectory, wordNetDirectory)),
      hunspellDirectory_(hunspellDirectory), wordNetDirectory_(wordNetDirectory),
      scowlDirectory_(scowlDirectory)
{
    addDictionaries(dictionaryDirectory);
}

void Translator::addDictionaries(const std::filesystem::path &dictionaryDirectory)
{
    for (const SiteLanguage &from : siteLanguages()) {
        for (const SiteLanguage &to : siteLanguages()) {
            if (from.code == to.code)
                continue;
            for (const std::string_view fromIso : from.isoCodes) {
                for (const std::string_view toIso : to.isoCodes) {
                    const std::filesystem::path index =
                        dictionaryDirectory /
                        ("freedict-" + std::string(fromIso) + "-" + std::string(toIso) + ".index");
                    std::error_code error;
                    if (!std::filesystem::exists(index, error))
                        continue;
                    const std::filesystem::path text = textFileFor(index);
                    if (text.empty())
                        continue;
                    dictionaries_[{std::string(from.code), std::string(to.code)}].push_back(
                        std::make_unique<Dictionary>(index, text, from.code == "turkish",
                                                     to.code == "turkish"));
                }
            }
        }
    }
    // Each dictionary learns the words of its translations' language from
    // the opposite one.
    for (const auto &[key, list] : dictionaries_) {
        const auto opposite = dictionaries_.find({key.second, key.first});
        if (opposite != dictionaries_.end())
            for (const auto &dictionary : list)
                dictionary->setOpposite(opposite->second.front().get());
    }
}

double Translator::commonness(const std::string &language, std::string_view word,
                              DictEntry::PartOfSpeech partOfSpeech) const
{
    if (language == "english") {
        // A verb gloss "to go" is counted as the verb "go".
        if (word.starts_with("to ") && word.find(' ', 3) == std::string_view::npos)
            return englishFrequency().weight(word.substr(3), DictEntry::PartOfSpeech::Verb);
        return englishFrequency().weight(word, partOfSpeech);
    }
    // Elsewhere: how many English headwords the dictionary into the language
    // translate by the word alone, and how many headwords of the language's
    // dictionary into English start with it: a common word heads a family
    // of compounds and derivations ("Hund", "Hundehütte", "hundemüde"), a
    // rare sense none ("Gerüstklammer", also a dog).
    double weight = 0;
    try {
        if (const auto found = dictionaries_.find({"english", language});
            found != dictionaries_.end())
            weight +=
                std::log2(1.0 + static_cast<double>(found->second.front()->translationCount(word)));
        // A dictionary of a thousand headwords (Turkish–English) lists too
        // few compounds to tell.
        if (const auto found = dictionaries_.find({language, "english"});
            found != dictionaries_.end() &&
            found->second.front()->headwordCount() >= kMinFamilyHeadwords)
            weight += kFamilyWeight *
                      std::log2(1.0 + static_cast<double>(
                                          found->second.front()->countStartingWith(word)));
    } catch (const std::runtime_error &) {
    }
    return weight;
}

const EnglishFrequency &Translator::englishFrequency() const
{
    std::call_once(englishOnce_, [this] {
        if (!englishIndexFile_.empty()) {
            try {
                englishFrequency_ =
                    std::make_unique<const EnglishFrequency>(EnglishFrequency::fromIndex(
                        IndexFile::open(englishIndexFile_, IndexFile::Kind::EnglishFrequency,
                                        englishIndexStamp())));
                return;
            } catch (const IndexError &) {
                // Read from the lists below; the builder writes it anew.
            }
        }
        englishFrequency_ = std::make_unique<const EnglishFrequency>(
            EnglishFrequency::load(wordNetDirectory_, scowlDirectory_));
    });
    return *englishFrequency_;
}

std::vector<Dictionary *> Translator::dictionaries() const
{
    std::vector<Dictionary *> all;
    for (const auto &[key, list] : dictionaries_)
        for (const auto &dictionary : list)
            all.push_back(dictionary.get());
    return all;
}

std::uint64_t Translator::englishIndexStamp() const
{
    return EnglishFrequency::indexStamp(wordNetDirectory_, scowlDirectory_);
}

EnglishFrequency Translator::countEnglishUse() const
{
    return EnglishFrequency::load(wordNetDirectory_, scowlDirectory_);
}

void Translator::readEnglishIndex(const std::filesystem::path &file)
{
    englishIndexFile_ = file;
}

void Translator::loadMorphologyInBackground()
{
    morphology_ = std::make_unique<const Morphology>(hunspellDirectory_, wordNetDirectory_,
                                                     Morphology::Loading::Background);
}

std::vector<Translator::Scored> Translator::direct(const Key &key, std::string_view word) const
{
    const auto found = dictionaries_.find(key);
    if (found == dictionaries_.end())
        return {};
    std::vector<DictEntry> entries;
    for (const std::string &spelling : spellings(key.first, word)) {
        for (const auto &dictionary : found->second) {
            try {
                for (DictEntry &entry : dictionary->lookup(spelling))
                    entries.push_back(std::move(entry));
            } catch (const std::runtime_error &) {
                continue; // a damaged file answers nothing; the others still do
            }
        }
    }
    // A pointer ("children: (bak.) child") is followed to the entry it
    // points at, whose translations stand in its place under the pointer's
    // headword; it is never a translation itself. Once: a pointer to a pointer is left as it is.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].secondary || entries[i].translations.size() != 1)
            continue;
        std::vector<DictEntry> target;
        for (const auto &dictionary : found->second) {
            try {
                for (DictEntry &entry : dictionary->lookup(entries[i].translations.front().text))
                    if (!entry.secondary) {
                        entry.headword = entries[i].headword; // "went": gitmek
                        target.push_back(std::move(entry));
                    }
            } catch (const std::runtime_error &) {
                continue;
            }
        }
        if (target.empty())
            continue;
        entries.erase(entries.begin() + std::ptrdiff_t(i));
        entries.insert(entries.begin() + std::ptrdiff_t(i), std::make_move_iterator(target.begin()),
                       std::make_move_iterator(target.end()));
        i += target.size() - 1;
    }
    for (DictEntry &entry : entries) {
        entry.headword = DataSpelling::mended(key.first, entry.headword);
        for (DictEntry::Translation &translation : entry.translations)
            translation.text = DataSpelling::mended(key.second, translation.text);
        for (DictEntry::SubEntry &sub : entry.subEntries) {
            sub.headword = DataSpelling::mended(key.first, sub.headword);
            sub.translation = DataSpelling::mended(key.second, sub.translation);
        }
    }
    return ranking_.direct(key, std::move(entries), word);
}

std::vector<Translator::Scored> Translator::reversed(const Key &key, std::string_view word,
                                                     bool phrases) const
{
    const auto found = dictionaries_.find({key.second, key.first});
    if (found == dictionaries_.end())
        return {};
    std::vector<Scored> rows;
    std::vector<std::string> written = spellings(key.first, word);
    // The dictionaries into English write a verb as its gloss ("to write"):
    // an English word is also looked for so, or a language whose file into
    // English is the only one to name the verb (Hungarian "ír") never
    // answers it.
    if (key.first == "english" && word.find(' ') == std::string_view::npos)
        written.push_back("to " + std::string(word));
    for (const std::string &spelling : written) {
        for (const auto &dictionary : found->second) {
            std::vector<ReverseIndex::Match> matches;
            try {
                matches = dictionary->reverseLookup(spelling, kMaxCandidates, phrases);
            } catch (const std::runtime_error &) {
                continue;
            }
            for (ReverseIndex::Match &match : matches) {
                match.translation = DataSpelling::mended(key.first, match.translation);
                match.headword = DataSpelling::mended(key.second, match.headword);
            }
            ranking_.reversed(key, matches, phrases, rows);
        }
    }
    return rows;
}

std::vector<TranslationPair> Translator::bothWays(const Key &key, std::string_view word,
                                                  bool phrases, std::size_t maxPairs, bool *whole,
                                                  Use use) const
{
    std::vector<Scored> own = direct(key, word);
    std::vector<Scored> back = reversed(key, word, phrases);
    if (key.first == "english" && use == Use::Any)
        use = commonerUse(foldCase(word, false));
    weighUse(use, own, back);
    // A pair without a dictionary of its own has only the opposite one read
    // backwards, whose entries mostly give the word first alike ("hem" and
    // "hus" for "ev"): how common each is tells them apart.
    if (!dictionaries_.contains(key) && !TranslationRanking::hasFrequencies(key.second))
        for (Scored &row : back)
            if (row.tier == 0)
                row.score -= commonness(key.second, row.pair.translation, {}) *
                             TranslationRanking::kCommonWeight;
    std::stable_sort(back.begin(), back.end(), TranslationRanking::better);
    const bool ownFound = !own.empty();
    if (TranslationRanking::hasFrequencies(key.second)) {
        // Where the words' use is counted, the pair's own dictionary and
        // the opposite one read backwards are ranked together: a small
        // dictionary's first word is not always the common one.
        // A row the own entry lacks costs half a sense: the small Turkish–
        // English file's "ekmek" is bread and loaf, and English–Turkish's
        // "plant" (to sow), however common, comes after them.
        if (ownFound) {
            std::vector<std::string> ownWords;
            ownWords.reserve(own.size());
            for (const Scored &row : own)
                ownWords.push_back(foldCase(row.pair.translation, false));
            for (Scored &row : back)
                if (std::find(ownWords.begin(), ownWords.end(),
                              foldCase(row.pair.translation, false)) == ownWords.end())
                    row.score += kBackOnlyCost;
        }
        own.insert(own.end(), std::make_move_iterator(back.begin()),
                   std::make_move_iterator(back.end()));
        back.clear();
        std::stable_sort(own.begin(), own.end(), TranslationRanking::better);
    } else if (ownFound && !back.empty()) {
        // Elsewhere the opposite dictionary tells which of the own entry's
        // translations mean the word first: German "Hand" gives hand first,
        // "Blatt" leaf.
        const Key opposite{key.second, key.first};
        const std::string folded = foldCase(word, key.first == "turkish");
        // Where the opposite dictionary tells a verb's gloss ("to go") from
        // the noun's ("go"), a candidate means the word's commoner use
        // first: Hungarian megy, not alku (a go, a deal), for "go".
        const Use gloss = glossOf(folded, back, use);
        if (gloss != Use::Any)
            std::stable_partition(back.begin(), back.end(), [&](const Scored &row) {
                return isVerbGloss(foldCase(row.pair.source, false)) == (gloss == Use::Verb);
            });
        TranslationRanking::backTranslated(
            own, back,
            [&](const std::string &candidate) {
                // How common the candidate is breaks ties between the
                // candidates that mean the word first ("Hand", "Uhrzeiger").
                const double place = backPlace(opposite, candidate, folded, gloss);
                return (place < 0 ? TranslationRanking::kNoBackPlace : place) -
                       commonness(key.second, candidate, {}) * TranslationRanking::kCommonWeight;
            },
            key.second == "turkish", hasFlatEntry(key, word, kUnorderedListSenses));
        back.clear();
    }

    // Entries differ in letter case ("Kuş" against "kuş"); a pair the other
    // way round that differs only so is the same pair.
    const bool turkishSource = key.first == "turkish";
    const bool turkishTranslation = key.second == "turkish";
    std::vector<TranslationPair> pairs;
    std::vector<TranslationPair> seen;
    bool backWhole = false;
    const auto take = [&](Scored &row, bool fromBack) {
        TranslationPair folded{foldCase(row.pair.source, turkishSource),
                               foldCase(row.pair.translation, turkishTranslation)};
        if (pairs.size() >= maxPairs || std::find(seen.begin(), seen.end(), folded) != seen.end())
            return;
        seen.push_back(std::move(folded));
        pairs.push_back(std::move(row.pair));
        backWhole = backWhole || (fromBack && row.tier == 0);
    };
    for (Scored &row : own)
        take(row, !ownFound);
    for (Scored &row : back)
        take(row, true);
    if (whole != nullptr)
        *whole = ownFound || backWhole;
    return pairs;
}

Translator::Use Translator::commonerUse(std::string_view word) const
{
    const EnglishFrequency &counts = englishFrequency();
    const std::uint32_t asVerb = counts.count(word, DictEntry::PartOfSpeech::Verb);
    const std::uint32_t asOther = counts.count(word, DictEntry::PartOfSpeech::Unknown);
    if (asVerb == asOther)
        return Use::Any;
    return asVerb > asOther ? Use::Verb : Use::Other;
}

void Translator::weighUse(Use use, std::vector<Scored> &own, std::vector<Scored> &back)
{
    // A row whose entry is marked as another part of speech costs this
    // much: "fish" gives fiŝo before fiŝi (to fish), "fire" fogo before
    // demitir (to fire someone).
    if (use == Use::Any)
        return;
    const auto weigh = [&](std::vector<Scored> &rows) {
        bool moved = false;
        for (Scored &row : rows) {
            if (row.partOfSpeech == DictEntry::PartOfSpeech::Unknown ||
                row.partOfSpeech == DictEntry::PartOfSpeech::Adverb ||
                (row.partOfSpeech == DictEntry::PartOfSpeech::Verb) == (use == Use::Verb))
                continue;
            row.penalty = kOtherUsePenalty;
            row.score += kOtherUsePenalty;
            moved = true;
        }
        if (moved)
            std::stable_sort(rows.begin(), rows.end(), TranslationRanking::better);
    };
    weigh(own);
    weigh(back);
}

Translator::Use Translator::glossOf(std::string_view word, const std::vector<Scored> &back, Use use)
{
    const std::string verb = "to " + std::string(word);
    if (std::none_of(back.begin(), back.end(),
                     [&](const Scored &row) { return foldCase(row.pair.source, false) == verb; }))
        return Use::Any;
    return use;
}

double Translator::backPlace(const Key &key, std::string_view candidate, std::string_view folded,
                             Use gloss) const
{
    // As the dictionary writes them: its entries in file order, each one's
    // translations in order (a ranking of its own would put the commonest
    // first, whatever it means), a flat list's places at their share.
    const auto found = dictionaries_.find(key);
    if (found == dictionaries_.end())
        return -1;
    int place = 0;
    for (const auto &dictionary : found->second) {
        try {
            std::vector<DictEntry> entries;
            for (const std::string &spelling : spellings(key.first, candidate))
                for (DictEntry &entry : dictionary->lookup(spelling))
                    entries.push_back(std::move(entry));
            for (const DictEntry &entry : entries) {
                if (entry.secondary)
                    continue;
                const std::vector<DictEntry::Translation> &all = entry.translations;
                for (std::size_t i = 0; i < all.size(); ++i, ++place) {
                    const std::string text = foldCase(DataSpelling::mended(key.second, all[i].text),
                                                      key.second == "turkish");
                    const bool wanted =
                        gloss == Use::Any || isVerbGloss(text) == (gloss == Use::Verb);
                    if (!wanted || withoutTo(text) != folded)
                        continue;
                    // Words in alphabetical order ("hand, laborer, ...,
                    // workman" for ouvrier) are in no order: the word stands,
                    // as far as anyone knows, in the middle of them.
                    const auto sameLine = [&](const DictEntry::Translation &other) {
                        return other.sense == all[i].sense;
                    };
                    const auto lineStart = std::find_if(all.begin(), all.end(), sameLine);
                    const auto unordered =
                        std::count_if(all.begin(), all.end(), [&](const auto &other) {
                            return sameLine(other) && other.place == 0;
                        });
                    const double at = unordered > 1
                                          ? double(place) - double(all.begin() + i - lineStart) +
                                                double(unordered - 1) / 2
                                          : double(place);
                    return entry.isFlatList() ? at * TranslationRanking::kFlatPlaceShare : at;
                }
            }
        } catch (const std::runtime_error &) {
            continue;
        }
    }
    return -1;
}

bool Translator::isHeadword(const std::string &language, std::string_view word) const
{
    for (const auto &[key, list] : dictionaries_) {
        if (key.first != language)
            continue;
        for (const std::string &spelling : spellings(language, word)) {
            for (const auto &dictionary : list) {
                try {
                    const std::vector<DictEntry> entries = dictionary->lookup(spelling);
                    if (std::any_of(entries.begin(), entries.end(),
                                    [](const DictEntry &entry) { return !entry.secondary; }))
                        return true;
                } catch (const std::runtime_error &) {
                    continue;
                }
            }
        }
    }
    return false;
}

bool Translator::hasFlatEntry(const Key &key, std::string_view word, std::uint16_t senses) const
{
    const auto found = dictionaries_.find(key);
    if (found == dictionaries_.end())
        return false;
    for (const std::string &spelling : spellings(key.first, word)) {
        for (const auto &dictionary : found->second) {
            try {
                const std::vector<DictEntry> entries = dictionary->lookup(spelling);
                if (std::any_of(entries.begin(), entries.end(), [&](const DictEntry &entry) {
                        return entry.isFlatList() && entry.senses >= senses;
                    }))
                    return true;
            } catch (const std::runtime_error &) {
                continue;
            }
        }
    }
    return false;
}

bool Translator::phraseHeadword(const Key &key, std::string_view phrase) const
{
    // The pair's own dictionary, or the one into English a pivot starts from:
    // asking every dictionary of the language would cost a text of eighty
    // words hundreds of lookups.
    for (const Key &asked : {key, Key{key.first, "english"}}) {
        const auto found = dictionaries_.find(asked);
        if (found == dictionaries_.end())
            continue;
        for (const auto &dictionary : found->second) {
            try {
                if (!dictionary->lookup(phrase).empty())
                    return true;
            } catch (const std::runtime_error &) {
                continue;
            }
        }
    }
    return false;
}

bool Translator::answers(const Key &key) const
{
    return dictionaries_.contains(key) || dictionaries_.contains({key.second, key.first});
}

std::vector<TranslationPair> Translator::translateForm(const Key &key, std::string_view word,
                                                       std::size_t maxPairs, bool *whole) const
{
    std::vector<TranslationPair> phrases = bothWays(key, word, true, maxPairs, whole);
    if (*whole)
        return phrases;
    // Through English where the pair's own (often small) dictionaries lack
    // the word or give only phrases holding it; those phrases come after.
    std::vector<TranslationPair> pairs = throughEnglish(key, word, maxPairs);
    // A language without English dictionaries goes through the one it has.
    if (pairs.empty()) {
        bool bridged = false;
        pairs = throughBridge(key, word, maxPairs, &bridged);
    }
    *whole = !pairs.empty();
    for (TranslationPair &pair : phrases)
        if (pairs.size() < maxPairs)
            addUnique(pairs, std::move(pair));
    return pairs;
}

bool Translator::isVerb(const std::string &language, std::string_view word) const
{
    const bool turkish = language == "turkish";
    if (turkish && looksLikeInfinitive(language, word) != true)
        return false;
    const std::vector<Scored> own = direct({language, "english"}, word);
    if (own.empty())
        return false;
    const std::string first = foldCase(own.front().pair.translation, false);
    if (turkish)
        return englishFrequency().count(withoutTo(first), DictEntry::PartOfSpeech::Verb) > 0;
    return isVerbGloss(first) || std::any_of(own.begin(), own.end(), [&](const Scored &row) {
               return row.pair.source == word && row.partOfSpeech == DictEntry::PartOfSpeech::Verb;
           });
}

std::vector<TranslationPair> Translator::throughEnglish(const Key &key, std::string_view word,
                                                        std::size_t maxPairs) const
{
    // Inverse consultation: the English words of the word's entry lead to
    // candidates in the target language, and each candidate is scored by
    // how many of those English words (and how early) its own entry towards
    // English gives too. Following the first English word alone would take
    // its other meanings along ("ekmek": bread, but also to plant, and a
    // plant is a factory). Backwards only whole translations count: a
    // phrase holding the word would be passed on as if it meant it.
    const Key toEnglish{key.first, "english"};
    const Key fromEnglish{"english", key.second};
    const Key backToEnglish{key.second, "english"};
    if (key.first == "english" || key.second == "english" || !answers(toEnglish) ||
        !answers(fromEnglish))
        return {};
    const auto englishWords = [&](const Key &pair, std::string_view from, std::size_t most) {
        std::vector<std::pair<std::string, std::string>> words; // folded, as written
        for (const TranslationPair &step : bothWays(pair, from, false, most)) {
            std::string folded = withoutTo(foldCase(step.translation, false));
            if (std::none_of(words.begin(), words.end(),
                             [&](const auto &w) { return w.first == folded; }))
                words.emplace_back(std::move(folded), step.source);
        }
        return words;
    };
    const std::size_t reach = hasFlatEntry(toEnglish, word) ? kLongListWords : kPivotWords;
    const auto english = englishWords(toEnglish, word, reach);
    struct Candidate
    {
        TranslationPair pair;
        double path = 0;      // where it first stood: English word, then row
        double agreement = 0; // the English words both entries share
    };
    std::vector<Candidate> candidates;
    const bool turkish = key.second == "turkish";
    // A verb asks for a verb: a candidate of another form than the target's
    // infinitives ("kouř", smoke) comes after those of a verb's form
    // ("kouřit", "pít").
    const bool verb = isVerb(key.first, word);
    // Whether the word's first English word is its first meaning.
    const bool firstMeans = !verb && looksLikeInfinitive(key.first, word) != true;
    for (std::size_t i = 0; i < english.size(); ++i) {
        const std::vector<TranslationPair> second =
            bothWays(fromEnglish, english[i].first, false,
                     i < kPivotWords ? kPivotCandidates : kLaterCandidates);
        for (std::size_t j = 0; j < second.size(); ++j) {
            const std::string folded = foldCase(second[j].translation, turkish);
            const auto same =
                std::find_if(candidates.begin(), candidates.end(), [&](const auto &c) {
                    return foldCase(c.pair.translation, turkish) == folded;
                });
            if (same == candidates.end())
                candidates.push_back({{english[i].second, second[j].translation},
                                      double(i) + double(j) * kPivotRowWeight +
                                          (verb && looksLikeInfinitive(key.second, folded) == false
                                               ? kPivotOtherFormPenalty
                                               : 0.0)});
        }
    }
    if (answers(backToEnglish)) {
        for (Candidate &candidate : candidates) {
            const auto back = englishWords(backToEnglish, candidate.pair.translation, reach);
            for (std::size_t k = 0; k < back.size(); ++k)
                for (std::size_t i = 0; i < english.size(); ++i)
                    if (english[i].first == back[k].first)
                        candidate.agreement +=
                            1.0 + 0.5 / double((1 + i) * (1 + k)) +
                            (firstMeans && i == 0 && k == 0 ? kFirstMeaningWeight : 0.0);
            // Of candidates that agree alike, the commoner word ("chien":
            // Hund before Gerüstklammer, a scaffold's dog).
            candidate.path -=
                kPivotCommonWeight * commonness(key.second, candidate.pair.translation,
                                                DictEntry::PartOfSpeech::Unknown);
        }
    }
    // The English–Croatian file lists a word's forms beside it ("glava,
    // glave, glavi"): a candidate that is only an inflected form of another
    // one gives that word its votes and goes.
    std::vector<bool> merged(candidates.size(), false);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::string &form = candidates[i].pair.translation;
        if (!morphology_->inflected(key.second, form))
            continue;
        for (const std::string &stem : morphology_->stems(key.second, form)) {
            const std::string folded = foldCase(stem, turkish);
            const auto lemma =
                std::find_if(candidates.begin(), candidates.end(), [&](const Candidate &c) {
                    return foldCase(c.pair.translation, turkish) == folded;
                });
            if (lemma == candidates.end() || merged[lemma - candidates.begin()])
                continue;
            lemma->agreement += candidates[i].agreement;
            lemma->path = std::min(lemma->path, candidates[i].path);
            merged[i] = true;
            break;
        }
    }
    std::vector<Candidate> kept;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (!merged[i])
            kept.push_back(std::move(candidates[i]));
    candidates = std::move(kept);
    // A word other candidates are compounds of ("zon" of "zonneschijn",
    // "zonnig") is the plain one they build on.
    for (Candidate &candidate : candidates) {
        const std::string folded = foldCase(candidate.pair.translation, turkish);
        const auto compounds =
            std::count_if(candidates.begin(), candidates.end(), [&](const Candidate &other) {
                return TranslationRanking::isCompoundOf(foldCase(other.pair.translation, turkish),
                                                        folded);
            });
        candidate.agreement +=
            static_cast<double>(std::min<std::ptrdiff_t>(compounds, kPivotMaxCompounds)) *
            kPivotCompoundWeight;
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) {
                         return a.path - kAgreementWeight * a.agreement <
                                b.path - kAgreementWeight * b.agreement;
                     });
    std::vector<TranslationPair> pairs;
    for (Candidate &candidate : candidates)
        if (pairs.size() < maxPairs)
            addUnique(pairs, std::move(candidate.pair));
    return pairs;
}

std::string Translator::bridgeFor(const std::string &language) const
{
    if (language == "english" || answers({language, "english"}))
        return {};
    for (const auto &[key, list] : dictionaries_) {
        const std::string &other = key.first == language ? key.second : key.first;
        if ((key.first == language || key.second == language) && answers({other, "english"}))
            return other;
    }
    return {};
}

std::vector<TranslationPair> Translator::throughBridge(const Key &key, std::string_view word,
                                                       std::size_t maxPairs, bool *whole) const
{
    // Only whole translations are passed on, as through English.
    std::vector<TranslationPair> pairs;
    const std::string fromBridge = bridgeFor(key.first);
    const std::string toBridge = bridgeFor(key.second);
    bool ignored = false;
    if (!fromBridge.empty() && fromBridge != key.second) {
        for (const TranslationPair &step :
             bothWays({key.first, fromBridge}, word, false, kPivotWords)) {
            for (TranslationPair &second :
                 translateForm({fromBridge, key.second}, step.translation, maxPairs, &ignored)) {
                if (pairs.size() >= maxPairs)
                    return pairs;
                addUnique(pairs, {step.source, std::move(second.translation)});
            }
        }
    } else if (!toBridge.empty() && toBridge != key.first) {
        for (const TranslationPair &step :
             translateForm({key.first, toBridge}, word, kPivotWords, &ignored)) {
            for (TranslationPair &second :
                 bothWays({toBridge, key.second}, step.translation, false, maxPairs)) {
                if (pairs.size() >= maxPairs)
                    return pairs;
                addUnique(pairs, {step.source, std::move(second.translation)});
            }
        }
    }
    *whole = !pairs.empty();
    return pairs;
}

std::vector<TranslationPair> Translator::translate(std::string_view fromCode,
                                                   std::string_view toCode, std::string_view word,
                                                   std::size_t maxPairs) const
{
    const SiteLanguage *from = findSiteLanguage(fromCode);
    const SiteLanguage *to = findSiteLanguage(toCode);
    const std::string trimmed(trimBlanks(word));
    if (from == nullptr || to == nullptr || trimmed.empty() || maxPairs == 0 ||
        !serves(fromCode, toCode))
        return {};
    const Key key{std::string(from->code), std::string(to->code)};
    // The form as typed wins: "news" is not "new", "glasses" not "glass".
    // Phrases that merely hold it ("evden eve" for "evden") come last.
    bool whole = false;
    std::vector<TranslationPair> typed = translateForm(key, trimmed, maxPairs, &whole);
    if (whole) {
        // Found only as some other entries' translation, an inflected form
        // gives its stem's own entries first ("kitaplar": book before the
        // entries that translate to the plural, "literature"). A headword of
        // any dictionary from the language is a word of its own (Dutch
        // "huis" to German, through English): no stems, and no wait for
        // Hunspell.
        if (!direct(key, trimmed).empty() || isHeadword(key.first, trimmed) ||
            !morphology_->inflected(key.first, trimmed))
            return typed;
        std::vector<TranslationPair> pairs;
        for (const std::string &stem : morphology_->stems(key.first, trimmed))
            for (Scored &row : direct(key, stem))
                if (pairs.size() < maxPairs)
                    addUnique(pairs, std::move(row.pair));
        for (const TranslationPair &pair : typed)
            if (pairs.size() < maxPairs)
                addUnique(pairs, pair);
        return pairs;
    }

    // Otherwise every dictionary form the source language's morphology
    // gives, in its order. One the pair's own dictionary has is taken from
    // there alone: reading the opposite dictionary backwards costs a scan of
    // all its translations, and each form would pay it again.
    std::vector<TranslationPair> pairs;
    for (const std::string &stem : morphology_->stems(key.first, trimmed)) {
        std::vector<TranslationPair> found;
        for (Scored &row : direct(key, stem))
            addUnique(found, std::move(row.pair));
        if (found.empty())
            found = translateForm(key, stem, maxPairs, &whole);
        for (TranslationPair &pair : found) {
            if (pairs.size() >= maxPairs)
                return pairs;
            addUnique(pairs, std::move(pair));
        }
    }
    if (!pairs.empty())
        return pairs;
    // Guessed stems are mostly not words: the first one with an entry of
    // its own is the one.
    for (const std::string &guess : morphology_->guesses(key.first, trimmed)) {
        pairs = translateForm(key, guess, maxPairs, &whole);
        if (whole)
            return pairs;
    }
    return typed;
}

std::vector<TranslatedPiece> Translator::translateText(std::string_view fromCode,
                                                       std::string_view toCode,
                                                       std::string_view text) const
{
    // The text as words and the runs between them.
    std::vector<TranslatedPiece> tokens;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && isWordByte(text[end]))
            ++end;
        const bool word = end > i;
        if (!word)
            while (end < text.size() && !isWordByte(text[end]))
                ++end;
        tokens.push_back({std::string(text.substr(i, end - i)), word, std::nullopt});
        i = end;
    }
    const SiteLanguage *from = findSiteLanguage(fromCode);
    const SiteLanguage *to = findSiteLanguage(toCode);
    const Key key = from != nullptr && to != nullptr
                        ? Key{std::string(from->code), std::string(to->code)}
                        : Key{};
    std::vector<TranslatedPiece> pieces;
    std::size_t words = 0;
    for (std::size_t k = 0; k < tokens.size();) {
        if (!tokens[k].word) {
            pieces.push_back(std::move(tokens[k++]));
            continue;
        }
        if (++words > kMaxTextWords) {
            pieces.push_back(std::move(tokens[k++]));
            continue;
        }
        // The longest run of words parted by single blanks that a dictionary
        // from the language has as a headword goes as one piece ("good
        // morning"); otherwise the word alone.
        std::size_t last = k;
        std::optional<std::string> found;
        if (!key.first.empty()) {
            std::size_t reach = k;
            for (std::size_t n = 1; n < kMaxPhraseWords && reach + 2 < tokens.size() &&
                                    tokens[reach + 1].text == " " && tokens[reach + 2].word;
                 ++n)
                reach += 2;
            for (; reach > k && !found; reach -= 2) {
                std::string phrase;
                for (std::size_t t = k; t <= reach; ++t)
                    phrase += tokens[t].text;
                if (!phraseHeadword(key, phrase))
                    continue;
                if (const auto pairs = translate(fromCode, toCode, phrase, 1); !pairs.empty()) {
                    found = pairs.front().translation;
                    last = reach;
                }
            }
        }
        if (!found) {
            if (const auto pairs = translate(fromCode, toCode, tokens[k].text, 1); !pairs.empty())
                found = pairs.front().translation;
        }
        TranslatedPiece piece{{}, true, std::move(found)};
        for (std::size_t t = k; t <= last; ++t)
            piece.text += tokens[t].text;
        words += (last - k) / 2;
        pieces.push_back(std::move(piece));
        k = last + 1;
    }
    return pieces;
}

bool Translator::serves(std::string_view fromCode, std::string_view toCode) const
{
    const SiteLanguage *from = findSiteLanguage(fromCode);
    const SiteLanguage *to = findSiteLanguage(toCode);
    if (from == nullptr || to == nullptr)
        return false;
    const std::string f(from->code);
    const std::string t(to->code);
    if (answers({f, t}) || (answers({f, "english"}) && answers({"english", t})))
        return true;
    const std::string fromBridge = bridgeFor(f);
    const std::string toBridge = bridgeFor(t);
    return (!fromBridge.empty() && fromBridge != t && serves(fromBridge, t)) ||
           (!toBridge.empty() && toBridge != f && serves(f, toBridge));
}

std::vector<std::string> Translator::directPairs() const
{
    std::vector<std::string> names;
    for (const auto &[key, dictionaries] : dictionaries_)
        names.push_back(key.first + ">" + key.second);
    return names;
}

} // namespace vorlinda::site
