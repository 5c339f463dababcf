#pragma once
// The end of a session: SIGTERM at logout or shutdown, SIGHUP when the terminal goes, SIGINT
// (Ctrl+C). A signal only notes itself; the callback runs from the event loop, where the
// program can put the issuer back into read mode and close the database as its exit does.
#include <functional>

namespace termination {

// Installs the handlers; `onSignal` runs once per signal, from the event loop.
void handleWith(std::function<void()> onSignal);

} // namespace termination
