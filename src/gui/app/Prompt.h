#pragma once

#include "gui/app/SplitChoices.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace sundrel::gui {

// Every message box, file dialog and desktop hand-off of the program goes through this
// interface, so tests can answer the questions and read the texts.
class Prompt {
  public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Information, Question, Warning, Stop };
    enum class Answer { Ok, Yes, No };

    virtual ~Prompt() = default;

    // A modal message box. An empty caption shows no caption text.
    virtual Answer Message(QWidget* owner, const QString& text, const QString& caption,
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // A question with its own answers (the last one cancels, as Escape and the close box
    // do); returns the index of the answer chosen.
    virtual int Choose(QWidget* owner, const QString& text, const QString& caption,
                       const QStringList& answers) = 0;
    // A folder chooser opened at `start`; nullopt when cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& caption,
                                                const QString& start) = 0;
    // The split's questions in one dialog (folder, name template, format), filled with
    // `offered`; the choice, or nullopt when cancelled.
    virtual std::optional<SplitChoice> ChooseSplit(QWidget* owner, const SplitChoice& offered,
                                                   const QString& summary) = 0;
    // A small form of labelled text fields filled with `values`; the edited values, or
    // nullopt when cancelled.
    virtual std::optional<QStringList> EditTexts(QWidget* owner, const QString& caption,
                                                 const QStringList& labels,
                                                 const QStringList& values) = 0;
    // An open-file dialog showing the folder `start` (empty: the current one); nullopt when
    // cancelled. `filter` is in Qt's form, for example "Windows PCM (*.wav)".
    virtual std::optional<QString> OpenFile(QWidget* owner, const QString& filter,
                                            const QString& start) = 0;
    // A save-file dialog showing the folder `start` (or, for a path to a file, its folder with
    // its name filled in) that asks before replacing a file and adds `defaultSuffix` to a
    // name without one; nullopt when cancelled.
    virtual std::optional<QString> SaveFile(QWidget* owner, const QString& filter,
                                            const QString& defaultSuffix, const QString& start) = 0;
    // Hands a document or web address to the desktop; false when nothing could open it.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real thing: QMessageBox, QFileDialog and QDesktopServices.
class QtPrompt final : public Prompt {
  public:
    Answer Message(QWidget* owner, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override;
    int Choose(QWidget* owner, const QString& text, const QString& caption,
               const QStringList& answers) override;
    std::optional<QString> ChooseFolder(QWidget* owner, const QString& caption,
                                        const QString& start) override;
    std::optional<SplitChoice> ChooseSplit(QWidget* owner, const SplitChoice& offered,
                                           const QString& summary) override;
    std::optional<QStringList> EditTexts(QWidget* owner, const QString& caption,
                                         const QStringList& labels,
                                         const QStringList& values) override;
    std::optional<QString> OpenFile(QWidget* owner, const QString& filter,
                                    const QString& start) override;
    std::optional<QString> SaveFile(QWidget* owner, const QString& filter,
                                    const QString& defaultSuffix, const QString& start) override;
    bool OpenUrl(const QUrl& url) override;
};

} // namespace sundrel::gui
