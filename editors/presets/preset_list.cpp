#include "editors/presets/preset_list.h"

#include "kit/kit_style.h"
#include "kit/popup_menu.h"
#include "kit/texts.h"

#include <QCursor>

namespace krm {

namespace {

const char* kListStyle =
    "QListWidget { background: #101114; color: #d6dae0; border: 1px solid #3e434d; }"
    "QListWidget::item { padding: 3px 6px; }"
    "QListWidget::item:selected { background: #2a8fd6; color: white; }";

} // namespace

PresetList::PresetList(ModulePresets& presets, PresetTable table, Menu menu,
                       PresetListServices services, QWidget* parent)
    : QListWidget(parent), m_presets(presets), m_table(table), m_services(std::move(services)) {
    setObjectName(QStringLiteral("presetList"));
    setStyleSheet(QLatin1String(kListStyle) + ui::style::focusStyleSheet());
    setFont(ui::style::font(14));
    m_menu = menu == Menu::A ? ui::PopupMenu::presetSlotMenu(this)
                             : ui::PopupMenu::secondPresetSlotMenu(this);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { activateRow(row(item)); });
    connect(m_menu, &ui::PopupMenu::commandChosen, this, [this](int command) {
        switch (command) {
        case ui::PopupMenu::PresetName:
        case ui::PopupMenu::SlotName:
            rename(m_menuRow);
            break;
        case ui::PopupMenu::PresetRecall:
        case ui::PopupMenu::SlotRecall:
            recall(m_menuRow);
            break;
        case ui::PopupMenu::PresetDelete:
        case ui::PopupMenu::SlotDelete:
            remove(m_menuRow);
            break;
        default:
            break;
        }
    });
}

void PresetList::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    refill();
}

void PresetList::refill() {
    clear();
    // "SAVE PRESET" is the row's own text; the Chinese interface reads it in Chinese.
    addItem(ui::text(kSavePresetRow.data(), "保存预设"));
    const std::optional<std::vector<std::string>> rows = m_presets.rows(m_table);
    if (!rows)
        return; // the database is not usable: the save row reports why when clicked
    for (const std::string& r : *rows)
        addItem(QString::fromStdString(r));
}

QString PresetList::storedRow(int r) const {
    if (r < 1 || r >= count())
        return {};
    return item(r)->text();
}

void PresetList::showError() {
    const Message& e = m_presets.lastError();
    if (m_services.showMessage && !e.empty())
        m_services.showMessage(
            QString::fromStdString(ui::currentLanguage() == ui::Language::Chinese ? e.zh : e.en));
}

void PresetList::activateRow(int r) {
    if (r == 0) {
        if (!m_presets.save(m_table, m_channel))
            showError();
        refill();
        return;
    }
    if (storedRow(r).isEmpty())
        return;
    m_menuRow = r;
    setCurrentRow(r);
    m_menu->popup(QCursor::pos());
}

void PresetList::rename(int r) {
    const QString text = storedRow(r);
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0 || !m_services.editName)
        return;
    const std::optional<QString> name = m_services.editName(text.mid(colon + 1));
    if (!name)
        return;
    if (!m_presets.rename(m_table, text.toStdString(), name->toStdString()))
        showError();
    refill();
}

void PresetList::recall(int r) {
    const QString text = storedRow(r);
    if (text.isEmpty())
        return;
    if (!m_presets.recall(m_table, m_channel, text.toStdString())) {
        showError();
        return;
    }
    emit recalled(m_channel);
}

void PresetList::remove(int r) {
    const QString text = storedRow(r);
    if (text.isEmpty())
        return;
    auto removeRow = [this, text] {
        if (!m_presets.remove(m_table, text.toStdString()))
            showError();
        refill();
    };
    // The row leaves the database: undo, which takes back edits of the device, cannot
    // bring it back, so the operator is asked first.
    if (!m_services.confirm) {
        removeRow();
        return;
    }
    m_services.confirm(ui::text("Delete the preset \"%1\"? This cannot be undone.",
                                "删除预设“%1”？此操作无法撤销。")
                           .arg(text),
                       std::move(removeRow));
}

} // namespace krm
