#pragma once
// Removable drives on Linux. The folder Drives/ in the program directory is the drive map, as
// Ports/ is for the serial ports: each entry a symbolic link to a mount point (a USB stick), in
// name order; an entry whose mount point is gone leaves the list. Without the folder, the mounted
// volumes under /media and /run/media are the drives. A drive is named by its path with a
// trailing '/'; the last one listed holds the record files.
#include <QObject>
#include <QStringList>

class QTimer;

namespace drives {

// The drive map of a program directory.
QString mapFolder(const QString &programDir);

// The drives of the program directory, in order.
QStringList list(const QString &programDir);

// The removable mount points in a mount table (the text of /proc/self/mounts), in name order.
QStringList removableMounts(const QByteArray &mountTable);

} // namespace drives

// Polls the drives and reports what came and went, in place of the system's device-change
// message.
class DriveWatcher : public QObject
{
    Q_OBJECT
public:
    // The poll interval of about a second.
    static constexpr int PollMs = 1000;

    explicit DriveWatcher(QObject *parent = nullptr);

    // Takes the current drives as known and polls from now on.
    void start();
    void stop();
    bool active() const;
    // Compares the drives with the known ones and reports the changes (what the timer runs).
    void poll();
    const QStringList &known() const { return m_known; }

signals:
    void arrived(const QString &drive);
    void removed(const QString &drive);

private:
    QTimer *m_timer;
    QStringList m_known;
};
