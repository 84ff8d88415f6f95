#include "ui/top_bar.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QLabel>
#include <QPainter>

namespace krm::ui {

namespace {

const std::array<TextPair, 4> kBankTexts{{
    {"CH1-8", "通道1-8"},
    {"CH9-16", "通道9-16"},
    {"CH17-20", "通道17-20"},
    {"OUTPUTS", "输出"},
}};

// In the order of kViewButtonOrder.
const std::array<TextPair, 5> kViewTexts{{
    {"CHANNEL", "通道"},
    {"MATRIX", "矩阵"},
    {"MODE", "模式"},
    {"SYSTEM", "系统"},
    {"GROUPS", "分组"},
}};

// The group marker colours, also used to light the group switches.
const std::array<QColor, kGroupCount> kGroupColours{QColor(173, 67, 67), QColor(40, 210, 112),
                                                    QColor(226, 209, 68), QColor(85, 117, 218)};

QLabel* makeLabel(QWidget* parent, int pixels, bool bold = false) {
    auto* label = new QLabel(parent);
    label->setFont(style::font(pixels, bold));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    label->setPalette(pal);
    return label;
}

} // namespace

TopBar::TopBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("topBar"));
    m_title = makeLabel(this, 22, true);
    m_title->setText(QStringLiteral("KRM-416X"));
    m_title->setObjectName(QStringLiteral("titleLabel"));

    for (int b = 1; b <= 4; ++b) {
        auto* button = new ToggleButton({}, this);
        button->setControlId(b);
        button->setLitColor(style::kLitAmber);
        button->setObjectName(QStringLiteral("bankButton%1").arg(b));
        connect(button, &ToggleButton::clicked, this, [this](int id) { emit bankPressed(id); });
        m_banks[static_cast<std::size_t>(b - 1)] = button;
    }
    for (std::size_t i = 0; i < m_views.size(); ++i) {
        auto* button = new ToggleButton({}, this);
        button->setControlId(static_cast<int>(kViewButtonOrder[i]));
        button->setLitColor(style::kLitBlue);
        button->setTextPixelSize(14);
        button->setObjectName(QStringLiteral("viewButton%1").arg(i));
        connect(button, &ToggleButton::clicked, this,
                [this](int id) { emit viewPressed(static_cast<View>(id)); });
        m_views[i] = button;
    }
    m_muteLabel = makeLabel(this, 12, true);
    m_controlLabel = makeLabel(this, 12, true);
    for (int g = 1; g <= kGroupCount; ++g) {
        const QColor colour = kGroupColours[static_cast<std::size_t>(g - 1)];
        auto* mute = new ToggleButton(QString::number(g), this);
        mute->setControlId(g);
        mute->setLitColor(style::kLitRed);
        mute->setObjectName(QStringLiteral("muteGroup%1").arg(g));
        connect(mute, &ToggleButton::clicked, this, [this](int id) { emit muteGroupPressed(id); });
        m_muteGroups[static_cast<std::size_t>(g - 1)] = mute;

        auto* control = new ToggleButton(QString::number(g), this);
        control->setControlId(g);
        control->setLitColor(colour);
        control->setObjectName(QStringLiteral("controlGroup%1").arg(g));
        connect(control, &ToggleButton::clicked, this,
                [this](int id) { emit controlGroupPressed(id); });
        m_controlGroups[static_cast<std::size_t>(g - 1)] = control;
    }

    m_indicator = new ToggleButton({}, this);
    m_indicator->setLitColor(style::kLitGreen);
    m_indicator->setObjectName(QStringLiteral("linkIndicator"));
    connect(m_indicator, &ToggleButton::clicked, this, [this] {
        // While lit the indicator does nothing.
        if (!m_linkLit)
            emit linkIndicatorPressed();
    });
    m_status = makeLabel(this, 16, true);
    m_status->setObjectName(QStringLiteral("statusLabel"));

    m_navigation = new ToggleButton({}, this);
    m_navigation->setObjectName(QStringLiteral("navigationButton"));
    m_navigation->setLitColor(style::kLitBlue);
    m_navigation->setTextPixelSize(14);
    connect(m_navigation, &ToggleButton::clicked, this, [this] { emit navigationPressed(); });
    m_about = new ToggleButton({}, this);
    m_about->setObjectName(QStringLiteral("aboutButton"));
    m_about->setTextPixelSize(13);
    connect(m_about, &ToggleButton::clicked, this, [this] { emit aboutPressed(); });
    auto makeHistoryButton = [this](const char* name, void (TopBar::*pressed)()) {
        auto* button = new ToggleButton({}, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setTextPixelSize(13);
        connect(button, &ToggleButton::clicked, this, [this, pressed] { emit(this->*pressed)(); });
        return button;
    };
    m_undo = makeHistoryButton("undoButton", &TopBar::undoPressed);
    m_redo = makeHistoryButton("redoButton", &TopBar::redoPressed);
    m_history = makeHistoryButton("historyButton", &TopBar::historyPressed);
    m_file = makeHistoryButton("fileButton", &TopBar::filePressed);
    setUndoTips({}, {});
    m_home = makeLabel(this, 14);
    m_home->hide();

    retranslate();
    setLinkShown(false);
}

void TopBar::applyMetrics(const ShellMetrics& m) {
    m_title->setGeometry(8, 8, NoticeRect(m).right() - 8, 44);
    for (int b = 1; b <= 4; ++b)
        m_banks[static_cast<std::size_t>(b - 1)]->setGeometry(BankButtonRect(m, b));
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->setGeometry(ViewButtonRect(m, static_cast<int>(i)));
    m_muteLabel->setGeometry(GroupLabelRect(m, 0));
    m_controlLabel->setGeometry(GroupLabelRect(m, 1));
    for (int g = 1; g <= kGroupCount; ++g) {
        m_muteGroups[static_cast<std::size_t>(g - 1)]->setGeometry(GroupSwitchRect(m, 0, g));
        m_controlGroups[static_cast<std::size_t>(g - 1)]->setGeometry(GroupSwitchRect(m, 1, g));
    }
    m_indicator->setGeometry(LinkIndicatorRect(m));
    m_status->setGeometry(StatusLabelRect(m));
    m_navigation->setGeometry(NavigationButtonRect(m));
    m_about->setGeometry(AboutButtonRect(m));
    m_undo->setGeometry(UndoRedoButtonRect(m, 0));
    m_redo->setGeometry(UndoRedoButtonRect(m, 1));
    m_history->setGeometry(HistoryButtonRect(m));
    m_file->setGeometry(FileButtonRect(m));
    m_home->setGeometry(NavigationButtonRect(m).translated(0, -40));
}

void TopBar::retranslate() {
    for (std::size_t b = 0; b < m_banks.size(); ++b)
        m_banks[b]->setText(text(kBankTexts[b]));
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->setText(text(kViewTexts[i]));
    m_muteLabel->setText(text("M GROUPS", "静音分组"));
    m_controlLabel->setText(text("C GROUPS", "控制分组"));
    m_home->setText(text("HOME", "主页"));
    m_navigation->setText(text("MENU", "菜单"));
    m_about->setText(text("ABOUT", "关于"));
    m_undo->setText(text("UNDO", "撤销"));
    m_redo->setText(text("REDO", "重做"));
    m_history->setText(text("HISTORY", "历史"));
    m_history->setToolTip(text("Edits to undo and redo", "可撤销和重做的编辑"));
    m_file->setText(text("FILE", "文件"));
    m_file->setToolTip(
        text("Setting files: prepare a room without the device", "设置文件：无需设备即可准备房间"));
    m_status->setText(m_linkLit ? text("ONLINE", "在线") : text("OFFLINE", "离线"));
    retranslateTips();
}

// What each plain button does, for the operator who hovers over it.
void TopBar::retranslateTips() {
    const std::array<TextPair, 4> banks{{
        {"Show the strips of inputs 1 to 8", "显示输入通道1至8的推子"},
        {"Show the strips of inputs 9 to 16", "显示输入通道9至16的推子"},
        {"Show the strips of inputs 17 to 20", "显示输入通道17至20的推子"},
        {"Show the strips of the eight outputs", "显示八个输出通道的推子"},
    }};
    for (std::size_t b = 0; b < m_banks.size(); ++b)
        m_banks[b]->setToolTip(text(banks[b]));
    const std::array<TextPair, 5> views{{
        {"Show the channel strips", "显示通道推子"},
        {"Route the inputs to the outputs", "设置输入到输出的路由"},
        {"Set up the automatic microphone mixer", "设置自动混音"},
        {"Connect to the device, store settings, update it and set up microphone units",
         "连接设备、存储设置、升级设备和设置话筒单元"},
        {"Choose the members of the mute groups and control groups",
         "选择静音分组和控制分组的成员"},
    }};
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->setToolTip(text(views[i]));
    for (int g = 1; g <= kGroupCount; ++g) {
        m_muteGroups[static_cast<std::size_t>(g - 1)]->setToolTip(
            text("Mute or unmute every member of mute group %1",
                 "静音或取消静音静音分组%1的所有成员")
                .arg(g));
        m_controlGroups[static_cast<std::size_t>(g - 1)]->setToolTip(
            text("Switch control group %1 on or off; while on, its members move together",
                 "开启或关闭控制分组%1；开启时其成员一起调节")
                .arg(g));
    }
    m_indicator->setToolTip(text("Lit while the device answers; press while dark to connect",
                                 "设备应答时点亮；熄灭时按下可去连接"));
    m_navigation->setToolTip(text("Show or hide the navigation panel", "显示或隐藏导航面板"));
    m_about->setToolTip(text("The program's version and maker", "程序版本和制造商"));
}

void TopBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), style::kPanel.darker(115));
    p.setPen(style::kBorder);
    p.drawLine(0, height() - 1, width(), height() - 1);
}

void TopBar::showSelection(int bank, View view, bool pageShown) {
    for (int b = 1; b <= 4; ++b)
        m_banks[static_cast<std::size_t>(b - 1)]->setState(pageShown && view == View::Channel &&
                                                           b == bank);
    for (std::size_t i = 0; i < m_views.size(); ++i)
        m_views[i]->setState(pageShown && kViewButtonOrder[i] == view);
}

void TopBar::setMuteGroupLit(int group, bool lit) {
    if (group >= 1 && group <= kGroupCount)
        m_muteGroups[static_cast<std::size_t>(group - 1)]->setState(lit);
}

void TopBar::setControlGroupLit(int group, bool lit) {
    if (group >= 1 && group <= kGroupCount)
        m_controlGroups[static_cast<std::size_t>(group - 1)]->setState(lit);
}

bool TopBar::muteGroupLit(int group) const {
    return m_muteGroups[static_cast<std::size_t>(group - 1)]->state();
}

bool TopBar::controlGroupLit(int group) const {
    return m_controlGroups[static_cast<std::size_t>(group - 1)]->state();
}

void TopBar::setUndoTips(const QString& undo, const QString& redo) {
    m_undo->setToolTip(undo);
    m_undo->setEnabled(!undo.isEmpty());
    m_redo->setToolTip(redo);
    m_redo->setEnabled(!redo.isEmpty());
    m_history->setEnabled(!undo.isEmpty() || !redo.isEmpty());
}

void TopBar::setNavigationLit(bool lit) {
    m_navigation->setState(lit);
}

void TopBar::setLinkShown(bool lit) {
    m_linkLit = lit;
    m_indicator->setState(lit);
    m_status->setText(lit ? text("ONLINE", "在线") : text("OFFLINE", "离线"));
    QPalette pal = m_status->palette();
    pal.setColor(QPalette::WindowText, lit ? style::kLitGreen : style::kTextDim);
    m_status->setPalette(pal);
}

QString TopBar::statusText() const {
    return m_status->text();
}

ToggleButton* TopBar::viewButton(View view) const {
    for (std::size_t i = 0; i < m_views.size(); ++i)
        if (kViewButtonOrder[i] == view)
            return m_views[i];
    return nullptr;
}

} // namespace krm::ui
