// MainWindow: page switching and layout (banks, views, editors, group views).

#include "ui/main_window.h"

#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "ui/navigation_panel.h"
#include "ui/readout_panel.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"
#include "ui/units_section.h"

#include <QScrollArea>
#include <QScrollBar>

namespace krm::ui {

namespace {
// The layout places the page at y 200 of the window; the page scrolls under the top bar,
// so the scroll area's content starts where the top bar ends.
QRect onPage(const QRect& inWindow) {
    return inWindow.translated(0, -kTopBarHeight);
}
} // namespace

InputStrip* MainWindow::inputStrip(int index) const {
    return index >= 0 && index < kInputCount ? m_inputStrips[static_cast<std::size_t>(index)]
                                             : nullptr;
}

OutputStrip* MainWindow::outputStrip(int index) const {
    return index >= 0 && index < kOutputCount ? m_outputStrips[static_cast<std::size_t>(index)]
                                              : nullptr;
}

QWidget* MainWindow::pageWidget(View view) const {
    const auto page = m_pageWidgets.find(view);
    return page == m_pageWidgets.end() ? nullptr : page->second;
}

void MainWindow::registerPage(View view, QWidget* page) {
    page->setParent(m_content);
    page->hide();
    if (QWidget* old = pageWidget(view); old && old != page)
        old->deleteLater();
    m_pageWidgets[view] = page;
}

void MainWindow::registerEditor(InputEditorKind kind, EditorPage* editor) {
    editor->setParent(m_content);
    editor->hide();
    if (auto old = m_inputEditors.find(kind); old != m_inputEditors.end() && old->second != editor)
        old->second->deleteLater();
    m_inputEditors[kind] = editor;
    connect(editor, &EditorPage::readoutRequested, this, &MainWindow::setSelection,
            Qt::UniqueConnection);
}

EditorPage* MainWindow::inputEditor(InputEditorKind kind) const {
    const auto it = m_inputEditors.find(kind);
    return it == m_inputEditors.end() ? nullptr : it->second;
}

EditorPage* MainWindow::outputEditor(OutputEditorKind kind) const {
    const auto it = m_outputEditors.find(kind);
    return it == m_outputEditors.end() ? nullptr : it->second;
}

void MainWindow::registerEditor(OutputEditorKind kind, EditorPage* editor) {
    editor->setParent(m_content);
    editor->hide();
    if (auto old = m_outputEditors.find(kind);
        old != m_outputEditors.end() && old->second != editor)
        old->second->deleteLater();
    m_outputEditors[kind] = editor;
    connect(editor, &EditorPage::readoutRequested, this, &MainWindow::setSelection,
            Qt::UniqueConnection);
}

void MainWindow::applyMetrics() {
    m_topBar->applyMetrics(m_metrics);
    m_readout->applyMetrics(m_metrics);
    m_topBar->setGeometry(0, 0, width(), kTopBarHeight);
    m_navigation->setGeometry(onPage(NavigationPanelRect(m_metrics)));
    fitContent();
}

void MainWindow::fitContent() {
    // The channel view's room, widened when an editor or a group view reaches further
    // right, so that scroll bars appear only when something does not fit; at least the
    // room the scroll area offers without scroll bars, so the background reaches the
    // window's edges.
    const QSize channelView = m_metrics.contentSize();
    QRect extent(0, 0, channelView.width(), channelView.height() - kTopBarHeight);
    for (QWidget* child : m_content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            extent |= child->geometry();
    const QSize content = extent.size().expandedTo(m_scroll->maximumViewportSize());
    m_content->resize(content);
}

void MainWindow::hideStripArea() {
    for (QWidget* w : m_inputStrips)
        w->hide();
    for (QWidget* w : m_outputStrips)
        w->hide();
    m_largeInput->hide();
    m_largeOutput->hide();
    for (const auto& [view, page] : m_pageWidgets)
        page->hide();
    for (const auto& [kind, editor] : m_inputEditors)
        editor->hide();
    for (const auto& [kind, editor] : m_outputEditors)
        editor->hide();
    m_navigation->hide();
}

void MainWindow::showPage(int bank, View view) {
    m_pages.showPage(bank, view);
    // The group view ended with the page: the panel's group buttons go dark, and its page
    // buttons follow the page shown, whoever asked for it.
    m_navigation->setViewGroupLit(0);
    m_navigation->setPageLit(m_pages.view());
    applyContent();
}

void MainWindow::pressBank(int bank) {
    if (m_pages.pressBank(bank))
        applyContent();
}

void MainWindow::openInputEditor(int channel, InputEditorKind kind) {
    m_pages.openInputEditor(channel, kind);
    applyContent();
}

void MainWindow::openOutputEditor(int output, OutputEditorKind kind) {
    m_pages.openOutputEditor(output, kind);
    applyContent();
}

void MainWindow::showGroup(int group) {
    m_pages.showGroup(group);
    // The panel stands beside the group's strips with its group buttons, the shown group
    // lit, so that the operator can leave the group view from it.
    if (m_pages.groupView() != 0) {
        m_navigation->setMode(NavigationPanel::GroupButtons);
        m_navigation->setViewGroupLit(m_pages.groupView());
    }
    applyContent();
}

void MainWindow::applyContent() {
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
    hideStripArea();
    m_topBar->showSelection(m_pages.bank(), m_pages.view(),
                            m_pages.displayMode() == DisplayMode::Page && m_pages.groupView() == 0);

    const PageContent c = m_pages.content(m_session.image());
    const bool panelShown = c.navigationPanel || m_navigationOpen;
    // A bank's strips share the width; a group view's members keep the strip width, so
    // that its output strip and the panel stand in their places beside them.
    const bool bank = c.rightOutputStrip < 0;
    auto slotRect = [&](int slot) {
        return onPage(bank ? BankSlotRect(m_metrics, slot, panelShown)
                           : StripSlotRect(m_metrics, slot));
    };
    int slot = 0;
    for (int ch : c.inputStrips) {
        QWidget* strip = m_inputStrips[static_cast<std::size_t>(ch)];
        strip->setGeometry(slotRect(slot++));
        strip->show();
    }
    for (int o : c.outputStrips) {
        QWidget* strip = m_outputStrips[static_cast<std::size_t>(o)];
        strip->setGeometry(slotRect(slot++));
        strip->show();
    }
    const QRect panel = onPage(NavigationPanelRect(m_metrics));
    if (c.rightOutputStrip >= 0) {
        QWidget* strip = m_outputStrips[static_cast<std::size_t>(c.rightOutputStrip)];
        // On a client too narrow for ten columns the panel stands over the output
        // strip's place; the strip then takes the first free slot after the members.
        QRect place = onPage(RightOutputStripRect(m_metrics));
        if (panelShown && place.intersects(panel) && !slotRect(slot).intersects(panel))
            place = slotRect(slot);
        strip->setGeometry(place);
        strip->show();
    }
    if (c.showPage) {
        if (QWidget* page = pageWidget(c.page)) {
            page->setGeometry(onPage(PageRect(m_metrics, panelShown)));
            page->show();
        }
        if (c.page == View::System)
            m_system->setConnected(m_session.isOnline());
    }
    if (c.largeInputStrip >= 0) {
        m_largeInput->setGeometry(onPage(StripSlotRect(m_metrics, 0)));
        m_largeInput->open(c.largeInputStrip);
        if (auto e = m_inputEditors.find(c.inputEditor); e != m_inputEditors.end()) {
            EditorPage* editor = e->second;
            showEditor(editor, onPage(InputEditorRect(m_metrics, panelShown)), c.largeInputStrip,
                       m_session.image().inputs[static_cast<std::size_t>(c.largeInputStrip)].name);
        }
    }
    if (c.largeOutputStrip >= 0) {
        m_largeOutput->setGeometry(onPage(LargeOutputStripRect(m_metrics, panelShown)));
        m_largeOutput->open(c.largeOutputStrip);
        if (auto e = m_outputEditors.find(c.outputEditor); e != m_outputEditors.end()) {
            EditorPage* editor = e->second;
            showEditor(
                editor, onPage(OutputEditorRect(m_metrics, panelShown)), c.largeOutputStrip,
                m_session.image().outputs[static_cast<std::size_t>(c.largeOutputStrip)].name);
        }
    }
    if (panelShown) {
        m_navigation->setGeometry(panel);
        m_navigation->show();
        m_navigation->raise();
    }
    m_topBar->setNavigationLit(panelShown);
    fitContent();
}

void MainWindow::toggleNavigationPanel() {
    if (!m_navigation->isHidden()) {
        m_navigationOpen = false;
        // The bank's strips take the panel's room again.
        applyContent();
        m_navigation->hide();
        m_topBar->setNavigationLit(false);
        fitContent();
        return;
    }
    m_navigationOpen = true;
    m_navigation->setMode(NavigationPanel::MainButtons);
    showPage(m_pages.bank(), View::Channel);
}

void MainWindow::showEditor(EditorPage* editor, const QRect& area, int channel,
                            const Name16& /*name*/) {
    editor->setGeometry(area);
    editor->openFor(channel);
    editor->show();
}

void MainWindow::refreshStrips() {
    m_bank->refreshAll();
}

void MainWindow::refreshAll() {
    refreshStrips();
    // A shown page that keeps controls of its own loads them again (names, records).
    for (const auto& [view, page] : m_pageWidgets) {
        auto* editorLike = qobject_cast<EditorPage*>(page);
        if (editorLike && editorLike->isVisible())
            editorLike->reload();
        else
            page->update();
    }
    for (const auto& [kind, editor] : m_inputEditors)
        if (editor->isVisible())
            editor->reload();
    for (const auto& [kind, editor] : m_outputEditors)
        if (editor->isVisible())
            editor->reload();
    // The identification carries the unit table and the number of connected units.
    m_unitsSection->applyUnitCount();
    showReadout();
}

} // namespace krm::ui
