#pragma once
// The program's icon (res/krm416x.png, compiled into the shell's resources): the window
// icon of every window and the picture of the about box. UI thread only.

#include <QIcon>

namespace krm::ui {

QIcon ProgramIcon();

} // namespace krm::ui
