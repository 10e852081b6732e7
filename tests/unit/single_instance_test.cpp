#include "app/SingleInstance.h"

#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using ralu::SingleInstance;

TEST(SingleInstance, SecondInstanceIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    const QString lock = dir.path() + QStringLiteral("/ralu.lock");
    auto first = std::make_unique<SingleInstance>(lock);
    ASSERT_TRUE(first->acquire());
    SingleInstance second(lock);
    EXPECT_FALSE(second.acquire());
    first.reset();
    SingleInstance third(lock);
    EXPECT_TRUE(third.acquire());
}

TEST(SingleInstance, LockLeftByADeadProcessIsTakenOver)
{
    QTemporaryDir dir;
    const QString lock = dir.path() + QStringLiteral("/ralu.lock");
    // A lock file as a crashed Ralu leaves it: a process id that no longer runs.
    QFile file(lock);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("999999\nralu_unit_tests\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    SingleInstance instance(lock);
    EXPECT_TRUE(instance.acquire());
}
