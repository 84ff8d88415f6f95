#include "editors/strips/channel_strip.h"

#include "dsp/channel_scales.h"
#include "editors/strips/strip_rows.h"
#include "kit/fader.h"
#include "kit/kit_style.h"
#include "kit/parameter_binding.h"
#include "kit/popup_menu.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/timer_while_shown.h"
#include "kit/toggle_button.h"

#include <QMessageBox>
#include <QPainter>

namespace krm {

namespace {

QList<ui::Fader::ScaleMark> faderMarks() {
    QList<ui::Fader::ScaleMark> marks;
    for (int code = kFaderCodes.max; code >= kFaderCodes.min; code -= 10)
        marks.append({faderPositionFromCode(code), QString::number(faderDb(code))});
    return marks;
}

} // namespace

ChannelStrip::ChannelStrip(EditService& edits, bool output, int channel, QWidget* parent)
    : QWidget(parent), m_edits(edits), m_image(edits.image()), m_output(output), m_channel(channel),
      m_nameButton(new ui::ToggleButton(QString(), this)),
      m_channelLabel(new ui::TextLabel(QString(), this)), m_fader(new ui::Fader(this)),
      m_faderText(new ui::TextLabel(QString(), this)) {
    m_nameButton->setLitColor(ui::style::kLitBlue);
    m_nameButton->setTextPixelSize(13);
    connect(m_nameButton, &ui::ToggleButton::clicked, this, &ChannelStrip::showNameMenu);

    m_channelLabel->setPlate(true);
    m_channelLabel->setBold(true);
    m_channelLabel->setPixelSize(12);

    m_fader->setRange(kFaderPositions.min, kFaderPositions.max);
    m_fader->setScaleMarks(faderMarks());
    // Faders send on every change and on release.
    const Parameter& level = Param(output ? ParamKind::OutGain : ParamKind::InGain);
    bind(ui::ParameterBinding::bindSlider(
             m_fader, m_edits, level, channelRef(),
             {[](int code) { return faderPositionFromCode(code); },
              [](int position) { return faderCodeFromPosition(position); }}),
         kReadoutLevel, [this, &level](const EditResult&) {
             m_faderText->setText(
                 QString::fromStdString(krm::faderText(level.get(m_image, channelRef()))));
         });

    m_faderText->setPlate(true);
    m_faderText->setPixelSize(12);
    m_faderText->setColor(QColor(120, 220, 255));

    new ui::TimerWhileShown(this, kTickMs, [this] { tick(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChannelStrip::open(int channel) {
    m_channel = channel;
    for (ui::ParameterBinding* b : m_bindings)
        b->setChannel(channelRef());
    channelChanged();
    refreshFromImage();
    show();
}

void ChannelStrip::tick() {
    if (m_reload) {
        m_reload = false;
        refreshFromImage();
    }
    updateStatus();
}

void ChannelStrip::setControlGroup(StripGroup group) {
    m_edits.links().of(channelRef()) = std::move(group);
    update();
}

const StripGroup& ChannelStrip::controlGroup() const {
    return m_edits.links().of(channelRef());
}

ui::ParameterBinding* ChannelStrip::bind(ui::ParameterBinding* binding, int readoutKind,
                                         std::function<void(const EditResult&)> after) {
    m_bindings.append(binding);
    const bool level = &binding->parameter() == &Param(ParamKind::InGain) ||
                       &binding->parameter() == &Param(ParamKind::OutGain);
    const bool overview = level || &binding->parameter() == &Param(ParamKind::InMute) ||
                          &binding->parameter() == &Param(ParamKind::OutMute);
    binding->setOnEdited(
        [this, readoutKind, overview, after = std::move(after)](const EditResult& result) {
            if (after)
                after(result);
            if (result.refused())
                return;
            if (overview)
                emit overviewChanged(m_channel);
            if (readoutKind != kReadoutNone)
                emit readoutRequested(readoutChannel(), readoutKind);
            if (!result.linked.empty()) {
                QList<int> members;
                for (int m : result.linked) {
                    members.append(m);
                    if (overview)
                        emit overviewChanged(m);
                }
                emit linkedChannelsChanged(isOutput(), members);
            }
        });
    return binding;
}

void ChannelStrip::loadBindings() {
    for (ui::ParameterBinding* b : m_bindings)
        b->load();
}

void ChannelStrip::refreshCommon(int faderCode) {
    m_nameButton->setText(QString::fromStdString(nameField().toUtf8()));
    m_channelLabel->setText(shownLabel());
    m_fader->setPosition(faderPositionFromCode(faderCode));
    m_faderText->setText(QString::fromStdString(krm::faderText(faderCode)));
}

void ChannelStrip::clearReadout() {
    emit readoutRequested(readoutChannel(), kReadoutNone);
}

void ChannelStrip::showMessage(const QString& text) {
    if (m_services.showMessage) {
        m_services.showMessage(text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, QString(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void ChannelStrip::showNameMenu() {
    // Built each time: the large strip changes its channel, and with it what is offered.
    delete m_nameMenu;
    std::vector<ui::PopupMenuItem> items{{ui::text("NAME", "名称"), ui::PopupMenu::SlotName}};
    for (ui::PopupMenuItem& extra : extraNameMenuItems())
        items.push_back(std::move(extra));
    m_nameMenu = new ui::PopupMenu(ui::text("SAVE", "保存"), std::move(items), this);
    connect(m_nameMenu, &ui::PopupMenu::commandChosen, this, [this](int command) {
        if (command == ui::PopupMenu::SlotName)
            editName();
        else
            nameMenuCommand(command);
    });
    m_nameMenu->popup(m_nameButton->mapToGlobal(QPoint(0, m_nameButton->height())));
}

void ChannelStrip::editName() {
    if (!m_services.editName)
        return;
    const QString current = QString::fromStdString(nameField().toUtf8());
    const std::optional<QString> name = m_services.editName(current);
    if (!name)
        return;
    // The name frame and its pause go out from the bulk sender, not this thread.
    m_edits.setName(channelRef(), Name16::fromUtf8(name->toStdString()));
    m_nameButton->setText(QString::fromStdString(nameField().toUtf8()));
    emit nameChanged(m_channel);
}

int ChannelStrip::layoutTop(int margin) {
    const StripRows rows = StripRows::forHeight(height());
    m_nameButton->setGeometry(margin, rows.top, width() - 2 * margin, rows.name);
    return rows.top + rows.name + rows.gap;
}

void ChannelStrip::layoutFader(const QRect& area, int faderWidth) {
    m_fader->setGeometry(area.left(), area.top(), faderWidth, area.height() - kFaderRowHeight - 4);
    m_faderText->setGeometry(area.left() + 24, area.bottom() - kFaderRowHeight + 1, faderWidth - 24,
                             kFaderRowHeight);
}

void ChannelStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kWindow);
    p.setRenderHint(QPainter::Antialiasing);
    ui::style::paintPanel(p, QRectF(rect()).adjusted(1, 1, -1, -1), 6, ui::style::kPanel,
                          ui::style::kBorder);
    // Group marker: a bar along the top in the colour of the active control group.
    p.setPen(Qt::NoPen);
    p.setBrush(groupMarkerColour(controlGroup().group));
    p.drawRoundedRect(QRectF(6, 4, width() - 12, 4), 2, 2);
}

} // namespace krm
