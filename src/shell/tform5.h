#pragma once
// The help window: the help page of the program directory in a text browser (a local HTML page
// with its pictures and links within the page needs no web engine). A page that is missing or
// cannot be read shows a short not-found text inside the window instead.
#include <QDialog>

class QTextBrowser;

class TForm5 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr);

    QTextBrowser *wb1 = nullptr;

    // Shows the page at the full path `file`; false when it could not be read.
    bool navigate(const QString &file);
};
