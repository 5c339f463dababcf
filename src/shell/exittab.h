#pragma once
// The exit tab: a picture and a line to click to leave the program. Coming to the tab ends an
// issue in progress and hands the database file back; what a click asks and does is the main
// window's (every way out of the program asks the same way).
#include "common/tabpage.h"

#include <QWidget>

class ClickLabel;
class QPlainTextEdit;
class QPushButton;

class ExitTab : public QWidget, public TabPage
{
    Q_OBJECT
public:
    explicit ExitTab(QWidget *parent = nullptr);

    QWidget *page() override { return this; }
    QString title() const override;
    void shown() override;

signals:
    // Sent first when the tab is shown: an issue in progress must end before the file goes.
    void issuingEndRequested();
    void statusChanged(const QString &text);
    void backgroundPressed(); // the page around the picture
    void picturePressed();    // img2
    void labelClicked();      // lbl12
    void exitButtonClicked(); // the hidden Ent1

private:
    ClickLabel *m_picture = nullptr;     // img2, the exit picture
    ClickLabel *m_label = nullptr;       // lbl12
    QPushButton *m_exitButton = nullptr; // Ent1, hidden "退出"
    QPlainTextEdit *m_note = nullptr;    // RzMemoRzmmo8, hidden
};
