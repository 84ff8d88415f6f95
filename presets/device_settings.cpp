#include "presets/device_settings.h"

#include <QFile>
#include <QString>

#include <functional>
#include <system_error>

namespace krm {

namespace {

constexpr PresetTable kTable = PresetTable::DeviceData;

// FILENAME holds the path as UTF-8 text, whatever the local code page.
std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path PathOf(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool IsFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

QString ToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

} // namespace

DeviceSettings::DeviceSettings(PresetLibrary& library, std::filesystem::path folder)
    : m_library(library), m_folder(std::move(folder)) {}

std::optional<std::vector<std::string>> DeviceSettings::rows() {
    const auto list = m_library.list(kTable);
    if (!list) {
        m_error = m_library.lastError();
        return std::nullopt;
    }
    m_error = {};
    std::vector<std::string> texts;
    // The page has 32 buttons; rows past them (from a database filled elsewhere) stay hidden.
    for (const PresetRow& row : *list) {
        if (texts.size() == static_cast<std::size_t>(kDeviceSettingLimit))
            break;
        texts.push_back(RowText(row.id, row.name));
    }
    return texts;
}

SaveOutcome DeviceSettings::save(const DeviceImage& image, const LinkStateRecord& link) {
    return store({}, [&](const std::filesystem::path& file) {
        return WriteSettingFile(file, image, link, &m_error);
    });
}

SaveOutcome DeviceSettings::importFrom(const std::filesystem::path& source) {
    // The file is checked before a slot is taken: a refused file changes nothing.
    DeviceImage probe;
    if (!ReadSettingFile(source, probe, &m_error))
        return SaveOutcome::Failed;
    const std::u8string stem = source.stem().u8string();
    return store(std::string(stem.begin(), stem.end()), [&](const std::filesystem::path& file) {
        return CopySettingFile(source, file, &m_error);
    });
}

SaveOutcome DeviceSettings::store(std::string name,
                                  const std::function<bool(const std::filesystem::path&)>& write) {
    const auto highest = m_library.highestId(kTable);
    if (!highest) {
        m_error = m_library.lastError();
        return SaveOutcome::Failed;
    }
    m_error = {};
    const int id = *highest + 1;
    if (id > kDeviceSettingLimit)
        return SaveOutcome::Full;

    std::error_code ec;
    std::filesystem::path file = std::filesystem::absolute(m_folder / SettingFileName(id), ec);
    if (ec)
        file = m_folder / SettingFileName(id);
    // The file first: a row never names a file that is not complete.
    if (!write(file))
        return SaveOutcome::Failed;
    if (name.empty())
        name = DefaultPresetName(id);
    if (!m_library.insert(kTable, PresetRow{id, name, PathText(file)})) {
        m_error = m_library.lastError();
        std::filesystem::remove(file, ec);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

bool DeviceSettings::exportTo(std::string_view rowText, const std::filesystem::path& target) {
    const auto file = fileOf(rowText);
    if (!file)
        return false;
    return CopySettingFile(*file, target, &m_error);
}

std::optional<std::filesystem::path> DeviceSettings::fileOf(std::string_view rowText) {
    const auto ref = ParseRowText(rowText);
    if (!ref) {
        const std::string text(rowText);
        m_error = {"\"" + text + "\" is not a stored setting.", "“" + text + "”不是已存储的设置。"};
        return std::nullopt;
    }
    const auto row = m_library.fetch(kTable, ref->id);
    if (!row) {
        if (m_library.failed()) {
            m_error = m_library.lastError();
        } else {
            const std::string id = std::to_string(ref->id);
            m_error = {"The setting " + id + " no longer exists.", "设置 " + id + " 已不存在。"};
        }
        return std::nullopt;
    }
    m_error = {};
    const std::filesystem::path stored = PathOf(row->payload);
    if (Exists(stored))
        return stored;
    // The program and its files were moved since the row was written: the file of that
    // name in the settings folder is the one meant.
    const std::filesystem::path name = stored.filename();
    if (!name.empty() && IsFile(m_folder / name))
        return m_folder / name;
    return stored;
}

bool DeviceSettings::load(std::string_view rowText, DeviceImage& image,
                          std::vector<HeldField>* held) {
    const auto file = fileOf(rowText);
    if (!file)
        return false;
    return ReadSettingFile(*file, image, &m_error, nullptr, held);
}

bool DeviceSettings::rename(std::string_view rowText, std::string_view newName) {
    const auto ref = ParseRowText(rowText);
    if (!ref) {
        const std::string text(rowText);
        m_error = {"\"" + text + "\" is not a stored setting.", "“" + text + "”不是已存储的设置。"};
        return false;
    }
    if (!m_library.rename(kTable, ref->id, newName)) {
        m_error = m_library.lastError();
        return false;
    }
    m_error = {};
    return true;
}

bool DeviceSettings::remove(std::string_view rowText) {
    const auto file = fileOf(rowText);
    if (!file)
        return false;
    const int id = ParseRowText(rowText)->id;
    // A file already gone does not keep the row; a file that stays does, so that no row
    // is lost while its file still lies there. Only a file is removed, never a folder
    // that a damaged row might name.
    if (Exists(*file)) {
        const QString name = ToQString(*file);
        if (!IsFile(*file) || (!QFile::moveToTrash(name) && !QFile::remove(name))) {
            const std::string shown = PathText(*file);
            m_error = {"The setting file " + shown + " could not be deleted.",
                       "无法删除设置文件 " + shown + "。"};
            return false;
        }
    }
    if (!m_library.remove(kTable, id)) {
        m_error = m_library.lastError();
        return false;
    }
    m_error = {};
    return true;
}

} // namespace krm
