#pragma once
// The card tab's controls as a test reaches them: found under the main window by their object
// names, as outside scripts find them. Made where a test needs them (after the main window
// exists; a new main window needs a new view).
#include "cards/cardfields.h"
#include "cards/cardtab.h"
#include "shell/widgets.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

struct CardTabView
{
    explicit CardTabView(const QObject *window)
        : tab(testsupport::find<CardTab>(window, "rztbshtTabSheet3"))
    {}
    QCheckBox *groupCheck(int n) const
    {
        QCheckBox *const boxes[] = {chk1, chk2, chk3, chk4, chk5, chk6, chk7, chk8};
        return boxes[n - 1];
    }

    CardTab *tab;
    EventMemo *RzMemo2 = testsupport::find<EventMemo>(tab, "RzMemo2");
    QGroupBox *rz2 = testsupport::find<QGroupBox>(tab, "rz2");
    QGroupBox *rz3 = testsupport::find<QGroupBox>(tab, "rz3");
    QGroupBox *rz4 = testsupport::find<QGroupBox>(tab, "rz4");
    QGroupBox *rz5 = testsupport::find<QGroupBox>(tab, "rz5");
    QPushButton *btn12 = testsupport::find<QPushButton>(tab, "btn12");
    QRadioButton *rb1 = testsupport::find<QRadioButton>(tab, "rb1");
    QPushButton *btn14 = testsupport::find<QPushButton>(tab, "btn14");
    QRadioButton *rb2 = testsupport::find<QRadioButton>(tab, "rb2");
    QPushButton *btn13 = testsupport::find<QPushButton>(tab, "btn13");
    QPushButton *btn3 = testsupport::find<QPushButton>(tab, "btn3");
    QPushButton *btn4 = testsupport::find<QPushButton>(tab, "btn4");
    QPushButton *btn25 = testsupport::find<QPushButton>(tab, "btn25");
    QPushButton *btn17 = testsupport::find<QPushButton>(tab, "btn17");
    QDateEdit *dtp1 = testsupport::find<QDateEdit>(tab, "dtp1");
    QDateEdit *dtp2 = testsupport::find<QDateEdit>(tab, "dtp2");
    QLineEdit *edt1 = testsupport::find<QLineEdit>(tab, "edt1");
    QLineEdit *edt2 = testsupport::find<QLineEdit>(tab, "edt2");
    QLineEdit *edt8 = testsupport::find<QLineEdit>(tab, "edt8");
    Lamp *shp5 = testsupport::find<Lamp>(tab, "shp5");
    Lamp *shp4 = testsupport::find<Lamp>(tab, "shp4");
    QListWidget *chklst1 = testsupport::find<QListWidget>(tab, "chklst1");
    QLabel *lbl8 = testsupport::find<QLabel>(tab, "lbl8");
    QCheckBox *chk1 = testsupport::find<QCheckBox>(tab, "chk1");
    QCheckBox *chk2 = testsupport::find<QCheckBox>(tab, "chk2");
    QCheckBox *chk3 = testsupport::find<QCheckBox>(tab, "chk3");
    QCheckBox *chk4 = testsupport::find<QCheckBox>(tab, "chk4");
    QCheckBox *chk5 = testsupport::find<QCheckBox>(tab, "chk5");
    QCheckBox *chk6 = testsupport::find<QCheckBox>(tab, "chk6");
    QCheckBox *chk7 = testsupport::find<QCheckBox>(tab, "chk7");
    QCheckBox *chk8 = testsupport::find<QCheckBox>(tab, "chk8");
    QPushButton *btn11 = testsupport::find<QPushButton>(tab, "btn11");
    QPushButton *btn15 = testsupport::find<QPushButton>(tab, "btn15");
    QPushButton *btn24 = testsupport::find<QPushButton>(tab, "btn24");
    CardEdit *edt9 = testsupport::find<CardEdit>(tab, "edt9");
    QLineEdit *edt10 = testsupport::find<QLineEdit>(tab, "edt10");
    CardEdit *edt11 = testsupport::find<CardEdit>(tab, "edt11");
    CardEdit *edt12 = testsupport::find<CardEdit>(tab, "edt12");
    CardCombo *DBcbb3 = testsupport::find<CardCombo>(tab, "DBcbb3");
    QLabel *lbl13 = testsupport::find<QLabel>(tab, "lbl13");
    CardEdit *edt13 = testsupport::find<CardEdit>(tab, "edt13");
    CardEdit *edt14 = testsupport::find<CardEdit>(tab, "edt14");
    CardEdit *edt15 = testsupport::find<CardEdit>(tab, "edt15");
    CardEdit *edt16 = testsupport::find<CardEdit>(tab, "edt16");
    CardEdit *edt20 = testsupport::find<CardEdit>(tab, "edt20");
    CardEdit *edt3 = testsupport::find<CardEdit>(tab, "edt3");
    QLineEdit *edt17 = testsupport::find<QLineEdit>(tab, "edt17");
    QLineEdit *edt18 = testsupport::find<QLineEdit>(tab, "edt18");
    QLineEdit *edt19 = testsupport::find<QLineEdit>(tab, "edt19");
    QPushButton *btn18 = testsupport::find<QPushButton>(tab, "btn18");
    QPushButton *btn19 = testsupport::find<QPushButton>(tab, "btn19");
    QPushButton *btn28 = testsupport::find<QPushButton>(tab, "btn28");
    QPushButton *btn21 = testsupport::find<QPushButton>(tab, "btn21");
    QPushButton *btn22 = testsupport::find<QPushButton>(tab, "btn22");
    QPushButton *btn23 = testsupport::find<QPushButton>(tab, "btn23");
    QPushButton *btn27 = testsupport::find<QPushButton>(tab, "btn27");
    QTimer *tmr3 = testsupport::find<QTimer>(tab, "tmr3");
};

// The card tab's controls in window, found again when the window's card tab is a new one.
inline const CardTabView &cardTab(const QObject *window)
{
    return testsupport::tabView<CardTabView, CardTab>(window);
}
