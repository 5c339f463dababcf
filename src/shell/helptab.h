#pragma once
// The online-help tab: the user manual, the help window and the about box. Coming to the tab
// ends an issue in progress and hands the database file back (the queries closed, the
// connection down) like the exit tab; the other tabs and windows reconnect when they next open
// a query.
#include "common/tabpage.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class HelpTab : public QWidget, public TabPage
{
    Q_OBJECT
public:
    explicit HelpTab(QWidget *parent = nullptr);

    QWidget *page() override { return this; }
    QString title() const override;
    void shown() override;

    // The help window on the help page (the button "帮助主题", and F1 anywhere in the window).
    void openHelpWindow();

signals:
    // Sent first when the tab is shown: an issue in progress must end before the file goes.
    void issuingEndRequested();
    void statusChanged(const QString &text);

private:
    void openAboutBox();

    QGroupBox *m_manualBox = nullptr;     // rz6 " 用户操作手册 "
    QLabel *m_background = nullptr;       // img9
    QPlainTextEdit *m_manual = nullptr;   // RzMemommo4
    QPushButton *m_helpButton = nullptr;  // btn7 "帮助主题"
    QPushButton *m_aboutButton = nullptr; // btn8 "关于软件"
};
