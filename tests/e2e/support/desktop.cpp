#include "desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QUuid>

namespace e2e {

namespace {

Control controlFrom(const QString &window, const QJsonObject &o)
{
    Control c;
    c.window = window;
    c.name = o.value(QStringLiteral("name")).toString();
    c.cls = o.value(QStringLiteral("class")).toString();
    c.text = o.value(QStringLiteral("text")).toString();
    c.rect = QRect(o.value(QStringLiteral("x")).toInt(), o.value(QStringLiteral("y")).toInt(),
                   o.value(QStringLiteral("w")).toInt(), o.value(QStringLiteral("h")).toInt());
    c.enabled = o.value(QStringLiteral("enabled")).toBool();
    c.focus = o.value(QStringLiteral("focus")).toBool();
    c.checked = o.value(QStringLiteral("checked")).toBool();
    c.raw = o;
    return c;
}

QString windowKey(const QJsonObject &w)
{
    const QString name = w.value(QStringLiteral("name")).toString();
    return name.isEmpty() ? w.value(QStringLiteral("title")).toString() : name;
}

// Every visible control of every window (windows themselves first), in map order.
QList<Control> controls(const QJsonArray &windows)
{
    QList<Control> all;
    for (const QJsonValue &wv : windows) {
        const QJsonObject w = wv.toObject();
        const QString key = windowKey(w);
        all.append(controlFrom(key, w));
        for (const QJsonValue &cv : w.value(QStringLiteral("widgets")).toArray())
            all.append(controlFrom(key, cv.toObject()));
    }
    return all;
}

} // namespace

Desktop::Desktop()
{
    m_mapFile = QDir::temp().filePath(
        QStringLiteral("velmora-e2e-map-%1.json").arg(QUuid::createUuid().toString(QUuid::Id128)));
    // Xvfb picks a free display itself and writes its number to standard output.
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x1024x24")});
    if (!m_xvfb.waitForStarted())
        return;
    QByteArray number;
    m_ready = waitFor(
        [&] {
            number += m_xvfb.readAllStandardOutput();
            return number.endsWith('\n');
        },
        10000);
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
}

Desktop::~Desktop()
{
    for (QProcess *p : {&m_program, &m_xvfb}) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    QFile::remove(m_mapFile);
}

bool Desktop::start(const QString &program, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("VELMORA_INSTANCE"),
               QStringLiteral("velmora-e2e-") + QUuid::createUuid().toString(QUuid::Id128));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VELMORA_SCREENMAP_HOOK));
    env.insert(QStringLiteral("VELMORA_E2E_MAP"), m_mapFile);
    m_program.setProcessEnvironment(env);
    m_program.start(program, args);
    return m_program.waitForStarted();
}

QJsonArray Desktop::windows() const
{
    QFile f(m_mapFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("windows")).toArray();
}

std::optional<Control> Desktop::control(const QString &name, const QString &window) const
{
    for (const Control &c : controls(windows()))
        if (c.name == name && (window.isEmpty() || c.window == window))
            return c;
    return std::nullopt;
}

std::optional<Control> Desktop::controlWithText(const QString &cls, const QString &text,
                                                const QString &window) const
{
    for (const Control &c : controls(windows()))
        if (c.cls == cls && c.text.trimmed() == text && (window.isEmpty() || c.window == window))
            return c;
    return std::nullopt;
}

std::optional<Control> Desktop::tab(const QString &text) const
{
    for (const Control &c : controls(windows()))
        for (const QJsonValue &t : c.raw.value(QStringLiteral("tabs")).toArray())
            if (t.toObject().value(QStringLiteral("text")).toString().trimmed() == text)
                return controlFrom(c.window, t.toObject());
    return std::nullopt;
}

QString Desktop::xdotool(const QStringList &args) const
{
    QProcess x;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    x.setProcessEnvironment(env);
    x.start(QStringLiteral("xdotool"), args);
    x.waitForFinished(15000);
    return QString::fromLocal8Bit(x.readAllStandardOutput()).trimmed();
}

void Desktop::clickAt(const QPoint &p)
{
    // The pointer arrives first, as a hand's does: Qt sees it enter before the press.
    xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
             QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("click"),
             QStringLiteral("1")});
}

void Desktop::click(const Control &c)
{
    clickAt(c.rect.center());
}

void Desktop::type(const QString &text)
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

void Desktop::key(const QString &keys)
{
    xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys});
}

bool Desktop::screenshot(const QString &file) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return p.waitForFinished(20000) && p.exitCode() == 0;
}

bool Desktop::waitFor(const std::function<bool()> &until, int ms)
{
    return QTest::qWaitFor(until, ms);
}

bool Desktop::clickWhenEnabled(const QString &name, int ms)
{
    std::optional<Control> c;
    if (!waitFor([&] { return (c = control(name)) && c->enabled; }, ms))
        return false;
    click(*c);
    return true;
}

bool Desktop::typeInto(const QString &name, const QString &text, int ms, bool replace)
{
    std::optional<Control> c = control(name);
    if (!c)
        return false;
    QString expected = replace ? QString() : c->text;
    for (const QChar ch : text) {
        if (!c)
            return false;
        const QString before = c->text;
        expected += ch;
        bool arrived = false;
        for (int attempt = 0; attempt < 3 && !arrived; ++attempt) {
            type(QString(ch));
            waitFor([&] { return (c = control(name)) && c->text != before; }, qMin(ms, 1500));
            if (!c || c->text == before)
                continue; // lost: type it again
            if (c->text != expected)
                return false; // something else arrived
            arrived = true;
        }
        if (!arrived)
            return false;
    }
    return true;
}

bool Desktop::choose(const QString &name, const QString &item, int ms)
{
    std::optional<Control> box;
    if (!waitFor([&] { return (box = control(name)) && box->enabled; }, ms))
        return false;
    clickAt(QPoint(box->rect.right() - 6, box->rect.center().y())); // the arrow
    std::optional<QPoint> at;
    const bool listed = waitFor(
        [&] {
            for (const Control &c : controls(windows())) {
                if (c.cls != QLatin1String("QComboBoxListView"))
                    continue;
                for (const QJsonValue &cell : c.raw.value(QStringLiteral("cells")).toArray())
                    if (cell.toObject().value(QStringLiteral("text")).toString() == item)
                        at = controlFrom(c.window, cell.toObject()).rect.center();
            }
            return bool(at);
        },
        ms);
    if (!listed)
        return false;
    clickAt(*at);
    return waitFor([&] { return (box = control(name)) && box->text == item; }, ms);
}

bool Desktop::fill(const QString &name, const QString &text, int ms)
{
    std::optional<Control> c;
    // A click that lands while a window is still being mapped is lost: click again until the
    // field has the focus.
    QElapsedTimer clock;
    clock.start();
    std::optional<Control> focused;
    while (!focused && clock.elapsed() < ms) {
        if (!waitFor([&] { return (c = control(name)) && c->enabled; }, ms))
            return false;
        click(*c);
        waitFor([&] { return (focused = control(name)) && focused->focus; }, 1000);
        if (focused && !focused->focus)
            focused.reset();
    }
    if (!focused)
        return false;
    key(QStringLiteral("ctrl+a"));
    return typeInto(name, text, ms, true);
}

bool Desktop::pickDate(const QString &name, const QDate &date, int ms)
{
    const QString format = QStringLiteral("yyyy-MM-dd");
    std::optional<Control> edit;
    if (!waitFor([&] { return (edit = control(name)) && edit->enabled; }, ms))
        return false;
    const QDate shown = QDate::fromString(edit->text, format);
    if (!shown.isValid())
        return false;
    clickAt(QPoint(edit->rect.right() - 6, edit->rect.center().y())); // the arrow
    std::optional<Control> view;
    if (!waitFor([&] { return bool(view = control(QStringLiteral("qt_calendar_calendarview"))); },
                 ms))
        return false;
    const int months = (date.year() - shown.year()) * 12 + date.month() - shown.month();
    const QString step = months > 0 ? QStringLiteral("qt_calendar_nextmonth")
                                    : QStringLiteral("qt_calendar_prevmonth");
    for (int i = 0; i < std::abs(months); ++i) {
        const std::optional<Control> button = control(step);
        if (!button)
            return false;
        const QJsonArray before = control(QStringLiteral("qt_calendar_calendarview"))
                                      ->raw.value(QStringLiteral("rows"))
                                      .toArray();
        click(*button);
        // The grid shows the next month once the map has caught up.
        if (!waitFor(
                [&] {
                    const auto now = control(QStringLiteral("qt_calendar_calendarview"));
                    return now && now->raw.value(QStringLiteral("rows")).toArray() != before;
                },
                ms))
            return false;
    }
    // The day: a grid shows the end of the month before and the start of the month after, so a
    // day from 15 on is the last cell with its number and an earlier day the first.
    view = control(QStringLiteral("qt_calendar_calendarview"));
    std::optional<QPoint> at;
    for (const QJsonValue &cv : view->raw.value(QStringLiteral("cells")).toArray()) {
        const QJsonObject cell = cv.toObject();
        if (cell.value(QStringLiteral("row")).toInt() == 0 ||
            cell.value(QStringLiteral("text")).toString() != QString::number(date.day()))
            continue;
        if (!at || date.day() >= 15)
            at = controlFrom(QString(), cell).rect.center();
    }
    if (!at)
        return false;
    clickAt(*at);
    return waitFor([&] { return (edit = control(name)) && edit->text == date.toString(format); },
                   ms);
}

std::optional<Desktop::Box> Desktop::topBox() const
{
    std::optional<Box> top;
    for (const QJsonValue &wv : windows()) {
        const QJsonObject w = wv.toObject();
        if (w.value(QStringLiteral("class")).toString() != QLatin1String("QMessageBox"))
            continue;
        const int serial = w.value(QStringLiteral("serial")).toInt();
        if (top && top->serial > serial)
            continue;
        Box box{serial, w.value(QStringLiteral("text")).toString(), {}};
        for (const QJsonValue &cv : w.value(QStringLiteral("widgets")).toArray()) {
            const Control c = controlFrom(windowKey(w), cv.toObject());
            if (c.cls == QLatin1String("QPushButton"))
                box.buttons.append(c);
        }
        top = box;
    }
    return top;
}

std::optional<QString> Desktop::answerTop(const QString &button, int ms)
{
    std::optional<Box> box;
    if (!waitFor([&] { return bool(box = topBox()); }, ms))
        return std::nullopt;
    const Control *target = nullptr;
    for (const Control &c : box->buttons)
        if (c.text.startsWith(button))
            target = &c;
    if (!target)
        return std::nullopt;
    // A box that has just appeared may not take the first click yet: click until it is gone
    // (the next box, even with the same text, has another serial number).
    const auto gone = [&] {
        for (const QJsonValue &wv : windows())
            if (wv.toObject().value(QStringLiteral("serial")).toInt() == box->serial)
                return false;
        return true;
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        click(*target);
        if (waitFor(gone, 1500)) {
            return box->text;
        }
    }
    return std::nullopt;
}

bool Desktop::answer(const QString &text, const QString &button, int ms)
{
    std::optional<Box> box;
    if (!waitFor([&] { return (box = topBox()) && box->text.contains(text); }, ms))
        return false;
    const std::optional<QString> answered = answerTop(button, ms);
    return answered && answered->contains(text);
}

} // namespace e2e
