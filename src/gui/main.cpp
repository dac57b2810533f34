// sundrel: the desktop program. `sundrel` opens the window empty, `sundrel FILE` opens a mix
// or a project at start (by its content, as a drop on the window does), `sundrel --demo` writes a
// synthetic demo mix to the cache folder (once) and loads it.

#include "core/Version.h"
#include "core/demo/DemoMix.h"
#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <string_view>

namespace {

// The program's options; `parser` keeps references to them.
struct Options {
    explicit Options(QCommandLineParser& parser) {
        parser.setApplicationDescription(
            QStringLiteral("Cut a recorded DJ mix into its tracks at markers."));
        parser.addHelpOption();
        // Not addVersionOption: that prints the application name ("Sundrel"), and both
        // programs print the same line, the one sundrel-cli prints.
        parser.addOption(version);
        parser.addOption(demo);
        parser.addPositionalArgument(
            QStringLiteral("file"),
            QStringLiteral("A WAV mix or a Sundrel project (.sdr) to open at start."),
            QStringLiteral("[FILE]"));
    }
    const QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information.")};
    const QCommandLineOption demo{QStringLiteral("demo"),
                                  QStringLiteral("Load a generated demo mix.")};
};

void SetNames(QCoreApplication& app) {
    // QSettings: $XDG_CONFIG_HOME/Sundrel/Sundrel.conf.
    app.setOrganizationName(QStringLiteral("Sundrel"));
    app.setApplicationName(QStringLiteral("Sundrel"));
    app.setApplicationVersion(QStringLiteral(SUNDREL_VERSION));
}

// --help and --version print and end without a window, so they need no display.
bool AsksForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-?" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

int PrintText(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetNames(app);
    QCommandLineParser parser;
    const Options options(parser);
    parser.process(app); // prints the help, or an unknown option, and ends the process
    if (parser.isSet(options.version)) {
        std::printf("%s\n", sundrel::kVersionLine);
    }
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

} // namespace

// The application: sets up Qt, runs the main window until it closes, and ends the process.
class CSundrelApp : public QApplication {
  public:
    CSundrelApp(int& argc, char** argv) : QApplication(argc, argv), m_argc(argc), m_argv(argv) {
        SetNames(*this);
        setDesktopFileName(QStringLiteral("sundrel"));
    }

    int InitInstance() {
        QCommandLineParser parser;
        const Options options(parser);
        parser.process(*this);
        if (parser.isSet(options.version)) {
            std::printf("%s\n", sundrel::kVersionLine);
            return 0;
        }

        sundrel::gui::QtPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        if (parser.isSet(options.demo)) {
            try {
                const auto path = sundrel::demo::EnsureDemoMix(sundrel::demo::DemoCacheDir());
                dlg.LoadWaveFile(path);
            } catch (const std::exception& e) {
                prompt.Message(&dlg, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                               sundrel::gui::Prompt::Buttons::Ok, sundrel::gui::Prompt::Icon::Stop);
            }
        } else if (!parser.positionalArguments().isEmpty()) {
            dlg.OpenPath(ArgumentPath(parser.positionalArguments().constFirst()));
        }
        dlg.exec();
        return 0;
    }

  private:
    // The file named on the command line by its own bytes: Qt's arguments are decoded as
    // UTF-8 and lose the bytes of a name that is not.
    std::filesystem::path ArgumentPath(const QString& file) const {
        for (int i = m_argc - 1; i > 0; --i) {
            if (QFile::decodeName(m_argv[i]) == file) {
                return m_argv[i];
            }
        }
        return sundrel::gui::LocalPath(file);
    }

    int& m_argc; // QApplication keeps these and removes the arguments it takes itself
    char** m_argv;
};

int main(int argc, char** argv) {
    if (AsksForText(argc, argv)) {
        return PrintText(argc, argv);
    }
    CSundrelApp app(argc, argv);
    return app.InitInstance();
}
