#pragma once
// Qt Test's waiting macros report a failure to Qt Test's own log and return, which GoogleTest
// never hears of: a wait that timed out would pass. Every test program includes this first (a
// compile option of the test support), so the macros fail the GoogleTest test instead.
#include <QTest>
#include <gtest/gtest.h>

#undef QVERIFY
#define QVERIFY(statement)                                                                         \
    do {                                                                                           \
        if (!static_cast<bool>(statement))                                                         \
            GTEST_FAIL() << "QVERIFY(" #statement ") failed";                                      \
    } while (false)

#undef QTRY_VERIFY_WITH_TIMEOUT
#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeout)                                                    \
    do {                                                                                           \
        if (!QTest::qWaitFor([&]() { return static_cast<bool>(expr); }, timeout))                  \
            GTEST_FAIL() << "timed out after " << (timeout) << " ms waiting for " #expr;           \
    } while (false)

#undef QTRY_COMPARE_WITH_TIMEOUT
#define QTRY_COMPARE_WITH_TIMEOUT(expr, expected, timeout)                                         \
    do {                                                                                           \
        (void)QTest::qWaitFor([&]() { return (expr) == (expected); }, timeout);                    \
        ASSERT_EQ(expr, expected) << "after waiting " << (timeout) << " ms";                       \
    } while (false)
