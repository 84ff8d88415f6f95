#include "ui/compare_dialog.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace krm::ui {

namespace {

QString ChannelText(const Channel& channel) {
    if (channel.isInput())
        return text("CH%1", "通道%1").arg(channel.index + 1);
    if (channel.isOutput())
        return text("OUT%1", "输出%1").arg(channel.index + 1);
    return text("device", "设备");
}

} // namespace

CompareDialog::CompareDialog(const QString& setting,
                             const std::vector<SettingDifference>& differences, bool online,
                             QWidget* parent, const std::vector<HeldField>& held)
    : QDialog(parent) {
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(text("COMPARE %1", "比较 %1").arg(setting));
    setStyleSheet(style::dialogStyleSheet());
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    const QString now = online ? text("the device", "设备") : text("the window", "当前窗口");
    if (differences.empty())
        m_summary->setText(
            text("No difference: %1 holds setting %2.", "无差异：%1 与设置 %2 相同。")
                .arg(now, setting));
    else
        m_summary->setText(text("%1 parameters differ between %2 and setting %3.",
                                "%2 与设置 %3 有 %1 项参数不同。")
                               .arg(differences.size())
                               .arg(now, setting));
    if (!held.empty())
        m_summary->setText(
            m_summary->text() + QLatin1Char('\n') +
            text("Out of their range in the file: %1 (read as the nearest legal value).",
                 "文件中超出范围的值：%1 个（按最接近的合法值读取）。")
                .arg(held.size()));
    layout->addWidget(m_summary);

    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(4);
    m_tree->setHeaderLabels({text("Parameter", "参数"), text("Channel", "通道"),
                             online ? text("Device", "设备") : text("Now", "当前"),
                             text("Setting", "设置")});
    m_tree->setRootIsDecorated(true);
    m_tree->setAlternatingRowColors(true);
    if (!held.empty()) {
        auto* outOfRange =
            new QTreeWidgetItem(m_tree, {text("Out of range in the file", "文件中超出范围")});
        outOfRange->setFirstColumnSpanned(true);
        outOfRange->setExpanded(true);
        for (const HeldField& h : held)
            new QTreeWidgetItem(
                outOfRange,
                {QString::fromStdString(h.path), ChannelText(h.channel),
                 text("file: %1", "文件：%1").arg(h.raw),
                 text("read as %1", "读作 %1").arg(QString::fromStdString(h.heldText))});
    }
    QTreeWidgetItem* branch = nullptr;
    ImageModule module{};
    for (const SettingDifference& d : differences) {
        if (!branch || d.module != module) {
            module = d.module;
            branch = new QTreeWidgetItem(m_tree, {text(ModuleName(d.module))});
            branch->setFirstColumnSpanned(true);
            branch->setExpanded(true);
        }
        new QTreeWidgetItem(branch, {QString::fromStdString(d.path), ChannelText(d.channel),
                                     QString::fromStdString(d.a), QString::fromStdString(d.b)});
    }
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const bool rows = !differences.empty() || !held.empty();
    m_tree->setVisible(rows);
    layout->addWidget(m_tree, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(rows ? QSize(640, 480) : QSize(420, 140));
}

} // namespace krm::ui
