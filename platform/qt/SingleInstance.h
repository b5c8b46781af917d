#pragma once
// One running instance per user: a lock file taken atomically in the user's
// runtime folder. A lock left by a process that is gone is taken over.
#include <memory>
#include <string>

class QLockFile;

namespace platform {

class SingleInstance {
public:
    // `name` names the lock ("Tessel2"); `folder` empty: $XDG_RUNTIME_DIR,
    // else the temporary folder (with the user id in the name).
    explicit SingleInstance(const std::string& name, const std::string& folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock (kept until destruction).
    bool TryAcquire();
    const std::string& LockPath() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace platform
