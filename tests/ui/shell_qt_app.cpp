// One QApplication for the shell's test program, created before the first test and
// destroyed after the last (gtest_main makes none). Tests run offscreen.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ShellAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        // Widget tests never need a display, whoever starts them.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QApplication::instance() == nullptr)
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "krm_shell_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] const auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ShellAppEnvironment);

} // namespace
