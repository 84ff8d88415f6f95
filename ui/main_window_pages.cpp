// MainWindow: page switching and layout (banks, views, editors, group views).

#include "ui/main_window.h"

#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "ui/navigation_panel.h"
#include "ui/placeholder_page.h"
#include "ui/readout_panel.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QScrollArea>
#include <QScrollBar>

namespace krm::ui {

InputStrip* MainWindow::inputStrip(int index) const {
    return index >= 0 && index < kInputCount ? m_inputStrips[static_cast<std::size_t>(index)]
                                             : nullptr;
}

OutputStrip* MainWindow::outputStrip(int index) const {
    return index >= 0 && index < kOutputCount ? m_outputStrips[static_cast<std::size_t>(index)]
                                              : nullptr;
}

QWidget* MainWindow::pageWidget(View view) const {
    return m_pageWidgets[static_cast<std::size_t>(view)];
}

void MainWindow::applyMetrics() {
    m_topBar->applyMetrics(m_metrics);
    m_readout->applyMetrics(m_metrics);
    m_navigation->setGeometry(NavigationPanelRect(m_metrics));
    fitContent();
}

void MainWindow::fitContent() {
    // The channel view's room, widened when an editor or a group view reaches further
    // right, so that scroll bars appear only when something does not fit; at least the
    // room the scroll area offers without scroll bars, so the background reaches the
    // window's edges.
    QRect extent(QPoint(0, 0), m_metrics.contentSize());
    for (QWidget* child : m_content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != m_topBar && !child->isHidden())
            extent |= child->geometry();
    const QSize content = extent.size().expandedTo(m_scroll->maximumViewportSize());
    m_content->resize(content);
    m_topBar->setGeometry(0, 0, content.width(), kStripTop - 14);
}

void MainWindow::hideStripArea() {
    for (QWidget* w : m_inputStrips)
        w->hide();
    for (QWidget* w : m_outputStrips)
        w->hide();
    m_largeInput->hide();
    m_largeOutput->hide();
    for (QWidget* w : m_pageWidgets)
        if (w)
            w->hide();
    for (QWidget* w : m_inputEditors)
        w->hide();
    for (QWidget* w : m_outputEditors)
        w->hide();
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

    const PageContent c = m_pages.content(m_session->image());
    int slot = 0;
    for (int ch : c.inputStrips) {
        QWidget* strip = m_inputStrips[static_cast<std::size_t>(ch)];
        strip->setGeometry(StripSlotRect(m_metrics, slot++));
        strip->show();
    }
    for (int o : c.outputStrips) {
        QWidget* strip = m_outputStrips[static_cast<std::size_t>(o)];
        strip->setGeometry(StripSlotRect(m_metrics, slot++));
        strip->show();
    }
    const bool panelShown = c.navigationPanel || m_navigationOpen;
    const QRect panel = NavigationPanelRect(m_metrics);
    if (c.rightOutputStrip >= 0) {
        QWidget* strip = m_outputStrips[static_cast<std::size_t>(c.rightOutputStrip)];
        // On a client too narrow for ten columns the panel stands over the output
        // strip's place; the strip then takes the first free slot after the members.
        QRect place = RightOutputStripRect(m_metrics);
        if (panelShown && place.intersects(panel) &&
            !StripSlotRect(m_metrics, slot).intersects(panel))
            place = StripSlotRect(m_metrics, slot);
        strip->setGeometry(place);
        strip->show();
    }
    if (c.showPage) {
        QWidget* page = m_pageWidgets[static_cast<std::size_t>(c.page)];
        page->setGeometry(PageRect(m_metrics));
        page->show();
        if (c.page == View::System)
            m_system->setConnected(m_session->isOnline());
    }
    if (c.largeInputStrip >= 0) {
        m_largeInput->setGeometry(StripSlotRect(m_metrics, 0));
        m_largeInput->open(c.largeInputStrip);
        PlaceholderPage* editor = m_inputEditors[static_cast<std::size_t>(c.inputEditor) - 1];
        editor->setSubject(QString::fromStdString(
            m_session->image().inputs[static_cast<std::size_t>(c.largeInputStrip)].name.toUtf8()));
        editor->setGeometry(InputEditorRect(m_metrics));
        editor->show();
    }
    if (c.largeOutputStrip >= 0) {
        m_largeOutput->setGeometry(RightOutputStripRect(m_metrics));
        m_largeOutput->open(c.largeOutputStrip);
        PlaceholderPage* editor = m_outputEditors[static_cast<std::size_t>(c.outputEditor) - 1];
        editor->setSubject(
            QString::fromStdString(m_session->image()
                                       .outputs[static_cast<std::size_t>(c.largeOutputStrip)]
                                       .name.toUtf8()));
        editor->setGeometry(PageRect(m_metrics));
        editor->show();
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
        m_navigation->hide();
        m_topBar->setNavigationLit(false);
        fitContent();
        return;
    }
    m_navigationOpen = true;
    m_navigation->setMode(NavigationPanel::MainButtons);
    showPage(m_pages.bank(), View::Channel);
}

void MainWindow::refreshStrips() {
    m_bank->refreshAll();
}

void MainWindow::refreshAll() {
    refreshStrips();
    for (QWidget* page : m_pageWidgets)
        if (page)
            page->update();
    showReadout();
}

} // namespace krm::ui
