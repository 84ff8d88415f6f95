#pragma once
// GroupsPage: the GROUPS view. Left, the four control groups: the selectors "CONTROL 1"
// .. "CONTROL 4" (radio buttons that may all be off), the group's name field, a member
// toggle for each input and output (labelled with the channel's name) and the link toggles
// offered for the kind of its members. Right, the four mute groups: selectors and member
// toggles. The rules live in group_rules.h; the page draws the image's group records and
// changes them only through those rules. Nothing on the page is sent to the device: the
// records only take effect when the window's group switches act on them.
//
// A membership change of a control group that is switched on switches it off first
// through the window (its switch released, the strips' markers grey), so that the strips
// never show a member list the record no longer holds.
//
// UI thread only.

#include "editors/editor_page.h"
#include "editors/pages/group_rules.h"
#include "model/edit_service.h"

#include <array>
#include <functional>

class QLineEdit;

namespace krm {

namespace ui {
class TextLabel;
class ToggleButton;
} // namespace ui

struct GroupsPageServices {
    // Switches control group g (1..4) off in the main window: its switch released, the
    // group un-applied and the strips redrawn. Null: the edit service alone switches it.
    std::function<void(int group)> switchControlGroupOff;
};

class GroupsPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    explicit GroupsPage(EditService& edits, GroupsPageServices services = {},
                        QWidget* parent = nullptr);
    ~GroupsPage() override;

    // A page, not a channel's editor: the channel is ignored.
    void openFor(int) override { refresh(); }
    void applyLanguage() override;
    void reload() override { refresh(); }
    // Loads every toggle, label and the name field from the image.
    void refresh();

    // What the controls do (also for tests). Groups are 1..4.
    void pressControlSelector(int group);
    void pressControlMember(Channel channel);
    void pressLink(ControlLink entry);
    void pressMuteSelector(int group);
    void pressMuteMember(Channel channel);
    // The name field's text written to the selected control group (cut to 15 GBK bytes).
    void writeName(const QString& text);

    int selectedControlGroup() const { return m_control; }
    int selectedMuteGroup() const { return m_mute; }
    MemberKind offeredLinks() const { return m_offered; }

    ui::ToggleButton* controlSelector(int group) const;
    ui::ToggleButton* muteSelector(int group) const;
    ui::ToggleButton* controlMember(Channel channel) const;
    ui::ToggleButton* muteMember(Channel channel) const;
    ui::ToggleButton* linkToggle(ControlLink entry) const;
    QLineEdit* nameField() const { return m_name; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kMembers = kInputCount + kOutputCount;
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    void layoutControls();
    static int slotOf(Channel channel);
    static Channel channelOf(int slot);

    EditService& m_edits;
    GroupsPageServices m_services;
    int m_control = 0; // selected control group, 0: none
    int m_mute = 0;    // selected mute group, 0: none
    MemberKind m_offered = MemberKind::None;

    std::array<ui::ToggleButton*, kGroupCount> m_controlSelectors{};
    std::array<ui::ToggleButton*, kGroupCount> m_muteSelectors{};
    std::array<ui::ToggleButton*, kMembers> m_controlMembers{};
    std::array<ui::ToggleButton*, kMembers> m_muteMembers{};
    std::array<ui::ToggleButton*, kLinkToggleCount> m_links{};
    ui::TextLabel* m_nameLabel = nullptr;
    QLineEdit* m_name = nullptr;
    ui::TextLabel* m_controlTitle = nullptr;
    ui::TextLabel* m_muteTitle = nullptr;
};

} // namespace krm
