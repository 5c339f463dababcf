// The card tab of the main window: the controls that the issuer link and the frame reach.
#include "common/dialogs.h"
#include "common/globals.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/widgets.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

void TForm1::buildCardTab()
{
    QWidget *page = rztbshtTabSheet3;
    auto *layout = new QHBoxLayout(page);

    auto *validity = new QGroupBox(QStringLiteral(" 卡有效期显示 "), page);
    auto *vl = new QVBoxLayout(validity);
    RzMemo2 = new EventMemo(validity);
    vl->addWidget(RzMemo2);
    auto *dateRow = new QHBoxLayout;
    dtp1 = new QDateEdit(validity);
    dtp1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtp1->setCalendarPopup(true);
    dtp2 = new QDateEdit(validity);
    dtp2->hide();
    shp4 = new Lamp(validity);
    dateRow->addWidget(new QLabel(QStringLiteral("有效期:"), validity));
    dateRow->addWidget(dtp1);
    dateRow->addWidget(shp4);
    dateRow->addStretch(1);
    vl->addLayout(dateRow);
    layout->addWidget(validity, 1);

    auto *side = new QVBoxLayout;
    auto *lookup = new QGroupBox(QStringLiteral(" 查询条件 "), page);
    auto *ll = new QVBoxLayout(lookup);
    edt17 = new QLineEdit(lookup);
    ll->addWidget(edt17);
    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(new QLabel(QStringLiteral("卡片内码:"), lookup));
    edt10 = new QLineEdit(lookup);
    edt10->setReadOnly(true);
    codeRow->addWidget(edt10);
    ll->addLayout(codeRow);
    side->addWidget(lookup);
    chklst1 = new QListWidget(page);
    for (int i = 1; i <= 8; ++i) {
        auto *item = new QListWidgetItem(QStringLiteral("ID%1").arg(i), chklst1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    side->addWidget(chklst1, 1);
    layout->addLayout(side);

    connect(edt17, &QLineEdit::textChanged, this, [this] { edt17Change(); });
    RzMemo2->onChange = [this] { RzMemo2Change(); };
}

void TForm1::rztbshtTabSheet3Show()
{
    if (isAdministrator()) {
        wtxt->setText(texts::shell::CardTabAdmin);
        return;
    }
    chklst1->setEnabled(false);
    wtxt->setText(texts::shell::NoRights);
    Dialogs::message(texts::shell::NoRights, this);
}

void TForm1::RzMemo2Change()
{
    // The card read and save that follows a card line belongs to the issuing work of the tab.
}

void TForm1::edt17Change()
{
    // The lookup reaction to a card code belongs to the lookups of the tab.
}
