// Preloaded into the real program by the end-to-end test: once the passage window exists, it is
// opened the way the card tab opens it, and when its import button is enabled (a record drive
// was seen), the button is clicked with the mouse.
#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {

QWidget *passageWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Form10"))
            return w;
    return nullptr;
}

QPushButton *importButton(QWidget *window)
{
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("导入记录"))
            return b;
    return nullptr;
}

void start()
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(100);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        static bool opened = false;
        QWidget *window = passageWindow();
        if (!window)
            return;
        if (!opened) {
            opened = true;
            QMetaObject::invokeMethod(window, "openFromCardTab");
            return;
        }
        QPushButton *button = importButton(window);
        if (button && button->isVisible() && button->isEnabled()) {
            poll->stop();
            QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    poll->start();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
