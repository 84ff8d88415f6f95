#pragma once
// VenueSection: the system page's DEVICES list — the venue's known devices (typed, found by
// a search, or read from a rooms file) with their name, address, status, when each last
// answered and its firmware, and the buttons to add and remove devices and to switch the
// window to one. The page shows the watch's state and reports the operator's requests; the
// main window acts. UI thread only.

#include "services/venue_watch.h"

#include <QWidget>

class QLineEdit;
class QTreeWidget;

namespace krm::ui {

class ToggleButton;

class VenueSection : public QWidget {
    Q_OBJECT
public:
    explicit VenueSection(QWidget* parent = nullptr);

    void retranslate();
    // Rebuilds the rows from the watch's entries (the selection is kept); `now` is the
    // watch's clock, for "last seen".
    void showEntries(const std::vector<VenueWatch::Entry>& entries, Millis now);
    // The selected row's address, or empty.
    QString selectedAddress() const;

    QTreeWidget* list() const { return m_list; }
    QLineEdit* addressBox() const { return m_address; }
    QLineEdit* nameBox() const { return m_name; }
    ToggleButton* addButton() const { return m_add; }
    ToggleButton* addFoundButton() const { return m_addFound; }
    ToggleButton* roomsFileButton() const { return m_roomsFile; }
    ToggleButton* removeButton() const { return m_remove; }
    ToggleButton* switchButton() const { return m_switch; }

signals:
    void addRequested(const QString& address, const QString& name);
    void addFoundRequested();
    void roomsFileRequested();
    void removeRequested(const QString& address);
    // SWITCH TO (or a double click): the window goes to this device.
    void switchRequested(const QString& address);
    // The section came into view: its rows are brought up to date.
    void shown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_address;
    QLineEdit* m_name;
    ToggleButton* m_add;
    ToggleButton* m_addFound;
    ToggleButton* m_roomsFile;
    ToggleButton* m_remove;
    ToggleButton* m_switch;
    QTreeWidget* m_list;
};

// "12 s ago" / "12 秒前", "—" for never.
QString LastSeenText(Millis lastSeen, Millis now);
// "3.00" for the device's "300"; other texts as they are.
QString FirmwareText(const std::string& basicVersion);

} // namespace krm::ui
