// One QGuiApplication for a test program that draws without widgets (the name bitmaps),
// created before the first test runs and destroyed after the last; offscreen unless a
// platform is chosen from outside.
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtGuiAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QCoreApplication::instance() == nullptr)
            m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "krm_gui_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
};

[[maybe_unused]] const auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtGuiAppEnvironment);

} // namespace
