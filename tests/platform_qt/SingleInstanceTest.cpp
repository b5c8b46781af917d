#include "platform/qt/SingleInstance.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<QProcess> Start(const QString& folder, const char* mode)
{
    auto p = std::make_unique<QProcess>();
    p->start(SINGLE_INSTANCE_PROBE, {folder, mode});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

QString Answer(QProcess& p)
{
    while (!p.canReadLine())
        if (!p.waitForReadyRead(10000)) break;
    return QString::fromUtf8(p.readLine()).trimmed();
}

} // namespace

TEST(SingleInstance, SecondProcessIsRefusedAndAStaleLockIsTakenOver)
{
    QTemporaryDir dir;
    auto first = Start(dir.path(), "hold");
    ASSERT_EQ(Answer(*first), "acquired");

    auto second = Start(dir.path(), "try");
    EXPECT_EQ(Answer(*second), "refused");
    second->waitForFinished(10000);
    EXPECT_EQ(second->exitCode(), 1);

    // The holder dies without cleaning up: its lock file stays behind.
    first->kill();
    first->waitForFinished(10000);
    auto third = Start(dir.path(), "try");
    EXPECT_EQ(Answer(*third), "acquired");
    third->waitForFinished(10000);
}

TEST(SingleInstance, OfManyQuickStartsExactlyOneRuns)
{
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 8; ++i) starts.push_back(Start(dir.path(), "hold"));
    int acquired = 0;
    for (auto& p : starts)
        if (Answer(*p) == "acquired") ++acquired;
    EXPECT_EQ(acquired, 1);
    for (auto& p : starts) {
        p->closeWriteChannel();
        p->waitForFinished(10000);
    }
}

TEST(SingleInstance, TheSameProcessKeepsItsLock)
{
    QTemporaryDir dir;
    platform::SingleInstance a("Tessel2", dir.path().toStdString());
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_TRUE(a.TryAcquire());
    platform::SingleInstance b("Tessel2", dir.path().toStdString());
    EXPECT_FALSE(b.TryAcquire());
}
