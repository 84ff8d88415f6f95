#include "editors/pages/automix_page.h"

#include "kit/drop_list.h"
#include "kit/kit_style.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/timer_while_shown.h"
#include "kit/toggle_button.h"
#include "model/parameter_frames.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPainter>

#include <algorithm>

namespace krm {

namespace {

// Page pixels of the 1920-wide layout; every control keeps its size on smaller windows,
// the two channel columns sit under the global settings.
constexpr int kMargin = 20;
constexpr int kSwitchTop = 36;
constexpr int kGlobalTop = 92;
constexpr int kGlobalPitch = 170;
constexpr int kGlobalWidth = 150;
constexpr int kRowsTop = 190;
constexpr int kRowPitch = 32;
constexpr int kColumnPitch = 380;
constexpr int kRowsPerColumn = 8;

QStringList numberedItems(int first, int last, int step, const char* format) {
    QStringList items;
    for (int v = first; v <= last; v += step)
        items << QString::asprintf(format, v);
    return items;
}

ui::DropList* makeList(QWidget* parent, const QStringList& items, int id) {
    auto* list = new ui::DropList(parent);
    list->setItems(items);
    list->setControlId(id);
    return list;
}

ui::TextLabel* makeLabel(QWidget* parent, Qt::Alignment alignment) {
    auto* label = new ui::TextLabel(QString(), parent);
    label->setPixelSize(12);
    label->setAlignment(alignment);
    return label;
}

} // namespace

AutomixPage::AutomixPage(EditService& edits, std::function<void(const QString&)> showMessage,
                         QWidget* parent)
    : EditorPage(parent), m_edits(edits), m_showMessage(std::move(showMessage)),
      m_mode(new ui::ToggleButton(QString(), this)),
      m_lastHold(new ui::ToggleButton(QString(), this)),
      m_sync(new ui::ToggleButton(QString(), this)), m_ok(new ui::ToggleButton(QString(), this)) {
    m_mode->setLitColor(ui::style::kLitGreen);
    m_lastHold->setLitColor(ui::style::kLitAmber);
    m_sync->setLitColor(ui::style::kLitBlue);
    connect(m_mode, &ui::ToggleButton::clicked, this, [this] { pressMode(); });
    connect(m_lastHold, &ui::ToggleButton::clicked, this, [this] { pressLastHold(); });
    connect(m_sync, &ui::ToggleButton::clicked, this, [this] { pressSync(); });
    connect(m_ok, &ui::ToggleButton::clicked, this, [this] { pressOk(); });

    // The items are fixed: codes map to positions by a constant offset.
    const std::array<QStringList, 4> items{
        numberedItems(50, 5000, 50, "%d ms"), numberedItems(1, 16, 1, "%d"),
        numberedItems(-10, 0, 1, "%d dB"), numberedItems(-60, 0, 1, "%d dB")};
    for (int g = 0; g < 4; ++g) {
        Global& global = m_globals[idx(g)];
        global.label = makeLabel(this, Qt::AlignLeft | Qt::AlignVCenter);
        global.list = makeList(this, items[idx(g)], g);
        connect(global.list, &ui::DropList::listSelected, this,
                [this](int id, int index) { chooseGlobal(static_cast<GlobalList>(id), index); });
    }
    const QStringList levels = numberedItems(-80, 0, 1, "%d dB");
    for (int ch = 0; ch < kChannels; ++ch) {
        Row& row = m_rows[idx(ch)];
        row.label = makeLabel(this, Qt::AlignRight | Qt::AlignVCenter);
        row.label->setText(QString::asprintf("CH %d", ch + 1));
        row.level = makeList(this, levels, ch);
        connect(row.level, &ui::DropList::listSelected, this,
                [this](int id, int index) { chooseLevel(id, index); });
        row.state = new ui::ToggleButton(QString(), this);
        row.state->setDisplayOnly(true);
        row.state->setLitColor(ui::style::kLitGreen);
        row.state->setTextPixelSize(11);
    }

    new ui::TimerWhileShown(this, kStateTimerMs, [this] { updateStates(); });
    m_edits.addListener(this);
    layoutControls();
    applyLanguage();
    reload();
}

AutomixPage::~AutomixPage() {
    m_edits.removeListener(this);
}

const Parameter& AutomixPage::parameterOf(GlobalList list) {
    switch (list) {
    case HoldTime:
        return Param(ParamKind::HoldTime);
    case MaxOpen:
        return Param(ParamKind::MaxOpenCh);
    case Nom:
        return Param(ParamKind::NomAttn);
    case ClosedAttn:
        break;
    }
    return Param(ParamKind::ClosedAttn);
}

int AutomixPage::codeOf(GlobalList list, int index) {
    // Each list holds its parameter's codes in order, from the lowest.
    return parameterOf(list).range.min + index;
}

int AutomixPage::indexOf(GlobalList list) const {
    const Parameter& p = parameterOf(list);
    return p.get(m_edits.image(), Channel::device()) - p.range.min;
}

void AutomixPage::applyLanguage() {
    m_lastHold->setText(ui::text("LAST HOLD", "最后保持"));
    m_sync->setText(ui::text("SYNC", "同步"));
    m_ok->setText(ui::text("OK", "确定"));
    m_mode->setToolTip(
        ui::text("Switch between automatic and manual mixing", "在自动混音和手动混音之间切换"));
    m_lastHold->setToolTip(ui::text("Keep the last microphone open when everyone stops talking",
                                    "无人讲话时保持最后一个话筒打开"));
    m_sync->setToolTip(ui::text("Send these settings to the device", "将这些设置发送到设备"));
    m_ok->setToolTip(ui::text("Take the values typed above", "采用上面输入的值"));
    m_globals[HoldTime].label->setText(ui::text("HOLD TIME", "保持时间"));
    m_globals[MaxOpen].label->setText(ui::text("MAX OPEN CH", "最大话筒数"));
    m_globals[Nom].label->setText(ui::text("NOM", "NOM"));
    m_globals[ClosedAttn].label->setText(ui::text("CLOSED CH, ATTN", "关咪衰减"));
    showModeCaption();
    for (Row& row : m_rows)
        row.shownOpen = -1; // the caption is redrawn in the new language
    updateStates();
}

void AutomixPage::showModeCaption() {
    const bool manual = m_edits.image().autoMixMode != 0;
    m_mode->setState(!manual);
    m_mode->setText(manual ? ui::text("MAN", "手动") : ui::text("AUTO", "自动"));
}

void AutomixPage::reload() {
    const DeviceImage& im = m_edits.image();
    m_sync->setState(im.autoMixSync != 0);
    m_lastHold->setState(im.lastHold != 0);
    showModeCaption();
    for (int ch = 0; ch < kChannels; ++ch)
        m_rows[idx(ch)].level->setSelection(im.inputs[idx(ch)].autoMixLevel);
    for (GlobalList list : {Nom, ClosedAttn, MaxOpen, HoldTime}) {
        // A hold time of 0 (no device has reported one yet) has no item: the list stays.
        if (indexOf(list) >= 0)
            m_globals[list].list->setSelection(indexOf(list));
    }
    updateStates();
}

void AutomixPage::updateStates() {
    for (int ch = 0; ch < kChannels; ++ch) {
        Row& row = m_rows[idx(ch)];
        const InputChannel& in = m_edits.image().inputs[idx(ch)];
        // The channel the device keeps open under LAST HOLD counts as open, as on the strip.
        const int open = (in.autoMixOpen != 0 || in.autoMixLast != 0) ? 1 : 0;
        if (open == row.shownOpen)
            continue;
        row.shownOpen = open;
        row.state->setState(open != 0);
        row.state->setText(open != 0 ? ui::text("ACTIVE", "通道打开")
                                     : ui::text("WAITING", "通道关闭"));
    }
}

void AutomixPage::setSuccessfully() {
    const QString message = ui::text("Set successfully.", "设置成功.");
    if (m_showMessage) {
        m_showMessage(message);
        return;
    }
    auto* box =
        new QMessageBox(QMessageBox::Information, QString(), message, QMessageBox::Ok, this);
    box->button(QMessageBox::Ok)->setText(ui::text("OK", "确定"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(ui::style::dialogStyleSheet());
    box->open();
}

void AutomixPage::chooseGlobal(GlobalList list, int index) {
    ui::DropList* control = m_globals[list].list;
    control->setSelection(index);
    m_edits.set(parameterOf(list), Channel::device(), codeOf(list, control->selection()));
    // The choice arrives from inside the closing list's mouse or key event: a box opened
    // there loses the focus to the page the list hands it back to (Enter and Esc miss it,
    // the first click only activates it). It opens once that event is over.
    QMetaObject::invokeMethod(
        this, [this] { setSuccessfully(); }, Qt::QueuedConnection);
}

void AutomixPage::pressOk() {
    // The lists may show other values than the image holds (a dump came in meanwhile):
    // what the operator sees is what goes out.
    for (int g = 0; g < 4; ++g) {
        const auto list = static_cast<GlobalList>(g);
        const int index = m_globals[list].list->selection();
        if (index >= 0)
            m_edits.store(parameterOf(list), Channel::device(), codeOf(list, index));
    }
    // One "%M," carries all four.
    m_edits.commit(parameterOf(HoldTime), Channel::device());
    setSuccessfully();
}

void AutomixPage::pressMode() {
    m_edits.toggle(Param(ParamKind::AutoMixMode), Channel::device());
    showModeCaption();
}

void AutomixPage::pressLastHold() {
    m_edits.toggle(Param(ParamKind::LastHold), Channel::device());
    m_lastHold->setState(m_edits.image().lastHold != 0);
}

void AutomixPage::pressSync() {
    m_edits.toggle(Param(ParamKind::AutoMixSync), Channel::device());
    m_sync->setState(m_edits.image().autoMixSync != 0);
}

void AutomixPage::chooseLevel(int channel, int index) {
    if (channel < 0 || channel >= kChannels)
        return;
    m_rows[idx(channel)].level->setSelection(index);
    // The list's items are the codes 0..80 in order; with SYNC on every row follows.
    m_edits.setAutoMixLevel(channel, m_rows[idx(channel)].level->selection());
    for (int ch = 0; ch < kChannels; ++ch)
        m_rows[idx(ch)].level->setSelection(m_edits.image().inputs[idx(ch)].autoMixLevel);
}

void AutomixPage::edited(const Parameter*, const std::vector<Channel>&) {
    // Hidden pages load at their next showing.
    if (isVisible())
        reload();
}

void AutomixPage::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    reload();
}

void AutomixPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutControls();
}

void AutomixPage::layoutControls() {
    const int x = kMargin + 20;
    m_mode->setGeometry(x, kSwitchTop, 100, 30);
    m_lastHold->setGeometry(x + 120, kSwitchTop, 120, 30);
    m_sync->setGeometry(x + 260, kSwitchTop, 100, 30);
    for (int g = 0; g < 4; ++g) {
        const int gx = x + g * kGlobalPitch;
        m_globals[idx(g)].label->setGeometry(gx, kGlobalTop, kGlobalWidth, 20);
        m_globals[idx(g)].list->setGeometry(gx, kGlobalTop + 22, kGlobalWidth, 24);
    }
    m_ok->setGeometry(x + 4 * kGlobalPitch, kGlobalTop + 22, 80, 24);
    for (int ch = 0; ch < kChannels; ++ch) {
        Row& row = m_rows[idx(ch)];
        const int cx = x + (ch / kRowsPerColumn) * kColumnPitch;
        const int cy = kRowsTop + (ch % kRowsPerColumn) * kRowPitch;
        row.label->setGeometry(cx, cy, 50, 24);
        row.level->setGeometry(cx + 60, cy, 110, 24);
        row.state->setGeometry(cx + 184, cy, 110, 24);
    }
}

void AutomixPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), ui::style::kWindow);
    const int right = kMargin + 40 + 4 * kGlobalPitch + 80;
    ui::style::paintPanel(p, QRectF(kMargin, kSwitchTop - 16, right - kMargin, 146), 6,
                          ui::style::kPanel, ui::style::kBorder);
    const int rowsBottom = kRowsTop + kRowsPerColumn * kRowPitch + 8;
    ui::style::paintPanel(
        p, QRectF(kMargin, kRowsTop - 16, right - kMargin, rowsBottom - (kRowsTop - 16)), 6,
        ui::style::kPanel, ui::style::kBorder);
}

} // namespace krm
