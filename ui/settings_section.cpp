#include "ui/settings_section.h"

#include "kit/kit_style.h"
#include "kit/popup_menu.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace krm::ui {

namespace {

constexpr int kColumns = 4;
constexpr int kButtonWidth = 155;
constexpr int kButtonHeight = 40;
constexpr int kGridTop = 56;

QString fromMessage(const Message& m) {
    return QString::fromStdString(currentLanguage() == Language::Chinese ? m.zh : m.en);
}

std::filesystem::path PathOf(const QString& file) {
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

// The NAME of an "ID:NAME" row as a file name: "Room A.dat".
QString SuggestedFileName(const QString& row) {
    QString name = row.mid(row.indexOf(QLatin1Char(':')) + 1).trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return (name.isEmpty() ? row.section(QLatin1Char(':'), 0, 0) : name) + QStringLiteral(".dat");
}

} // namespace

SettingsSection::SettingsSection(DeviceSettings& settings, SettingRecall& recaller,
                                 SettingsServices services, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_recall(recaller), m_services(std::move(services)) {
    setObjectName(QStringLiteral("settingsSection"));
    m_save = new ToggleButton({}, this);
    m_save->setObjectName(QStringLiteral("saveSettingButton"));
    m_save->setTextPixelSize(14);
    m_save->setGeometry(0, 0, 120, kButtonHeight);
    connect(m_save, &ToggleButton::clicked, this, [this] { save(); });
    m_import = new ToggleButton({}, this);
    m_import->setObjectName(QStringLiteral("importSettingButton"));
    m_import->setTextPixelSize(14);
    m_import->setGeometry(130, 0, 120, kButtonHeight);
    connect(m_import, &ToggleButton::clicked, this, [this] {
        m_import->setState(false);
        importSetting();
    });

    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new ToggleButton({}, this);
        b->setObjectName(QStringLiteral("settingButton%1").arg(i + 1));
        b->setControlId(i);
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitBlue);
        b->setGeometry((i % kColumns) * (kButtonWidth + 10),
                       kGridTop + (i / kColumns) * (kButtonHeight + 8), kButtonWidth,
                       kButtonHeight);
        b->hide();
        connect(b, &ToggleButton::clicked, this, [this](int id) { openMenu(id); });
        m_buttons[static_cast<std::size_t>(i)] = b;
    }

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("settingStatus"));
    m_status->setFont(style::font(14));
    QPalette pal = m_status->palette();
    pal.setColor(QPalette::WindowText, style::kText);
    m_status->setPalette(pal);
    m_status->setGeometry(260, 0, 4 * kButtonWidth + 30 - 260, kButtonHeight);

    const int gridBottom = kGridTop + 8 * (kButtonHeight + 8);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("recallProgress"));
    m_progress->setTextVisible(false);
    m_progress->setGeometry(0, gridBottom + 4, 4 * kButtonWidth + 30, 16);
    m_progress->hide();
    resize(4 * kButtonWidth + 30, gridBottom + 24);

    m_menu = PopupMenu::settingSlotMenu(this);
    connect(m_menu, &PopupMenu::commandChosen, this, [this](int command) {
        const int index = m_menuIndex;
        if (command == PopupMenu::PresetName)
            rename(index);
        else if (command == PopupMenu::PresetRecall)
            recall(index);
        else if (command == PopupMenu::PresetDelete)
            remove(index);
        else if (command == PopupMenu::SettingCompare)
            compare(index);
        else if (command == PopupMenu::SettingExport)
            exportSetting(index);
    });

    m_progressTimer.setInterval(kProgressTimerMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &SettingsSection::progressTick);
    retranslate();
}

void SettingsSection::retranslate() {
    m_save->setText(text("SAVE", "保存"));
    m_import->setText(text("IMPORT…", "导入…"));
    m_save->setToolTip(
        text("Store the device's settings under a new name", "以新名称存储设备的设置"));
    m_import->setToolTip(text("Store the settings of a setting file", "存储设置文件中的设置"));
}

void SettingsSection::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refill();
}

void SettingsSection::refill() {
    for (ToggleButton* b : m_buttons)
        b->hide();
    const std::optional<std::vector<std::string>> rows = m_settings.rows();
    if (!rows) {
        m_status->setText(fromMessage(m_settings.lastError()));
        return;
    }
    for (std::size_t i = 0; i < rows->size() && i < m_buttons.size(); ++i) {
        m_buttons[i]->setText(QString::fromStdString((*rows)[i]));
        m_buttons[i]->setState(false);
        m_buttons[i]->show();
    }
    if (m_recalling.isEmpty())
        m_status->setText(
            text("%1 of 32 settings stored.", "已存储 %1 个设置（共 32 个）。").arg(rows->size()));
}

int SettingsSection::shownCount() const {
    int n = 0;
    for (const ToggleButton* b : m_buttons)
        n += b->isVisibleTo(this) ? 1 : 0;
    return n;
}

QString SettingsSection::rowText(int index) const {
    if (index < 0 || index >= kButtonCount)
        return {};
    const ToggleButton* b = m_buttons[static_cast<std::size_t>(index)];
    return b->isVisibleTo(this) ? b->text() : QString();
}

void SettingsSection::showError(const Message& error) {
    if (m_services.showMessage && !error.empty())
        m_services.showMessage(fromMessage(error));
}

void SettingsSection::save() {
    const LinkStateRecord link = m_services.linkState ? m_services.linkState() : LinkStateRecord{};
    stored(m_settings.save(m_recall.edits().image(), link));
}

void SettingsSection::stored(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::Saved:
        break;
    case SaveOutcome::Full:
        // The device keeps 32 settings; saying so beats a button that seems dead.
        if (m_services.showMessage)
            m_services.showMessage(text("All 32 settings are in use. Delete one to save a new "
                                        "setting.",
                                        "32个设置已全部使用。请先删除一个设置再保存。"));
        break;
    case SaveOutcome::Failed:
        showError(m_settings.lastError());
        break;
    }
    refill();
}

void SettingsSection::openMenu(int index) {
    if (rowText(index).isEmpty())
        return;
    m_menuIndex = index;
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setState(i == index);
    m_menu->popup(QCursor::pos());
}

void SettingsSection::rename(int index) {
    const QString row = rowText(index);
    const qsizetype colon = row.indexOf(QLatin1Char(':'));
    if (colon < 0 || !m_services.editName)
        return;
    const std::optional<QString> name = m_services.editName(row.mid(colon + 1));
    if (!name)
        return;
    if (!m_settings.rename(row.toStdString(), name->toStdString()))
        showError(m_settings.lastError());
    refill();
}

void SettingsSection::recall(int index) {
    const QString row = rowText(index);
    if (row.isEmpty())
        return;
    auto go = [this, row] { startRecall(row); };
    if (m_services.confirm)
        m_services.confirm(text("Do you want to recall the setting？", "是否调用该设置？"), go);
    else
        go();
}

void SettingsSection::compare(int index) {
    const QString row = rowText(index);
    if (row.isEmpty())
        return;
    // The chooser: the device (or window), the other stored settings, then a file.
    QStringList sources{m_recall.edits().online() ? text("the device", "设备")
                                                  : text("the window", "当前窗口")};
    std::vector<QString> others{QString()};
    if (const auto rows = m_settings.rows())
        for (const std::string& other : *rows)
            if (QString::fromStdString(other) != row) {
                sources << text("setting %1", "设置 %1").arg(QString::fromStdString(other));
                others.push_back(QString::fromStdString(other));
            }
    sources << text("a setting file…", "设置文件…");
    // The first comparison is read before the dialog opens: a setting that cannot be read
    // is refused with its message and no empty dialog.
    if (!comparison(row, {}, false))
        return;
    QPointer<SettingsSection> self(this);
    auto compareWith = [self, row, others](int source) -> std::optional<Comparison> {
        if (!self || source < 0 || source > static_cast<int>(others.size()))
            return std::nullopt;
        const bool file = source == static_cast<int>(others.size());
        return self->comparison(row, file ? QString() : others[static_cast<std::size_t>(source)],
                                file);
    };
    auto* dialog = new CompareDialog(row, sources, std::move(compareWith), window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

std::optional<Comparison> SettingsSection::comparison(const QString& row, const QString& other,
                                                      bool file) {
    const DeviceImage& now = m_recall.edits().image();
    Comparison c;
    c.second = row;
    DeviceImage setting = now;
    if (!m_settings.load(row.toStdString(), setting, &c.held)) {
        showError(m_settings.lastError());
        return std::nullopt;
    }
    c.names = now;
    if (file) {
        const std::optional<QString> chosen =
            pickFile(text("Compare %1 with a setting file", "将 %1 与设置文件比较").arg(row),
                     QDir::homePath(), false);
        if (!chosen)
            return std::nullopt;
        Message error;
        if (!ReadSettingFile(PathOf(*chosen), c.names, &error)) {
            showError(error);
            return std::nullopt;
        }
        c.first = QFileInfo(*chosen).fileName();
    } else if (!other.isEmpty()) {
        if (!m_settings.load(other.toStdString(), c.names)) {
            showError(m_settings.lastError());
            return std::nullopt;
        }
        c.first = text("setting %1", "设置 %1").arg(other);
    } else {
        c.first =
            m_recall.edits().online() ? text("the device", "设备") : text("the window", "当前窗口");
    }
    c.differences = DiffImages(c.names, setting);
    return c;
}

std::optional<QString> SettingsSection::pickFile(const QString& title, const QString& suggested,
                                                 bool forSaving) {
    if (m_services.pickFile)
        return m_services.pickFile(title, suggested, forSaving);
    const QString filter =
        text("Setting files (*.dat);;All files (*)", "设置文件 (*.dat);;所有文件 (*)");
    const QString chosen = forSaving
                               ? QFileDialog::getSaveFileName(window(), title, suggested, filter)
                               : QFileDialog::getOpenFileName(window(), title, suggested, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void SettingsSection::exportSetting(int index) {
    const QString row = rowText(index);
    if (row.isEmpty())
        return;
    const std::optional<QString> target =
        pickFile(text("Export setting %1", "导出设置 %1").arg(row),
                 QDir::home().filePath(SuggestedFileName(row)), true);
    if (!target)
        return;
    if (!m_settings.exportTo(row.toStdString(), PathOf(*target))) {
        showError(m_settings.lastError());
        return;
    }
    m_status->setText(text("%1 exported to %2.", "%1 已导出到 %2。").arg(row, *target));
}

void SettingsSection::importSetting() {
    const std::optional<QString> source =
        pickFile(text("Import a setting file", "导入设置文件"), QDir::homePath(), false);
    if (!source)
        return;
    const SaveOutcome outcome = m_settings.importFrom(PathOf(*source));
    stored(outcome);
    if (outcome == SaveOutcome::Saved && m_recalling.isEmpty())
        m_status->setText(text("%1 imported.", "%1 已导入。").arg(QFileInfo(*source).fileName()));
}

void SettingsSection::startRecall(const QString& row) {
    switch (m_recall.start(row.toStdString())) {
    case SettingRecall::Start::Busy:
        if (m_services.showMessage)
            m_services.showMessage(text("A setting is still being sent to the device. Wait "
                                        "until it is finished.",
                                        "正在向设备发送设置，请等待完成。"));
        return;
    case SettingRecall::Start::Failed:
        showError(m_recall.lastError());
        return;
    case SettingRecall::Start::Loaded:
        m_status->setText(
            text("%1 loaded (offline: nothing sent).", "%1 已载入（离线：未发送）。").arg(row));
        break;
    case SettingRecall::Start::Sending:
        m_recalling = row;
        m_progress->setRange(0, std::max(1, m_recall.total()));
        m_progress->setValue(0);
        m_progress->show();
        m_status->setText(text("Sending %1 to the device…", "正在向设备发送 %1…").arg(row));
        m_progressTimer.start();
        break;
    }
    if (m_services.loaded)
        m_services.loaded();
}

void SettingsSection::progressTick() {
    if (m_recalling.isEmpty()) {
        m_progressTimer.stop();
        return;
    }
    m_progress->setValue(m_recall.done());
    if (m_recall.running())
        return;
    m_progressTimer.stop();
    m_progress->hide();
    const QString row = std::exchange(m_recalling, QString());
    // A frame an edit superseded is no loss: the edit's own frame carried its group.
    const int lost = m_recall.dropped();
    if (lost > 0) {
        m_status->setText(
            text("%1: %2 of %3 frames did not reach the device.", "%1：%3 帧中有 %2 帧未送达设备。")
                .arg(row)
                .arg(lost)
                .arg(m_recall.total()));
        if (m_services.showMessage)
            m_services.showMessage(
                text("The link went down while the setting was being sent: %1 of %2 frames "
                     "did not reach the device. Connect and recall the setting again.",
                     "发送设置时连接中断：%2 帧中有 %1 帧未送达设备。请重新连接后再次调用该设置。")
                    .arg(lost)
                    .arg(m_recall.total()));
    } else {
        m_status->setText(text("%1 recalled.", "%1 已调用。").arg(row));
    }
}

void SettingsSection::remove(int index) {
    const QString row = rowText(index);
    if (row.isEmpty())
        return;
    auto go = [this, row] {
        if (!m_settings.remove(row.toStdString()))
            showError(m_settings.lastError());
        refill();
    };
    if (m_services.confirm)
        m_services.confirm(text("Do you want to delete the setting？", "是否删除该设置？"), go);
    else
        go();
}

} // namespace krm::ui
