#include "ui/name_dialog.h"

#include "kit/texts.h"

#include "kit/kit_style.h"
#include "model/name16.h"
#include "ui/messages.h"
#include "ui/program_icon.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace krm::ui {

int GbkByteLength(const QString& text) {
    return static_cast<int>(Utf16ToGbk(text.toStdU16String()).size());
}

bool NameFitsLimit(const QString& text) {
    return GbkByteLength(text) <= kNameByteLimit;
}

NameDialog::NameDialog(const QString& current, QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(current, this)) {
    setWindowTitle(text("NAME", "名称"));
    setObjectName(QStringLiteral("nameDialog"));
    setStyleSheet(style::dialogStyleSheet());
    setFont(style::font(13));
    // The edit box is white with a 20-pixel font on the dark panel, so a name reads as
    // it will on the device's display.
    m_edit->setFont(style::font(20));
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; border: 1px "
                                         "solid #3e434d; border-radius: 3px; padding: 1px 4px; }") +
                          style::focusStyleSheet());
    m_edit->setObjectName(QStringLiteral("nameEdit"));
    m_edit->setMinimumWidth(220);

    auto* label = new QLabel(text("NAME:", "名称:"), this);
    label->setFont(style::font(14, true));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(text("OK", "确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons->addButton(text("Cancel", "取消"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NameDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setModal(true);
}

QString NameDialog::name() const {
    return m_edit->text();
}

void NameDialog::accept() {
    if (!NameFitsLimit(m_edit->text())) {
        emit nameRefused();
        ShowMessage(this, windowTitle(), text("Channel name is too long.", "名称太长。"));
        return;
    }
    QDialog::accept();
}

std::optional<QString> NameDialog::editName(const QString& current, QWidget* parent) {
    NameDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.name();
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("KRM-416X 3.1"));
    setObjectName(QStringLiteral("aboutBox"));
    setStyleSheet(style::dialogStyleSheet());
    setWindowIcon(ProgramIcon());
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(ProgramIcon().pixmap(64, 64));
    auto* caption = new QLabel(QStringLiteral("KRM-416X 3.1"), this);
    caption->setFont(style::font(20, true));
    auto* ok = new QPushButton(text("OK", "确定"), this);
    ok->setFont(style::font(13));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addWidget(icon);
    row->addWidget(caption, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setModal(true);
}

} // namespace krm::ui
