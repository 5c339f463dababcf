#pragma once
// The archive grid's model: the eleven columns of CZdata in the window's order, the four that
// are never edited here, and the text of every cell coloured by its record's 卡片状态.
#include "db/dbcontrols.h"

class ArchiveGridModel : public QueryTableModel
{
    Q_OBJECT
public:
    explicit ArchiveGridModel(QObject *parent = nullptr);

    // The columns set at every showing: 车辆编号, 卡片内码, 卡片有效期限 and 卡片状态 read-only.
    void applyColumns();
    static QStringList readOnlyFields();

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // An edit keeps what the card tab's field of the column would keep.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void findStatusField();
    int m_statusField = -1;
};
