#include "db/maintenance.h"

#include "common/dialogs.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/query.h"
#include "db/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSaveFile>

int ProgressBarGauge::minimum() const
{
    return m_bar->minimum();
}

int ProgressBarGauge::maximum() const
{
    return m_bar->maximum();
}

void ProgressBarGauge::setValue(int value)
{
    m_bar->setValue(value);
}

namespace maintenance {

namespace {

void fill(Gauge &g)
{
    for (int v = g.minimum(); v <= g.maximum(); ++v)
        g.setValue(v);
}

bool opensAsOurDatabase(const QString &path)
{
    try {
        db::Handle db = db::openDatabase(path, QString::fromLatin1(db::DatabasePassword), true);
        return schema::hasAllTables(db.get());
    } catch (const DbError &) {
        return false;
    }
}

} // namespace

bool replaceFileWithCopy(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // QSaveFile writes beside the target and renames on commit.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

void backupDatabase(Gauge &g1, const QString &dataFile, QWidget *parent)
{
    g1.setValue(0);
    const QString chosen = Dialogs::saveFileName(QStringLiteral("请输入要保存的文件名"), FileFilter,
                                                 QStringLiteral("远距离Velmora"), parent);
    if (chosen.isEmpty())
        return;
    const QString target = chosen + QStringLiteral(".mdb");
    if (QFileInfo::exists(target) &&
        Dialogs::box(QStringLiteral("存在数据库重名，是否覆盖？"), QStringLiteral("存盘选项"),
                     Dialogs::YesNo, Dialogs::Question, parent) != Dialogs::Yes)
        return;
    fill(g1);
    if (replaceFileWithCopy(dataFile, target))
        Dialogs::box(QStringLiteral("数据库备份成功!"), QStringLiteral("备份数据"), Dialogs::OkOnly,
                     Dialogs::Information, parent);
    else
        Dialogs::box(QStringLiteral("警告：数据库备份失败!"), QStringLiteral("存盘错误"),
                     Dialogs::OkOnly, Dialogs::Warning, parent);
}

void restoreDatabase(Gauge &g1, Connection &con, Query &LGqry1, const QString &target,
                     QWidget *parent)
{
    g1.setValue(0);
    const QString chosen =
        Dialogs::openFileName(QStringLiteral("请输入要读取的文件名"), FileFilter, parent);
    if (chosen.isEmpty())
        return;
    if (Dialogs::box(QStringLiteral("警告：现有数据有可能丢失，确定还原？"),
                     QStringLiteral("数据库还原"), Dialogs::YesNo, Dialogs::Question,
                     parent) != Dialogs::Yes)
        return;
    fill(g1);
    bool ok = opensAsOurDatabase(chosen);
    if (ok) {
        con.disconnect();
        LGqry1.close();
        con.disconnect();
        ok = replaceFileWithCopy(chosen, target);
        con.disconnect();
    }
    if (ok)
        Dialogs::box(QStringLiteral("成功恢复数据库,请及时备份数据库!"), QStringLiteral("系统提示"),
                     Dialogs::OkOnly, Dialogs::Information, parent);
    else
        Dialogs::message(QStringLiteral("恢复失败，请重试!"), parent);
}

} // namespace maintenance
