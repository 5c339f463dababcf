#pragma once
// The splash picture shown for a second before the windows are created.
#include <QWidget>

class TLoginPicFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TLoginPicFrm(QWidget *parent = nullptr);
};
