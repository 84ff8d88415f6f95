#pragma once
// The real krm416x-ctl program, started as another user would start it so that it holds
// one local port's lock for a while: it waits for a device that never answers (127.0.0.9)
// until its time-out. It runs with its own home and runtime folder and, when the tests run
// as root, as the user "nobody". Test thread only; the caller kills the process it started
// when done.

#include "link/instance_lock.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <unistd.h>

#include <chrono>
#include <memory>

namespace krm::test {

inline std::unique_ptr<QProcess> StartCtlAsAnotherUser(const QString& binary,
                                                       const QString& homeFolder,
                                                       const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), homeFolder);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), homeFolder);
    env.insert(QStringLiteral("KRM416X_LOOPBACK_ONLY"), QStringLiteral("1"));
    process->setProcessEnvironment(env);
    process->setChildProcessModifier([] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
    });
    process->start(binary, arguments);
    if (!process->waitForStarted(5000))
        return nullptr;
    return process;
}

inline std::unique_ptr<QProcess>
StartCtlHoldingPort(const QString& binary, const QString& homeFolder, std::uint16_t localPort) {
    std::unique_ptr<QProcess> process = StartCtlAsAnotherUser(
        binary, homeFolder,
        {QStringLiteral("dump"), QStringLiteral("--device"), QStringLiteral("127.0.0.9"),
         QStringLiteral("--local-port"), QString::number(localPort), QStringLiteral("--timeout"),
         QStringLiteral("20000")});
    if (!process)
        return nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (InstanceLockHolder(localPort) != kCtlProgramName) {
        if (std::chrono::steady_clock::now() > deadline || process->state() == QProcess::NotRunning)
            return nullptr;
        QThread::msleep(5);
    }
    return process;
}

} // namespace krm::test
