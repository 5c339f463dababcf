#include "archive/reports.h"

TRsRepFrm::TRsRepFrm(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("RsRepFrm"));
}

TCRJLBB::TCRJLBB(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("CRJLBB"));
}
