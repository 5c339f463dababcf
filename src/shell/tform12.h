#pragma once
// The borderless progress window of the passage import.
#include <QWidget>

class QLabel;
class QProgressBar;

class TForm12 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm12(QWidget *parent = nullptr);
    QProgressBar *Gauge1 = nullptr;
    QLabel *Label1 = nullptr;
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;
};
