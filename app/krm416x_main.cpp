// krm416x: the KRM-416X control program.
//
//   krm416x [--demo] [--lang zh] [--device-port N] [--local-port N] [--settings FILE]
//           [--data-folder DIR] [--firmware-folder DIR] [--update-page URL]
//
// --demo starts a virtual device in this process on 127.0.0.2 (an ephemeral port) and
// connects to it; the stored device address is left as it is. One copy runs per local
// port: a second start says that the program is already running and exits. The preset
// database and the setting files live beside the program when that folder is writable,
// else in the per-user data folder; --data-folder chooses another. The firmware files
// are looked for in the data folder unless --firmware-folder names another. The remote
// update (UPDATE on the system page's HELP section) shows only when an update page is
// given, by --update-page or the stored value `updatepage`.

#include "app/program.h"
#include "kit/texts.h"
#include "ui/messages.h"
#include "ui/program_icon.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <string_view>

#include <csignal>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Ctrl-C or a SIGTERM closes the window like the close button does, so that the
// shutdown order ("%Q," 0 to a connected device, receive thread joined) is kept. The
// handler only writes a byte; the event loop does the rest.
int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

void closeOnSignals(krm::ui::MainWindow& window) {
    if (::pipe(g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[0], &byte, 1);
        window.closeWithoutQuestions();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

std::optional<std::uint16_t> portOption(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const uint value = parser.value(name).toUInt(&ok);
    if (!ok || value > 65535) {
        std::fprintf(stderr, "krm416x: --%s needs a port number 0..65535\n", qPrintable(name));
        std::exit(2);
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

int main(int argc, char* argv[]) {
    // The usage text needs no window: on a machine without a display "--help" still works.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "-h" || arg == "--help" || arg == "--help-all") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(krm::app::kProgramName));
    // Every window of the program, message boxes included, carries the program icon.
    QApplication::setWindowIcon(krm::ui::ProgramIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KRM-416X 3.1"));
    parser.addHelpOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Start a virtual device on 127.0.0.2 and connect."));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("Interface language: en or zh."),
                                  QStringLiteral("language"), QStringLiteral("en"));
    const QCommandLineOption devicePort(QStringLiteral("device-port"),
                                        QStringLiteral("UDP port of the device (39050)."),
                                        QStringLiteral("port"));
    const QCommandLineOption localPort(QStringLiteral("local-port"),
                                       QStringLiteral("Local UDP port (39050; 0 = any)."),
                                       QStringLiteral("port"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("INI file holding the device address."),
                                      QStringLiteral("file"));
    const QCommandLineOption dataFolder(
        QStringLiteral("data-folder"),
        QStringLiteral("Folder of the preset database and the setting files."),
        QStringLiteral("folder"));
    const QCommandLineOption firmwareFolder(
        QStringLiteral("firmware-folder"),
        QStringLiteral("Folder of the firmware files (default: the data folder)."),
        QStringLiteral("folder"));
    const QCommandLineOption updatePage(
        QStringLiteral("update-page"),
        QStringLiteral("Address of the firmware update page (shows UPDATE)."),
        QStringLiteral("url"));
    parser.addOptions(
        {demo, lang, devicePort, localPort, settings, dataFolder, firmwareFolder, updatePage});
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A setting file to open (edited without the "
                                                "device until CONNECT or SEND TO DEVICE)."),
                                 QStringLiteral("[file]"));
    parser.process(app);

    if (parser.value(lang).compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0)
        krm::ui::setLanguage(krm::ui::Language::Chinese);

    krm::app::ProgramOptions options;
    options.window.settingsPath = parser.value(settings);
    if (auto port = portOption(parser, QStringLiteral("device-port")))
        options.window.devicePort = *port;
    if (auto port = portOption(parser, QStringLiteral("local-port")))
        options.window.localPort = *port;
    options.demo = parser.isSet(demo);
    options.window.dataFolder = parser.value(dataFolder);
    if (options.window.dataFolder.isEmpty())
        options.window.dataFolder = krm::app::DefaultDataFolder();
    options.window.firmwareFolder = parser.value(firmwareFolder);
    options.window.updatePageUrl = parser.value(updatePage);

    krm::app::Program program(options);
    if (!program.ok()) {
        std::fprintf(stderr, "krm416x: %s\n", qPrintable(program.error()));
        if (!program.raisedRunningCopy()) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("KRM-416X 3.1"), program.error(),
                            QMessageBox::Ok);
            krm::ui::TranslateButtons(&box);
            box.exec();
        }
        return 1;
    }
    krm::ui::MainWindow& window = program.window();
    window.showMaximized();
    const QStringList files = parser.positionalArguments();
    // The file first: connecting in demo mode then offers its settings against the device's.
    if (!files.isEmpty())
        window.openFile(files.first());
    if (options.demo)
        QTimer::singleShot(0, &window, [&window] { window.connectDevice(); });
    closeOnSignals(window);
    const int result = QApplication::exec();
    return result;
}
