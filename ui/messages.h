#pragma once
// Message boxes of the shell. They open window-modal without a nested event loop, so the
// caller (a timer, an event from the link) returns at once and tests can find the box
// among the parent's children. UI thread only.

#include <QMessageBox>
#include <QString>

namespace krm::ui {

QMessageBox* ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                         QMessageBox::Icon icon = QMessageBox::Information);

// "CANNOT CONNECT." (Chinese "连接失败.").
QMessageBox* ShowCannotConnect(QWidget* parent);
// "Winsock error!" with the caption "Warming" (both languages).
QMessageBox* ShowSocketError(QWidget* parent);

} // namespace krm::ui
