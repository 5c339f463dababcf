#include "common/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPair>
#include <QPushButton>
#include <QQueue>
#include <optional>

namespace {
struct Script
{
    bool active = false;
    QQueue<Dialogs::Button> answers;
    QQueue<QPair<QString, QString>> files; // name and the chosen type's pattern
    QList<Dialogs::Shown> shown;
    std::function<void(const Dialogs::Shown &)> unexpected;
    std::function<void(const Dialogs::Shown &)> hook;
    QString title = QStringLiteral("Velmora");
};

Script &script()
{
    static Script s;
    return s;
}

void record(const Dialogs::Shown &s)
{
    script().shown.append(s);
    if (script().hook)
        script().hook(s);
}

QString qtFilter(const QString &filter)
{
    // "desc|pattern|desc|pattern" → "desc (pattern);;desc (pattern)"
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts.at(i);
        if (!desc.contains(parts.at(i + 1)))
            desc += QStringLiteral(" (") + parts.at(i + 1) + QLatin1Char(')');
        out << desc;
    }
    return out.join(QStringLiteral(";;"));
}

// A file dialog while the answers are scripted: recorded, and answered with the next queued
// name (none queued: the unexpected-box handler runs and the answer is empty). Nothing while
// real dialogs are shown.
std::optional<QString> scriptedFile(const Dialogs::Shown &s, QString *pattern = nullptr)
{
    if (!script().active)
        return std::nullopt;
    record(s);
    if (script().files.isEmpty()) {
        if (script().unexpected)
            script().unexpected(s);
        return QString();
    }
    const auto [name, chosenPattern] = script().files.dequeue();
    if (pattern)
        *pattern = chosenPattern;
    return name;
}

// The pattern of a Qt filter entry: "Excel 2007(*.xlsx)" gives "*.xlsx".
QString patternOf(const QString &qtFilterEntry)
{
    const qsizetype open = qtFilterEntry.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtFilterEntry.lastIndexOf(QLatin1Char(')'));
    return open >= 0 && close > open ? qtFilterEntry.mid(open + 1, close - open - 1).trimmed()
                                     : QString();
}

} // namespace

Dialogs::Button Dialogs::box(const QString &text, const QString &caption, Buttons buttons,
                             Icon icon, QWidget *parent)
{
    Shown s;
    s.kind = Shown::Box;
    s.text = text;
    s.caption = caption;
    s.buttons = buttons;
    s.icon = icon;
    if (script().active) {
        record(s);
        if (script().answers.isEmpty()) {
            if (script().unexpected)
                script().unexpected(s);
            return buttons == OkOnly ? Ok : (buttons == YesNo ? No : Cancel);
        }
        return script().answers.dequeue();
    }

    QMessageBox mb(parent);
    mb.setText(text);
    mb.setWindowTitle(caption);
    switch (icon) {
    case Information:
        mb.setIcon(QMessageBox::Information);
        break;
    case Warning:
        mb.setIcon(QMessageBox::Warning);
        break;
    case Critical:
        mb.setIcon(QMessageBox::Critical);
        break;
    case Question:
        mb.setIcon(QMessageBox::Question);
        break;
    case NoIcon:
        break;
    }
    QPushButton *ok = nullptr, *cancel = nullptr, *yes = nullptr, *no = nullptr;
    switch (buttons) {
    case OkOnly:
        ok = mb.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        break;
    case OkCancel:
        ok = mb.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        cancel = mb.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        break;
    case YesNo:
        yes = mb.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        no = mb.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        break;
    }
    mb.exec();
    QAbstractButton *clicked = mb.clickedButton();
    if (clicked && clicked == ok)
        return Ok;
    if (clicked && clicked == yes)
        return Yes;
    if (clicked && clicked == cancel)
        return Cancel;
    if (clicked && clicked == no)
        return No;
    return buttons == OkOnly ? Ok : (buttons == YesNo ? No : Cancel);
}

void Dialogs::message(const QString &text, QWidget *parent)
{
    box(text, script().title, OkOnly, Information, parent);
}

void Dialogs::error(const QString &text, QWidget *parent)
{
    box(text, script().title, OkOnly, Critical, parent);
}

QString Dialogs::saveFileName(const QString &title, const QString &filter,
                              const QString &defaultName, QWidget *parent, QString *chosenPattern)
{
    Shown s;
    s.kind = Shown::SaveFile;
    s.text = title;
    s.caption = filter;
    s.defaultName = defaultName;
    if (const std::optional<QString> scripted = scriptedFile(s, chosenPattern))
        return *scripted;
    QString selected;
    const QString name = QFileDialog::getSaveFileName(parent, title, defaultName, qtFilter(filter),
                                                      &selected, QFileDialog::DontConfirmOverwrite);
    if (chosenPattern)
        *chosenPattern = patternOf(selected);
    return name;
}

QString Dialogs::openFileName(const QString &title, const QString &filter, QWidget *parent)
{
    Shown s;
    s.kind = Shown::OpenFile;
    s.text = title;
    s.caption = filter;
    if (const std::optional<QString> scripted = scriptedFile(s))
        return *scripted;
    return QFileDialog::getOpenFileName(parent, title, QString(), qtFilter(filter));
}

void Dialogs::setApplicationTitle(const QString &title)
{
    script().title = title;
}
QString Dialogs::applicationTitle()
{
    return script().title;
}

void Dialogs::beginScript()
{
    Script &s = script();
    s.active = true;
    s.answers.clear();
    s.files.clear();
    s.shown.clear();
}

void Dialogs::endScript()
{
    script().active = false;
    script().answers.clear();
    script().files.clear();
}

bool Dialogs::scripted()
{
    return script().active;
}
void Dialogs::queueAnswer(Button answer)
{
    script().answers.enqueue(answer);
}
void Dialogs::queueFile(const QString &fileName, const QString &chosenPattern)
{
    script().files.enqueue({fileName, chosenPattern});
}
int Dialogs::pendingAnswers()
{
    return int(script().answers.size());
}
int Dialogs::pendingFiles()
{
    return int(script().files.size());
}
const QList<Dialogs::Shown> &Dialogs::shown()
{
    return script().shown;
}
void Dialogs::clearShown()
{
    script().shown.clear();
}

void Dialogs::setUnexpectedHandler(std::function<void(const Shown &)> handler)
{
    script().unexpected = std::move(handler);
}

void Dialogs::setShowHook(std::function<void(const Shown &)> hook)
{
    script().hook = std::move(hook);
}
