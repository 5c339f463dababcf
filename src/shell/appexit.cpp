#include "shell/appexit.h"

#include <QCoreApplication>
#include <QTimer>

namespace appexit {
namespace {
bool ended = false;
bool testMode = false;
} // namespace

void endProgram()
{
    ended = true;
    if (!testMode && QCoreApplication::instance()) {
        // Leave the event loop once the running handler has returned.
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    }
}

bool programEnded() { return ended; }
void setTestMode(bool on) { testMode = on; }
void reset() { ended = false; }

} // namespace appexit
