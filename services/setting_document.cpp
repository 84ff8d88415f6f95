#include "services/setting_document.h"

#include "model/device_session.h"
#include "presets/link_state.h"
#include "update/factory_recovery.h"

#include <algorithm>
#include <utility>

namespace krm {

namespace {

// The device's settings with the operator's own offline edits laid over them: every 32-bit
// word of the setting's bytes that the operator changed (`before` → `edited`) takes the
// edited value; every other word keeps the device's, so what changed on the device itself
// stays.
DeviceImage OverlayEdits(const DeviceImage& device, const DeviceImage& before,
                         const DeviceImage& edited) {
    const std::vector<std::uint8_t> b = EncodeSettingFile(before, LinkStateRecord{});
    const std::vector<std::uint8_t> e = EncodeSettingFile(edited, LinkStateRecord{});
    std::vector<std::uint8_t> merged = EncodeSettingFile(device, LinkStateRecord{});
    for (std::size_t at = 0; at + 4 <= merged.size(); at += 4)
        if (!std::equal(b.begin() + static_cast<std::ptrdiff_t>(at),
                        b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                        e.begin() + static_cast<std::ptrdiff_t>(at)))
            std::copy_n(e.begin() + static_cast<std::ptrdiff_t>(at), 4,
                        merged.begin() + static_cast<std::ptrdiff_t>(at));
    DeviceImage result = device;
    DecodeSettingFile(merged, result);
    return result;
}

} // namespace

SettingDocument::SettingDocument(EditService& edits, DeviceSession& session, Clock& clock)
    : m_edits(edits), m_session(session), m_clock(clock) {
    m_edits.addListener(this);
    // Edits made before the first connect are laid over the device's settings by
    // themselves, as edits made while the link was down are.
    m_deviceAtLoss = m_edits.image();
}

SettingDocument::~SettingDocument() {
    m_edits.removeListener(this);
}

std::vector<std::uint8_t> SettingDocument::bytesOf(const DeviceImage& image) const {
    std::vector<std::uint8_t> bytes = EncodeSettingFile(image, LinkStateRecord{});
    std::copy(m_link.begin(), m_link.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(kLinkStateOffset));
    return bytes;
}

bool SettingDocument::modified() const {
    if (!m_isFile)
        return false;
    return m_untitled || bytesOf(m_edits.image()) != m_saved;
}

bool SettingDocument::linkUp() const {
    return m_session.isOnline() && m_session.indicatorLit();
}

void SettingDocument::edited(const Parameter*, const std::vector<Channel>&) {
    // The device's own reports never come this way: only the operator's edits do.
    if (m_isFile || linkUp())
        return;
    m_offlineEdits = true;
    m_offlineImage = m_edits.image();
}

void SettingDocument::linkChanged() {
    const bool up = linkUp();
    if (m_wasUp && !up && !m_isFile && !m_offlineEdits)
        m_deviceAtLoss = m_edits.image();
    m_wasUp = up;
}

void SettingDocument::newFile(bool chinese) {
    DeviceImage image = m_edits.image();
    ResetToStartupValues(image);
    WriteFactoryValues(image, chinese);
    m_edits.image() = image;
    m_edits.deviceReplaced();
    // A program that never connected: offline, no tries, no times.
    const std::vector<std::uint8_t> bytes = EncodeSettingFile(image, LinkStateRecord{});
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(kLinkStateOffset), kLinkStateSize,
                m_link.begin());
    m_saved = bytes;
    m_isFile = true;
    m_untitled = true;
    m_offlineEdits = false;
    m_offlineImage.reset();
    m_deviceAtLoss.reset();
    m_path.clear();
}

bool SettingDocument::open(const std::filesystem::path& file, Message& error,
                           std::vector<HeldField>* held) {
    OpenedSettingFile opened;
    if (!OpenSettingFile(file, opened, &error))
        return false;
    m_edits.image() = opened.image;
    m_edits.deviceReplaced();
    m_link = opened.link;
    m_saved = bytesOf(m_edits.image());
    m_isFile = true;
    m_untitled = false;
    m_offlineEdits = false;
    m_offlineImage.reset();
    m_deviceAtLoss.reset();
    m_path = file;
    if (held)
        *held = std::move(opened.held);
    return true;
}

bool SettingDocument::save(Message& error) {
    if (!m_isFile || m_path.empty()) {
        error = {"The settings have no file yet: use SAVE AS.", "设置尚无文件：请使用另存为。"};
        return false;
    }
    return saveAs(m_path, error);
}

bool SettingDocument::saveAs(const std::filesystem::path& file, Message& error) {
    if (!m_isFile) {
        // The device's settings: the file records the live link's state of the moment.
        const std::vector<std::uint8_t> bytes =
            EncodeSettingFile(m_edits.image(), LinkStateOf(m_session, m_clock));
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(kLinkStateOffset), kLinkStateSize,
                    m_link.begin());
    }
    OpenedSettingFile edited;
    edited.image = m_edits.image();
    edited.link = m_link;
    if (!SaveSettingFile(file, edited, &error))
        return false;
    m_saved = bytesOf(m_edits.image());
    m_isFile = true;
    m_untitled = false;
    m_offlineEdits = false;
    m_path = file;
    return true;
}

void SettingDocument::becomeDevice() {
    m_isFile = false;
    m_untitled = false;
    m_offlineEdits = false;
    m_path.clear();
    m_beforeConnect.reset();
    m_offlineImage.reset();
    m_deviceAtLoss.reset();
}

void SettingDocument::connecting() {
    // A file is offered whole; edits made on the device's settings while not connected are
    // offered by themselves (deviceDumped()).
    if (m_isFile)
        m_beforeConnect = m_edits.image();
    else
        m_beforeConnect.reset();
}

bool SettingDocument::connectFailed() {
    std::optional<DeviceImage> back = std::exchange(m_beforeConnect, std::nullopt);
    if (!back && m_offlineEdits)
        back = m_offlineImage;
    if (!back)
        return false;
    m_edits.image() = std::move(*back);
    m_edits.deviceReplaced();
    return true;
}

std::optional<DeviceImage> SettingDocument::deviceDumped() {
    std::optional<DeviceImage> kept = std::move(m_beforeConnect);
    if (!kept && m_offlineEdits && m_offlineImage)
        kept = m_deviceAtLoss ? OverlayEdits(m_edits.image(), *m_deviceAtLoss, *m_offlineImage)
                              : *m_offlineImage;
    m_changedOnDevice.reset();
    if (m_deviceAtLoss)
        m_changedOnDevice = ChangedModules(*m_deviceAtLoss, m_edits.image());
    becomeDevice();
    if (kept && EncodeSettingFile(*kept, LinkStateRecord{}) ==
                    EncodeSettingFile(m_edits.image(), LinkStateRecord{}))
        kept.reset(); // the device already has every one of them
    return kept;
}

} // namespace krm
