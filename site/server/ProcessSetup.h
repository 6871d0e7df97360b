#pragma once

#include <signal.h>

#include <cstddef>
#include <string>

namespace vorlinda::site {

// What the site's process sets up around its server, and the words it
// says when that fails.
namespace ProcessSetup {

// Why binding `address`:`port` fails, in words a user can act on; tries
// the bind itself to learn the reason.
std::string explainBindFailure(const std::string &address, int port);

// Raises the open-file limit to the hard limit; says why in words when
// that is too low for `connections`, or an empty string.
std::string raiseDescriptorLimit(std::size_t connections);

// Blocks SIGINT and SIGTERM in this thread and every thread started from it
// on, for the main thread to take with sigwait; ignores SIGPIPE. The set of
// the blocked signals.
sigset_t blockStopSignals();

} // namespace ProcessSetup
} // namespace vorlinda::site
