#pragma once
// The login window: the first window created, and the one whose closing ends the program.
#include <QWidget>

class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);
};
