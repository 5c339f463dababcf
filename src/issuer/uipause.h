#pragma once
// A pause inside a handler: the window keeps painting and the link keeps receiving, but no user
// input reaches the program until the handler goes on.
#include <QEventLoop>
#include <QTimer>

namespace issuer {

inline void uiPause(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace issuer
