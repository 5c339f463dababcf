// Preloaded into the real program by the end-to-end tests. It only looks: about ten times a
// second it writes what is on the screen to the file named by VELMORA_E2E_MAP (JSON, replaced
// whole): every visible window with its visible widgets, their places on the screen, names,
// texts and states, the tabs of the tab bars and the rows the tables show. The tests read it to
// know where to click and what the program shows; the clicks and keys themselves go through
// the X server as a user's do.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

namespace {

// Long memos are cut to their end: the newest lines are what the tests look for.
QString tail(const QString &text)
{
    constexpr int Keep = 4000;
    return text.size() > Keep ? text.right(Keep) : text;
}

QString textOf(const QWidget *w)
{
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (auto *s = qobject_cast<const QAbstractSpinBox *>(w))
        return s->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *p = qobject_cast<const QPlainTextEdit *>(w))
        return tail(p->toPlainText());
    if (auto *t = qobject_cast<const QTextEdit *>(w))
        return tail(t->toPlainText());
    if (auto *m = qobject_cast<const QMessageBox *>(w))
        return m->text();
    return {};
}

QJsonObject place(const QWidget *w, const QRect &local)
{
    const QPoint at = w->mapToGlobal(local.topLeft());
    return {{QStringLiteral("x"), at.x()},
            {QStringLiteral("y"), at.y()},
            {QStringLiteral("w"), local.width()},
            {QStringLiteral("h"), local.height()}};
}

QJsonObject describe(const QWidget *w)
{
    QJsonObject o = place(w, w->rect());
    o[QStringLiteral("name")] = w->objectName();
    o[QStringLiteral("class")] = QString::fromLatin1(w->metaObject()->className());
    o[QStringLiteral("enabled")] = w->isEnabled();
    o[QStringLiteral("focus")] = w->hasFocus();
    o[QStringLiteral("text")] = textOf(w);
    if (auto *b = qobject_cast<const QAbstractButton *>(w); b && b->isCheckable())
        o[QStringLiteral("checked")] = b->isChecked();
    return o;
}

QJsonArray rowsOf(const QAbstractItemView *view)
{
    QJsonArray rows;
    const QAbstractItemModel *model = view->model();
    if (!model)
        return rows;
    const int count = qMin(model->rowCount(view->rootIndex()), 500);
    for (int r = 0; r < count; ++r) {
        QJsonArray row;
        for (int c = 0; c < model->columnCount(view->rootIndex()); ++c)
            row.append(model->index(r, c, view->rootIndex()).data().toString());
        rows.append(row);
    }
    return rows;
}

// Where the visible cells are (the first rows only), so that a test can click one.
QJsonArray cellsOf(const QAbstractItemView *view)
{
    QJsonArray cells;
    const QAbstractItemModel *model = view->model();
    if (!model)
        return cells;
    const QRect shown = view->viewport()->rect();
    const int count = qMin(model->rowCount(view->rootIndex()), 60);
    for (int r = 0; r < count; ++r) {
        for (int c = 0; c < model->columnCount(view->rootIndex()); ++c) {
            const QModelIndex index = model->index(r, c, view->rootIndex());
            const QRect rect = view->visualRect(index);
            if (!rect.isValid() || !shown.intersects(rect))
                continue;
            QJsonObject cell = place(view->viewport(), rect);
            cell[QStringLiteral("row")] = r;
            cell[QStringLiteral("column")] = c;
            cell[QStringLiteral("text")] = index.data().toString();
            cell[QStringLiteral("enabled")] = bool(index.flags() & Qt::ItemIsEnabled);
            cells.append(cell);
        }
    }
    return cells;
}

QJsonArray headerOf(const QAbstractItemView *view)
{
    QJsonArray header;
    if (const QAbstractItemModel *model = view->model())
        for (int c = 0; c < model->columnCount(); ++c)
            header.append(model->headerData(c, Qt::Horizontal).toString());
    return header;
}

void collect(const QWidget *w, QJsonArray &out)
{
    for (const QObject *child : w->children()) {
        auto *cw = qobject_cast<const QWidget *>(child);
        if (!cw || !cw->isVisible() || cw->isWindow())
            continue;
        QJsonObject o = describe(cw);
        if (auto *bar = qobject_cast<const QTabBar *>(cw)) {
            QJsonArray tabs;
            for (int i = 0; i < bar->count(); ++i) {
                QJsonObject tab = place(bar, bar->tabRect(i));
                tab[QStringLiteral("text")] = bar->tabText(i);
                tab[QStringLiteral("current")] = i == bar->currentIndex();
                tabs.append(tab);
            }
            o[QStringLiteral("tabs")] = tabs;
        }
        if (auto *view = qobject_cast<const QAbstractItemView *>(cw)) {
            o[QStringLiteral("header")] = headerOf(view);
            o[QStringLiteral("rows")] = rowsOf(view);
            o[QStringLiteral("cells")] = cellsOf(view);
        }
        out.append(o);
        collect(cw, out);
    }
}

void writeMap(const QString &path)
{
    QJsonArray windows;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        // Each window object gets a number of its own when first seen, so that the tests can
        // tell a box from the next one with the same text.
        static int serial = 0;
        if (!top->property("velmoraE2eSerial").isValid())
            top->setProperty("velmoraE2eSerial", ++serial);
        QJsonObject o = describe(top);
        o[QStringLiteral("serial")] = top->property("velmoraE2eSerial").toInt();
        o[QStringLiteral("title")] = top->windowTitle();
        o[QStringLiteral("modal")] = top->isModal();
        o[QStringLiteral("active")] = top->isActiveWindow();
        QJsonArray widgets;
        collect(top, widgets);
        o[QStringLiteral("widgets")] = widgets;
        windows.append(o);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QJsonDocument(QJsonObject{{QStringLiteral("windows"), windows}}).toJson());
    file.commit();
}

void start()
{
    const QString path = qEnvironmentVariable("VELMORA_E2E_MAP");
    if (path.isEmpty() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    auto *timer = new QTimer(qApp);
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, [path] { writeMap(path); });
    timer->start();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
