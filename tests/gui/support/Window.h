#pragma once

// What the widget tests share: mixes written into a temporary folder, a main window answered
// by a ScriptedPrompt, and helpers for the marker list, menus and modal dialogs.

#include "core/project/ProjectFile.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/TrackTable.h"
#include "support/ScriptedPrompt.h"
#include "support/WavFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <initializer_list>

namespace sundrel::test {

// 8-bit mono at 8000 Hz: small files with exact durations, one second is 8000 bytes.
inline constexpr fixture::Format kSmall{1, 1, 8000, 8};

// Writes `seconds` of the test signal in `format` as a canonical WAV file at `path`.
inline std::filesystem::path WriteMix(const std::filesystem::path& path, double seconds,
                                      fixture::Format format = {}) {
    const auto frames = static_cast<std::size_t>(seconds * format.rate);
    fixture::WriteFile(path, fixture::CanonicalWav(format, fixture::TestSignal(format, frames)));
    return path;
}

inline QStringList Entries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries << box->itemText(i);
    }
    return entries;
}

// The main window's controls by id, and its other named children.
inline QAbstractButton* Button(const CSundrelDlg& dlg, int id) {
    return qobject_cast<QAbstractButton*>(dlg.Control(id));
}
inline QComboBox* MarkerBox(const CSundrelDlg& dlg) {
    return qobject_cast<QComboBox*>(dlg.Control(sundrel::gui::ids::kMarkers));
}
inline QSlider* Slider(const CSundrelDlg& dlg) {
    return qobject_cast<QSlider*>(dlg.Control(sundrel::gui::ids::kSlider));
}
inline QScrollBar* ScrollBar(const CSundrelDlg& dlg) {
    return qobject_cast<QScrollBar*>(dlg.Control(sundrel::gui::ids::kScrollBar));
}
inline QLabel* Label(const CSundrelDlg& dlg, int id) {
    return qobject_cast<QLabel*>(dlg.Control(id));
}
inline QTimer* Timer(const CSundrelDlg& dlg) {
    return dlg.findChild<QTimer*>(QStringLiteral("timer101"));
}
inline QMenu* Menu(const CSundrelDlg& dlg, const char* name) {
    return dlg.findChild<QMenu*>(QString::fromLatin1(name));
}

// The status line under the track table, and all it says (the label may shorten its text; its
// tool tip holds the whole).
inline QLabel* StatusLine(const CSundrelDlg& dlg) {
    return dlg.findChild<QLabel*>(QStringLiteral("statusLine"));
}
inline QString StatusText(const CSundrelDlg& dlg) {
    return StatusLine(dlg)->toolTip();
}

// A cell of the track table, empty where there is none.
inline QString Cell(const CSundrelDlg& dlg, int row, int column) {
    const QTableWidgetItem* item = dlg.TrackTable()->item(row, column);
    return item != nullptr ? item->text() : QString();
}

// A column of the track table, top to bottom.
inline QStringList Column(const CSundrelDlg& dlg, int column) {
    QStringList cells;
    for (int row = 0; row < dlg.TrackTable()->rowCount(); ++row) {
        cells << Cell(dlg, row, column);
    }
    return cells;
}

// The markers' percentages (0 for a marker of a frame alone).
inline std::vector<float> Percents(const CSundrelDlg& dlg) {
    std::vector<float> percents;
    for (const Marker& marker : dlg.Session().Markers().Markers()) {
        percents.push_back(marker.percent.value_or(0.0f));
    }
    return percents;
}

// A project of percentage markers for `mix`; with no mix, the version 1 layout that names none.
inline fixture::Bytes ProjectBytes(const std::filesystem::path& mix,
                                   const std::vector<float>& percents) {
    std::vector<Marker> markers;
    for (const float percent : percents) {
        markers.push_back(PercentMarker(percent));
    }
    fixture::Bytes bytes = EncodeProject(mix.string(), markers);
    if (mix.empty()) {
        bytes.erase(bytes.begin() + 6, bytes.begin() + 266); // no path field
        bytes[5] = std::byte{1};
    }
    return bytes;
}

// A percentage marker at `seconds`, as Add Marker makes it, without its questions.
inline void AddMarkerAt(CSundrelDlg& dlg, float seconds) {
    dlg.Session().SetPosition(seconds);
    dlg.Session().AddAtPosition();
}

// Opens a drop-down as a click on the menu does (its update rules run), then closes it. The
// offscreen platform's notes that it cannot grab the keyboard for a menu are left out.
inline void OpenMenu(QMenu* menu) {
    static const QtMessageHandler defaultHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QStringLiteral("This plugin does not support"))) {
                defaultHandler(type, context, text);
            }
        });
    menu->popup(QPoint(0, 0));
    menu->hide();
}

// Runs `act` on the modal dialog of type Dialog once its event loop runs.
template <typename Dialog> void WhenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg != nullptr);
        act(dlg);
    });
}

// A main window with its prompt and a folder for its mixes. Loading moves the current
// directory into that folder; it moves back when the Window goes.
struct Window {
    explicit Window(sundrel::PlaybackSession::DeviceFactory makeDevice = {})
        : dlg(prompt, nullptr, std::move(makeDevice)) {}
    ~Window() { std::filesystem::current_path(cwd); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Shows the window and makes it the active one, so its shortcuts reach it.
    bool Shown() {
        dlg.show();
        dlg.activateWindow();
        return QTest::qWaitForWindowActive(&dlg);
    }
    // Writes `seconds` of mix as `name` in the folder.
    std::filesystem::path Mix(double seconds, fixture::Format format = {},
                              const std::string& name = "mix.wav") {
        return WriteMix(dir / name, seconds, format);
    }
    bool Load(double seconds, fixture::Format format = {}) {
        return dlg.LoadWaveFile(Mix(seconds, format));
    }
    // The answer to the next file dialog.
    void Pick(const std::filesystem::path& path) {
        prompt.files.enqueue(QString::fromStdString(path.string()));
    }
    // Runs `command` with `path` as the answer to its file dialog.
    void RunWith(int command, const std::filesystem::path& path) {
        Pick(path);
        dlg.Command(command)->trigger();
    }
    // Add Marker with the position at `seconds`.
    void AddAt(float seconds) {
        dlg.Session().SetPosition(seconds);
        Button(dlg, sundrel::gui::ids::kAddMarker)->click();
    }
    // The user picks entry k of the marker list.
    void Choose(int k) {
        MarkerBox(dlg)->setCurrentIndex(k);
        emit MarkerBox(dlg)->activated(k);
    }
    // '1' for each control that is enabled, '0' for each that is not.
    QString Enabled(std::initializer_list<int> ids) const {
        QString s;
        for (const int id : ids) {
            s += dlg.Control(id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        return s;
    }
    // The position (to 6 digits), its label and the trackbar, as "65.25 0:01:05.250 932".
    QString Where() const {
        return QStringLiteral("%1 %2 %3")
            .arg(dlg.Session().Position())
            .arg(Label(dlg, sundrel::gui::ids::kPosition)->text())
            .arg(Slider(dlg)->value());
    }
    // The visible window, from and to (to 6 digits), as "64.25 66.25".
    QString View() const {
        return QStringLiteral("%1 %2").arg(dlg.Session().View().from).arg(dlg.Session().View().to);
    }

    const std::filesystem::path cwd = std::filesystem::current_path();
    fixture::TempDir dir;
    ScriptedPrompt prompt;
    CSundrelDlg dlg;
};

} // namespace sundrel::test
