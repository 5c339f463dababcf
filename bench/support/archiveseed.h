#pragma once
// A large owner archive for the benchmarks: `owners` records numbered from 1001, with codes
// spread over the 32-bit range, distinct names, plates and mobile numbers, validity years from
// 2013 over `years` years, and the status that the SQL expression `status` (of the row index i)
// gives.
#include "db/connection.h"

#include <QString>

inline void seedArchive(const QString &file, int owners, int years, const QString &status)
{
    db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
    // Only %1 is a placeholder; the other texts are concatenated, as the statement has printf
    // formats of its own.
    const QString insert =
        QStringLiteral("BEGIN;"
                       "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                       "INSERT INTO "
                       "CZdata(车辆编号,卡片内码,车主姓名,车牌号码,车主手机,车辆信息,车场车位,"
                       "卡片有效期限,住址,卡片状态) SELECT 1001+i, "
                       "printf('%08X',(i*2654435761)%4294967296), "
                       "'车主'||i, '京A'||printf('%05d',i), '138'||printf('%08d',i), '白色轿车', "
                       "'B2-'||i, printf('20%02d年%02d月%02d日',13+i%")
            .arg(owners - 1) +
        QString::number(years) +
        QStringLiteral(",1+i%12,1+i%28), '北京市朝阳区建国路'||i||'号', ") + status +
        QStringLiteral(" FROM n;COMMIT;");
    db::exec(h.get(), insert);
}
