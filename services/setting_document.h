#pragma once
// SettingDocument: what the window edits — the live device's settings, or a setting file
// prepared without the device (opened, or NEW with the factory values). Every page edits the
// one image through the edit service as always; the document only says where that image
// comes from and goes to, whether it has changes a file does not hold yet, and whether it
// holds settings the device does not have (then CONNECT asks before the device's dump
// replaces them).
//
// A document never sends: a file's settings reach a device through the RECALL resend
// (SettingRecall::send), after which the document is the device. The link-state bytes of a
// file are carried through as they were read, never invented; a file saved from the device
// takes them from the live link.
//
// UI thread only.

#include "link/clock.h"
#include "model/edit_service.h"
#include "model/message.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace krm {

class DeviceSession;

class SettingDocument final : private EditListener {
public:
    SettingDocument(EditService& edits, DeviceSession& session, Clock& clock);
    ~SettingDocument() override;
    SettingDocument(const SettingDocument&) = delete;
    SettingDocument& operator=(const SettingDocument&) = delete;

    // A file (opened, saved, or NEW and not saved yet) rather than the device.
    bool isFile() const { return m_isFile; }
    // The file's path; empty for the device and for a NEW file not saved yet.
    const std::filesystem::path& path() const { return m_path; }
    // A file whose image differs from what was last read or written (NEW: always until
    // saved).
    bool modified() const;
    // The image holds settings the device does not have: a file, or edits made on the
    // device's settings while not connected.
    bool holdsOfflineChanges() const { return m_isFile || m_offlineEdits; }

    // NEW: the factory values a RECOVERY writes (names in the interface's language).
    void newFile(bool chinese);
    // OPEN: a 23,240-byte setting file replaces the image; a short, long or unreadable file
    // is refused with the reason (naming the file) and nothing changes. `held` gets the
    // fields the file held out of range (read as their nearest value).
    bool open(const std::filesystem::path& file, Message& error,
              std::vector<HeldField>* held = nullptr);
    // SAVE (the file's own path) and SAVE AS; atomic. A device's settings saved as a file
    // carry the live link's state; the document then is that file.
    bool save(Message& error);
    bool saveAs(const std::filesystem::path& file, Message& error);
    // The device's settings are what the window edits again (after a connect, a send).
    void becomeDevice();

    // Called as a connect begins: the image as it stands is kept when it holds offline
    // changes, to be offered against the device's dump.
    void connecting();
    // The link went down or fell silent (OFFLINE), or came up again: edits made meanwhile
    // are offline changes, and what the device held when it went is kept to tell, when the
    // link heals, what changed on the device itself.
    void linkChanged();
    // When the link healed: the modules the device's dump changed against what the device
    // held when the link went, leaving out the operator's own offline edits; none when
    // unknown (the link went before the window had the device's settings).
    const std::optional<std::vector<ImageModule>>& changedOnDevice() const {
        return m_changedOnDevice;
    }
    // The device's dump replaced the image and the link is up. Returns the kept image when
    // it differs from the device's (the window asks which to keep); the document is the
    // device either way.
    std::optional<DeviceImage> deviceDumped();
    // The connect ended before the link came up, after the dump had replaced the image:
    // the kept settings come back and the document is what it was. True when they did.
    bool connectFailed();

private:
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    // The bytes a file of the image would hold, with the carried link-state bytes.
    std::vector<std::uint8_t> bytesOf(const DeviceImage& image) const;

    EditService& m_edits;
    DeviceSession& m_session;
    Clock& m_clock;
    bool m_isFile = false;
    bool m_untitled = false;
    bool m_offlineEdits = false;
    std::filesystem::path m_path;
    LinkStateBytes m_link{};
    std::vector<std::uint8_t> m_saved; // the file's bytes as last read or written
    bool linkUp() const;

    std::optional<DeviceImage> m_beforeConnect;
    // The image after the last offline edit: what the window holds when the link heals.
    std::optional<DeviceImage> m_offlineImage;
    // The device's settings as the window last had them (the start-up values before any
    // connect), kept when the link went.
    std::optional<DeviceImage> m_deviceAtLoss;
    std::optional<std::vector<ImageModule>> m_changedOnDevice;
    bool m_wasUp = false;
};

} // namespace krm
