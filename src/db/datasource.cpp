#include "db/datasource.h"

DataSource::DataSource(Query *dataSet, QObject *parent)
    : QObject(parent)
{
    setDataSet(dataSet);
}

void DataSource::setDataSet(Query *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    if (m_dataSet) {
        connect(m_dataSet, &Query::resetDone, this, &DataSource::dataSetChanged);
        connect(m_dataSet, &Query::currentChanged, this, &DataSource::recordChanged);
        connect(m_dataSet, &Query::fieldChanged, this, &DataSource::fieldChanged);
        connect(m_dataSet, &Query::stateChanged, this, &DataSource::stateChanged);
    }
    emit dataSetChanged();
    emit recordChanged();
}

bool DataSource::ensureEditing()
{
    if (!m_dataSet || !m_dataSet->isActive())
        return false;
    if (m_dataSet->state() == Query::Browse && m_autoEdit)
        m_dataSet->edit();
    return m_dataSet->state() == Query::Edit || m_dataSet->state() == Query::Insert;
}
