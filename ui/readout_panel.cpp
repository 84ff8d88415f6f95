#include "ui/readout_panel.h"

#include "kit/kit_style.h"

#include <QLabel>
#include <QLineEdit>

namespace krm::ui {

namespace {
QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(style::font(16, true));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    label->setPalette(pal);
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("Arial Unicode MS"));
    font.setPixelSize(20);
    // Fall back to the kit's CJK-capable family when the named font is missing.
    font.setFamilies({QStringLiteral("Arial Unicode MS"), style::font(20).family()});
    box->setFont(font);
    box->setAlignment(Qt::AlignCenter);
    box->setStyleSheet(QStringLiteral("QLineEdit { background: #101114; color: #dbe6f0;"
                                      " border: 1px solid #3e434d; border-radius: 3px; }") +
                       style::focusStyleSheet());
    return box;
}
} // namespace

ReadoutPanel::ReadoutPanel(QWidget* parent)
    : QObject(parent), m_channel(makeLabel(parent, "readoutChannel")),
      m_parameter(makeLabel(parent, "readoutParameter")), m_box1(makeBox(parent, "readoutBox1")),
      m_box2(makeBox(parent, "readoutBox2")) {
    connect(m_box1, &QLineEdit::returnPressed, this,
            [this] { emit valueTyped(0, m_box1->text()); });
    connect(m_box2, &QLineEdit::returnPressed, this,
            [this] { emit valueTyped(1, m_box2->text()); });
}

void ReadoutPanel::applyMetrics(const ShellMetrics& m) {
    m_channel->setGeometry(ReadoutChannelLabelRect(m));
    m_parameter->setGeometry(ReadoutParameterLabelRect(m));
    m_box1->setGeometry(ReadoutValueBoxRect(m, 0));
    m_box2->setGeometry(ReadoutValueBoxRect(m, 1));
}

void ReadoutPanel::show(const ReadoutTexts& texts) {
    m_channel->setText(texts.channel);
    m_parameter->setText(texts.parameter);
    m_box1->setText(texts.box1);
    m_box2->setText(texts.box2);
}

} // namespace krm::ui
