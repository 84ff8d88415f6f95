#include "ui/compare_dialog.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "model/difference_text.h"
#include "model/parameters.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace krm::ui {

namespace {

QString fromMessage(const Message& m) {
    return QString::fromStdString(currentLanguage() == Language::Chinese ? m.zh : m.en);
}

// A held field in the rows' words: "CH1 · PHASE · file: -2147483648 → read as -1.00".
QString HeldText(const HeldField& h, const DeviceImage& names) {
    SettingDifference d;
    d.path = h.path;
    d.channel = h.channel;
    if (const auto address = FindParameter(h.path))
        d.parameter = address->parameter;
    d.a = fromMessage({"file: " + std::to_string(h.raw), "文件：" + std::to_string(h.raw)})
              .toStdString();
    d.b = fromMessage({"read as " + h.heldText, "读作 " + h.heldText}).toStdString();
    return fromMessage(DifferenceText(d, names));
}

} // namespace

CompareDialog::CompareDialog(const QString& setting, const QStringList& sources, Compare compare,
                             QWidget* parent)
    : QDialog(parent), m_compare(std::move(compare)) {
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(text("COMPARE %1", "比较 %1").arg(setting));
    setStyleSheet(style::dialogStyleSheet());
    auto* layout = new QVBoxLayout(this);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(text("Compare %1 with:", "将 %1 与以下比较：").arg(setting), this));
    m_chooser = new QComboBox(this);
    m_chooser->setObjectName(QStringLiteral("compareSource"));
    m_chooser->addItems(sources);
    row->addWidget(m_chooser, 1);
    layout->addLayout(row);
    connect(m_chooser, &QComboBox::activated, this, &CompareDialog::choose);

    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(2);
    m_tree->setRootIsDecorated(true);
    m_tree->setAlternatingRowColors(true);
    layout->addWidget(m_tree, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(text("Close", "关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(900, 560);
    if (!sources.isEmpty())
        choose(0);
}

void CompareDialog::choose(int source) {
    std::optional<Comparison> comparison =
        m_compare ? m_compare(source) : std::optional<Comparison>();
    const QSignalBlocker quiet(m_chooser);
    if (!comparison) {
        // Nothing read: the list keeps showing what it showed, and the chooser says so.
        m_chooser->setCurrentIndex(m_shown);
        return;
    }
    m_shown = source;
    m_chooser->setCurrentIndex(source);
    showComparison(*comparison);
}

void CompareDialog::showComparison(const Comparison& c) {
    const std::vector<SettingDifference>& differences = c.differences;
    if (differences.empty())
        m_summary->setText(
            text("No difference: %1 holds setting %2.", "无差异：%1 与设置 %2 相同。")
                .arg(c.first, c.second));
    else
        m_summary->setText(text("%1 parameters differ between %2 and setting %3.",
                                "%2 与设置 %3 有 %1 项参数不同。")
                               .arg(differences.size())
                               .arg(c.first, c.second));
    if (!c.held.empty())
        m_summary->setText(
            m_summary->text() + QLatin1Char('\n') +
            text("Out of their range in the file: %1 (read as the nearest legal value).",
                 "文件中超出范围的值：%1 个（按最接近的合法值读取）。")
                .arg(c.held.size()));

    m_tree->clear();
    m_tree->setHeaderLabels({text("Difference (%1 → %2)", "差异（%1 → %2）").arg(c.first, c.second),
                             text("Name", "名称")});
    if (!c.held.empty()) {
        auto* outOfRange =
            new QTreeWidgetItem(m_tree, {text("Out of range in the file", "文件中超出范围")});
        outOfRange->setFirstColumnSpanned(true);
        outOfRange->setExpanded(true);
        for (const HeldField& h : c.held)
            new QTreeWidgetItem(outOfRange, {HeldText(h, c.names), QString::fromStdString(h.path)});
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
        new QTreeWidgetItem(
            branch, {fromMessage(DifferenceText(d, c.names)), QString::fromStdString(d.path)});
    }
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_tree->setVisible(!differences.empty() || !c.held.empty());
}

} // namespace krm::ui
