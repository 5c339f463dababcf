#pragma once
// The decisions of the issuer search and the link supervision, apart from the widgets that carry
// them: what a counted reply means for the link, what the frame counter does at each count, when
// the port list shows the link gone, and in which order the ports are tried.
#include <QString>
#include <QStringList>

namespace issuer {

enum class LinkVerdict {
    Up,           // "0501", or "0500" counted: the port answering is the issuer
    ReplyNormal,  // an earlier reply of this round was "0501": the issuer answers normally
    NotConfirmed, // anything else: the link lamp stays yellow
};

// statusLines: the status replies kept (oldest first); repliesCounted: the reply counter.
LinkVerdict evaluateLink(const QStringList &statusLines, int repliesCounted);

struct FrameCountStep
{
    enum class Pane { Unchanged, Sending, NotAnIssuer, GiveUp };
    Pane pane = Pane::Unchanged;
    // Close the port, stop the search and ask the operator whether to go on.
    bool askOperator = false;
    // Try the next port in a second.
    bool nextPort = false;
};

// What one change of the frame counter does. The thresholds are exact, so each message comes
// once per count from zero. Fifteen frames without a link ask the operator even when some reply
// that does not bring the link up (say "0400") was counted; otherwise such a device would keep
// the search going round for ever.
FrameCountStep frameCountStep(int framesSent, int repliesCounted, bool linkUp);

// Whether the port list read now shows that the issuer is gone: no port at all, another last
// port than at link time (whole names: COM1 and COM12 differ), or the linked port no longer
// listed wherever it stood.
bool linkLost(const QStringList &portsNow, const QStringList &portsAtLink, int linkedPort);

// The ports to try, starting with the current one: the list as it is now, rotated so that the
// current port comes first (as listed when it is gone).
QStringList portQueue(const QStringList &ports, const QString &current);

} // namespace issuer
