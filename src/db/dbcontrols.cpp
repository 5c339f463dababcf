#include "db/dbcontrols.h"

#include "common/gbk.h"
#include "common/guard.h"

// --- FieldLink ---

FieldLink::FieldLink(std::function<void()> show)
    : m_show(std::move(show))
{}

void FieldLink::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::dataSetChanged, this, &FieldLink::refresh);
        connect(m_source, &DataSource::recordChanged, this, &FieldLink::refresh);
        connect(m_source, &DataSource::stateChanged, this, &FieldLink::refresh);
        connect(m_source, &DataSource::fieldChanged, this, [this](int index) {
            // Our own writes come back here; the control already shows what the user gave.
            const Field f = field();
            if (!m_loading && f.isValid() && f.index() == index)
                refresh();
        });
    }
    refresh();
}

void FieldLink::setDataField(const QString &name)
{
    m_fieldName = name;
    refresh();
}

Field FieldLink::field() const
{
    if (!m_source || !m_source->dataSet() || !m_source->dataSet()->isActive() ||
        m_fieldName.isEmpty())
        return {};
    return m_source->dataSet()->findField(m_fieldName);
}

void FieldLink::refresh()
{
    m_loading = true;
    m_show();
    m_loading = false;
}

void FieldLink::write(const QString &text)
{
    const Field f = field();
    if (!f.isValid() || f.readOnly()) {
        refresh();
        return;
    }
    // Runs inside the widget's event handling: a refusal goes to the general error display.
    m_loading = true;
    guarded([&] {
        if (m_source->ensureEditing())
            field().setAsString(text); // field() again: an empty result became an insert
    });
    m_loading = false;
}

// --- DBEdit ---

DBEdit::DBEdit(QWidget *parent)
    : Bound(parent, [this] {
        const Field f = m_link.field();
        setText(f.isValid() ? f.displayText() : QString());
    })
{
    connect(this, &QLineEdit::textChanged, this, &DBEdit::onTextChanged);
}

void DBEdit::onTextChanged(const QString &text)
{
    if (m_link.loading())
        return;
    if (m_maxBytes > 0 && gbk::byteLength(text) > m_maxBytes) {
        setText(gbk::limitBytes(text, m_maxBytes)); // comes back here with the cut text
        return;
    }
    m_link.write(text);
}

// --- DBComboBox ---

DBComboBox::DBComboBox(QWidget *parent)
    : Bound(parent, [this] {
        const Field f = m_link.field();
        setCurrentIndex(f.isValid() ? findText(f.asString()) : -1);
    })
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, &DBComboBox::onIndexChanged);
}

void DBComboBox::onIndexChanged(int index)
{
    if (m_link.loading() || index < 0)
        return;
    m_link.write(itemText(index));
}

// --- QueryTableModel ---

QueryTableModel::QueryTableModel(DataSource *source, QObject *parent)
    : QAbstractTableModel(parent)
{
    setDataSource(source);
}

void QueryTableModel::setDataSource(DataSource *source)
{
    // rebind() resets the model when the query changes; a reset around it would nest two.
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &DataSource::dataSetChanged, this, &QueryTableModel::rebind);
    rebind();
}

void QueryTableModel::rebind()
{
    Query *q = m_source ? m_source->dataSet() : nullptr;
    if (q == m_query)
        return;
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    beginResetModel();
    m_query = q;
    endResetModel();
    if (!q)
        return;
    connect(q, &Query::aboutToReset, this, [this] { beginResetModel(); });
    connect(q, &Query::resetDone, this, [this] { endResetModel(); });
    connect(q, &Query::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(q, &Query::rowInserted, this, [this] { endInsertRows(); });
    connect(q, &Query::rowsAboutToBeFetched, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(q, &Query::rowsFetched, this, [this] { endInsertRows(); });
    connect(q, &Query::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(q, &Query::rowRemoved, this, [this] { endRemoveRows(); });
    connect(q, &Query::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(q, &Query::currentChanged, this, [this] { emit currentRowChanged(currentRow()); });
}

void QueryTableModel::setColumns(const QList<Column> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

Query *QueryTableModel::query() const
{
    return m_query;
}

int QueryTableModel::fieldOf(int column) const
{
    Query *q = query();
    if (!q || !q->isActive())
        return -1;
    if (m_columns.isEmpty())
        return column < q->fieldCount() ? column : -1;
    const Field f = q->findField(m_columns.value(column).field);
    return f.isValid() ? f.index() : -1;
}

int QueryTableModel::currentRow() const
{
    Query *q = query();
    return q && q->isActive() ? q->currentRow() : -1;
}

void QueryTableModel::setCurrentRow(int row)
{
    // Moving posts a pending change, which the database may refuse; the view's event handling
    // must not see the failure, the user does.
    if (Query *q = query(); q && q->isActive())
        guarded([&] { q->moveTo(row); });
}

int QueryTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    Query *q = query();
    return q ? q->rows() : 0;
}

bool QueryTableModel::canFetchMore(const QModelIndex &parent) const
{
    Query *q = query();
    return !parent.isValid() && q && q->canFetchMore();
}

void QueryTableModel::fetchMore(const QModelIndex &parent)
{
    if (Query *q = query(); q && !parent.isValid())
        guarded([&] { q->fetchMore(); });
}

int QueryTableModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (!m_columns.isEmpty())
        return m_columns.size();
    Query *q = query();
    return q && q->isActive() ? q->fieldCount() : 0;
}

QVariant QueryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int f = fieldOf(index.column());
    if (f < 0)
        return {};
    if (role == Qt::DisplayRole)
        return query()->displayTextAt(index.row(), f);
    if (role == Qt::EditRole)
        return query()->textAt(index.row(), f);
    return {};
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= columnCount())
        return {};
    if (!m_columns.isEmpty())
        return m_columns.at(section).title.isEmpty() ? m_columns.at(section).field
                                                     : m_columns.at(section).title;
    return query()->fieldNames().value(section);
}

Qt::ItemFlags QueryTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const int f = fieldOf(index.column());
    const bool columnReadOnly = !m_columns.isEmpty() && m_columns.value(index.column()).readOnly;
    if (m_editable && f >= 0 && !columnReadOnly && !query()->field(f).readOnly())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool QueryTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Query *q = query();
    bool done = false;
    guarded([&] {
        q->moveTo(index.row());
        if (m_source->ensureEditing()) {
            q->field(fieldOf(index.column())).setValue(value);
            done = true;
        }
    });
    return done;
}
