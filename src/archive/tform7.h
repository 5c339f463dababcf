#pragma once
// The owner archive window. Its search edit receives card codes from the issuer link.
#include <QWidget>

class QLineEdit;

class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);
    QLineEdit *edt1 = nullptr; // search text
    void edt1Change();
};
