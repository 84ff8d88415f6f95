#include "link/instance_lock.h"

#include <QDir>
#include <QStandardPaths>

namespace krm {

QString InstanceLockPath(const QString& folder, std::uint16_t localPort) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("krm416x-port-%1.lock").arg(localPort));
}

QString InstanceLockHolder(const QString& lockPath) {
    QLockFile file(lockPath);
    qint64 pid = 0;
    QString host;
    QString application;
    if (!file.getLockInfo(&pid, &host, &application))
        return {};
    return application;
}

std::unique_ptr<QLockFile> TakeInstanceLock(const QString& folder, std::uint16_t localPort,
                                            QString* holder) {
    auto lock = std::make_unique<QLockFile>(InstanceLockPath(folder, localPort));
    // Never stale by age while its holder runs; a crashed holder's lock is taken over
    // because its process is gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    if (holder)
        *holder = InstanceLockHolder(lock->fileName());
    return nullptr;
}

} // namespace krm
