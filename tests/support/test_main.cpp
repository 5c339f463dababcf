// Test programs own a QApplication (offscreen platform) so that windows can be built in-process.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
    return RUN_ALL_TESTS();
}
