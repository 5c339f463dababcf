#pragma once
// The main window logged in as an administrator, with the archive window, COM3 open and the
// card tab shown: what the card tab's tests start from. Each test puts its own issuer on
// Ports/COM3 before calling openCardTab().
#include "archive/tform7.h"
#include "cardtabview.h"
#include "common/globals.h"
#include "issuer/seriallink.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "systemtabview.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

class CardTabFixture : public testsupport::WindowsTest
{
protected:
    CardTabFixture()
        : WindowsTest({})
    {}

    void openCardTab()
    {
        UserType = AdminRole;
        archiveWindow = std::make_unique<TForm7>();
        Form7 = archiveWindow.get();
        TForm1 &f = *main;
        f.attachArchiveWindow(Form7);
        f.show();
        cardTab(&f).tmr3->stop();
        systemTab(&f).tmr4->stop();
        QApplication::setActiveWindow(&f);
        systemTab(&f).ComTxt->clear();
        systemTab(&f).ComTxt->addItem(QStringLiteral("COM3"));
        systemTab(&f).ComTxt->setCurrentIndex(0);
        systemTab(&f).tab->openPortButtonClick();
        ASSERT_TRUE(systemTab(&f).tab->serialLink()->isOpen(3));
        f.rzpgcntrlrzpcrl1->setCurrentWidget(f.rztbshtTabSheet3);
    }
    void TearDown() override
    {
        main.reset();
        Form7 = nullptr;
        archiveWindow.reset();
        WindowsTest::TearDown();
    }

    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

    std::unique_ptr<TForm7> archiveWindow;
};
