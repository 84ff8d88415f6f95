#include "ui/messages.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

#include <QAbstractButton>
#include <QStringList>

namespace krm::ui {

void TranslateButtons(QMessageBox* box) {
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->setText(text("OK", "确定"));
    if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
        cancel->setText(text("Cancel", "取消"));
}

QMessageBox* ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                         QMessageBox::Icon icon) {
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, parent);
    TranslateButtons(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(style::dialogStyleSheet());
    box->open();
    return box;
}

QMessageBox* ShowCannotConnect(QWidget* parent, const QString& ip) {
    // The address tells a typing slip from a device that is away.
    return ShowMessage(parent, QStringLiteral("KRM-416X 3.1"),
                       text("CANNOT CONNECT.", "连接失败.") + QLatin1Char('\n') +
                           text("No answer from %1.", "%1 没有应答。").arg(ip));
}

QMessageBox* ShowSocketError(QWidget* parent) {
    return ShowMessage(parent, QStringLiteral("Warming"), QStringLiteral("Winsock error!"));
}

QString UpdateBusyText() {
    return text("Updateing.......", "正在升级.......");
}

QString HistoryRestartedText() {
    return text("Undo starts again from the device's settings.", "撤销记录从设备的设置重新开始。");
}

QString ReconnectedText(const std::vector<ImageModule>& changed, bool historyRestarted) {
    QString notice = text("The device answered again; its settings were read anew.",
                          "设备已重新应答，已重新读取其设置。");
    if (historyRestarted)
        notice += QLatin1Char('\n') + HistoryRestartedText();
    if (changed.empty())
        return notice;
    QStringList names;
    for (ImageModule module : changed)
        names << text(ModuleName(module));
    const bool chinese = currentLanguage() == Language::Chinese;
    notice += QLatin1Char('\n');
    notice += text("Changed on the device: ", "设备上已更改：");
    notice += names.join(chinese ? QStringLiteral("、") : QStringLiteral(", "));
    notice += chinese ? QStringLiteral("。") : QStringLiteral(".");
    return notice;
}

} // namespace krm::ui
