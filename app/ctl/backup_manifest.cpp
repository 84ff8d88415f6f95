#include "app/ctl/backup_manifest.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace krm::ctl {

namespace {

constexpr const char* kManifestName = "manifest.json";

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString pathText(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

} // namespace

std::string UtcNowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
}

std::optional<std::string> FileSha256(const std::filesystem::path& file) {
    QFile f(pathText(file));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return std::nullopt;
    return hash.result().toHex().toStdString();
}

bool WriteManifest(const std::filesystem::path& folder, const std::vector<SavedRoom>& saved,
                   const std::vector<MissingRoom>& missing, std::string& error) {
    QJsonArray devices;
    for (const SavedRoom& s : saved)
        devices.append(QJsonObject{{"address", q(s.address)},
                                   {"room", q(s.room)},
                                   {"file", q(s.file)},
                                   {"saved", q(s.saved)},
                                   {"bytes", static_cast<qint64>(s.bytes)},
                                   {"sha256", q(s.sha256)}});
    QJsonArray absent;
    for (const MissingRoom& m : missing)
        absent.append(
            QJsonObject{{"address", q(m.address)}, {"room", q(m.room)}, {"reason", q(m.reason)}});
    const QJsonObject manifest{{"created", q(UtcNowText())},
                               {"checksum", "SHA-256"},
                               {"devices", devices},
                               {"missing", absent}};
    QSaveFile file(pathText(folder / kManifestName));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    file.write(QJsonDocument(manifest).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

std::optional<std::vector<SavedRoom>> ReadBackupFolder(const std::filesystem::path& folder,
                                                       std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        error = folder.string() + ": not a folder";
        return std::nullopt;
    }
    std::vector<SavedRoom> rooms;
    const std::filesystem::path manifestPath = folder / kManifestName;
    if (!std::filesystem::exists(manifestPath, ec)) {
        // A folder put together by hand: every setting file in it, named by its stem.
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            if (!entry.is_regular_file() || entry.path().extension() != ".dat")
                continue;
            SavedRoom r;
            r.room = entry.path().stem().string();
            r.file = entry.path().filename().string();
            rooms.push_back(r);
        }
        if (ec) {
            error = folder.string() + ": " + ec.message();
            return std::nullopt;
        }
        std::sort(rooms.begin(), rooms.end(),
                  [](const SavedRoom& a, const SavedRoom& b) { return a.file < b.file; });
        return rooms;
    }
    QFile f(pathText(manifestPath));
    QJsonParseError parseError;
    const QJsonDocument doc = f.open(QIODevice::ReadOnly)
                                  ? QJsonDocument::fromJson(f.readAll(), &parseError)
                                  : QJsonDocument();
    if (!doc.isObject() || !doc.object().value("devices").isArray()) {
        error = manifestPath.string() + ": not a backup manifest";
        return std::nullopt;
    }
    for (const QJsonValue& v : doc.object().value("devices").toArray()) {
        const QJsonObject o = v.toObject();
        SavedRoom r;
        r.address = o.value("address").toString().toStdString();
        r.room = o.value("room").toString().toStdString();
        r.file = o.value("file").toString().toStdString();
        r.saved = o.value("saved").toString().toStdString();
        r.bytes = o.value("bytes").toInteger();
        r.sha256 = o.value("sha256").toString().toStdString();
        // Only a plain name inside the folder: a manifest never points elsewhere.
        if (r.file.empty() || r.file.find('/') != std::string::npos || r.file.starts_with('.')) {
            error = manifestPath.string() + ": bad file name '" + r.file + "'";
            return std::nullopt;
        }
        const std::optional<std::string> sum = FileSha256(folder / r.file);
        if (!sum) {
            error = (folder / r.file).string() + ": cannot be read";
            return std::nullopt;
        }
        if (*sum != r.sha256) {
            error = (folder / r.file).string() + ": changed since the backup (checksum differs)";
            return std::nullopt;
        }
        rooms.push_back(r);
    }
    return rooms;
}

} // namespace krm::ctl
