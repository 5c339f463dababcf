#pragma once
// The real program on a virtual display, driven as a user drives it: the X server gets the
// mouse clicks and the keys (xdotool), and a screen map written by a library preloaded into the
// program (screenmap_hook.cpp) says where each control is and what it shows.
#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

namespace e2e {

// One control as the screen map shows it.
struct Control
{
    QString window; // objectName of its window, or the window title when it has none
    QString name;
    QString cls;
    QString text;
    QRect rect; // on the screen
    bool enabled = false;
    bool focus = false;
    bool checked = false;
    QJsonObject raw; // everything else (tabs, header, rows)
};

class Desktop
{
public:
    Desktop();  // starts Xvfb on a display of its own
    ~Desktop(); // ends the program and the display

    bool ready() const { return m_ready; }

    // Starts `program` with `args` on the display, the screen map hook preloaded.
    bool start(const QString &program, const QStringList &args);
    QProcess &program() { return m_program; }

    // The screen map as written last (empty before the first one).
    QJsonArray windows() const;
    // A visible control by name, optionally only in the window `window` (objectName or title).
    std::optional<Control> control(const QString &name, const QString &window = {}) const;
    // The first visible control of class `cls` whose text, without surrounding blanks, is `text`.
    std::optional<Control> controlWithText(const QString &cls, const QString &text,
                                           const QString &window = {}) const;
    // A tab of a tab bar by its text (without surrounding blanks).
    std::optional<Control> tab(const QString &text) const;

    // Input through the X server.
    void click(const Control &c);
    void clickAt(const QPoint &p);
    void type(const QString &text);
    void key(const QString &keys); // xdotool key names: Return, Tab, ctrl+a ...
    bool screenshot(const QString &file) const;

    // Waits (event loop running) until `until` holds; false after `ms`.
    static bool waitFor(const std::function<bool()> &until, int ms);
    // Waits for the named control to be visible and enabled, then clicks it.
    bool clickWhenEnabled(const QString &name, int ms = 10000);
    // Types `text` into the focused control `name`, one character at a time, waiting for each
    // to show. xdotool types a character that the keyboard map lacks by mapping it to a spare
    // key for the moment; a program busy at that moment reads the key with the old map and
    // gets nothing, so a character that did not arrive is typed again (three times at most).
    // False when the text does not end up as expected. With `replace` the first character
    // replaces the control's selected text.
    bool typeInto(const QString &name, const QString &text, int ms = 5000, bool replace = false);
    // Opens the list of the combo box `name` with its arrow and clicks the entry `item`. True
    // when the box then shows it.
    bool choose(const QString &name, const QString &item, int ms = 10000);
    // Clicks a field and types into it (the field's text is selected first and replaced).
    bool fill(const QString &name, const QString &text, int ms = 10000);
    // Picks `date` in the calendar of the date edit `name` (display format yyyy-MM-dd) with the
    // mouse: its arrow, the month buttons, the day. True when the edit then shows the date.
    bool pickDate(const QString &name, const QDate &date, int ms = 10000);
    // The message box on top (the newest one), with its text and buttons.
    struct Box
    {
        int serial = 0;
        QString text;
        QList<Control> buttons;
    };
    std::optional<Box> topBox() const;
    // Waits for a message box, answers the one on top with the button whose text starts with
    // `button` ("是", "否", "确定") and returns its text; nothing when no box came within `ms`
    // or it has no such button.
    std::optional<QString> answerTop(const QString &button, int ms = 10000);
    // The same for a box whose text contains `text`: false when the box on top does not say it.
    bool answer(const QString &text, const QString &button, int ms = 10000);

    QString xdotool(const QStringList &args) const;

private:
    bool m_ready = false;
    QString m_display;
    QString m_mapFile;
    QProcess m_xvfb;
    QProcess m_program;
};

} // namespace e2e
