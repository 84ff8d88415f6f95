// krm416x-shots: renders the main window against an in-process virtual device and saves
// what a person sees, in English and Chinese: each bank of channel strips (bank 4 is the
// output bank), the system page with its connect, stored-settings and microphone-unit
// sections, the channel strips with the navigation panel open, the graphic-EQ editor, the
// effects page, the top bar with UNDO and REDO and the open history list, the NAME dialog and
// the about box, the PEQ editor with the tooltips of a knob and of a button, and the
// keyboard focus on a fader and on a button. A developer tool (tools/screenshots.sh); needs
// no display.
//
//   krm416x-shots OUTPUT_DIR [WIDTH HEIGHT]

#include "app/program.h"
#include "editors/pages/groups_page.h"
#include "editors/pages/sends_page.h"
#include "editors/peq/peq_editor.h"
#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "kit/popup_menu.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/edit_service.h"
#include "model/parameters.h"
#include "services/venue_watch.h"
#include "sim/virtual_device.h"
#include "sim/virtual_venue.h"
#include "ui/compare_dialog.h"
#include "ui/history_list.h"
#include "ui/link_controller.h"
#include "ui/main_window.h"
#include "ui/maintenance_section.h"
#include "ui/messages.h"
#include "ui/name_dialog.h"
#include "ui/notice_banner.h"
#include "ui/settings_section.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>

#include <cmath>
#include <cstdio>

namespace {

void runEventsFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A firmware file of made-up bytes.
void writeFirmware(const QString& path, int size) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    f.write(bytes);
}

bool save(QWidget& window, const QString& dir, const QString& name);

// Waits for a window-modal box of the type to open on the window, then saves it alone.
template <class Box> bool saveWhenShown(QWidget& window, const QString& dir, const QString& name) {
    QElapsedTimer waited;
    waited.start();
    while (!window.findChild<Box*>() && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    Box* box = window.findChild<Box*>();
    return box && save(*box, dir, name);
}

// Writes DIR/NAME.png and prints its path.
bool savePixmap(const QPixmap& shot, const QString& dir, const QString& name) {
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool save(QWidget& window, const QString& dir, const QString& name) {
    runEventsFor(400); // a few report and repaint periods
    return savePixmap(window.grab(), dir, name);
}

// The window under a strip that shows its title as the desktop's title bar would (the
// offscreen platform draws no frame).
bool saveWithTitle(QWidget& window, const QString& dir, const QString& name) {
    runEventsFor(400);
    const QPixmap body = window.grab();
    constexpr int kBar = 30;
    QPixmap shot(body.width(), body.height() + kBar);
    shot.fill(QColor(0x2b, 0x2d, 0x31));
    QPainter painter(&shot);
    painter.drawPixmap(0, kBar, body);
    painter.setPen(QColor(0xe8, 0xe8, 0xe8));
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, body.width(), kBar), Qt::AlignCenter, window.windowTitle());
    painter.end();
    return savePixmap(shot, dir, name);
}

// The window with a popup (a separate top-level window) painted over it where it shows.
bool saveWithPopup(QWidget& window, QWidget& popup, const QString& dir, const QString& name) {
    runEventsFor(400);
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(window.mapFromGlobal(popup.mapToGlobal(QPoint(0, 0))), popup.grab());
    painter.end();
    return savePixmap(shot, dir, name);
}

// The window with the tooltip of `control` shown over it, as a pointer resting on the
// control shows it.
bool saveWithTooltip(QWidget& window, QWidget& control, const QString& dir, const QString& name) {
    runEventsFor(200);
    const QPoint at = control.mapToGlobal(QPoint(control.width() / 2, control.height() / 2));
    QToolTip::showText(at, control.toolTip(), &control);
    runEventsFor(100);
    QWidget* tip = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            tip = top;
    bool ok = false;
    if (tip) {
        ok = saveWithPopup(window, *tip, dir, name);
    } else {
        std::fprintf(stderr, "no tooltip shown for %s\n", qPrintable(name));
    }
    QToolTip::hideText();
    return ok;
}

// The window with `control` holding the keyboard focus, as a press of Tab gives it.
bool saveWithFocus(QWidget& window, QWidget& control, const QString& dir, const QString& name) {
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    control.setFocus(Qt::TabFocusReason);
    runEventsFor(100);
    if (!control.hasFocus())
        std::fprintf(stderr, "%s: the control did not take the focus\n", qPrintable(name));
    return save(window, dir, name);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: krm416x-shots OUTPUT_DIR [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    const int width = argc > 3 ? std::atoi(argv[2]) : 1920;
    const int height = argc > 3 ? std::atoi(argv[3]) : 1080;

    krm::sim::VirtualDevice device;
    std::string error;
    if (!device.start(*krm::Endpoint::parse("127.0.0.2", 0), &error)) {
        std::fprintf(stderr, "cannot start the virtual device: %s\n", error.c_str());
        return 1;
    }
    QTemporaryDir settingsDir;
    krm::ui::MainWindowOptions options;
    options.settingsPath = settingsDir.filePath(QStringLiteral("krm416x.ini"));
    options.deviceOverride = QString::fromStdString(device.endpoint().addressText());
    options.devicePort = device.endpoint().port;
    options.localPort = 0;
    options.dataFolder = settingsDir.path();
    options.interfaces = [] {
        return std::vector<krm::Ipv4Interface>{
            {"demo", krm::Endpoint::fromOctets(127, 0, 0, 1, 0).address, true, false}};
    };
    options.pickFile = [&settingsDir](bool, const QString&) {
        return settingsDir.filePath(QStringLiteral("room-204.dat"));
    };

    bool ok = true;
    for (const auto language : {krm::ui::Language::English, krm::ui::Language::Chinese}) {
        krm::ui::setLanguage(language);
        const QString lang = language == krm::ui::Language::English ? "en" : "zh";
        krm::app::Program program(options);
        krm::ui::MainWindow& window = program.window();
        window.resize(width, height);
        window.show();
        window.session().connect();
        QElapsedTimer waited;
        waited.start();
        while (!window.session().isOnline() && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!window.session().isOnline()) {
            std::fprintf(stderr, "the virtual device did not answer\n");
            return 1;
        }
        for (int bank = 1; bank <= 4; ++bank) {
            window.showPage(bank, krm::ui::View::Channel);
            ok = save(window, outDir, QStringLiteral("%1-bank%2").arg(lang).arg(bank)) && ok;
        }
        // The keyboard focus on a fader, then on a button.
        window.showPage(1, krm::ui::View::Channel);
        ok = saveWithFocus(window, *window.inputStrip(2)->fader(), outDir,
                           lang + QStringLiteral("-focus-fader")) &&
             ok;
        ok = saveWithFocus(window, *window.inputStrip(3)->muteButton(), outDir,
                           lang + QStringLiteral("-focus-button")) &&
             ok;
        window.setFocus();
        // A short overload on CH3 and output 2: the reports pause while the levels peak at the
        // top for a few meter periods and drop back; the clip lamps and peak ticks hold.
        {
            auto knobs = device.knobs();
            knobs.haltReports = true;
            device.setKnobs(knobs);
            runEventsFor(120);
            auto& image = window.image();
            window.showPage(1, krm::ui::View::Channel);
            image.inputs[2].meter = 70;
            runEventsFor(150);
            image.inputs[2].meter = 32;
            ok = save(window, outDir, lang + QStringLiteral("-bank1-clip")) && ok;
            window.showPage(4, krm::ui::View::Channel);
            image.outputs[1].meter = 70;
            runEventsFor(150);
            image.outputs[1].meter = 28;
            ok = save(window, outDir, lang + QStringLiteral("-outputs-clip")) && ok;
            knobs.haltReports = false;
            device.setKnobs(knobs);
        }
        window.showPage(1, krm::ui::View::System);
        ok = save(window, outDir, lang + QStringLiteral("-system")) && ok;
        // A few stored settings (saved once, in the first language's run).
        krm::ui::SettingsSection* settings = window.settingsSection();
        for (int i = 0; settings && i < 5 && language == krm::ui::Language::English; ++i)
            settings->save();
        window.systemPage()->showSection(2);
        ok = save(window, outDir, lang + QStringLiteral("-settings")) && ok;
        // COMPARE on the first setting after a few edits on the device (a PEQ band of a
        // named channel, an output, a limiter, a device-wide field), then undone; the
        // setting's menu with EXPORT… over the section.
        if (settings) {
            krm::EditService& edits = window.edits();
            const krm::DeviceImage kept = window.image();
            struct Edit {
                const krm::Parameter& parameter;
                krm::Channel channel;
                std::int32_t code;
            };
            const std::vector<Edit> shown = {
                {krm::Param(krm::ParamKind::PeqGain, 1), krm::Channel::input(2), 120},
                {krm::Param(krm::ParamKind::HpfFreq), krm::Channel::input(0), 40},
                {krm::Param(krm::ParamKind::OutMute), krm::Channel::output(1),
                 kept.outputs[1].mute ? 0 : 1},
                {krm::Param(krm::ParamKind::LimThreshold), krm::Channel::output(4), 50},
                {krm::Param(krm::ParamKind::MaxOpenCh), krm::Channel::device(), 3},
            };
            for (const Edit& e : shown)
                edits.set(e.parameter, e.channel, e.code);
            settings->compare(0);
            ok = saveWhenShown<krm::ui::CompareDialog>(window, outDir,
                                                       lang + QStringLiteral("-compare")) &&
                 ok;
            for (auto* dialog : window.findChildren<krm::ui::CompareDialog*>()) {
                ok = saveWithPopup(window, *dialog, outDir,
                                   lang + QStringLiteral("-compare-window")) &&
                     ok;
                dialog->close();
            }
            for (const Edit& e : shown)
                edits.set(e.parameter, e.channel, e.parameter.get(kept, e.channel));
            if (krm::ui::ToggleButton* first = settings->settingButton(0)) {
                emit first->clicked(0);
                // Offscreen there is no pointer: the menu shows under the button.
                settings->menu()->popup(
                    first->mapToGlobal(QPoint(first->width() / 2, first->height())));
                ok = saveWithPopup(window, *settings->menu(), outDir,
                                   lang + QStringLiteral("-setting-menu")) &&
                     ok;
                settings->menu()->hide();
            }
        }
        // The notice after the link healed itself (the path is tested end to end; here the
        // banner is shown with a typical list of changed modules).
        window.showPage(1, krm::ui::View::Channel);
        window.noticeBanner()->showNotice([] {
            return krm::ui::ReconnectedText(
                {krm::ImageModule::Levels, krm::ImageModule::Limiter, krm::ImageModule::Names});
        });
        ok = save(window, outDir, lang + QStringLiteral("-reconnected")) && ok;
        window.noticeBanner()->hide();
        window.showPage(1, krm::ui::View::System);
        // The microphone units: the demo device reports three, unit 1 selected.
        window.systemPage()->showSection(4);
        ok = save(window, outDir, lang + QStringLiteral("-units")) && ok;
        // The DEVICES list: the connected device and a venue of three rooms, one silent.
        {
            krm::sim::VirtualVenue venue(3);
            if (venue.start(*krm::Endpoint::parse("127.0.6.2", device.endpoint().port))) {
                venue.device(1).setBasicVersion("301");
                venue.device(2).setSilent(true);
                krm::VenueWatch& watch = program.services().watch();
                watch.add({device.endpoint().addressText(), "Hall A"});
                watch.add({"127.0.6.2", "Room 204"});
                watch.add({"127.0.6.3", "Room 205"});
                watch.add({"127.0.6.4", "Foyer"});
                for (int i = 0; i < 6; ++i) {
                    window.link().timerTick();
                    runEventsFor(30);
                }
                window.showPage(1, krm::ui::View::System);
                window.systemPage()->showSection(krm::ui::SystemPage::kDevicesSection);
                runEventsFor(2100); // the silent room's question goes unanswered
                window.link().timerTick();
                runEventsFor(150); // the list redraws at most ten times a second
                ok = save(window, outDir, lang + QStringLiteral("-devices")) && ok;
                while (!watch.entries().empty())
                    watch.remove(watch.entries().front().device.address);
            }
        }
        window.systemPage()->showSection(0);
        window.toggleNavigationPanel();
        ok = save(window, outDir, lang + QStringLiteral("-menu")) && ok;
        window.toggleNavigationPanel();

        // The graphic EQ of output 1 with a drawn curve, then of output 4 with a few bands
        // pulled and the equaliser off.
        for (int b = 0; b < krm::kGeqBands; ++b) {
            auto& band = window.image().outputs[0].geq[static_cast<std::size_t>(b)];
            band.gain = 150 + static_cast<int>(110.0 * std::sin(b * 0.35) - 2.0 * b);
        }
        window.openOutputEditor(0, krm::OutputEditorKind::GraphicEq);
        ok = save(window, outDir, lang + QStringLiteral("-geq-out1")) && ok;
        window.image().outputs[3].geq[4].gain = 300;
        window.image().outputs[3].geq[17].gain = 40;
        window.image().outputs[3].geq[18].gain = 95;
        window.image().outputs[3].geqEnable = 0;
        window.openOutputEditor(3, krm::OutputEditorKind::GraphicEq);
        ok = save(window, outDir, lang + QStringLiteral("-geq-out4")) && ok;
        window.showPage(1, krm::ui::View::Channel);
        // The PEQ editor on a microphone input and on a line input, with shaped curves.
        {
            krm::EditService& edits = window.edits();
            using krm::Param;
            using krm::ParamKind;
            for (int ch : {1, 17}) {
                const krm::Channel c = krm::Channel::input(ch);
                edits.set(Param(ParamKind::PeqType, 0), c, 1);
                edits.set(Param(ParamKind::PeqGain, 0), c, 210);
                edits.set(Param(ParamKind::PeqFreq, 1), c, 400);
                edits.set(Param(ParamKind::PeqGain, 1), c, 80);
                edits.set(Param(ParamKind::PeqQ, 1), c, 8);
                edits.set(Param(ParamKind::PeqFreq, 2), c, 2500);
                edits.set(Param(ParamKind::PeqGain, 2), c, 220);
                edits.set(Param(ParamKind::PeqGain, 3), c, 100);
                edits.set(Param(ParamKind::HpfEnable), c, 1);
                edits.set(Param(ParamKind::HpfFreq), c, 80);
                edits.set(Param(ParamKind::HpfSlope), c, 4);
            }
            window.openInputEditor(1, krm::InputEditorKind::Peq);
            ok = save(window, outDir, lang + QStringLiteral("-peq-mic")) && ok;
            // The tooltips of a bound knob and of a plain button.
            if (auto* peq =
                    qobject_cast<krm::PeqEditor*>(window.inputEditor(krm::InputEditorKind::Peq))) {
                ok = saveWithTooltip(window, *peq->gainKnob(1), outDir,
                                     lang + QStringLiteral("-peq-tooltip")) &&
                     ok;
                ok = saveWithTooltip(window, *peq->resetButton(), outDir,
                                     lang + QStringLiteral("-peq-reset-tooltip")) &&
                     ok;
            }
            window.openInputEditor(17, krm::InputEditorKind::Peq);
            ok = save(window, outDir, lang + QStringLiteral("-peq-line")) && ok;
            window.showPage(1, krm::ui::View::Channel);
        }
        // The dynamics editors on a microphone input, a line input and an output, with
        // non-trivial curves; the reports pause so that the meters show the levels set here.
        {
            auto knobs = device.knobs();
            knobs.haltReports = true;
            device.setKnobs(knobs);
            runEventsFor(120);
            auto& image = window.image();
            image.inputs[0].comp = {.enable = 1,
                                    .threshold = 36,
                                    .attack = 10,
                                    .release = 100,
                                    .gain = 60,
                                    .ratio = 40};
            image.inputs[0].meter = 58;
            image.inputs[16].comp = {.enable = 1,
                                     .threshold = 50,
                                     .attack = 10,
                                     .release = 100,
                                     .gain = 150,
                                     .ratio = 20};
            image.outputs[1].limiter = {
                .enable = 1, .threshold = 48, .attack = 5, .release = 50, .gain = 20, .ratio = 40};
            image.outputs[1].meter = 55;
            window.openInputEditor(0, krm::InputEditorKind::Dynamics);
            ok = save(window, outDir, lang + QStringLiteral("-dynamics-mic")) && ok;
            window.openInputEditor(16, krm::InputEditorKind::Dynamics);
            ok = save(window, outDir, lang + QStringLiteral("-dynamics-line")) && ok;
            window.openOutputEditor(1, krm::OutputEditorKind::Limiter);
            ok = save(window, outDir, lang + QStringLiteral("-limiter-out")) && ok;
            window.showPage(1, krm::ui::View::Channel);
            knobs.haltReports = false;
            device.setKnobs(knobs);
        }
        // The auto-mixer page with a few levels set and channels open, and the matrix with
        // a routing pattern and renamed buses.
        {
            auto& image = window.image();
            for (int ch = 0; ch < 16; ++ch)
                image.inputs[static_cast<std::size_t>(ch)].autoMixLevel = 80 - (ch % 5) * 6;
            image.inputs[0].autoMixOpen = 1;
            image.inputs[5].autoMixOpen = 1;
            image.inputs[11].autoMixLast = 1;
            window.showPage(1, krm::ui::View::Mode);
            ok = save(window, outDir, lang + QStringLiteral("-automix")) && ok;
            for (int ch = 0; ch < krm::kInputCount; ++ch)
                for (int bus = 0; bus < krm::kOutputCount; ++bus)
                    image.inputs[static_cast<std::size_t>(ch)]
                        .matrix[static_cast<std::size_t>(bus)] =
                        (ch + bus) % 3 == 0 || ch == bus ? 1 : 0;
            image.outputs[1].name =
                krm::Name16::fromUtf8(language == krm::ui::Language::English ? "Stage" : "舞台");
            image.inputs[2].name =
                krm::Name16::fromUtf8(language == krm::ui::Language::English ? "Chair" : "主席");
            window.showPage(1, krm::ui::View::Matrix);
            ok = save(window, outDir, lang + QStringLiteral("-matrix")) && ok;
            window.showPage(1, krm::ui::View::Channel);
        }

        // The group page: control group 1 (named, three microphone inputs, EQ and VOL linked)
        // and mute group 2 (two inputs and an output) selected.
        {
            window.showPage(1, krm::ui::View::Groups);
            auto* groups = qobject_cast<krm::GroupsPage*>(window.pageWidget(krm::ui::View::Groups));
            if (groups) {
                auto& image = window.image();
                if (image.controlGroups[0].memberCount() == 0) {
                    groups->pressControlSelector(1);
                    for (int ch : {0, 1, 4})
                        groups->pressControlMember(krm::Channel::input(ch));
                    groups->pressLink(krm::LinkEq);
                    groups->pressLink(krm::LinkVol);
                    groups->writeName(QString::fromUtf8("Podium 讲台"));
                    groups->pressMuteSelector(2);
                    for (krm::Channel c :
                         {krm::Channel::input(2), krm::Channel::input(7), krm::Channel::output(3)})
                        groups->pressMuteMember(c);
                }
                ok = save(window, outDir, lang + QStringLiteral("-groups")) && ok;
            }
            window.showPage(1, krm::ui::View::Channel);
        }

        // The effects page beside the delay return CH17, with moving meters and settings
        // away from the reset values.
        {
            auto& image = window.image();
            image.inputs[16].fxPreDelay1 = 250;
            image.inputs[16].fxFeedback = 55;
            image.inputs[16].fxDelayLpf = 8000;
            image.inputs[16].gain = 61;
            image.inputs[16].gain2 = 58;
            image.inputs[16].mute2 = 1;
            image.inputs[16].meter = 40;
            image.inputs[16].meter2 = 120;
            image.inputs[17].fxTap = {70, 48, 35, 90};
            image.inputs[17].fxRevTime = 25;
            image.inputs[17].gain = 50;
            image.inputs[17].gain2 = 66;
            image.inputs[17].meter = 200;
            image.inputs[17].meter2 = 15;
            window.openInputEditor(16, krm::InputEditorKind::Effects);
            ok = save(window, outDir, lang + QStringLiteral("-effects")) && ok;
            window.showPage(1, krm::ui::View::Channel);
        }

        // The send page of CH5 with a few sends set and AUX3 muted, and the phantom page.
        {
            krm::EditService& edits = window.edits();
            using krm::Param;
            using krm::ParamKind;
            const krm::Channel c = krm::Channel::input(4);
            edits.set(Param(ParamKind::MainSend), c, 60);
            for (int aux = 0; aux < 6; ++aux)
                edits.set(Param(ParamKind::AuxSend, aux), c, 20 + 8 * aux);
            edits.set(Param(ParamKind::DelaySend), c, 35);
            edits.set(Param(ParamKind::RevSend), c, 48);
            window.openInputEditor(4, krm::InputEditorKind::AuxSends);
            if (auto* sends = qobject_cast<krm::SendsPage*>(
                    window.inputEditor(krm::InputEditorKind::AuxSends)))
                sends->pressMute(3);
            ok = save(window, outDir, lang + QStringLiteral("-sends-ch5")) && ok;
            window.showPage(1, krm::ui::View::Phantom);
            ok = save(window, outDir, lang + QStringLiteral("-phantom")) && ok;
            window.showPage(1, krm::ui::View::Channel);
        }

        // The top bar with UNDO and REDO after the send edits above, two of them undone,
        // and the open history list drawn over the window where it pops up.
        window.undo();
        window.undo();
        ok = save(window, outDir, lang + QStringLiteral("-undo")) && ok;
        window.showHistory();
        ok = saveWithPopup(window, *window.historyList(), outDir,
                           lang + QStringLiteral("-history")) &&
             ok;
        window.historyList()->hide();

        // A room file: the device's settings saved as room-204.dat, edited without the device
        // (the star in the title), the FILE menu, and CONNECT meeting the edit.
        {
            window.saveAsCommand();
            window.session().disconnect();
            QElapsedTimer down;
            down.start();
            while (window.session().isOnline() && down.elapsed() < 3000)
                QApplication::processEvents(QEventLoop::AllEvents, 10);
            krm::EditService& edits = window.edits();
            const krm::Parameter& gain = krm::Param(krm::ParamKind::InGain);
            edits.set(gain, krm::Channel::input(2),
                      gain.get(window.image(), krm::Channel::input(2)) - 12);
            edits.set(krm::Param(krm::ParamKind::PeqGain, 1), krm::Channel::input(2), 30);
            window.showPage(1, krm::ui::View::Channel);
            ok = saveWithTitle(window, outDir, lang + QStringLiteral("-file-title")) && ok;
            emit window.topBar()->filePressed();
            ok = saveWithPopup(window, *window.fileMenu(), outDir,
                               lang + QStringLiteral("-file-menu")) &&
                 ok;
            window.fileMenu()->hide();
            window.link().pressConnect();
            ok = saveWhenShown<QMessageBox>(window, outDir,
                                            lang + QStringLiteral("-connect-question")) &&
                 ok;
            if (auto* box = window.findChild<QMessageBox*>())
                box->reject();
            window.showPage(1, krm::ui::View::Channel);
        }

        krm::ui::NameDialog name(QString::fromStdString(window.image().inputs[1].name.toUtf8()),
                                 &window);
        name.show();
        ok = save(name, outDir, lang + QStringLiteral("-name")) && ok;
        name.close();
        krm::ui::AboutBox about(&window);
        about.show();
        ok = save(about, outDir, lang + QStringLiteral("-about")) && ok;
        about.close();

        // The HELP section during a local update (last: it takes the link down). Real
        // firmware files of a few dozen blocks, sent to the virtual device.
        {
            writeFirmware(settingsDir.filePath(QStringLiteral("Digital-KRM416X-3.bin")), 40000);
            writeFirmware(settingsDir.filePath(QStringLiteral("DSP-KRM416X-3.bin")), 30000);
            window.showPage(1, krm::ui::View::System);
            window.systemPage()->showSection(3);
            krm::ui::MaintenanceSection* help = window.maintenanceSection();
            help->pressLocal();
            ok = saveWhenShown<QMessageBox>(window, outDir, lang + QStringLiteral("-update-ask")) &&
                 ok;
            for (QMessageBox* box : window.findChildren<QMessageBox*>())
                box->button(QMessageBox::Ok)->click();
            QElapsedTimer sending;
            sending.start();
            while (help->progressBar()->value() < 16 && sending.elapsed() < 30000)
                QApplication::processEvents(QEventLoop::AllEvents, 10);
            ok = save(window, outDir, lang + QStringLiteral("-update")) && ok;
        }
        window.close();
        runEventsFor(300);
    }
    device.stop();
    return ok ? 0 : 1;
}
