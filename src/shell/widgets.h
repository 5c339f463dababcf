#pragma once
// Small controls the windows are built from. The memo and the edits double as the program's
// event mechanism: adding a line runs the memo's change handler at once, while clearing and the
// handler's own trimming of old lines run nothing.
#include <QColor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <functional>
#include <optional>

class EventMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit EventMemo(QWidget *parent = nullptr);

    // Appends a line and runs the change handler synchronously.
    void addLine(const QString &line);
    // Empties the memo without running the change handler.
    void clearLines();
    // Removes the first n lines without running the change handler.
    void removeFirstLines(int n);
    // Removes one line (0-based) without running the change handler.
    void removeLine(int index);

    const QStringList &lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }

    std::function<void()> onChange;

private:
    void render();
    QStringList m_lines;
};

// A round lamp (a shape used as a signal light).
class Lamp : public QWidget
{
    Q_OBJECT
public:
    explicit Lamp(QWidget *parent = nullptr);
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_color = Qt::yellow;
};

// A label that reports clicks and mouse presses (status panes, exit texts, picture buttons).
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text = {}, QWidget *parent = nullptr);

signals:
    void pressed(Qt::MouseButton button);
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

class QLineEdit;

// A field for card codes: whatever the user puts in by any route (keys of any layout, paste by
// key or menu, a drop) keeps only the hexadecimal digits 0-9, A-F and a-f, at most maxDigits of
// them (the digits of a longer paste are counted after the other characters are gone). Text the
// program sets is left as it is.
void keepHexDigitsOnly(QLineEdit *field, int maxDigits);

class QPushButton;

// A push button that is never the window's default: Enter presses the focused button only.
QPushButton *plainButton(const QString &text, QWidget *parent);

// Gives each control its member name as its object name (style sheets, the widget inspector, the
// accessibility tree and the tests see the names the code uses); a control already named keeps
// its name. Written where a tab builds its controls: nameControls({NAMED(btn3), ...}).
#define NAMED(control)                                                                             \
    std::pair<QObject *, const char *>                                                             \
    {                                                                                              \
        control, #control                                                                          \
    }
void nameControls(std::initializer_list<std::pair<QObject *, const char *>> named);

// Enter (or the keypad's Enter) on a focused, enabled push or tool button presses it, in every
// window of the program, as Space does; the program moves the focus to buttons and tells the
// operator to go on with Enter. Installed once for the application; later calls do nothing.
void installEnterPressesButtons();

// Event hooks a tab's setup installs on its own controls, so that no central filter has to know
// another tab's widgets. The hook lives as long as the control.
// onKeyPress: the handler gets the key; returning true swallows the key press.
void onKeyPress(QWidget *control, std::function<bool(int key)> handler);
// onMousePress: the handler runs on a mouse press; the press is swallowed.
void onMousePress(QWidget *control, std::function<void()> handler);
// The hooks below let the event through to the control.
// onFocusIn: runs when the user moves the focus to the control (Tab, a click, a shortcut), not
// when the focus comes back after a box or with the tab page.
void onFocusIn(QWidget *control, std::function<void()> handler);
// onMouseDown / onMouseUp: run on a mouse press / release.
void onMouseDown(QWidget *control, std::function<void()> handler);
void onMouseUp(QWidget *control, std::function<void()> handler);

// Whether the desktop has a notification area to minimise into (Xvfb and a stock GNOME have
// none). Tests stand in for the desktop's answer; std::nullopt asks the desktop again.
namespace systemtray {
bool available();
void setAvailableForTests(std::optional<bool> answer);
} // namespace systemtray

namespace colors {
inline const QColor Green{0x00, 0xFF, 0x00};
inline const QColor Yellow{0xFF, 0xFF, 0x00};
inline const QColor Red{0xFF, 0x00, 0x00};
} // namespace colors
