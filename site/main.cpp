// vorlinda-site: our stand-in for the dictionary site and the vendor's site.
#include "dict/ApertiumLexicon.h"
#include "server/IndexBuildProcess.h"
#include "server/LogQueue.h"
#include "server/ProcessSetup.h"
#include "server/SiteOptions.h"
#include "server/SiteServer.h"
#include "text/SiteLanguages.h"
#include "web/FeedbackStore.h"
#include "web/SiteResponder.h"
#include "web/Translator.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <vector>

using namespace vorlinda::site;

namespace {

// Clients the site is made to hold at once, most of them idle.
constexpr std::size_t kConnections = 10000;
// On SIGTERM, requests in progress get this long to be answered.
constexpr std::chrono::milliseconds kStopGrace{1500};

// Builds every missing or stale index of the dictionaries, then says how
// long that took and how large they are.
int buildIndexes(const SiteOptions &options, const Translator &translator)
{
    const std::filesystem::path directory = options.indexDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    // Each folder of the cache names the dictionaries it indexes; those of
    // dictionaries gone (a test's, say) go too.
    std::ofstream(directory / "dictionaries") << options.dictionaries.string();
    for (const auto &folder : std::filesystem::directory_iterator(options.cache, ignored)) {
        std::string source;
        std::getline(std::ifstream(folder.path() / "dictionaries"), source);
        if (!source.empty() && !std::filesystem::exists(source, ignored))
            std::filesystem::remove_all(folder.path(), ignored);
    }
    // What a build cut short left behind ("x.vsi.part1234"), its builder gone.
    for (const auto &file : std::filesystem::directory_iterator(directory, ignored)) {
        const std::string name = file.path().filename().string();
        const std::size_t part = name.rfind(".part");
        if (part != std::string::npos &&
            ::kill(static_cast<pid_t>(std::atoi(name.c_str() + part + 5)), 0) != 0)
            std::filesystem::remove(file.path(), ignored);
    }
    const auto start = std::chrono::steady_clock::now();
    int built = 0;
    try {
        translator.buildIndexes(directory, [&built](const std::string &file) {
            ++built;
            std::cout << "vorlinda-site: built " << file << std::endl;
        });
    } catch (const std::exception &error) {
        std::cerr << "vorlinda-site: cannot build the indexes in " << directory.string() << ": "
                  << error.what() << "\n";
        return 1;
    }
    std::uintmax_t bytes = 0;
    int files = 0;
    const auto count = [&](const std::filesystem::path &file) {
        const std::uintmax_t size = std::filesystem::file_size(file, ignored);
        if (!ignored) {
            bytes += size;
            ++files;
        }
    };
    count(options.cache / "english-frequency.vsi");
    for (const auto &file : std::filesystem::directory_iterator(directory, ignored))
        if (file.path().extension() == ".vsi")
            count(file.path());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("vorlinda-site: %d indexes in %s, %.1f MiB; %d built in %.1f s\n", files,
                options.cache.c_str(), static_cast<double>(bytes) / (1024 * 1024), built, seconds);
    return 0;
}

// Languages FreeDict leaves without English dictionaries (Romanian) come
// from Apertium's lexicons, which Debian installs beside the dictionaries
// (/usr/share/apertium next to /usr/share/dictd): made into dictionaries of
// the cache once, then read like FreeDict's.
void addApertiumDictionaries(const SiteOptions &options, Translator &translator)
{
    const std::filesystem::path apertium =
        (options.dictionaries / "..").lexically_normal() / "apertium";
    std::error_code ignored;
    if (!std::filesystem::is_directory(apertium, ignored))
        return;
    std::set<std::string> withEnglish{"english"};
    for (const std::string &pair : translator.directPairs()) {
        const std::string from = pair.substr(0, pair.find('>'));
        const std::string to = pair.substr(pair.find('>') + 1);
        if (from == "english" || to == "english")
            withEnglish.insert(from == "english" ? to : from);
    }
    const auto lacksEnglish = [&](std::string_view iso) {
        for (const SiteLanguage &language : siteLanguages())
            for (const std::string_view code : language.isoCodes)
                if (code == iso)
                    return !withEnglish.contains(std::string(language.code));
        return false;
    };
    const std::filesystem::path directory = options.cache / "apertium";
    ApertiumLexicon::prepare(
        apertium, directory,
        [&](std::string_view a, std::string_view b) { return lacksEnglish(a) || lacksEnglish(b); },
        [](const std::string &why) {
            std::cerr << "vorlinda-site: cannot read Apertium's lexicon " << why << "\n";
        },
        ApertiumLexicon::ltPrint);
    translator.addDictionaries(directory);
}

// Prints the messages the feedback page kept, one line each, for the
// operator; the first store found of those the options name.
int printFeedback(const SiteOptions &options)
{
    const std::vector<std::filesystem::path> files = options.feedbackFiles();
    for (const std::filesystem::path &file : files) {
        std::error_code missing;
        if (!std::filesystem::exists(file, missing)) {
            // The service's folder is its user's alone: say so, not "none".
            if (missing && missing != std::errc::no_such_file_or_directory) {
                std::cerr << "vorlinda-site: cannot read " << file.string() << ": "
                          << missing.message() << "\n";
                return 1;
            }
            continue;
        }
        try {
            const auto messages = FeedbackStore::read(file);
            for (const FeedbackMessage &message : messages)
                std::cout << FeedbackStore::printable(message) << '\n';
            std::cout.flush();
            std::cerr << "vorlinda-site: " << messages.size()
                      << (messages.size() == 1 ? " message in " : " messages in ") << file.string()
                      << "\n";
            return 0;
        } catch (const std::exception &error) {
            std::cerr << "vorlinda-site: " << error.what() << "\n";
            return 1;
        }
    }
    std::cerr << "vorlinda-site: no messages yet: there is no " << files.front().string() << "\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const SiteOptions options = SiteOptions::parse(arguments);
    if (options.help) {
        std::cout << SiteOptions::usage();
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "vorlinda-site: " << options.error << "\n\n" << SiteOptions::usage();
        return 2;
    }

    if (options.feedback)
        return printFeedback(options);

    auto translator = std::make_shared<Translator>(options.dictionaries);
    addApertiumDictionaries(options, *translator);
    const auto pairs = translator->directPairs();
    if (pairs.empty()) {
        std::cerr << "vorlinda-site: no FreeDict dictionaries in " << options.dictionaries
                  << "; install dict-freedict-eng-tur and dict-freedict-tur-eng (see "
                     "scripts/install-deps.sh) or point --dictionaries at them.\n";
        return 1;
    }
    if (options.buildIndex) {
        // Built for a site: ends with it, even one killed outright.
        if (const char *parent = std::getenv(IndexBuildProcess::kParentVariable)) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != std::atoi(parent))
                return 1;
        }
        return buildIndexes(options, *translator);
    }

    // Ctrl+C and SIGTERM are taken by the main thread with sigwait; every
    // thread started from here on inherits the blocked mask.
    sigset_t stopSignals = ProcessSetup::blockStopSignals();

    translator->loadMorphologyInBackground();
    LogQueue log(stderr);
    std::unique_ptr<IndexBuildProcess> builder;
    auto feedback = std::make_shared<FeedbackStore>(
        options.state / FeedbackStore::kFileName, FeedbackStore::kMaxBytes,
        [&log](const std::string &line) { log.push(line); });
    auto responder = std::make_shared<const SiteResponder>(translator, feedback);

    SiteServer server(
        responder, [&log](std::string_view line) { log.push(line); }, options.timeouts);
    for (const std::string &address : options.listenAddresses()) {
        const int port = server.listen(address, options.port);
        if (port < 0) {
            std::cerr << "vorlinda-site: "
                      << ProcessSetup::explainBindFailure(address, options.port) << "\n";
            return 1;
        }
        const bool v6 = address.find(':') != std::string::npos;
        std::cerr << "vorlinda-site: listening on http://" << (v6 ? "[" : "") << address
                  << (v6 ? "]" : "") << ":" << port << "/\n";
    }
    std::string served;
    for (const std::string &pair : pairs)
        served += (served.empty() ? "" : " ") + pair;
    std::cerr << "vorlinda-site: dictionaries in " << options.dictionaries.string() << ": "
              << served << "\n";

    if (const std::string limit = ProcessSetup::raiseDescriptorLimit(kConnections); !limit.empty())
        std::cerr << "vorlinda-site: " << limit << "\n";

    // After the lines above, which tests and scripts read whole. Until its
    // index is built, a dictionary is read as it is and answers
    // the same; the build runs in a child process and each index is taken
    // up when it is done.
    // A site started by hand reads the indexes the package built while all
    // are current (one refused later leaves its dictionary read as it is);
    // otherwise its own, where a current system index is read meanwhile.
    const auto systemIndex = options.noIndex ? std::nullopt : options.systemIndexDirectory();
    bool probing = true; // stale ones are not worth a line while choosing
    if (systemIndex && translator->openIndexes(*systemIndex, [&log, &systemIndex,
                                                              &probing](const std::string &why) {
            if (!probing)
                log.push("vorlinda-site: index of the system refused: " + why +
                         "; vorlinda-site --build-index " + systemIndex->parent_path().string() +
                         " builds it anew");
        })) {
        log.push("vorlinda-site: reading the system's indexes in " + systemIndex->string());
    } else if (!options.noIndex) {
        const std::filesystem::path directory = options.indexDirectory();
        builder = std::make_unique<IndexBuildProcess>(
            std::vector<std::string>{"/proc/self/exe", "--build-index", options.cache.string(),
                                     "--dictionaries", options.dictionaries.string()},
            [translator, &log, directory](bool built) {
                if (built)
                    translator->reopenIndexes();
                log.push(built ? "vorlinda-site: indexes ready in " + directory.string()
                               : "vorlinda-site: indexes not built in " + directory.string() +
                                     "; reading the dictionaries as they are");
            });
        IndexBuildProcess *build = builder.get();
        const bool all = translator->openIndexes(directory, [&log, build](const std::string &why) {
            log.push("vorlinda-site: index refused, building it anew: " + why);
            build->start();
        });
        if (!all && build->start())
            log.push("vorlinda-site: building the dictionaries' indexes in " + directory.string() +
                     " in the background");
    }

    probing = false;
    server.start(std::thread::hardware_concurrency());

    int signal = 0;
    sigwait(&stopSignals, &signal);
    log.push("vorlinda-site: stopping"); // standard error may be a full pipe by now
    server.stop(kStopGrace);
    return 0;
}
