#include "shell/widgets.h"

#include "common/keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSystemTrayIcon>

EventMemo::EventMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
}

void EventMemo::addLine(const QString &line)
{
    m_lines.append(line);
    render();
    if (onChange)
        onChange();
}

void EventMemo::clearLines()
{
    m_lines.clear();
    render();
}

void EventMemo::removeFirstLines(int n)
{
    if (n <= 0)
        return;
    m_lines.erase(m_lines.begin(), m_lines.begin() + qMin<qsizetype>(n, m_lines.size()));
    render();
}

void EventMemo::removeLine(int index)
{
    if (index < 0 || index >= m_lines.size())
        return;
    m_lines.removeAt(index);
    render();
}

void EventMemo::render()
{
    QStringList shown;
    shown.reserve(m_lines.size());
    for (QString l : m_lines) {
        // A line may carry a trailing CR as part of its bytes; the display shows it as a break.
        l.replace(QLatin1Char('\r'), QString());
        shown << l;
    }
    setPlainText(shown.join(QLatin1Char('\n')));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

Lamp::Lamp(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(22, 22);
}

void Lamp::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(m_color);
    p.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

ClickLabel::ClickLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    if (isEnabled())
        emit pressed(event->button());
    QLabel::mousePressEvent(event);
    // The press is the label's own: a plain label would hand it on to the widget behind, which
    // may have a press handler of its own (the exit tab's background).
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (isEnabled() && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
    event->accept();
}

namespace {

class EventHook : public QObject
{
public:
    EventHook(QWidget *control, QEvent::Type type, std::function<bool(QEvent *)> handler)
        : QObject(control)
        , m_type(type)
        , m_handler(std::move(handler))
    {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == m_type && m_handler(event);
    }

private:
    QEvent::Type m_type;
    std::function<bool(QEvent *)> m_handler;
};

} // namespace

void onKeyPress(QWidget *control, std::function<bool(int key)> handler)
{
    new EventHook(control, QEvent::KeyPress, [handler = std::move(handler)](QEvent *event) {
        return handler(static_cast<QKeyEvent *>(event)->key());
    });
}

void onMousePress(QWidget *control, std::function<void()> handler)
{
    new EventHook(control, QEvent::MouseButtonPress, [handler = std::move(handler)](QEvent *) {
        handler();
        return true;
    });
}

void onFocusIn(QWidget *control, std::function<void()> handler)
{
    new EventHook(control, QEvent::FocusIn, [handler = std::move(handler)](QEvent *event) {
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::MouseFocusReason:
        case Qt::ShortcutFocusReason:
            handler();
            break;
        default:
            break;
        }
        return false;
    });
}

void onMouseDown(QWidget *control, std::function<void()> handler)
{
    new EventHook(control, QEvent::MouseButtonPress, [handler = std::move(handler)](QEvent *) {
        handler();
        return false;
    });
}

void onMouseUp(QWidget *control, std::function<void()> handler)
{
    new EventHook(control, QEvent::MouseButtonRelease, [handler = std::move(handler)](QEvent *) {
        handler();
        return false;
    });
}

namespace systemtray {
namespace {
std::optional<bool> answerForTests;
} // namespace

bool available()
{
    return answerForTests.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void setAvailableForTests(std::optional<bool> answer)
{
    answerForTests = answer;
}
} // namespace systemtray

void keepHexDigitsOnly(QLineEdit *field, int maxDigits)
{
    // The field's own limit would cut a paste before its other characters are dropped.
    field->setMaxLength(32767);
    QObject::connect(field, &QLineEdit::textEdited, field, [field, maxDigits](const QString &text) {
        QString kept;
        int cursor = field->cursorPosition();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (keys::isHexDigit(c))
                kept.append(c);
            else if (i < field->cursorPosition())
                --cursor;
        }
        kept.truncate(maxDigits);
        if (kept == text)
            return;
        field->setText(kept);
        field->setCursorPosition(qBound(0, cursor, int(kept.size())));
    });
}

namespace {

class EnterPressesButtons : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || mods != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (!button ||
            !(qobject_cast<QPushButton *>(button) || qobject_cast<QToolButton *>(button)))
            return false;
        if (!button->isEnabled() || !button->isVisible() || !button->hasFocus())
            return false;
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }
};

} // namespace

QPushButton *plainButton(const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

void nameControls(std::initializer_list<std::pair<QObject *, const char *>> named)
{
    for (const auto &[control, name] : named) {
        if (control && control->objectName().isEmpty())
            control->setObjectName(QLatin1String(name));
    }
}

void installEnterPressesButtons()
{
    static QPointer<EnterPressesButtons> installed;
    if (installed || !qApp)
        return;
    installed = new EnterPressesButtons(qApp);
    qApp->installEventFilter(installed);
}
