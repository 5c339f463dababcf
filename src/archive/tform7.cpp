#include "archive/tform7.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TForm7::TForm7(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("车主档案"));
    resize(900, 560);
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("查询:"), this));
    edt1 = new QLineEdit(this);
    row->addWidget(edt1, 1);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(edt1, &QLineEdit::textChanged, this, [this] { edt1Change(); });
}

void TForm7::edt1Change()
{
    // The automatic search of the archive comes with the archive window.
}
