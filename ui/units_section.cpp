#include "ui/units_section.h"

#include "kit/drop_list.h"
#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "units/mic_unit_service.h"

#include <QPainter>

#include <algorithm>

namespace krm::ui {

namespace {

constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 44;
constexpr int kButtonStep = 140;
constexpr int kListTop = 80;
constexpr int kListStep = 48;
constexpr int kMarker = 28;
constexpr int kListX = 40;
constexpr int kListWidth = 180;
constexpr int kActionX = 280;

const std::array<QColor, UnitsSection::kSlots> kSlotColours{{
    {87, 121, 148},
    {41, 151, 39},
    {186, 57, 79},
    {255, 159, 0},
    {187, 41, 186},
}};

QStringList slotItems() {
    QStringList items;
    for (int v = 0; v < kSlotValueCount; ++v)
        items << QString::fromStdString(SlotText(v));
    return items;
}

} // namespace

UnitsSection::UnitsSection(MicUnitService& units, UnitsServices services, QWidget* parent)
    : QWidget(parent), m_units(units), m_services(std::move(services)) {
    setObjectName(QStringLiteral("unitsSection"));
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new ToggleButton(QString::asprintf("TKU-700-%02d", i + 1), this);
        b->setObjectName(QStringLiteral("unitButton%1").arg(i + 1));
        b->setControlId(i);
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitBlue);
        b->setGeometry(i * kButtonStep, 0, kButtonWidth, kButtonHeight);
        b->setEnabled(false);
        // Only the first six units are ever offered.
        b->setVisible(i < kShownButtons);
        connect(b, &ToggleButton::clicked, this, [this](int id) { selectUnit(id); });
        m_buttons[static_cast<std::size_t>(i)] = b;
    }
    const QStringList items = slotItems();
    for (int k = 0; k < kSlots; ++k) {
        auto* list = new DropList(this);
        list->setObjectName(QStringLiteral("slotList%1").arg(k + 1));
        list->setControlId(k);
        list->setItems(items);
        list->setSelection(0);
        list->setMaxDropHeight(10 * DropList::kRowHeight);
        list->setGeometry(kListX, kListTop + k * kListStep, kListWidth, kMarker);
        list->setEnabled(false);
        connect(list, &DropList::listSelected, this,
                [this](int id, int index) { chooseSlot(id, index); });
        m_lists[static_cast<std::size_t>(k)] = list;
    }
    auto makeAction = [this](const char* name, int y, int width) {
        auto* b = new ToggleButton({}, this);
        b->setObjectName(QLatin1String(name));
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitGreen);
        b->setGeometry(kActionX, y, width, kButtonHeight);
        return b;
    };
    m_call = makeAction("callButton", kListTop, 150);
    m_reset = makeAction("resetUnitsButton", kListTop + kButtonHeight + 20, 280);
    connect(m_call, &ToggleButton::clicked, this, [this] { call(); });
    connect(m_reset, &ToggleButton::clicked, this, [this] { resetAll(); });

    resize(kShownButtons * kButtonStep, kListTop + kSlots * kListStep);
    m_units.edits().addListener(this);
    retranslate();
}

UnitsSection::~UnitsSection() {
    m_units.edits().removeListener(this);
}

QColor UnitsSection::slotColour(int slot) {
    return kSlotColours[static_cast<std::size_t>(std::clamp(slot, 0, kSlots - 1))];
}

void UnitsSection::retranslate() {
    m_call->setText(text("CALL", "呼叫"));
    m_reset->setText(text("Reset all TKU700 SETTING", "复位TKU700设置"));
    m_call->setToolTip(
        text("Make the selected microphone unit show itself", "让所选话筒单元显示自己"));
    m_reset->setToolTip(text("Put every microphone unit's settings back to their defaults",
                             "将所有话筒单元的设置恢复为默认值"));
}

void UnitsSection::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyUnitCount();
}

void UnitsSection::unitCountReported() {
    if (m_units.unitCount() != m_appliedCount)
        applyUnitCount();
}

void UnitsSection::applyUnitCount() {
    m_appliedCount = m_units.unitCount();
    const int n = std::clamp(m_appliedCount, 0, kShownButtons);
    for (int i = 0; i < kShownButtons; ++i) {
        ToggleButton* b = m_buttons[static_cast<std::size_t>(i)];
        b->setState(false);
        b->setEnabled(i < n);
    }
    if (n == 0)
        m_selected = -1;
    else if (m_selected < 0)
        m_selected = 0;
    showUnit();
}

void UnitsSection::selectUnit(int unit) {
    if (unit < 0 || unit >= kShownButtons)
        return;
    m_selected = unit;
    showUnit();
}

void UnitsSection::showUnit() {
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setState(i == m_selected);
    for (int k = 0; k < kSlots; ++k) {
        DropList* list = m_lists[static_cast<std::size_t>(k)];
        list->setEnabled(m_selected >= 0);
        list->setSelection(m_selected >= 0 ? m_units.slot(m_selected, k) : 0);
    }
}

void UnitsSection::chooseSlot(int slot, int position) {
    if (m_selected < 0 || slot < 0 || slot >= kSlots)
        return;
    if (m_units.assign(m_selected, slot, position) == UnitAssign::Duplicate) {
        // The list shows what the slot still holds, never a value the table does not.
        m_lists[static_cast<std::size_t>(slot)]->setSelection(m_units.slot(m_selected, slot));
        if (m_services.showMessage)
            m_services.showMessage(text("Already select.", "已被其他单元选择。"));
    }
}

void UnitsSection::call() {
    m_units.call(m_selected);
}

void UnitsSection::resetAll() {
    auto go = [this] {
        m_units.resetAll();
        showUnit();
    };
    if (m_services.confirm)
        m_services.confirm(
            text("Do you want to reset all tku700 setting?", "是否要复位所有TKU700设置？"), go);
    else
        go();
}

void UnitsSection::edited(const Parameter*, const std::vector<Channel>& channels) {
    if (std::find(channels.begin(), channels.end(), Channel::device()) != channels.end())
        showUnit();
}

QRect UnitsSection::markerRect(int slot) const {
    return {0, kListTop + slot * kListStep, kMarker, kMarker};
}

void UnitsSection::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(style::font(13, true));
    for (int k = 0; k < kSlots; ++k) {
        const QRectF r = QRectF(markerRect(k)).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(style::kBorder);
        p.setBrush(slotColour(k));
        p.drawRoundedRect(r, 4, 4);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, QString::number(k + 1));
    }
}

} // namespace krm::ui
