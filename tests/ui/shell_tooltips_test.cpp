// Every button the operator can press in the main window, its pages and its editors says
// what it does in a tooltip, in English and in Chinese.
#include "app/program.h"
#include "kit/png_button.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "tests/support/offline_window.h"
#include "ui/main_window.h"
#include "ui/system_page.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace krm::ui {
namespace {

bool hasChinese(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

// A pressable button: the kit's buttons and the standard ones, not the indicators that
// ignore the mouse.
bool pressable(const QWidget* w) {
    if (w->testAttribute(Qt::WA_TransparentForMouseEvents) || !w->isEnabled())
        return false;
    return qobject_cast<const ToggleButton*>(w) || qobject_cast<const PngButton*>(w) ||
           qobject_cast<const QAbstractButton*>(w);
}

std::string describe(const QWidget* w) {
    std::string path = w->metaObject()->className();
    path += " '" + w->objectName().toStdString() + "'";
    if (const auto* t = qobject_cast<const ToggleButton*>(w))
        path += " \"" + t->text().toStdString() + "\"";
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (!p->objectName().isEmpty()) {
            path += " in " + p->objectName().toStdString();
            break;
        }
    return path;
}

class TooltipsTest : public test::OfflineWindowTest {
protected:
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(TooltipsTest, EveryVisibleButtonOfEveryViewSaysWhatItDoesInBothLanguages) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();

    // The views an operator walks through; each leaves the window showing it.
    const std::vector<std::pair<std::string, std::function<void()>>> views = {
        {"bank 1", [&] { w.showPage(1, View::Channel); }},
        {"outputs", [&] { w.showPage(4, View::Channel); }},
        {"menu", [&] { w.toggleNavigationPanel(); }},
        {"matrix", [&] { w.showPage(1, View::Matrix); }},
        {"mode", [&] { w.showPage(1, View::Mode); }},
        {"groups", [&] { w.showPage(1, View::Groups); }},
        {"phantom", [&] { w.showPage(1, View::Phantom); }},
        {"system connect",
         [&] {
             w.showPage(1, View::System);
             w.systemPage()->showSection(0);
         }},
        {"system section 1", [&] { w.systemPage()->showSection(1); }},
        {"system settings", [&] { w.systemPage()->showSection(2); }},
        {"system help", [&] { w.systemPage()->showSection(3); }},
        {"system units", [&] { w.systemPage()->showSection(4); }},
        {"dynamics", [&] { w.openInputEditor(0, InputEditorKind::Dynamics); }},
        {"peq", [&] { w.openInputEditor(1, InputEditorKind::Peq); }},
        {"effects", [&] { w.openInputEditor(16, InputEditorKind::Effects); }},
        {"sends", [&] { w.openInputEditor(4, InputEditorKind::AuxSends); }},
        {"limiter", [&] { w.openOutputEditor(1, OutputEditorKind::Limiter); }},
        {"geq", [&] { w.openOutputEditor(0, OutputEditorKind::GraphicEq); }},
    };
    for (const Language language : {Language::English, Language::Chinese}) {
        setLanguage(language);
        w.applyLanguage();
        std::map<std::string, int> missing;
        int checked = 0;
        for (const auto& [name, show] : views) {
            show();
            for (QWidget* child : w.findChildren<QWidget*>()) {
                if (!child->isVisible() || !pressable(child))
                    continue;
                ++checked;
                const QString tip = child->toolTip();
                const bool ok =
                    language == Language::English ? !tip.trimmed().isEmpty() : hasChinese(tip);
                if (!ok)
                    ++missing[name + ": " + describe(child)];
            }
        }
        EXPECT_GT(checked, 300);
        for (const auto& [what, count] : missing)
            ADD_FAILURE() << (language == Language::English ? "en " : "zh ") << what << " x"
                          << count;
    }
}

} // namespace
} // namespace krm::ui
