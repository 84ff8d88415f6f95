#pragma once
// SystemPage: the SYSTEM view of the main window. Section buttons along the top choose
// one of its sections; section 0 holds the address box "IP:" with OK, Search with its
// progress bar, CONNECT/DISCONNECT, OFFLINE and the list of found devices ("DEVICE IP",
// "PORT", no address twice). The other sections (SET, SHOW, HELP, DISPLAY, DEVICES) stay
// empty until the window gives them their pages.
// The page only shows state and reports the operator's requests; the main window acts.
// UI thread only.

#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace krm::ui {

class ToggleButton;

// The dark style of the page's device lists.
extern const char* const kDeviceListStyle;

class SystemPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSectionCount = 6;
    static constexpr int kDevicesSection = 5;

    explicit SystemPage(QWidget* parent = nullptr);

    void retranslate();
    void showSection(int section);
    // Gives a section its page (the page becomes a child of this one and shows with its
    // section); a page given before is deleted.
    void setSectionContent(int section, QWidget* content);
    QWidget* sectionContent(int section) const;
    // Gives a section a second page beside its content (right of it, 40 pixels apart); it
    // shows with its section. One given before is deleted.
    void setSectionAside(int section, QWidget* aside);
    QWidget* sectionAside(int section) const;
    int section() const { return m_section; }

    void setAddress(const QString& ip);
    QString address() const;
    // The box's text as a canonical dotted IPv4 address, or nothing when it is not one.
    std::optional<QString> typedAddress() const;
    // "DISCONNECT" while connected, else "CONNECT"; lit while connected.
    void setConnected(bool connected);
    bool connectedShown() const { return m_connected; }

    // Adds a row for a device that answered (the port it answered from, 39050 for a real
    // device); false (nothing added) when the address is listed already.
    bool addDevice(const QString& ip, int port = 39050);
    void clearDevices();
    int deviceCount() const;
    QString deviceAt(int row) const;

    // Search progress: host number 0..254; the bar shows only while a sweep runs.
    void setSearchProgress(int host);
    // A sweep over `total` hosts begins (254 per /24 network): the bar restarts at 0.
    void setSearchRange(int total);
    void setSearchVisible(bool visible);
    bool searchVisible() const;

    // Widgets, for the main window's tests.
    QLineEdit* addressBox() const { return m_address; }
    ToggleButton* okButton() const { return m_ok; }
    ToggleButton* searchButton() const { return m_search; }
    ToggleButton* connectButton() const { return m_connect; }
    ToggleButton* offlineButton() const { return m_offline; }
    QTreeWidget* deviceList() const { return m_devices; }
    QProgressBar* progressBar() const { return m_progress; }
    ToggleButton* sectionButton(int section) const {
        return m_sectionButtons[static_cast<std::size_t>(section)];
    }

signals:
    // OK pressed (or Return) with a valid dotted IPv4 address in the box.
    void addressConfirmed(const QString& ip);
    void searchPressed();
    void connectPressed();
    void offlinePressed();
    // A row of the device list was clicked.
    void devicePicked(const QString& ip);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void confirmAddress();
    void placeControls();

    int m_section = 0;
    bool m_connected = false;
    std::array<ToggleButton*, kSectionCount> m_sectionButtons{};
    // Sections 1 and up: null until the window gives the section its page.
    std::array<QWidget*, kSectionCount> m_contents{};
    std::array<QWidget*, kSectionCount> m_asides{};
    QLabel* m_addressLabel;
    QLineEdit* m_address;
    ToggleButton* m_ok;
    ToggleButton* m_search;
    ToggleButton* m_connect;
    ToggleButton* m_offline;
    QTreeWidget* m_devices;
    QProgressBar* m_progress;
};

} // namespace krm::ui
