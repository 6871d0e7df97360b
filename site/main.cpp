// vorlinda-site: our stand-in for the dictionary site and the vendor's site.
#include "LogQueue.h"
#include "SiteOptions.h"
#include "SiteResponder.h"
#include "SiteServer.h"
#include "Translator.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <thread>
#include <vector>

using namespace vorlinda::site;

namespace {

// Clients the site is made to hold at once, most of them idle.
constexpr std::size_t kConnections = 10000;
// On SIGTERM, requests in progress get this long to be answered.
constexpr std::chrono::milliseconds kStopGrace{1500};

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

    // Ctrl+C and SIGTERM are taken by the main thread with sigwait; every
    // thread started from here on inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    auto translator = std::make_shared<const Translator>(options.dictionaries);
    const auto pairs = translator->directPairs();
    if (pairs.empty()) {
        std::cerr << "vorlinda-site: no FreeDict dictionaries in " << options.dictionaries
                  << "; install dict-freedict-eng-tur and dict-freedict-tur-eng (see "
                     "scripts/install-deps.sh) or point --dictionaries at them.\n";
        return 1;
    }
    auto responder = std::make_shared<const SiteResponder>(translator);

    LogQueue log(stderr);
    SiteServer server(
        responder, [&log](std::string_view line) { log.push(line); }, options.timeouts);
    for (const std::string &address : options.listenAddresses()) {
        const int port = server.listen(address, options.port);
        if (port < 0) {
            std::cerr << "vorlinda-site: " << SiteServer::explainBindFailure(address, options.port)
                      << "\n";
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

    if (const std::string limit = SiteServer::raiseDescriptorLimit(kConnections); !limit.empty())
        std::cerr << "vorlinda-site: " << limit << "\n";
    server.start(std::thread::hardware_concurrency());

    int signal = 0;
    sigwait(&stopSignals, &signal);
    log.push("vorlinda-site: stopping"); // standard error may be a full pipe by now
    server.stop(kStopGrace);
    return 0;
}
