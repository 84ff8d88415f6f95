#include "ui/name_dialog.h"

#include "model/name16.h"
#include "ui/messages.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
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
    setWindowTitle(QStringLiteral("NAME"));
    setObjectName(QStringLiteral("nameDialog"));
    QFont font(QStringLiteral("Arial Unicode MS"));
    font.setPixelSize(20);
    m_edit->setFont(font);
    m_edit->setStyleSheet(QStringLiteral("background: white; color: black;"));
    m_edit->setObjectName(QStringLiteral("nameEdit"));

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("NAME:"), this));
    row->addWidget(m_edit, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NameDialog::reject);

    auto* layout = new QVBoxLayout(this);
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
        ShowMessage(this, windowTitle(), QStringLiteral("Channel name is too long."));
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
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    if (icon->pixmap().isNull())
        icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    auto* caption = new QLabel(QStringLiteral("KRM-416X 3.1"), this);
    auto* ok = new QPushButton(QString::fromUtf8("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(caption, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setModal(true);
}

} // namespace krm::ui
