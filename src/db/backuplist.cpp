#include "db/backuplist.h"

#include "common/guard.h"
#include "db/backups.h"
#include "db/datafrm.h"
#include "db/maintenance.h"
#include "db/texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// The restore of a chosen backup has no gauge of its own: the list is the progress.
class NoGauge : public Gauge
{
public:
    int minimum() const override { return 0; }
    int maximum() const override { return 0; }
    void setValue(int) override {}
};

} // namespace

BackupList::BackupList(const QString &dataFile, const QString &folder, const QString &settingsFile,
                       QWidget *parent)
    : QGroupBox(texts::db::BackupListTitle, parent)
    , m_dataFile(dataFile)
    , m_folder(folder)
    , m_settingsFile(settingsFile)
{
    setObjectName(QStringLiteral("grpBackups"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_newest = new QLabel(this);
    m_newest->setObjectName(QStringLiteral("lblNewestBackup"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblBackupCount"));
    top->addWidget(m_newest, 1);
    top->addWidget(m_count);
    layout->addLayout(top);
    auto *row = new QHBoxLayout;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstBackups"));
    m_list->setMaximumHeight(80);
    m_restore = new QPushButton(texts::db::RestoreChosenBackup, this);
    m_restore->setObjectName(QStringLiteral("btnRestoreBackup"));
    m_restore->setToolTip(texts::db::RestoreChosenBackupTip);
    m_restore->setAutoDefault(false);
    row->addWidget(m_list, 1);
    row->addWidget(m_restore, 0, Qt::AlignTop);
    layout->addLayout(row);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("lblBackupOutcome"));
    m_outcome->setWordWrap(true);
    m_outcome->hide();
    layout->addWidget(m_outcome);

    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_restore->setEnabled(row >= 0); });
    connect(m_restore, &QPushButton::clicked, this, [this] { restoreChosen(); });
    connect(backups::notifier(), &backups::Notifier::finished, this,
            [this](const backups::Result &result) { onBackupFinished(result); });
    refresh();
}

void BackupList::refresh()
{
    const QString chosen =
        m_list->currentItem() ? m_list->currentItem()->data(Qt::UserRole).toString() : QString();
    const QList<backups::Entry> kept = backups::list(m_folder);
    m_list->clear();
    for (const backups::Entry &e : kept) {
        auto *item = new QListWidgetItem(backups::shownTime(e.time) + QStringLiteral("  ") +
                                             backups::occasionName(e.occasion),
                                         m_list);
        item->setData(Qt::UserRole, e.path);
        item->setToolTip(e.path);
        if (e.path == chosen)
            m_list->setCurrentItem(item);
    }
    m_newest->setText(kept.isEmpty()
                          ? texts::db::NoBackupYet
                          : texts::db::NewestBackup.arg(backups::shownTime(kept.first().time)));
    m_count->setText(
        texts::db::KeptBackups.arg(kept.size()).arg(backups::keepCount(m_settingsFile)));
    m_restore->setEnabled(m_list->currentItem() != nullptr);
}

void BackupList::showEvent(QShowEvent *event)
{
    QGroupBox::showEvent(event);
    refresh();
}

void BackupList::onBackupFinished(const backups::Result &result)
{
    refresh();
    const QString text = backups::statusText(result);
    m_outcome->setText(text);
    m_outcome->setStyleSheet(result.ok() ? QString() : QStringLiteral("color:red;"));
    m_outcome->show();
    emit statusChanged(text);
}

void BackupList::restoreChosen()
{
    QListWidgetItem *item = m_list->currentItem();
    if (!item || !Datafrm)
        return;
    const QString chosen = item->data(Qt::UserRole).toString();
    NoGauge gauge;
    guarded([&] {
        maintenance::restoreFromFile(gauge, *Datafrm->con, *Datafrm->LGqry1, chosen, m_dataFile,
                                     this);
    });
    refresh();
}
