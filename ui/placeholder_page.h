#pragma once
// PlaceholderPage: a clearly labelled empty page standing where a page or editor that is
// not built yet will go (matrix, mode, groups, phantom power, the processing editors).
// It draws its title and "not available in this build" so nobody mistakes it for a
// finished page. UI thread only.

#include "editors/editor_page.h"

#include <QString>

namespace krm::ui {

class PlaceholderPage : public EditorPage {
    Q_OBJECT
public:
    PlaceholderPage(const char* en, const char* zh, QWidget* parent = nullptr);

    void retranslate();
    void openFor(int) override {}
    void applyLanguage() override { retranslate(); }
    QString title() const { return m_title; }
    // The channel or output an editor placeholder stands for (empty: none).
    void setSubject(const QString& subject);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const char* m_en;
    const char* m_zh;
    QString m_title;
    QString m_subject;
};

} // namespace krm::ui
