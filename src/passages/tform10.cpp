#include "passages/tform10.h"

#include "common/dialogs.h"

TForm10::TForm10(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("进出记录"));
    resize(900, 560);
}
