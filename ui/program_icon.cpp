#include "ui/program_icon.h"

namespace krm::ui {

QIcon ProgramIcon() {
    return QIcon(QStringLiteral(":/krm416x/krm416x.png"));
}

} // namespace krm::ui
