#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace lumivox {

// One running program per user: a lock file in the private temporary folder. A lock left by a
// process that no longer runs (killed, crashed) is taken over.
class InstanceLock {
  public:
    // Default: T + "/lumivox.lock".
    explicit InstanceLock(const QString& lockPath = QString());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock. Without a private folder there is nothing to
    // share a lock in, so the program runs.
    bool tryLock();

  private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace lumivox
