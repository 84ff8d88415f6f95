#pragma once
// The real krm416x-ctl program, started so that it holds one local port's lock for a
// while: it waits for a device that never answers (127.0.0.9) until its time-out. The
// lock lands in `lockFolder` (its per-user runtime folder). Test thread only; the caller
// kills the process it started when done.

#include "link/instance_lock.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <chrono>
#include <memory>

namespace krm::test {

inline std::unique_ptr<QProcess>
StartCtlHoldingPort(const QString& binary, const QString& lockFolder, std::uint16_t localPort) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), lockFolder);
    env.insert(QStringLiteral("KRM416X_LOOPBACK_ONLY"), QStringLiteral("1"));
    process->setProcessEnvironment(env);
    process->start(binary,
                   {QStringLiteral("dump"), QStringLiteral("--device"), QStringLiteral("127.0.0.9"),
                    QStringLiteral("--local-port"), QString::number(localPort),
                    QStringLiteral("--timeout"), QStringLiteral("20000")});
    if (!process->waitForStarted(5000))
        return nullptr;
    const QString lock = InstanceLockPath(lockFolder, localPort);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!QFile::exists(lock) || InstanceLockHolder(lock).isEmpty()) {
        if (std::chrono::steady_clock::now() > deadline)
            return nullptr;
        QThread::msleep(5);
    }
    return process;
}

} // namespace krm::test
