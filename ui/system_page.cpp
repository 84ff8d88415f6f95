#include "ui/system_page.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "link/network_settings.h"
#include "ui/messages.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>

namespace krm::ui {

namespace {

struct SectionInfo {
    int x;
    TextPair caption;
};

const std::array<SectionInfo, SystemPage::kSectionCount> kSections{{
    {100, {"CONNECT", "连接"}},
    {250, {"SET", "设置"}},
    {250, {"SHOW", "演出"}},
    {400, {"HELP", "帮助"}},
    {550, {"DISPLAY", "显示"}},
    {700, {"DEVICES", "设备"}},
}};

} // namespace

const char* const kDeviceListStyle =
    "QTreeWidget { background: #101114; color: #d6dae0; border: 1px solid #3e434d;"
    " alternate-background-color: #16181c; }"
    "QTreeWidget::item:selected { background: #2a8fd6; color: white; }"
    "QHeaderView::section { background: #2e323a; color: #d6dae0; border: 0;"
    " border-right: 1px solid #3e434d; padding: 4px; }";

SystemPage::SystemPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("systemPage"));
    for (int s = 0; s < kSectionCount; ++s) {
        auto* b = new ToggleButton({}, this);
        b->setControlId(s);
        b->setLitColor(style::kLitBlue);
        b->setTextPixelSize(14);
        b->setObjectName(QStringLiteral("sectionButton%1").arg(s));
        connect(b, &ToggleButton::clicked, this, [this](int id) { showSection(id); });
        m_sectionButtons[static_cast<std::size_t>(s)] = b;
    }
    // Section 1 shares its place with section 2 and stays out of reach.
    m_sectionButtons[1]->hide();

    m_addressLabel = new QLabel(this);
    m_addressLabel->setFont(style::font(16, true));
    m_addressLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette pal = m_addressLabel->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    m_addressLabel->setPalette(pal);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("addressBox"));
    m_address->setFont(style::font(18));
    m_address->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; }") +
                             style::focusStyleSheet());
    connect(m_address, &QLineEdit::returnPressed, this, &SystemPage::confirmAddress);

    auto makeButton = [this](const char* name) {
        auto* b = new ToggleButton({}, this);
        b->setObjectName(QLatin1String(name));
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitGreen);
        return b;
    };
    m_ok = makeButton("okButton");
    m_search = makeButton("searchButton");
    m_connect = makeButton("connectButton");
    m_offline = makeButton("offlineButton");
    connect(m_ok, &ToggleButton::clicked, this, &SystemPage::confirmAddress);
    connect(m_search, &ToggleButton::clicked, this, [this] { emit searchPressed(); });
    connect(m_connect, &ToggleButton::clicked, this, [this] { emit connectPressed(); });
    connect(m_offline, &ToggleButton::clicked, this, [this] { emit offlinePressed(); });

    m_devices = new QTreeWidget(this);
    m_devices->setObjectName(QStringLiteral("deviceList"));
    m_devices->setColumnCount(2);
    m_devices->setRootIsDecorated(false);
    m_devices->setAlternatingRowColors(true);
    m_devices->setStyleSheet(QLatin1String(kDeviceListStyle) + style::focusStyleSheet());
    m_devices->setFont(style::font(15));
    m_devices->header()->setFont(style::font(14, true));
    connect(m_devices, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { emit devicePicked(item->text(0)); });

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("searchProgress"));
    m_progress->setRange(0, 254);
    m_progress->setTextVisible(false);
    m_progress->hide();

    retranslate();
    placeControls();
    showSection(0);
}

void SystemPage::retranslate() {
    for (int s = 0; s < kSectionCount; ++s)
        m_sectionButtons[static_cast<std::size_t>(s)]->setText(
            text(kSections[static_cast<std::size_t>(s)].caption));
    m_addressLabel->setText(text("IP:", "设备IP:"));
    m_ok->setText(text("OK", "确定"));
    m_search->setText(text("Search", "搜索"));
    m_offline->setText(text("OFFLINE", "离线"));
    m_devices->setHeaderLabels({text("DEVICE IP", "设置IP"), text("PORT", "端口")});
    const std::array<TextPair, kSectionCount> sectionTips{{
        {"The device's address, the search and the connection", "设备地址、搜索和连接"},
        {"", ""},
        {"Stored settings and how control groups move", "存储的设置和控制分组的调节方式"},
        {"Firmware update and factory recovery", "固件升级和恢复出厂设置"},
        {"The microphone units and their display", "话筒单元及其显示"},
        {"The venue's devices: which are alive, and switching to one",
         "场馆内的设备：哪些在线，并切换到其中一台"},
    }};
    for (int s = 0; s < kSectionCount; ++s)
        m_sectionButtons[static_cast<std::size_t>(s)]->setToolTip(
            text(sectionTips[static_cast<std::size_t>(s)]));
    m_ok->setToolTip(text("Take the typed address as the device's", "采用输入的地址作为设备地址"));
    m_search->setToolTip(text("Search the network for devices", "在网络中搜索设备"));
    m_offline->setToolTip(text("Work without the device", "不连接设备工作"));
    setConnected(m_connected);
}

void SystemPage::placeControls() {
    for (int s = 0; s < kSectionCount; ++s)
        m_sectionButtons[static_cast<std::size_t>(s)]->setGeometry(
            kSections[static_cast<std::size_t>(s)].x, 50, 100, 50);
    m_addressLabel->setGeometry(100, 130, 80, 34);
    m_address->setGeometry(190, 130, 200, 34);
    m_ok->setGeometry(400, 130, 80, 34);
    m_search->setGeometry(100, 185, 120, 40);
    m_connect->setGeometry(230, 185, 150, 40);
    m_offline->setGeometry(390, 185, 120, 40);
    m_devices->setGeometry(100, 245, 450, 320);
    m_devices->setColumnWidth(0, 300);
    m_progress->setGeometry(100, 575, 450, 16);
}

void SystemPage::showSection(int section) {
    if (section < 0 || section >= kSectionCount)
        return;
    m_section = section;
    for (int s = 0; s < kSectionCount; ++s) {
        m_sectionButtons[static_cast<std::size_t>(s)]->setState(s == section);
        if (QWidget* c = m_contents[static_cast<std::size_t>(s)])
            c->setVisible(s == section);
        if (QWidget* a = m_asides[static_cast<std::size_t>(s)])
            a->setVisible(s == section);
    }
    const bool first = section == 0;
    for (QWidget* w : std::initializer_list<QWidget*>{m_addressLabel, m_address, m_ok, m_search,
                                                      m_connect, m_offline, m_devices})
        w->setVisible(first);
    m_progress->setVisible(first && m_progress->property("sweeping").toBool());
    update();
}

void SystemPage::setSectionContent(int section, QWidget* content) {
    if (section <= 0 || section >= kSectionCount || !content)
        return;
    QWidget*& slot = m_contents[static_cast<std::size_t>(section)];
    delete slot;
    slot = content;
    content->setParent(this);
    content->move(100, 120);
    content->setVisible(section == m_section);
    if (QWidget* aside = m_asides[static_cast<std::size_t>(section)])
        aside->move(content->geometry().right() + 41, 120);
}

void SystemPage::setSectionAside(int section, QWidget* aside) {
    if (section <= 0 || section >= kSectionCount || !aside)
        return;
    QWidget*& slot = m_asides[static_cast<std::size_t>(section)];
    delete slot;
    slot = aside;
    aside->setParent(this);
    const QWidget* content = m_contents[static_cast<std::size_t>(section)];
    aside->move(content ? content->geometry().right() + 41 : 100, 120);
    aside->setVisible(section == m_section);
}

QWidget* SystemPage::sectionAside(int section) const {
    if (section <= 0 || section >= kSectionCount)
        return nullptr;
    return m_asides[static_cast<std::size_t>(section)];
}

QWidget* SystemPage::sectionContent(int section) const {
    if (section <= 0 || section >= kSectionCount)
        return nullptr;
    return m_contents[static_cast<std::size_t>(section)];
}

void SystemPage::setAddress(const QString& ip) {
    m_address->setText(ip);
}

QString SystemPage::address() const {
    return m_address->text();
}

void SystemPage::setConnected(bool connected) {
    m_connected = connected;
    m_connect->setText(connected ? text("DISCONNECT", "断开") : text("CONNECT", "连接"));
    m_connect->setState(connected);
    m_connect->setToolTip(
        connected ? text("Take the link to the device down", "断开与设备的连接")
                  : text("Connect to the device at the address above", "连接上面地址的设备"));
}

bool SystemPage::addDevice(const QString& ip, int port) {
    for (int row = 0; row < m_devices->topLevelItemCount(); ++row)
        if (m_devices->topLevelItem(row)->text(0) == ip)
            return false;
    auto* item = new QTreeWidgetItem(m_devices);
    item->setText(0, ip);
    item->setText(1, QString::number(port));
    return true;
}

void SystemPage::clearDevices() {
    m_devices->clear();
}

int SystemPage::deviceCount() const {
    return m_devices->topLevelItemCount();
}

QString SystemPage::deviceAt(int row) const {
    const QTreeWidgetItem* item = m_devices->topLevelItem(row);
    return item ? item->text(0) : QString();
}

void SystemPage::setSearchProgress(int host) {
    m_progress->setValue(host);
}

void SystemPage::setSearchRange(int total) {
    m_progress->setRange(0, std::max(1, total));
    m_progress->setValue(0);
}

void SystemPage::setSearchVisible(bool visible) {
    m_progress->setProperty("sweeping", visible);
    m_progress->setVisible(visible && m_section == 0);
}

bool SystemPage::searchVisible() const {
    return m_progress->property("sweeping").toBool();
}

std::optional<QString> SystemPage::typedAddress() const {
    const std::optional<std::string> canonical = DeviceIpFromText(m_address->text().toStdString());
    if (!canonical)
        return std::nullopt;
    return QString::fromStdString(*canonical);
}

void SystemPage::confirmAddress() {
    const std::optional<QString> ip = typedAddress();
    if (!ip) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("INVALID IP ADDRESS.", "IP地址无效."), QMessageBox::Warning);
        return;
    }
    m_address->setText(*ip);
    emit addressConfirmed(*ip);
}

void SystemPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    style::paintPanel(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, style::kPanel,
                      style::kBorder);
}

} // namespace krm::ui
