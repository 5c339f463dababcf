#pragma once
// Tabs on the left side of the main window with their captions written horizontally, as
// Chinese captions read badly when turned on their side.
#include <QProxyStyle>

class HorizontalWestTabStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
};
