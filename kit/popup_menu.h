#pragma once
// PopupMenu: the small owner-drawn popup menu that name buttons and preset/setting
// slots open. A title line ("SAVE") and a few items, each with the command number the
// owner acts on. It paints its items itself: text in the interface font at 16 px,
// vertically centred with tabs expanded; the highlighted item in a rectangle with a
// 1-pixel (49, 106, 197) outline filled with (193, 210, 238); disabled items greyed.
//
// Non-blocking: popup() shows it and returns; the choice arrives as commandChosen()
// (no nested event loop). UI thread only.

#include <QString>
#include <QWidget>

#include <vector>

namespace krm::ui {

struct PopupMenuItem {
    QString text;
    int command = 0;
    bool enabled = true;
};

class PopupMenu final : public QWidget {
    Q_OBJECT
public:
    // Command numbers of the owner-drawn menus.
    enum Command : int {
        PresetName = 32771,
        PresetRecall = 32773,
        PresetDelete = 32774,
        SlotName = 32775,
        SlotRecall = 32776,
        SlotDelete = 32777,
        SettingCompare = 32778,
        SettingExport = 32779,
    };

    explicit PopupMenu(QString title, std::vector<PopupMenuItem> items, QWidget* parent = nullptr);

    // "NAME", "RECALL", "DELETE" of a preset slot (32771, 32773, 32774).
    static PopupMenu* presetSlotMenu(QWidget* parent);
    // The same items with the second set of numbers (32775, 32776, 32777).
    static PopupMenu* secondPresetSlotMenu(QWidget* parent);
    // The stored settings' menu: NAME, RECALL, DELETE (32771, 32773, 32774), COMPARE
    // (32778: what differs from the device, before a recall) and EXPORT… (32779: a copy of
    // the setting's file wherever the operator wants it).
    static PopupMenu* settingSlotMenu(QWidget* parent);
    // "NAME" (32775) alone: the name buttons of the strips.
    static PopupMenu* nameOnlyMenu(QWidget* parent);

    QString title() const { return m_title; }
    const std::vector<PopupMenuItem>& items() const { return m_items; }
    void setItemEnabled(int command, bool enabled);
    // Shows the menu with its top-left corner at a global position.
    void popup(const QPoint& globalPos);
    int highlighted() const { return m_highlight; }

    // Geometry, for painting and tests: the title line and item i.
    QRect itemRect(int index) const;
    QSize sizeHint() const override;

signals:
    void commandChosen(int command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int itemAt(const QPoint& pos) const;
    void choose(int index);
    void moveHighlight(int step);

    QString m_title;
    std::vector<PopupMenuItem> m_items;
    int m_highlight = -1;
};

} // namespace krm::ui
