#pragma once
// Start of the program: the single-instance test, the splash, the windows in their creation
// order, then the login window on screen.
#include <QStringList>

class SingleInstance;

namespace startup {

struct Options
{
    int splashMs = 1000;
    QString instanceName = QStringLiteral("Velmora");
};

// Shows the refusal of a second copy when a lock is held elsewhere (a copy of this user's, or
// any copy on `programDir`); false then.
bool checkSingleInstance(SingleInstance &instance, const QString &programDir = {});
// Chinese for everything the program shows, whatever the system's locale: the locale of dates,
// numbers and Qt's own widgets (calendar, file dialogs, print dialogs, context menus) and Qt's
// Simplified Chinese translations where they are installed. True when the translations loaded.
bool useChinese();
// A termination signal: the program ends as its exit does, without asking.
void endOnSignal();
// Shows the splash for the given time (the event loop keeps running).
void showSplash(int ms);
// Creates the windows in their fixed order and records the class names in `order`.
// Returns false when the program cannot go on (no database).
bool createWindows(QStringList *order = nullptr);
void destroyWindows();

} // namespace startup
