#pragma once
// The two printed reports: the owner archive report and the passage report.
#include <QObject>

class TRsRepFrm : public QObject
{
    Q_OBJECT
public:
    explicit TRsRepFrm(QObject *parent = nullptr);
};

class TCRJLBB : public QObject
{
    Q_OBJECT
public:
    explicit TCRJLBB(QObject *parent = nullptr);
};
