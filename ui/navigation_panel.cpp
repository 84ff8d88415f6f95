#include "ui/navigation_panel.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QLabel>
#include <QPainter>

namespace krm::ui {

NavigationPanel::NavigationPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("navigationPanel"));
    m_system = makeButton(QStringLiteral("navSystem"));
    m_group = makeButton(QStringLiteral("navGroup"));
    m_aux = makeButton(QStringLiteral("navAux"));
    m_clearMute = makeButton(QStringLiteral("navClearMute"));
    m_clearSolo = makeButton(QStringLiteral("navClearSolo"));
    m_phantom = makeButton(QStringLiteral("navPhantom"));
    m_heading = new QLabel(this);
    m_heading->setAlignment(Qt::AlignCenter);
    m_heading->setFont(style::font(14, true));
    QPalette pal = m_heading->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    m_heading->setPalette(pal);
    m_mute = makeButton(QStringLiteral("navMute"));
    m_view = makeButton(QStringLiteral("navView"));
    m_control = makeButton(QStringLiteral("navControl"));
    for (int g = 1; g <= kGroupCount; ++g) {
        auto* b = makeButton(QStringLiteral("navViewGroup%1").arg(g));
        b->setText(QString::number(g));
        connect(b, &ToggleButton::clicked, this, [this, g] { pressViewGroup(g); });
        m_viewGroups[static_cast<std::size_t>(g - 1)] = b;
    }
    m_groupReturn = makeButton(QStringLiteral("navGroupReturn"));
    for (std::size_t i = 0; i < m_mixes.size(); ++i) {
        const int mix = i == 0 ? 1 : static_cast<int>(i) + 2;
        auto* b = makeButton(QStringLiteral("navMix%1").arg(mix));
        b->setText(i == 0 ? QStringLiteral("LR") : QStringLiteral("AUX%1").arg(i));
        connect(b, &ToggleButton::clicked, this, [this, mix] { pressMix(mix); });
        m_mixes[i] = b;
    }
    m_mixReturn = makeButton(QStringLiteral("navMixReturn"));

    connect(m_system, &ToggleButton::clicked, this, [this] { pressSystem(); });
    connect(m_phantom, &ToggleButton::clicked, this, [this] { pressPhantom(); });
    connect(m_group, &ToggleButton::clicked, this, [this] {
        emit channelViewWanted();
        setMode(GroupButtons);
    });
    connect(m_aux, &ToggleButton::clicked, this, [this] {
        emit channelViewWanted();
        setMode(MixButtons);
        setCurrentMix(m_mix);
    });
    connect(m_clearMute, &ToggleButton::clicked, this, [this] { emit clearMutesRequested(); });
    connect(m_clearSolo, &ToggleButton::clicked, this, [this] { emit clearSolosRequested(); });
    connect(m_mute, &ToggleButton::clicked, this, [this] { pressGroupPage(m_mute, View::Matrix); });
    connect(m_view, &ToggleButton::clicked, this, [this] { pressGroupPage(m_view, View::Mode); });
    connect(m_control, &ToggleButton::clicked, this,
            [this] { pressGroupPage(m_control, View::Groups); });
    connect(m_groupReturn, &ToggleButton::clicked, this, [this] {
        m_mute->setState(false);
        m_view->setState(false);
        setMode(MainButtons);
        emit viewRequested(View::Channel);
    });
    connect(m_mixReturn, &ToggleButton::clicked, this, [this] {
        setMode(MainButtons);
        emit viewRequested(View::Channel);
    });
    retranslate();
    setMode(MainButtons);
}

ToggleButton* NavigationPanel::makeButton(const QString& name) {
    auto* b = new ToggleButton({}, this);
    b->setObjectName(name);
    b->setLitColor(style::kLitBlue);
    b->setTextPixelSize(13);
    return b;
}

void NavigationPanel::retranslate() {
    m_system->setText(text("SYSTEM", "系统"));
    m_group->setText(text("GROUP", "分组"));
    m_aux->setText(QStringLiteral("AUX"));
    m_clearMute->setText(text("CLEAR MUTE", "清除静音"));
    m_clearSolo->setText(text("CLEAR SOLO", "清除监听"));
    m_phantom->setText(text("PHANTOM", "幻象电源"));
    m_heading->setText(text("GROUP", "分组"));
    m_mute->setText(text("MUTE", "静音分组"));
    m_view->setText(QStringLiteral("VIEW"));
    m_control->setText(text("CONTROL", "控制分组"));
    m_groupReturn->setText(text("RETURN", "返回"));
    m_mixReturn->setText(text("RETURN", "返回"));
    retranslateTips();
}

void NavigationPanel::retranslateTips() {
    m_system->setToolTip(text("Show or leave the system page", "显示或离开系统页面"));
    m_group->setToolTip(text("Show the strips of one control group or mute group",
                             "显示一个控制分组或静音分组的推子"));
    m_aux->setToolTip(text("Choose which mix the strips show: LR or an aux send",
                           "选择推子显示的混音：主输出或辅助发送"));
    m_clearMute->setToolTip(text("Unmute every channel", "取消所有通道的静音"));
    m_clearSolo->setToolTip(text("Switch every solo off", "关闭所有监听"));
    m_phantom->setToolTip(text("Phantom power of the microphone inputs", "话筒输入的幻象电源"));
    m_mute->setToolTip(text("Show the strips of a mute group", "显示静音分组的推子"));
    m_view->setToolTip(text("Show the strips of a control group", "显示控制分组的推子"));
    m_control->setToolTip(text("Set up the groups", "设置分组"));
    m_groupReturn->setToolTip(text("Back to the main buttons", "返回主按钮"));
    m_mixReturn->setToolTip(text("Back to the main buttons", "返回主按钮"));
}

ToggleButton* NavigationPanel::mixButton(int mix) const {
    if (mix == 1)
        return m_mixes[0];
    if (mix >= 3 && mix <= 8)
        return m_mixes[static_cast<std::size_t>(mix - 2)];
    return nullptr;
}

std::vector<ToggleButton*> NavigationPanel::buttonsOfMode(int mode) const {
    switch (mode) {
    case MainButtons:
        return {m_system, m_group, m_aux, m_clearMute, m_clearSolo, m_phantom};
    case GroupButtons: {
        std::vector<ToggleButton*> v{m_mute, m_view, m_control};
        v.insert(v.end(), m_viewGroups.begin(), m_viewGroups.end());
        v.push_back(m_groupReturn);
        return v;
    }
    default: {
        std::vector<ToggleButton*> v(m_mixes.begin(), m_mixes.end());
        v.push_back(m_mixReturn);
        return v;
    }
    }
}

void NavigationPanel::setMode(int mode) {
    if (mode < MainButtons || mode > MixButtons)
        return;
    m_mode = mode;
    for (int m = MainButtons; m <= MixButtons; ++m)
        for (ToggleButton* b : buttonsOfMode(m))
            b->setVisible(m == mode);
    m_heading->setVisible(mode == GroupButtons);
    placeButtons();
}

void NavigationPanel::setCurrentMix(int mix) {
    if (mixButton(mix) == nullptr)
        return;
    m_mix = mix;
    for (std::size_t i = 0; i < m_mixes.size(); ++i)
        m_mixes[i]->setState(m_mixes[i] == mixButton(mix));
}

void NavigationPanel::setPageLit(View view) {
    m_system->setState(view == View::System);
    m_phantom->setState(view == View::Phantom);
    m_mute->setState(view == View::Matrix);
    m_view->setState(view == View::Mode);
    m_control->setState(view == View::Groups);
}

void NavigationPanel::setViewGroupLit(int group) {
    for (int g = 1; g <= kGroupCount; ++g)
        m_viewGroups[static_cast<std::size_t>(g - 1)]->setState(g == group);
}

void NavigationPanel::pressSystem() {
    const bool lit = !m_system->state();
    m_system->setState(lit);
    m_phantom->setState(false);
    emit viewRequested(lit ? View::System : View::Channel);
}

void NavigationPanel::pressPhantom() {
    const bool lit = !m_phantom->state();
    m_phantom->setState(lit);
    m_system->setState(false);
    emit viewRequested(lit ? View::Phantom : View::Channel);
}

void NavigationPanel::pressGroupPage(ToggleButton* pressed, View view) {
    const bool lit = !pressed->state();
    for (ToggleButton* b : {m_mute, m_view, m_control})
        b->setState(false);
    pressed->setState(lit);
    emit viewRequested(lit ? view : View::Channel);
}

void NavigationPanel::pressViewGroup(int group) {
    ToggleButton* pressed = m_viewGroups[static_cast<std::size_t>(group - 1)];
    const bool lit = !pressed->state();
    for (ToggleButton* b : m_viewGroups)
        b->setState(false);
    pressed->setState(lit);
    emit groupRequested(lit ? group : 0);
}

void NavigationPanel::pressMix(int mix) {
    setCurrentMix(mix);
    emit mixRequested(mix);
}

void NavigationPanel::placeButtons() {
    const int margin = 6;
    const int w = width() - 2 * margin;
    int y = margin;
    if (m_mode == GroupButtons) {
        m_heading->setGeometry(margin, y, w, 28);
        y += 34;
    }
    for (ToggleButton* b : buttonsOfMode(m_mode)) {
        b->setGeometry(margin, y, w, 40);
        y += 46;
    }
}

void NavigationPanel::resizeEvent(QResizeEvent*) {
    placeButtons();
}

void NavigationPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    style::paintPanel(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, style::kPanel,
                      style::kBorder);
}

} // namespace krm::ui
