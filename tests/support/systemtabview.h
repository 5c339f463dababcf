#pragma once
// The system tab's controls as a test reaches them: found under the main window by their object
// names, as outside scripts find them.
#include "issuer/systemtab.h"
#include "shell/widgets.h"
#include "testsupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

struct SystemTabView
{
    explicit SystemTabView(const QObject *window)
        : tab(testsupport::find<SystemTab>(window, "rztbshtTabSheet1"))
    {}

    SystemTab *tab;
    QGroupBox *RzGroupBox2 = testsupport::find<QGroupBox>(tab, "RzGroupBox2");
    QGroupBox *RzGroupBox3 = testsupport::find<QGroupBox>(tab, "RzGroupBox3");
    QGroupBox *RzGroupBox4 = testsupport::find<QGroupBox>(tab, "RzGroupBox4");
    QGroupBox *RzGroupBox5 = testsupport::find<QGroupBox>(tab, "RzGroupBox5");
    QGroupBox *RzGroupBoxStatus = testsupport::find<QGroupBox>(tab, "RzGroupBoxStatus");
    EventMemo *RzMemo1 = testsupport::find<EventMemo>(tab, "RzMemo1");
    EventMemo *RzMemo5 = testsupport::find<EventMemo>(tab, "RzMemo5");
    EventMemo *RzMemo6 = testsupport::find<EventMemo>(tab, "RzMemo6");
    EventMemo *RzMemo4 = testsupport::find<EventMemo>(tab, "RzMemo4");
    EventMemo *memo2 = testsupport::find<EventMemo>(tab, "memo2");
    QComboBox *ComTxt = testsupport::find<QComboBox>(tab, "ComTxt");
    QPushButton *opencmd = testsupport::find<QPushButton>(tab, "opencmd");
    QPushButton *CLpc1 = testsupport::find<QPushButton>(tab, "CLpc1");
    QPushButton *btnClose2 = testsupport::find<QPushButton>(tab, "btnClose2");
    QPushButton *btn2 = testsupport::find<QPushButton>(tab, "btn2");
    QPushButton *btn26 = testsupport::find<QPushButton>(tab, "btn26");
    Lamp *shp3 = testsupport::find<Lamp>(tab, "shp3");
    Lamp *shp1 = testsupport::find<Lamp>(tab, "shp1");
    QLineEdit *edt6 = testsupport::find<QLineEdit>(tab, "edt6");
    QLineEdit *edt7 = testsupport::find<QLineEdit>(tab, "edt7");
    QPushButton *btn1 = testsupport::find<QPushButton>(tab, "btn1");
    QPushButton *btnClose1 = testsupport::find<QPushButton>(tab, "btnClose1");
    QPushButton *btn16 = testsupport::find<QPushButton>(tab, "btn16");
    QLineEdit *edt4 = testsupport::find<QLineEdit>(tab, "edt4");
    QLineEdit *edtmm1 = testsupport::find<QLineEdit>(tab, "edtmm1");
    QLineEdit *edtmm2 = testsupport::find<QLineEdit>(tab, "edtmm2");
    QLineEdit *edtmm3 = testsupport::find<QLineEdit>(tab, "edtmm3");
    QPushButton *btn5 = testsupport::find<QPushButton>(tab, "btn5");
    QPushButton *btn6 = testsupport::find<QPushButton>(tab, "btn6");
    QPushButton *btn9 = testsupport::find<QPushButton>(tab, "btn9");
    QPushButton *btn10 = testsupport::find<QPushButton>(tab, "btn10");
    QPushButton *btnClosebtn5 = testsupport::find<QPushButton>(tab, "btnClosebtn5");
    QPushButton *btnClosebtn6 = testsupport::find<QPushButton>(tab, "btnClosebtn6");
    QProgressBar *g1 = testsupport::find<QProgressBar>(tab, "g1");
    QLabel *lbl4 = testsupport::find<QLabel>(tab, "lbl4");
    QTimer *tmr1 = testsupport::find<QTimer>(tab, "tmr1");
    QTimer *tmr4 = testsupport::find<QTimer>(tab, "tmr4");
    QTimer *tmr5 = testsupport::find<QTimer>(tab, "tmr5");
    QTimer *tmr6 = testsupport::find<QTimer>(tab, "tmr6");
};

// The system tab's controls in window, found again when the window's system tab is a new one.
inline const SystemTabView &systemTab(const QObject *window)
{
    return testsupport::tabView<SystemTabView, SystemTab>(window);
}
