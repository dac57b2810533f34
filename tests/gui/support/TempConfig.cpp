// Linked into every widget test: before anything reads QSettings, $XDG_CONFIG_HOME points at
// a fresh temporary folder, so a test starts from the defaults and never reads or writes the
// user's own settings.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtGlobal>

namespace {

void UseTemporaryConfig() {
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(UseTemporaryConfig)
