// Test programs own a QApplication (offscreen platform) so that windows can be built in-process.
#include "common/passwordhash.h"
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Tests make many accounts; the program itself always hashes at full cost.
    passwordhash::useFastHashingForTests();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
    return RUN_ALL_TESTS();
}
