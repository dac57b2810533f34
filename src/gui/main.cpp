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

// The application: sets up Qt, runs the main window until it closes, and ends the process.
class CSundrelApp : public QApplication {
  public:
    CSundrelApp(int& argc, char** argv) : QApplication(argc, argv), m_argc(argc), m_argv(argv) {
        // QSettings: $XDG_CONFIG_HOME/Sundrel/Sundrel.conf.
        setOrganizationName(QStringLiteral("Sundrel"));
        setApplicationName(QStringLiteral("Sundrel"));
        setApplicationVersion(QStringLiteral(SUNDREL_VERSION));
        setDesktopFileName(QStringLiteral("sundrel"));
    }

    int InitInstance() {
        QCommandLineParser parser;
        parser.setApplicationDescription(
            QStringLiteral("Cut a recorded DJ mix into its tracks at markers."));
        parser.addHelpOption();
        // Not addVersionOption: that prints the application name ("Sundrel"), and both
        // programs print the same line, the one sundrel-cli prints.
        const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Displays version information."));
        parser.addOption(version);
        const QCommandLineOption demo(QStringLiteral("demo"),
                                      QStringLiteral("Load a generated demo mix."));
        parser.addOption(demo);
        parser.addPositionalArgument(
            QStringLiteral("file"),
            QStringLiteral("A WAV mix or a Sundrel project (.sdr) to open at start."),
            QStringLiteral("[FILE]"));
        parser.process(*this);
        if (parser.isSet(version)) {
            std::printf("%s\n", sundrel::kVersionLine);
            return 0;
        }

        sundrel::gui::QtPrompt prompt;
        CSundrelDlg dlg(prompt);
        dlg.show();
        if (parser.isSet(demo)) {
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
    CSundrelApp app(argc, argv);
    return app.InitInstance();
}
