#include "issuer/linkrules.h"

#include "issuer/ports.h"
#include "issuer/trim.h"

namespace issuer {

namespace {
QString lastTrimmed(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : trimmed(lines.last());
}
} // namespace

LinkVerdict evaluateLink(const QStringList &statusLines, int repliesCounted)
{
    const QString last = lastTrimmed(statusLines).left(4);
    if (last == QLatin1String("0501") ||
        (!statusLines.isEmpty() && repliesCounted > 0 && last == QLatin1String("0500")))
        return LinkVerdict::Up;
    if (!statusLines.isEmpty() && repliesCounted > 0) {
        for (qsizetype i = 0; i < qMin<qsizetype>(2, statusLines.size()); ++i) {
            if (trimmed(statusLines.at(i)).startsWith(QLatin1String("0501")))
                return LinkVerdict::ReplyNormal;
        }
    }
    return LinkVerdict::NotConfirmed;
}

FrameCountStep frameCountStep(int framesSent, int repliesCounted, bool linkUp)
{
    FrameCountStep step;
    if (framesSent == 3)
        step.pane = FrameCountStep::Pane::Sending;
    else if (framesSent == 10 && repliesCounted == 0)
        step.pane = FrameCountStep::Pane::NotAnIssuer;
    else if (framesSent == 15 && (repliesCounted == 0 || !linkUp)) {
        step.pane = FrameCountStep::Pane::GiveUp;
        step.askOperator = true;
    }
    step.nextPort = repliesCounted == 0;
    return step;
}

bool linkLost(const QStringList &portsNow, const QStringList &portsAtLink, int linkedPort)
{
    if (portsNow.isEmpty())
        return true;
    if (lastTrimmed(portsNow) != lastTrimmed(portsAtLink))
        return true;
    for (const QString &name : portsNow) {
        if (portNumber(name) == linkedPort)
            return false;
    }
    return true;
}

QStringList portQueue(const QStringList &ports, const QString &current)
{
    const QString wanted = trimmed(current);
    for (qsizetype i = 0; i < ports.size(); ++i) {
        if (trimmed(ports.at(i)) == wanted)
            return ports.mid(i) + ports.mid(0, i);
    }
    return ports;
}

} // namespace issuer
