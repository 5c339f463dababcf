// Removable drives: the Drives/ map, the mounted volumes without it, and the poll's events.
#include "coresupport.h"
#include "passages/drives.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Drives, MapEntriesInNameOrderWithoutDanglingOnes)
{
    testsupport::TempProgramDir dir;
    QTemporaryDir a, b;
    const QString map = drives::mapFolder(dir.root());
    ASSERT_TRUE(QDir().mkpath(map));
    EXPECT_TRUE(drives::list(dir.root()).isEmpty())
        << "an empty map: no drive, whatever is mounted";
    ASSERT_TRUE(QFile::link(b.path(), map + QStringLiteral("/usb2")));
    ASSERT_TRUE(QFile::link(a.path(), map + QStringLiteral("/usb1")));
    ASSERT_TRUE(QFile::link(dir.path(QStringLiteral("gone")), map + QStringLiteral("/usb0")));
    EXPECT_EQ(drives::list(dir.root()),
              QStringList({map + QStringLiteral("/usb1/"), map + QStringLiteral("/usb2/")}));
}

TEST(Drives, WithoutAMapTheVolumesUnderMediaAreTheDrives)
{
    const QByteArray table = "/dev/sda1 / ext4 rw 0 0\n"
                             "/dev/sdc1 /run/media/op/STICK\\0402 vfat rw 0 0\n"
                             "/dev/sdb1 /media/op/B vfat rw 0 0\n"
                             "tmpfs /mediation tmpfs rw 0 0\n"
                             "/dev/sdd1 /media/op/A vfat rw 0 0\n";
    EXPECT_EQ(drives::removableMounts(table),
              QStringList({QStringLiteral("/media/op/A/"), QStringLiteral("/media/op/B/"),
                           QStringLiteral("/run/media/op/STICK 2/")}));
}

TEST(Drives, PollReportsArrivalAndRemoval)
{
    testsupport::TempProgramDir dir;
    QTemporaryDir stick;
    const QString map = drives::mapFolder(dir.root());
    ASSERT_TRUE(QDir().mkpath(map));
    DriveWatcher watcher;
    QSignalSpy arrived(&watcher, &DriveWatcher::arrived);
    QSignalSpy removed(&watcher, &DriveWatcher::removed);
    watcher.start();
    EXPECT_TRUE(watcher.active());
    watcher.poll();
    EXPECT_EQ(arrived.count() + removed.count(), 0) << "nothing changed";

    ASSERT_TRUE(QFile::link(stick.path(), map + QStringLiteral("/usb")));
    // The timer notices by itself within about a second.
    ASSERT_TRUE(arrived.wait(5000));
    EXPECT_EQ(arrived.takeFirst().at(0).toString(), map + QStringLiteral("/usb/"));

    ASSERT_TRUE(QFile::remove(map + QStringLiteral("/usb")));
    watcher.poll();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.takeFirst().at(0).toString(), map + QStringLiteral("/usb/"));
    EXPECT_TRUE(watcher.known().isEmpty());
    watcher.stop();
    EXPECT_FALSE(watcher.active());
}

} // namespace
