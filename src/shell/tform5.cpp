#include "shell/tform5.h"

#include "shell/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

TForm5::TForm5(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(texts::shell::HelpCaption);
    resize(696, 480);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    wb1 = new QTextBrowser(this);
    // Links leaving the page go to the desktop's browser; anchors stay inside.
    wb1->setOpenExternalLinks(true);
    layout->addWidget(wb1);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TForm5::navigate(const QString &file)
{
    // QTextBrowser shows an empty page for a file it cannot load; the user should see why.
    QFile page(file);
    if (file.isEmpty() || !QFileInfo(file).isFile() || !page.open(QIODevice::ReadOnly)) {
        wb1->setHtml(QStringLiteral("<h3>%1</h3>")
                         .arg(texts::shell::HelpNotFound.arg(QDir::toNativeSeparators(file))
                                  .toHtmlEscaped()));
        return false;
    }
    page.close();
    wb1->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    return true;
}
