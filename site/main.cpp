// vorlinda-site: our stand-in for the dictionary site and the vendor's site.
#include "server/IndexBuildProcess.h"
#include "server/IndexCache.h"
#include "server/LogQueue.h"
#include "server/ProcessSetup.h"
#include "server/SiteOptions.h"
#include "server/SiteServer.h"
#include "web/FeedbackStore.h"
#include "web/SiteResponder.h"
#include "web/Translator.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

using namespace vorlinda::site;

namespace {

// Clients the site is made to hold at once, most of them idle.
constexpr std::size_t kConnections = 10000;
// On SIGTERM, requests in progress get this long to be answered.
constexpr std::chrono::milliseconds kStopGrace{1500};

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
    IndexCache::addApertiumDictionaries(options, *translator);
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
        return IndexCache::buildAll(options, *translator);
    }

    // Ctrl+C and SIGTERM are taken by the main thread with sigwait; every
    // thread started from here on inherits the blocked mask.
    sigset_t stopSignals = ProcessSetup::blockStopSignals();

    translator->loadMorphologyInBackground();
    LogQueue log(stderr);
    IndexCache indexes(options, translator, [&log](const std::string &line) { log.push(line); });
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

    // After the lines above, which tests and scripts read whole.
    indexes.openAtStart();

    server.start(std::thread::hardware_concurrency());

    int signal = 0;
    sigwait(&stopSignals, &signal);
    log.push("vorlinda-site: stopping"); // standard error may be a full pipe by now
    server.stop(kStopGrace);
    return 0;
}
