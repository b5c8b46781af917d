// The program itself started twice: the second start is refused with its
// message, and a lock left by a killed first start does not block the next.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

namespace {

class SecondInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TESSEL2_HOME", dir.filePath("home"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("HOME", dir.path());
        QDir(dir.path()).mkpath("runtime");
        QFile::setPermissions(dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    std::unique_ptr<QProcess> Start()
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(TESSEL2_BINARY_DIR "/tessel2", {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

    // Waits until the lock names the process as its holder.
    bool Holds(QProcess& p)
    {
        for (int i = 0; i < 200; ++i) {
            QFile lock(dir.filePath("runtime/Tessel2.lock"));
            if (lock.open(QIODevice::ReadOnly) && lock.readLine().trimmed().toLongLong() == p.processId()) return true;
            if (p.state() != QProcess::Running) return false;
            QThread::msleep(50);
        }
        return false;
    }

    static void Stop(QProcess& p)
    {
        p.kill();
        p.waitForFinished(10000);
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

} // namespace

TEST_F(SecondInstance, IsRefusedWithItsMessage)
{
    auto first = Start();
    ASSERT_TRUE(Holds(*first));

    auto second = Start();
    // It says so (and waits for the box to be closed before it ends).
    QByteArray said;
    for (int i = 0; i < 100 && !said.contains('\n'); ++i) {
        second->waitForReadyRead(100);
        said += second->readAllStandardError();
    }
    EXPECT_TRUE(said.contains("アプリケーションは既に起動しています。")) << said.toStdString();
    Stop(*second);
    EXPECT_EQ(first->state(), QProcess::Running);

    // A start after the first one was killed takes the lock over.
    Stop(*first);
    auto third = Start();
    EXPECT_TRUE(Holds(*third));
    Stop(*third);
}
