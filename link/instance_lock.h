#pragma once
// The lock of one local port: the control program and the command-line tool both bind the
// device port with address reuse, so two of them on one port would take each other's
// replies. Whoever starts first holds the port's lock file; the other refuses with a
// message that names the holder.
//
// Qt Core only (QLockFile). Call from one thread at a time.

#include <QLockFile>
#include <QString>

#include <cstdint>
#include <memory>

namespace krm {

// The executable name of the command-line tool, as its lock file records it.
inline constexpr const char* kCtlProgramName = "krm416x-ctl";

// The lock file of one local port in `folder` (empty: the per-user runtime folder, else
// the temporary folder).
QString InstanceLockPath(const QString& folder, std::uint16_t localPort);

// The name of the process that holds a lock file, as the file records it (the executable's
// name: "krm416x", "krm416x-ctl"); empty when the file is missing or unreadable.
QString InstanceLockHolder(const QString& lockPath);

// Takes the lock of `localPort` in `folder`. Null when another process holds it; `holder`
// then names that process.
std::unique_ptr<QLockFile> TakeInstanceLock(const QString& folder, std::uint16_t localPort,
                                            QString* holder = nullptr);

} // namespace krm
