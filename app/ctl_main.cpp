// krm416x-ctl: the KRM-416X from the command line (see app/ctl/ctl.h and the README).
//
//   krm416x-ctl discover|dump|get|set|backup|restore|diff|firmware [options]

#include "app/ctl/ctl.h"
#include "kit/qt_glyph_renderer.h"
#include "link/instance_lock.h"

#include <QGuiApplication>

#include <csignal>
#include <iostream>

namespace {

// Ctrl-C or SIGTERM: the command stops its waits and says goodbye to the device.
extern "C" void Interrupt(int) {
    krm::ctl::CtlInterrupted().store(true);
}

} // namespace

int main(int argc, char* argv[]) {
    // The name frames carry bitmaps drawn with the program's fonts, which needs Qt's font
    // engine but never a display: the tool runs on the offscreen platform unless told
    // otherwise, so it works over SSH and in scripts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(krm::kCtlProgramName));
    const krm::QtGlyphRenderer glyphs;
    krm::ctl::CtlEnvironment environment;
    environment.glyphs = &glyphs;
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return krm::ctl::RunCtl(args, std::cout, std::cerr, environment);
}
