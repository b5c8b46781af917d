#include "platform/qt/SingleInstance.h"

#include <QDir>
#include <QLockFile>

#include <cstdlib>
#include <unistd.h>

namespace platform {

SingleInstance::SingleInstance(const std::string& name, const std::string& folder)
{
    std::string dir = folder;
    std::string file = name + ".lock";
    if (dir.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && *runtime && QDir(runtime).exists()) {
            dir = runtime;
        } else {
            // A shared folder: the user id keeps users apart.
            dir = QDir::tempPath().toStdString();
            file = name + "-" + std::to_string(::getuid()) + ".lock";
        }
    }
    path_ = dir + "/" + file;
    lock_ = std::make_unique<QLockFile>(QString::fromStdString(path_));
    // Age alone never makes the lock stale: only a holder that is gone does.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::TryAcquire()
{
    if (lock_->isLocked()) return true;
    // The file is created exclusively, so two quick starts never both win;
    // a lock whose holder process is gone is removed and taken.
    return lock_->tryLock(0);
}

} // namespace platform
