#pragma once
// Message boxes of the shell. They open window-modal without a nested event loop, so the
// caller (a timer, an event from the link) returns at once and tests can find the box
// among the parent's children. UI thread only.

#include <QMessageBox>
#include <QString>

#include "model/setting_diff.h"

#include <vector>

namespace krm::ui {

// The box's standard buttons (OK, Cancel) read in the interface's language.
void TranslateButtons(QMessageBox* box);

QMessageBox* ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                         QMessageBox::Icon icon = QMessageBox::Information);

// "CANNOT CONNECT." (Chinese "连接失败."), then the address that did not answer.
QMessageBox* ShowCannotConnect(QWidget* parent, const QString& ip);
// "Winsock error!" with the caption "Warming" (both languages).
QMessageBox* ShowSocketError(QWidget* parent);

// "Updateing......." (Chinese "正在升级......."): a firmware update runs and holds the port.
QString UpdateBusyText();

// A dump with other settings than the program held dropped the undo history.
QString HistoryRestartedText();
// The notice after the link healed itself, in the current language: the device answered
// again and its settings were read anew (and, when it dropped the undo history, that undo
// starts again), followed by the modules that changed on the device meanwhile when there
// are any.
QString ReconnectedText(const std::vector<ImageModule>& changed, bool historyRestarted = false);

} // namespace krm::ui
