// SPDX-License-Identifier: GPL-2.0-or-later

#include "app/WindowApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/AppFonts.h"
#include "app/MainWnd.h"
#include "app/MsgWnd.h"
#include "app/SingleInstance.h"
#include "base/Debug.h"
#include "base/Paths.h"
#include "base/ThreadCheck.h"
#include "base/Version.h"
#include "device/DeviceDiscovery.h"
#include "device/HidrawBackend.h"
#include "mouse/ui/DevicePage.h"
#include "profile/JsonFile.h"
#include "simulated/SimulatedMouse.h"
#include "ui/DesktopNotifier.h"
#include "ui/SkinResources.h"
#include "ui/SvgImage.h"

namespace {

// True once the mouse's page shows the profile it read, or when no mouse is there to read.
bool MousePageReady(const CMainWnd& window) {
    CQuillonUSBDevice* mouse = window.Discovery() ? window.Discovery()->Device(0) : nullptr;
    if (!mouse || !mouse->IsConfigPresent())
        return true;
    const CDevicePageUI* page = window.PageOf(*mouse);
    return !page || !page->ShownProfile().profileId.empty();
}

QString DefaultLanguageFile() {
    return QLocale().language() == QLocale::Chinese ? QStringLiteral("lan_cn.xml")
                                                    : QStringLiteral("lan_en.xml");
}

// The program's options, described once for the window and for --help without a display.
struct WindowOptions {
    QCommandLineOption emulate{
        QStringLiteral("emulate"),
        QStringLiteral("Also see the simulated mouse (cable, receiver or both)."),
        QStringLiteral("mode")};
    QCommandLineOption verbose{QStringLiteral("verbose"), QStringLiteral("Debug lines on stderr.")};
    QCommandLineOption hidden{
        QStringLiteral("hidden"),
        QStringLiteral("Start in the tray without showing the window, as the session start "
                       "does; the tray icon opens it. Without a tray it shows as usual.")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), QStringLiteral("Per-user data folder."),
                               QStringLiteral("folder")};
    QCommandLineOption language{
        QStringLiteral("language"),
        QStringLiteral("Language file of the skin (lan_en.xml, lan_cn.xml)."),
        QStringLiteral("file")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window as a PNG once shown with the mouse's data, then "
                       "exit."),
        QStringLiteral("file")};
    QCommandLineOption screenshotDelay{
        QStringLiteral("screenshot-delay"),
        QStringLiteral("Milliseconds between the mouse's data shown and the screenshot (default "
                       "1500)."),
        QStringLiteral("ms"), QStringLiteral("1500")};

    void AddTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(
            QStringLiteral("Configures the Kestrune Q418-RGB mouse. Without a display, "
                           "kestrunectl does the same from a terminal."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {emulate, hidden, verbose, dataDir, language, screenshot, screenshotDelay});
    }
};

bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// Whether Qt has somewhere to show the window: a platform chosen, or an X or Wayland display.
bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void NameTheProgram() {
    QCoreApplication::setApplicationName(QString::fromUtf8(kProductName));
    const std::string_view version = ApplicationVersion();
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(version.data(), static_cast<qsizetype>(version.size())));
}

}  // namespace

int RunWindowApp(int argc, char** argv) {
    const WindowOptions described;
    if (AsksForHelpOrVersion(argc, argv)) {
        // Answered without a display: process() prints and exits.
        QCoreApplication core(argc, argv);
        NameTheProgram();
        QCommandLineParser parser;
        described.AddTo(parser);
        parser.process(core);
        return 0;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "kestrune-q418: there is no display to show the window on (DISPLAY and "
                     "WAYLAND_DISPLAY are not set). Start it from your desktop session, or use "
                     "kestrunectl in a terminal.\n");
        return 1;
    }
    // The window follows its monitor by its own rule (96 or 144 DPI), not the desktop's scale.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    MarkUiThread();
    NameTheProgram();
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    described.AddTo(parser);
    const QCommandLineOption& emulate = described.emulate;
    const QCommandLineOption& verbose = described.verbose;
    const QCommandLineOption& dataDir = described.dataDir;
    const QCommandLineOption& language = described.language;
    const QCommandLineOption& screenshot = described.screenshot;
    const QCommandLineOption& screenshotDelay = described.screenshotDelay;
    // As in kestrunectl: "--emulate" alone means the saved plug state, "--emulate MODE" the mode.
    QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] != QLatin1String("--emulate"))
            continue;
        if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-')))
            arguments[i] += QLatin1Char('=') + arguments.takeAt(i + 1);
        else
            arguments[i] = QStringLiteral("--emulate=");
    }
    parser.process(arguments);

    DebugConfigureFromEnvironment();
    if (parser.isSet(verbose))
        DebugConfigure("1");
    if (parser.isSet(dataDir))
        SetUserDataFolder(parser.value(dataDir).toStdString());

    // A screenshot is its own window, beside an instance the user has open.
    CSingleInstance instance;
    if (!parser.isSet(screenshot) && !instance.Claim())
        return 0;

    QString programData = QString::fromStdString(GetProgramDataFolder().string());
    CAppFonts fonts;
    fonts.Load(programData + QStringLiteral("/Font"));
    const QString skinFolder = QString::fromStdString(GetSkinFolder().string());
    if (!Skin().Load(skinFolder)) {
        std::fprintf(stderr, "kestrune-q418: the skin in %s cannot be read\n",
                     qPrintable(skinFolder));
        return 1;
    }
    RegisterSkinControls();

    MainWndOptions options;
    options.backend = std::make_shared<CCompositeHidBackend>();
    options.backend->Add(MakeHidrawBackend());
    std::optional<std::string> emulateOption;
    if (parser.isSet(emulate))
        emulateOption = parser.value(emulate).toStdString();
    if (const std::optional<std::string> mode = RequestedSimulatedMode(emulateOption)) {
        // The simulated mouse shared with kestrunectl through its state file.
        std::shared_ptr<CSimulatedMouse> simulated = CSimulatedMouse::SetUp(*mode);
        if (!simulated) {
            std::fprintf(stderr, "kestrune-q418: --emulate takes cable, receiver or both\n");
            return 2;
        }
        if (!simulated->Warning().empty())
            DebugPrintf(DebugArea::App, "ignoring the simulated mouse's state file: %s",
                        simulated->Warning().c_str());
        // The mode asked for is what the other programs see from now on, as with kestrunectl.
        std::string error;
        if (!mode->empty() && !simulated->Save(&error))
            DebugPrintf(DebugArea::App, "simulated mouse not saved: %s", error.c_str());
        options.backend->Add(simulated->Backend());
        options.simulated = std::move(simulated);
    }
    options.languageFile = parser.isSet(language) ? parser.value(language) : DefaultLanguageFile();
    options.startHidden = parser.isSet(described.hidden) && !parser.isSet(screenshot);
    options.notifier = std::make_shared<CDBusNotifier>();
    bool delayOk = false;
    const int shotDelayMs = parser.value(screenshotDelay).toInt(&delayOk);
    if (!delayOk || shotDelayMs < 0) {
        std::fprintf(stderr, "kestrune-q418: --screenshot-delay takes a number of milliseconds\n");
        return 2;
    }

    int status = 0;
    {
        CMainWnd window(options);
        if (!window.Init()) {
            std::fprintf(stderr, "kestrune-q418: the main window layout cannot be built\n");
            return 1;
        }
        QObject::connect(&instance, &CSingleInstance::RaiseRequested, &window, &CMainWnd::BringUp);
        // A data file that could not be read is kept beside its repair: the user hears of it
        // once, from whichever thread found it.
        CJsonFile::SetBrokenFileListener([&window](const std::filesystem::path& file,
                                                   const std::filesystem::path& kept) {
            const QString text = Skin()
                                     .Text(QStringLiteral("message_text_broken_file"))
                                     .arg(QString::fromStdString(file.string()),
                                          QString::fromStdString(kept.filename().string()));
            QMetaObject::invokeMethod(
                &window,
                [&window, text] {
                    ShowMessage(&window, QString(), text, window.Dpi(), false, kMessageConfirmOnly);
                },
                Qt::QueuedConnection);
        });
        if (parser.isSet(screenshot)) {
            QString file = parser.value(screenshot);
            auto shoot = [&window, file, &status] {
                if (!window.grab().save(file, "png")) {
                    std::fprintf(stderr, "kestrune-q418: cannot write %s\n", qPrintable(file));
                    status = 1;
                }
                window.OnMenuCommand(QStringLiteral("exit"));
            };
            // Once laid out and painted at its size, the devices read and the mouse's page showing
            // its profile (given a few seconds at most).
            auto* ready = new QTimer(&window);
            auto since = std::make_shared<QElapsedTimer>();
            QObject::connect(ready, &QTimer::timeout, &window,
                             [&window, ready, since, shoot, shotDelayMs] {
                                 constexpr qint64 kLongestWaitMs = 5000;
                                 if (!MousePageReady(window) && since->elapsed() < kLongestWaitMs)
                                     return;
                                 ready->deleteLater();
                                 QTimer::singleShot(shotDelayMs, &window, shoot);
                             });
            QObject::connect(&window, &CMainWnd::FirstShown, ready, [ready, since] {
                since->start();
                ready->start(1);
            });
        }
        int loop = QApplication::exec();
        CJsonFile::SetBrokenFileListener(nullptr);
        if (status == 0)
            status = loop;
    }
    fonts.Remove();
    return status;
}
