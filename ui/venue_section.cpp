#include "ui/venue_section.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "ui/system_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace krm::ui {

namespace {

enum Column { kName, kAddress, kStatus, kLastSeen, kFirmware, kColumns };

QColor StatusColour(VenueWatch::Status status) {
    switch (status) {
    case VenueWatch::Status::Alive:
    case VenueWatch::Status::Connected:
        return style::kLitGreen;
    case VenueWatch::Status::Silent:
        return QColor(0xe0, 0x60, 0x50);
    case VenueWatch::Status::Unknown:
        break;
    }
    return style::kText;
}

} // namespace

QString LastSeenText(Millis lastSeen, Millis now) {
    if (lastSeen.count() <= 0)
        return QStringLiteral("—");
    const long long seconds = std::max<long long>(0, (now - lastSeen).count() / 1000);
    if (seconds < 60)
        return text("%1 s ago", "%1 秒前").arg(seconds);
    if (seconds < 3600)
        return text("%1 min ago", "%1 分钟前").arg(seconds / 60);
    return text("%1 h ago", "%1 小时前").arg(seconds / 3600);
}

QString FirmwareText(const std::string& basicVersion) {
    if (basicVersion.empty())
        return QStringLiteral("—");
    // The device sends its basic version as digits: "300" is 3.00.
    if (basicVersion.size() == 3 &&
        basicVersion.find_first_not_of("0123456789") == std::string::npos)
        return QStringLiteral("%1.%2").arg(QChar(basicVersion[0]),
                                           QString::fromStdString(basicVersion.substr(1)));
    return QString::fromStdString(basicVersion);
}

VenueSection::VenueSection(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("venueSection"));
    auto box = [this](const char* name, int x, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setFont(style::font(16));
        e->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; }") +
                         style::focusStyleSheet());
        e->setGeometry(x, 0, width, 34);
        return e;
    };
    m_address = box("venueAddressBox", 0, 170);
    m_name = box("venueNameBox", 180, 170);
    auto button = [this](const char* name, int x, int y, int width) {
        auto* b = new ToggleButton({}, this);
        b->setObjectName(QLatin1String(name));
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitGreen);
        b->setGeometry(x, y, width, 34);
        return b;
    };
    m_add = button("venueAdd", 360, 0, 90);
    m_addFound = button("venueAddFound", 0, 44, 170);
    m_roomsFile = button("venueRoomsFile", 180, 44, 170);
    m_remove = button("venueRemove", 360, 44, 90);
    m_switch = button("venueSwitch", 460, 44, 190);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("venueList"));
    m_list->setColumnCount(kColumns);
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    m_list->setStyleSheet(QLatin1String(kDeviceListStyle) + style::focusStyleSheet());
    m_list->setFont(style::font(15));
    m_list->header()->setFont(style::font(14, true));
    m_list->setGeometry(0, 90, 760, 340);
    m_list->setColumnWidth(kName, 170);
    m_list->setColumnWidth(kAddress, 150);
    m_list->setColumnWidth(kStatus, 130);
    m_list->setColumnWidth(kLastSeen, 150);

    auto addTyped = [this] {
        emit addRequested(m_address->text().trimmed(), m_name->text().trimmed());
    };
    connect(m_add, &ToggleButton::clicked, this, addTyped);
    connect(m_address, &QLineEdit::returnPressed, this, addTyped);
    connect(m_name, &QLineEdit::returnPressed, this, addTyped);
    connect(m_addFound, &ToggleButton::clicked, this, [this] { emit addFoundRequested(); });
    connect(m_roomsFile, &ToggleButton::clicked, this, [this] { emit roomsFileRequested(); });
    connect(m_remove, &ToggleButton::clicked, this, [this] {
        if (const QString a = selectedAddress(); !a.isEmpty())
            emit removeRequested(a);
    });
    connect(m_switch, &ToggleButton::clicked, this, [this] {
        if (const QString a = selectedAddress(); !a.isEmpty())
            emit switchRequested(a);
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { emit switchRequested(item->text(kAddress)); });
    resize(760, 430);
    retranslate();
}

void VenueSection::retranslate() {
    m_address->setPlaceholderText(text("Address", "地址"));
    m_name->setPlaceholderText(text("Room name", "房间名称"));
    m_add->setText(text("ADD", "添加"));
    m_add->setToolTip(text("Adds the typed address (and room name) to the list.",
                           "把输入的地址（和房间名称）加入列表。"));
    m_addFound->setText(text("ADD FOUND", "添加搜索结果"));
    m_addFound->setToolTip(
        text("Adds every device the last search found.", "加入上次搜索找到的所有设备。"));
    m_roomsFile->setText(text("ROOMS FILE…", "房间文件…"));
    m_roomsFile->setToolTip(text("Adds the devices of a rooms file: one address and an optional "
                                 "room name a line.",
                                 "加入房间文件中的设备：每行一个地址，可加房间名称。"));
    m_remove->setText(text("REMOVE", "移除"));
    m_remove->setToolTip(text("Takes the selected device off the list.", "把所选设备移出列表。"));
    m_switch->setText(text("SWITCH TO", "切换到此设备"));
    m_switch->setToolTip(text("Connects the window to the selected device instead of the present "
                              "one.",
                              "让窗口改为连接所选设备。"));
    m_list->setHeaderLabels({text("NAME", "名称"), text("ADDRESS", "地址"), text("STATUS", "状态"),
                             text("LAST SEEN", "最近应答"), text("FIRMWARE", "固件")});
}

void VenueSection::showEntries(const std::vector<VenueWatch::Entry>& entries, Millis now) {
    const QString selected = selectedAddress();
    const bool chinese = currentLanguage() == Language::Chinese;
    // Rows are reused so that a poll's refresh neither flickers nor loses the scroll place.
    while (m_list->topLevelItemCount() > static_cast<int>(entries.size()))
        delete m_list->takeTopLevelItem(m_list->topLevelItemCount() - 1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const VenueWatch::Entry& e = entries[i];
        QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(i));
        if (!item)
            item = new QTreeWidgetItem(m_list);
        const QString address = QString::fromStdString(e.device.address);
        item->setText(kName, QString::fromStdString(e.device.name));
        item->setText(kAddress, address);
        item->setText(kStatus, QString::fromUtf8(VenueStatusText(e.status, chinese)));
        item->setForeground(kStatus, StatusColour(e.status));
        item->setText(kLastSeen, LastSeenText(e.lastSeen, now));
        item->setText(kFirmware, FirmwareText(e.basicVersion));
        item->setSelected(address == selected);
    }
}

void VenueSection::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shown();
}

QString VenueSection::selectedAddress() const {
    const QList<QTreeWidgetItem*> items = m_list->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text(kAddress);
}

} // namespace krm::ui
