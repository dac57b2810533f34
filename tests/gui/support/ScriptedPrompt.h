#pragma once

#include "gui/app/Prompt.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace sundrel::test {

// A Prompt for tests: records every message and hand-off, and answers from queues that the
// test fills beforehand. An empty answer queue answers Yes/Ok and cancels file dialogs.
class ScriptedPrompt final : public gui::Prompt {
  public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };

    Answer Message(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        messages.append({text, caption, buttons, icon});
        if (!answers.isEmpty()) {
            return answers.dequeue();
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    // Answers from `choices` (an index); with none queued, the first answer.
    int Choose(QWidget*, const QString& text, const QString& caption,
               const QStringList& offered) override {
        questions.append({text, caption, offered});
        return choices.isEmpty() ? 0 : choices.dequeue();
    }
    // Answers from `folders`; with none queued, the folder offered.
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString& start) override {
        offeredFolders.append(start);
        if (folders.isEmpty()) {
            return start;
        }
        return folders.dequeue();
    }
    // Records the choice offered. The folder is answered as ChooseFolder answers (from
    // `folders`, else the folder offered; nullopt cancels), the template and format from
    // `splitChoices` when one is queued, else as offered.
    std::optional<gui::SplitChoice> ChooseSplit(QWidget* owner, const gui::SplitChoice& offered,
                                                const QString& summary) override {
        offeredSplits.append(offered);
        splitSummaries.append(summary);
        const std::optional<QString> folder = ChooseFolder(owner, QString(), offered.folder);
        if (!folder) {
            return std::nullopt;
        }
        gui::SplitChoice choice = splitChoices.isEmpty() ? offered : splitChoices.dequeue();
        choice.folder = *folder;
        return choice;
    }
    // Answers from `texts`; with none queued, cancels.
    std::optional<QStringList> EditTexts(QWidget*, const QString&, const QStringList&,
                                         const QStringList& values) override {
        editedValues.append(values);
        if (texts.isEmpty()) {
            return std::nullopt;
        }
        return texts.dequeue();
    }
    std::optional<QString> OpenFile(QWidget*, const QString& filter,
                                    const QString& start) override {
        filters.append(filter);
        startFolders.append(start);
        if (files.isEmpty()) {
            return std::nullopt;
        }
        return files.dequeue();
    }
    std::optional<QString> SaveFile(QWidget*, const QString& filter, const QString& suffix,
                                    const QString& start) override {
        filters.append(filter);
        startFolders.append(start);
        suffixes.append(suffix);
        if (files.isEmpty()) {
            return std::nullopt;
        }
        return files.dequeue();
    }
    bool OpenUrl(const QUrl& url) override {
        urls.append(url);
        return openUrlResult;
    }

    QString LastText() const { return messages.isEmpty() ? QString() : messages.last().text; }

    struct Question {
        QString text;
        QString caption;
        QStringList answers;
    };

    QList<Shown> messages;
    QList<Question> questions;
    QQueue<int> choices;
    QList<QString> offeredFolders;
    QQueue<std::optional<QString>> folders; // nullopt cancels the folder chooser
    QList<gui::SplitChoice> offeredSplits;
    QList<QString> splitSummaries;         // what the Split dialog said it would write
    QQueue<gui::SplitChoice> splitChoices; // template and format of the next split
    QList<QStringList> editedValues;
    QQueue<QStringList> texts;
    QQueue<Answer> answers;
    QQueue<QString> files; // answers for OpenFile/SaveFile, in order
    QList<QString> filters;
    QList<QString> startFolders; // the folder each file dialog opened in
    QList<QString> suffixes;
    QList<QUrl> urls;
    bool openUrlResult = true;
};

} // namespace sundrel::test
