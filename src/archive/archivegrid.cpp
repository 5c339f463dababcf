#include "archive/archivegrid.h"
#include "cards/issuing.h"

#include "archive/archivelogic.h"

#include <QColor>

namespace {
const QString StatusColumn = QStringLiteral("卡片状态");
constexpr int CentredTitles = 9;
} // namespace

ArchiveGridModel::ArchiveGridModel(QObject *parent)
    : QueryTableModel(nullptr, parent)
{
    applyColumns();
    setEditable(true);
    connect(this, &QAbstractItemModel::modelReset, this, &ArchiveGridModel::findStatusField);
}

QStringList ArchiveGridModel::readOnlyFields()
{
    return {QStringLiteral("车辆编号"), QStringLiteral("卡片内码"), QStringLiteral("卡片有效期限"),
            StatusColumn};
}

void ArchiveGridModel::applyColumns()
{
    const QStringList fixed = readOnlyFields();
    QList<Column> columns;
    for (const char *name : {"车辆编号", "卡片内码", "车主姓名", "车牌号码", "汽车类型", "车主手机",
                             "车辆信息", "车场车位", "卡片有效期限", "住址", "卡片状态"}) {
        const QString field = QString::fromUtf8(name);
        columns.append({field, field, fixed.contains(field)});
    }
    setColumns(columns);
}

void ArchiveGridModel::findStatusField()
{
    m_statusField = -1;
    Query *q = dataSource() ? dataSource()->dataSet() : nullptr;
    if (q && q->isActive()) {
        const Field f = q->findField(StatusColumn);
        m_statusField = f.isValid() ? f.index() : -1;
    }
}

bool ArchiveGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !query())
        return QueryTableModel::setData(index, value, role);
    const QString fieldName = query()->field(fieldOf(index.column())).name();
    return QueryTableModel::setData(index, cards::ownerColumnText(fieldName, value.toString()),
                                    role);
}

QVariant ArchiveGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::ForegroundRole)
        return QueryTableModel::data(index, role);
    Query *q = dataSource() ? dataSource()->dataSet() : nullptr;
    if (!index.isValid() || m_statusField < 0 || !q || index.row() >= q->rows())
        return {};
    const archive::StatusColour c = archive::statusColour(q->textAt(index.row(), m_statusField));
    if (c == archive::StatusColour::Normal)
        return {};
    const archive::Rgb rgb = archive::rgbOf(c);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QVariant ArchiveGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole && orientation == Qt::Horizontal && section >= 0 &&
        section < CentredTitles)
        return int(Qt::AlignCenter);
    return QueryTableModel::headerData(section, orientation, role);
}
