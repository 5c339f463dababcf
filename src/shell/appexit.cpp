#include "shell/appexit.h"

#include <QCoreApplication>
#include <QPointer>

namespace appexit {
namespace {
bool ended = false;
bool testMode = false;

// Leaves the event loop when it is deleted. It is deleted later, and Qt carries out a deferred
// deletion only when control is back in the loop the request came from: never inside a message
// box that the ending handler shows after asking to end, so the user can read that box first.
class PendingEnd : public QObject
{
public:
    ~PendingEnd() override { QCoreApplication::exit(0); }
};

QPointer<PendingEnd> pending;
} // namespace

void endProgram()
{
    ended = true;
    if (testMode || !QCoreApplication::instance() || pending)
        return;
    pending = new PendingEnd;
    pending->deleteLater();
}

bool programEnded() { return ended; }
void setTestMode(bool on) { testMode = on; }
void reset() { ended = false; }

} // namespace appexit
