#pragma once
// A tab of the main window as the frame sees it: the page it shows, the title on its tab, and
// what it does when the user comes to it or leaves it. The frame keeps a list of these and
// tells the one concerned when the current tab changes.
#include <QString>

class QWidget;

class TabPage
{
public:
    virtual ~TabPage() = default;
    virtual QWidget *page() = 0;
    virtual QString title() const = 0;
    virtual void shown() = 0;
    virtual void hidden() {}
};
