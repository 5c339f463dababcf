#include "shell/tabstyle.h"

#include <QStyleOptionTab>

QSize HorizontalWestTabStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                               const QSize &size, const QWidget *widget) const
{
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_TabBarTab) {
        s.transpose();
        s.rwidth() += 16;
        s.rheight() = qMax(s.height(), 56);
    }
    return s;
}

void HorizontalWestTabStyle::drawControl(ControlElement element, const QStyleOption *option,
                                         QPainter *painter, const QWidget *widget) const
{
    if (element == CE_TabBarTabLabel) {
        if (const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option)) {
            QStyleOptionTab horizontal(*tab);
            horizontal.shape = QTabBar::RoundedNorth;
            QProxyStyle::drawControl(element, &horizontal, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
