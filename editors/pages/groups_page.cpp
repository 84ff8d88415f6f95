#include "editors/pages/groups_page.h"

#include "editors/strips/strip_group.h"
#include "kit/kit_style.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace krm {

namespace {

constexpr int kMemberColumns = 5;
constexpr int kLinkColumns = 6; // at most six toggles are offered for one kind

QString channelName(const DeviceImage& image, Channel c) {
    const Name16& name = c.isInput() ? image.inputs[static_cast<std::size_t>(c.index)].name
                                     : image.outputs[static_cast<std::size_t>(c.index)].name;
    if (!name.empty())
        return QString::fromStdString(name.toUtf8());
    return QString::fromStdString(
        (c.isInput() ? DefaultInputName(c.index) : DefaultOutputName(c.index)).toUtf8());
}

// A group page change as an undo step: "CONTROL GROUP 2 MEMBER CH3", "控制分组 2 成员 CH3".
StepName groupStep(bool control, int group, TextPair what, const std::string& tail,
                   const std::string& tailZh) {
    const std::string g = " " + std::to_string(group) + " ";
    auto rest = [](const std::string& t) { return t.empty() ? t : " " + t; };
    return {std::string(control ? "CONTROL GROUP" : "MUTE GROUP") + g + what.en + rest(tail),
            std::string(control ? "控制分组" : "静音分组") + g + what.zh + rest(tailZh)};
}

StepName groupStep(bool control, int group, TextPair what, const std::string& tail) {
    return groupStep(control, group, what, tail, tail);
}

ui::ToggleButton* makeToggle(QWidget* parent, const QColor& lit, const QString& name) {
    auto* b = new ui::ToggleButton({}, parent);
    b->setLitColor(lit);
    b->setObjectName(name);
    b->setTextPixelSize(11);
    return b;
}

} // namespace

GroupsPage::GroupsPage(EditService& edits, GroupsPageServices services, QWidget* parent)
    : EditorPage(parent), m_edits(edits), m_services(std::move(services)) {
    setObjectName(QStringLiteral("groupsPage"));
    m_controlTitle = new ui::TextLabel({}, this);
    m_muteTitle = new ui::TextLabel({}, this);
    for (ui::TextLabel* t : {m_controlTitle, m_muteTitle}) {
        t->setPixelSize(14);
        t->setBold(true);
        t->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int g = 1; g <= kGroupCount; ++g) {
        auto* control =
            makeToggle(this, groupMarkerColour(g), QStringLiteral("controlSelector%1").arg(g));
        connect(control, &ui::ToggleButton::clicked, this, [this, g] { pressControlSelector(g); });
        m_controlSelectors[static_cast<std::size_t>(g - 1)] = control;
        auto* mute = makeToggle(this, ui::style::kLitRed, QStringLiteral("muteSelector%1").arg(g));
        connect(mute, &ui::ToggleButton::clicked, this, [this, g] { pressMuteSelector(g); });
        m_muteSelectors[static_cast<std::size_t>(g - 1)] = mute;
    }
    for (int s = 0; s < kMembers; ++s) {
        const Channel c = channelOf(s);
        auto* control =
            makeToggle(this, ui::style::kLitAmber, QStringLiteral("controlMember%1").arg(s));
        connect(control, &ui::ToggleButton::clicked, this, [this, c] { pressControlMember(c); });
        m_controlMembers[static_cast<std::size_t>(s)] = control;
        auto* mute = makeToggle(this, ui::style::kLitRed, QStringLiteral("muteMember%1").arg(s));
        connect(mute, &ui::ToggleButton::clicked, this, [this, c] { pressMuteMember(c); });
        m_muteMembers[static_cast<std::size_t>(s)] = mute;
    }
    for (int i = 0; i < kLinkToggleCount; ++i) {
        const ControlLink entry = kLinkToggles[static_cast<std::size_t>(i)].entry;
        auto* link = makeToggle(this, ui::style::kLitBlue, QStringLiteral("link%1").arg(entry));
        connect(link, &ui::ToggleButton::clicked, this, [this, entry] { pressLink(entry); });
        m_links[static_cast<std::size_t>(i)] = link;
    }
    m_nameLabel = new ui::TextLabel({}, this);
    m_nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("groupName"));
    m_name->setStyleSheet(QStringLiteral("QLineEdit { background: #101114; color: #dbe6f0;"
                                         " border: 1px solid #3e434d; padding: 1px 4px; }"
                                         "QLineEdit:disabled { color: #606670; }") +
                          ui::style::focusStyleSheet());
    // Enter or leaving the field stores what was typed; the field then shows the name as
    // stored (cut to what the record holds).
    connect(m_name, &QLineEdit::editingFinished, this, [this] { writeName(m_name->text()); });
    m_edits.addListener(this);
    applyLanguage();
    refresh();
}

GroupsPage::~GroupsPage() {
    m_edits.removeListener(this);
}

int GroupsPage::slotOf(Channel channel) {
    return channel.isInput() ? channel.index : kInputCount + channel.index;
}

Channel GroupsPage::channelOf(int slot) {
    return slot < kInputCount ? Channel::input(slot) : Channel::output(slot - kInputCount);
}

ui::ToggleButton* GroupsPage::controlSelector(int group) const {
    return m_controlSelectors[static_cast<std::size_t>(group - 1)];
}

ui::ToggleButton* GroupsPage::muteSelector(int group) const {
    return m_muteSelectors[static_cast<std::size_t>(group - 1)];
}

ui::ToggleButton* GroupsPage::controlMember(Channel channel) const {
    return m_controlMembers[static_cast<std::size_t>(slotOf(channel))];
}

ui::ToggleButton* GroupsPage::muteMember(Channel channel) const {
    return m_muteMembers[static_cast<std::size_t>(slotOf(channel))];
}

ui::ToggleButton* GroupsPage::linkToggle(ControlLink entry) const {
    for (int i = 0; i < kLinkToggleCount; ++i)
        if (kLinkToggles[static_cast<std::size_t>(i)].entry == entry)
            return m_links[static_cast<std::size_t>(i)];
    return nullptr;
}

void GroupsPage::applyLanguage() {
    for (int g = 1; g <= kGroupCount; ++g) {
        controlSelector(g)->setText(ui::text("CONTROL", "控制") + QStringLiteral(" %1").arg(g));
        muteSelector(g)->setText(ui::text("MUTE", "静音") + QStringLiteral(" %1").arg(g));
        controlSelector(g)->setToolTip(
            ui::text("Choose the members of control group %1", "选择控制分组%1的成员").arg(g));
        muteSelector(g)->setToolTip(
            ui::text("Choose the members of mute group %1", "选择静音分组%1的成员").arg(g));
    }
    for (ui::ToggleButton* member : m_controlMembers)
        member->setToolTip(ui::text("Add this channel to the chosen control group or take it out",
                                    "将此通道加入所选控制分组或从中移出"));
    for (ui::ToggleButton* member : m_muteMembers)
        member->setToolTip(ui::text("Add this channel to the chosen mute group or take it out",
                                    "将此通道加入所选静音分组或从中移出"));
    for (int i = 0; i < kLinkToggleCount; ++i) {
        const LinkToggle& t = kLinkToggles[static_cast<std::size_t>(i)];
        m_links[static_cast<std::size_t>(i)]->setText(ui::text(t.en, t.zh));
        m_links[static_cast<std::size_t>(i)]->setToolTip(
            ui::text("The members of the chosen control group move their %1 together",
                     "所选控制分组的成员一起调节%1")
                .arg(ui::text(t.en, t.zh)));
    }
    m_nameLabel->setText(ui::text("CONTROL GROUP NAME", "控制分组名称"));
    m_controlTitle->setText(ui::text("CONTROL GROUPS", "控制分组"));
    m_muteTitle->setText(ui::text("MUTE GROUPS", "静音分组"));
}

void GroupsPage::refresh() {
    const DeviceImage& image = m_edits.image();
    for (int g = 1; g <= kGroupCount; ++g) {
        controlSelector(g)->setState(g == m_control);
        muteSelector(g)->setState(g == m_mute);
    }
    const ControlGroup* control =
        m_control != 0 ? &image.controlGroups[static_cast<std::size_t>(m_control - 1)] : nullptr;
    const MuteGroup* mute =
        m_mute != 0 ? &image.muteGroups[static_cast<std::size_t>(m_mute - 1)] : nullptr;
    const QColor controlLit = groupMarkerColour(m_control);
    for (int s = 0; s < kMembers; ++s) {
        const Channel c = channelOf(s);
        const QString name = channelName(image, c);
        ui::ToggleButton* cm = m_controlMembers[static_cast<std::size_t>(s)];
        cm->setText(name);
        cm->setLitColor(controlLit);
        cm->setState(control && (c.isInput() ? control->input(c.index) : control->output(c.index)));
        ui::ToggleButton* mm = m_muteMembers[static_cast<std::size_t>(s)];
        mm->setText(name);
        mm->setState(mute && (c.isInput() ? mute->input(c.index) : mute->output(c.index)));
    }
    for (int i = 0; i < kLinkToggleCount; ++i) {
        const LinkToggle& t = kLinkToggles[static_cast<std::size_t>(i)];
        m_links[static_cast<std::size_t>(i)]->setState(control && control->link(t.entry) != 0);
    }
    // The field is left alone while the operator types in it.
    if (!m_name->hasFocus())
        m_name->setText(control ? QString::fromStdString(control->name().toUtf8()) : QString());
    m_name->setEnabled(control != nullptr);
    layoutControls();
}

void GroupsPage::pressControlSelector(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    if (group == m_control) {
        m_control = 0;
    } else {
        m_control = group;
        // The offered links follow the members; an empty group keeps what was offered.
        const MemberKind kind =
            ControlGroupKind(m_edits.image().controlGroups[static_cast<std::size_t>(group - 1)]);
        if (kind != MemberKind::None)
            m_offered = kind;
    }
    m_name->clearFocus();
    refresh();
}

void GroupsPage::pressControlMember(Channel channel) {
    if (m_control == 0)
        return;
    DeviceImage& image = m_edits.image();
    if (CheckControlMember(image, m_control, channel) != MemberRefusal::None)
        return; // refusals are silent
    m_offered = MemberKindOf(channel);
    // Switching the group off and the new member are one step: undone, the group comes
    // back on with its old members.
    EditService::StepScope step(
        m_edits, groupStep(true, m_control, {"MEMBER", "成员"}, ChannelTitle(image, channel)));
    // The strips of a switched-on group show its member list: switch it off before the
    // list changes, the window's switch released with it.
    if (image.controlGroupActive[static_cast<std::size_t>(m_control - 1)] != 0) {
        if (m_services.switchControlGroupOff)
            m_services.switchControlGroupOff(m_control);
        else
            m_edits.switchControlGroup(m_control, false);
    }
    FlipControlMember(image, m_control, channel);
    m_edits.record();
    refresh();
}

void GroupsPage::pressLink(ControlLink entry) {
    if (m_control == 0)
        return;
    // Not re-applied: the strips take the new block the next time the group is switched on.
    FlipControlLink(m_edits.image(), m_control, entry);
    const auto toggle = std::find_if(kLinkToggles.begin(), kLinkToggles.end(),
                                     [entry](const LinkToggle& t) { return t.entry == entry; });
    m_edits.record(toggle == kLinkToggles.end()
                       ? StepName{}
                       : groupStep(true, m_control, {"LINK", "联动"}, toggle->en, toggle->zh));
    refresh();
}

void GroupsPage::pressMuteSelector(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    m_mute = group == m_mute ? 0 : group;
    refresh();
}

void GroupsPage::pressMuteMember(Channel channel) {
    if (m_mute == 0)
        return;
    FlipMuteMember(m_edits.image(), m_mute, channel);
    m_edits.record(
        groupStep(false, m_mute, {"MEMBER", "成员"}, ChannelTitle(m_edits.image(), channel)));
    refresh();
}

void GroupsPage::writeName(const QString& text) {
    if (m_control == 0)
        return;
    const Name16 stored = SetControlGroupName(m_edits.image(), m_control, text.toStdU16String());
    m_edits.record(groupStep(true, m_control, {"NAME", "名称"}, stored.toUtf8()));
    m_name->setText(QString::fromStdString(stored.toUtf8()));
}

void GroupsPage::edited(const Parameter*, const std::vector<Channel>&) {
    // A rename, a recalled setting or a control group switched from the window: the
    // member labels and records may have changed.
    if (isVisible())
        refresh();
}

void GroupsPage::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    refresh();
}

void GroupsPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutControls();
}

void GroupsPage::layoutControls() {
    // Two halves, control groups left and mute groups right; rows follow the height so the
    // page fits from a 768-pixel screen up.
    const int margin = 12;
    const int half = (width() - 3 * margin) / 2;
    const int pitch = std::clamp(height() / 12, 26, 44);
    const int rowH = pitch - 6;
    const int gap = pitch / 2;
    auto row = [&](double r) { return margin + static_cast<int>(r * pitch); };
    auto cell = [&](int left, int columns, int i, int top) {
        const int w = (half - (columns - 1) * 6) / columns;
        return QRect(left + (i % columns) * (w + 6), top + (i / columns) * pitch, w, rowH);
    };
    const int leftX = margin;
    const int rightX = 2 * margin + half;

    m_controlTitle->setGeometry(leftX, row(0), half, rowH);
    m_muteTitle->setGeometry(rightX, row(0), half, rowH);
    for (int g = 0; g < kGroupCount; ++g) {
        m_controlSelectors[static_cast<std::size_t>(g)]->setGeometry(cell(leftX, 4, g, row(1)));
        m_muteSelectors[static_cast<std::size_t>(g)]->setGeometry(cell(rightX, 4, g, row(1)));
    }
    const int labelW = half / 3;
    m_nameLabel->setGeometry(leftX, row(2), labelW - 8, rowH);
    m_name->setGeometry(leftX + labelW, row(2), half - labelW, rowH);

    const int inputsTop = row(3) + gap;
    const int outputsTop = inputsTop + 4 * pitch + gap;
    for (int s = 0; s < kMembers; ++s) {
        const bool output = s >= kInputCount;
        const int i = output ? s - kInputCount : s;
        const int top = output ? outputsTop : inputsTop;
        m_controlMembers[static_cast<std::size_t>(s)]->setGeometry(
            cell(leftX, kMemberColumns, i, top));
        m_muteMembers[static_cast<std::size_t>(s)]->setGeometry(
            cell(rightX, kMemberColumns, i, top));
    }
    // Only the toggles of the offered kind show, side by side in the page's order.
    const int linksTop = outputsTop + 2 * pitch + gap;
    int shown = 0;
    for (int i = 0; i < kLinkToggleCount; ++i) {
        ui::ToggleButton* b = m_links[static_cast<std::size_t>(i)];
        const bool offered = LinkOffered(kLinkToggles[static_cast<std::size_t>(i)], m_offered);
        b->setVisible(offered);
        if (offered)
            b->setGeometry(cell(leftX, kLinkColumns, shown++, linksTop));
    }
}

void GroupsPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
    // A thin rule between the two halves.
    const int x = width() / 2;
    p.fillRect(QRect(x, 12, 1, height() - 24), ui::style::kBorder);
}

} // namespace krm
