#pragma once
// Every modal message box and every file dialog of the program goes through here. In a test a
// script is active: answers and chosen file names are taken from queues, every box is recorded,
// and a box without a queued answer is reported to the unexpected-box handler.
#include <QList>
#include <QString>
#include <functional>

class QWidget;

class Dialogs
{
public:
    enum Button { NoButton, Ok, Cancel, Yes, No };
    enum Buttons { OkOnly, OkCancel, YesNo };
    enum Icon { NoIcon, Information, Warning, Critical, Question };

    struct Shown
    {
        enum Kind { Box, SaveFile, OpenFile } kind = Box;
        QString text;    // message text, or dialog title
        QString caption; // box caption, or the filter of a file dialog
        Buttons buttons = OkOnly;
        Icon icon = NoIcon;
        QString defaultName;
    };

    // A box with text, caption, buttons and icon; returns the button pressed (Cancel or No when
    // the box was closed without a choice).
    static Button box(const QString &text, const QString &caption, Buttons buttons = OkOnly,
                      Icon icon = NoIcon, QWidget *parent = nullptr);
    // A plain message: information box with OK under the application's title.
    static void message(const QString &text, QWidget *parent = nullptr);
    // The general error display: the failing layer's text, OK, error icon.
    static void error(const QString &text, QWidget *parent = nullptr);

    // File dialogs; an empty result means cancelled. filter uses "desc|pattern|desc|pattern".
    // chosenPattern, when given, receives the pattern of the file type the user chose ("*.xlsx").
    static QString saveFileName(const QString &title, const QString &filter,
                                const QString &defaultName, QWidget *parent = nullptr,
                                QString *chosenPattern = nullptr);
    static QString openFileName(const QString &title, const QString &filter,
                                QWidget *parent = nullptr);

    // The application's title: caption of plain messages and error boxes.
    static void setApplicationTitle(const QString &title);
    static QString applicationTitle();

    // --- script mode (tests) ---
    static void beginScript();
    static void endScript();
    static bool scripted();
    static void queueAnswer(Button answer);
    // empty = cancel the dialog; chosenPattern: the file type picked in a save dialog
    static void queueFile(const QString &fileName, const QString &chosenPattern = {});
    static int pendingAnswers();
    static int pendingFiles();
    static const QList<Shown> &shown();
    static void clearShown();
    static void setUnexpectedHandler(std::function<void(const Shown &)> handler);
    // Hook for tests that want to see boxes as they appear (for example to check state then).
    static void setShowHook(std::function<void(const Shown &)> hook);
};
