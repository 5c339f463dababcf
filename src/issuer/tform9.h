#pragma once
// The prompt shown when no issuer answered: go on looking ("是"), or leave the program ("否").
// It closes by itself when a reply reaches the event memo meanwhile; however it closes, the main
// window reconnects, except when the operator chose to leave.
#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;
class SystemTab;

class TForm9 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm9(SystemTab *owner);

    QLabel *lbl1 = nullptr;
    QPushButton *btn1 = nullptr; // "是"
    QPushButton *btn2 = nullptr; // "否"
    QTimer *tmr1 = nullptr;      // watches the main window's event memo

    void FormShow();
    void btn1Click();
    void btn2Click();
    void FormClose();
    void tmr1Timer();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    SystemTab *m_owner;
    quint64 m_eventLinesAtShow = 0;
    bool m_leaving = false;
    bool m_closed = false;
};
