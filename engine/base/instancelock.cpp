#include "engine/base/instancelock.h"

#include <QLockFile>

#include "engine/base/apppaths.h"

namespace lumivox {

InstanceLock::InstanceLock(const QString& lockPath) {
    QString path = lockPath;
    if (path.isEmpty()) {
        const QString folder = paths::privateTempFolder();
        if (!folder.isEmpty()) {
            path = folder + QStringLiteral("/lumivox.lock");
        }
    }
    if (!path.isEmpty()) {
        lock_ = std::make_unique<QLockFile>(path);
        // Age alone never makes the lock stale: a program may run for days. Qt still takes
        // over a lock whose owning process is gone.
        lock_->setStaleLockTime(0);
    }
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock() {
    return lock_ == nullptr || lock_->tryLock(0);
}

}  // namespace lumivox
