#include "ui/show_options.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QLabel>

namespace krm::ui {

namespace {
constexpr int kWidth = 300;

QLabel* makeLabel(QWidget* parent, int pixelSize, bool bold) {
    auto* label = new QLabel(parent);
    label->setFont(style::font(pixelSize, bold));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    label->setPalette(pal);
    return label;
}
} // namespace

ShowOptions::ShowOptions(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("showOptions"));
    m_title = makeLabel(this, 14, true);
    m_title->setGeometry(0, 0, kWidth, 24);
    m_keepOffsets = new ToggleButton({}, this);
    m_keepOffsets->setObjectName(QStringLiteral("keepOffsetsButton"));
    m_keepOffsets->setTextPixelSize(14);
    m_keepOffsets->setLitColor(style::kLitBlue);
    m_keepOffsets->setGeometry(0, 30, 160, 40);
    connect(m_keepOffsets, &ToggleButton::clicked, this,
            [this] { emit keepOffsetsChanged(!m_keepOffsets->state()); });
    m_explanation = makeLabel(this, 13, false);
    m_explanation->setWordWrap(true);
    m_explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_explanation->setGeometry(0, 78, kWidth, 90);
    resize(kWidth, 170);
    retranslate();
}

void ShowOptions::retranslate() {
    m_title->setText(text("CONTROL GROUPS", "控制分组"));
    m_keepOffsets->setText(text("KEEP OFFSETS", "保持差值"));
    m_keepOffsets->setToolTip(text("Members of a control group keep their differences in level",
                                   "控制分组的成员保持彼此的电平差"));
    m_explanation->setText(text(
        "Lit: the members of a group move by as much as the moved channel and keep their "
        "differences in level (VOL, COMP, LIMIT levels). Dark: they take its value.",
        "点亮：组内成员与被调通道移动相同的量，保持彼此的电平差（音量、压缩器、限幅器的电平）。"
        "熄灭：成员取被调通道的值。"));
}

void ShowOptions::setKeepOffsets(bool on) {
    m_keepOffsets->setState(on);
}

bool ShowOptions::keepOffsets() const {
    return m_keepOffsets->state();
}

} // namespace krm::ui
