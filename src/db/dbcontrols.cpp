#include "db/dbcontrols.h"

#include "common/gbk.h"
#include "common/guard.h"

namespace {
Field boundField(DataSource *source, const QString &name)
{
    if (!source || !source->dataSet() || !source->dataSet()->isActive() || name.isEmpty())
        return {};
    return source->dataSet()->findField(name);
}
} // namespace

// --- DBEdit ---

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &DBEdit::onTextChanged);
}

void DBEdit::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::dataSetChanged, this, &DBEdit::refresh);
        connect(m_source, &DataSource::recordChanged, this, &DBEdit::refresh);
        connect(m_source, &DataSource::stateChanged, this, &DBEdit::refresh);
        connect(m_source, &DataSource::fieldChanged, this, &DBEdit::onFieldChanged);
    }
    refresh();
}

void DBEdit::setDataField(const QString &name)
{
    m_fieldName = name;
    refresh();
}

Field DBEdit::field() const
{
    return boundField(m_source, m_fieldName);
}

void DBEdit::refresh()
{
    const Field f = field();
    m_loading = true;
    setText(f.isValid() ? f.displayText() : QString());
    m_loading = false;
}

void DBEdit::onFieldChanged(int index)
{
    // Our own writes come back here; the text already says what the user typed.
    if (m_loading)
        return;
    const Field f = field();
    if (f.isValid() && f.index() == index)
        refresh();
}

void DBEdit::onTextChanged(const QString &text)
{
    if (m_loading)
        return;
    if (m_maxBytes > 0 && gbk::byteLength(text) > m_maxBytes) {
        setText(gbk::limitBytes(text, m_maxBytes)); // comes back here with the cut text
        return;
    }
    Field f = field();
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

// --- DBComboBox ---

DBComboBox::DBComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, &DBComboBox::onIndexChanged);
}

void DBComboBox::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::dataSetChanged, this, &DBComboBox::refresh);
        connect(m_source, &DataSource::recordChanged, this, &DBComboBox::refresh);
        connect(m_source, &DataSource::stateChanged, this, &DBComboBox::refresh);
        connect(m_source, &DataSource::fieldChanged, this, [this](int index) {
            const Field f = field();
            if (!m_loading && f.isValid() && f.index() == index)
                refresh();
        });
    }
    refresh();
}

void DBComboBox::setDataField(const QString &name)
{
    m_fieldName = name;
    refresh();
}

Field DBComboBox::field() const
{
    return boundField(m_source, m_fieldName);
}

void DBComboBox::refresh()
{
    const Field f = field();
    m_loading = true;
    setCurrentIndex(f.isValid() ? findText(f.asString()) : -1);
    m_loading = false;
}

void DBComboBox::onIndexChanged(int index)
{
    if (m_loading || index < 0)
        return;
    Field f = field();
    if (!f.isValid() || f.readOnly()) {
        refresh();
        return;
    }
    m_loading = true;
    guarded([&] {
        if (m_source->ensureEditing())
            field().setAsString(itemText(index));
    });
    m_loading = false;
}

// --- QueryTableModel ---

QueryTableModel::QueryTableModel(DataSource *source, QObject *parent)
    : QAbstractTableModel(parent)
{
    setDataSource(source);
}

void QueryTableModel::setDataSource(DataSource *source)
{
    beginResetModel();
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &DataSource::dataSetChanged, this, &QueryTableModel::rebind);
    rebind();
    endResetModel();
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
