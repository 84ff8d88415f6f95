#include "ui/messages.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

namespace krm::ui {

QMessageBox* ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                         QMessageBox::Icon icon) {
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(style::dialogStyleSheet());
    box->open();
    return box;
}

QMessageBox* ShowCannotConnect(QWidget* parent) {
    return ShowMessage(parent, QStringLiteral("KRM-416X 3.1"),
                       text("CANNOT CONNECT.", "连接失败."));
}

QMessageBox* ShowSocketError(QWidget* parent) {
    return ShowMessage(parent, QStringLiteral("Warming"), QStringLiteral("Winsock error!"));
}

} // namespace krm::ui
