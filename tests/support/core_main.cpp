// Pure-logic test programs own a QCoreApplication: timers, signals and the serial port work
// without a window system.
#include "common/passwordhash.h"
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Tests make many accounts; the program itself always hashes at full cost.
    passwordhash::useFastHashingForTests();
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
