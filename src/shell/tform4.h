#pragma once
// The about box: branding texts from IniFile/System.ini over a background picture. Created
// when needed and freed after it closes; dragged by its body as well as by its caption bar.
#include <QDialog>
#include <QPoint>

class QLabel;
class QPushButton;

class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);

    QLabel *img1 = nullptr;
    QLabel *Label1 = nullptr; // GSName
    QLabel *Label4 = nullptr; // fixed line
    QLabel *Label5 = nullptr; // "软件官网:" + WZName
    QPushButton *Ent1 = nullptr;

    void FormCreate();
    void Ent1Click();
    // The window follows the mouse while the left button is held.
    void FormMouseMove(const QPoint &globalPos, Qt::MouseButtons buttons);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint m_grab; // where the body was grabbed, relative to the frame's top left
};
