// The Split button (the dialog's OK button): the markers, sorted, cut the loaded mix into
// track01.wav, track02.wav, ... in the current folder, which loading made the mix's folder.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <exception>
#include <thread>

using sundrel::gui::Prompt;

void CSundrelDlg::OnOK() {
    if (!m_pWaveFile) {
        // Possible after opening a project that names no mix.
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    m_stSplitStatus->setText(QStringLiteral("Splitting..."));
    m_markers.Sort(); // the list stays sorted; the entries keep their labels
    try {
        RunSplit(m_markers.SplitPercents());
    } catch (const std::exception& e) {
        m_stSplitStatus->setText(QStringLiteral("Split failed"));
        m_prompt.Message(
            this, QStringLiteral("The split did not finish:\n") + QString::fromLocal8Bit(e.what()),
            QStringLiteral("Split"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    m_stSplitStatus->setText(QStringLiteral("Finished Split"));
}

void CSundrelDlg::RunSplit(const std::vector<float>& percents) {
    // A long mix takes a while to copy and flush to disk. The copy runs on a worker while
    // this thread keeps the window painted; the window takes no input meanwhile, so nothing
    // can change the mix or the markers under the split, and it cannot be closed.
    const std::shared_ptr<CWaveFile> wave = m_pWaveFile;
    std::exception_ptr failure;
    QEventLoop loop;
    const QPointer<QWidget> focus = focusWidget();
    m_bSplitting = true;
    setEnabled(false);
    std::thread worker([&] {
        try {
            wave->Split(percents.data(), static_cast<int>(percents.size()), ".",
                        sundrel::SplitOptions{});
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    setEnabled(true);
    m_bSplitting = false;
    if (focus != nullptr) {
        focus->setFocus();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void CSundrelDlg::closeEvent(QCloseEvent* event) {
    if (m_bSplitting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
