// The marker commands: Add Marker, selecting an entry of the marker list box, "ANP", Remove
// and Rename, and undo/redo of them. The session keeps the entries' labels beside the
// markers, so entry k of the list box always stands for marker k.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"

#include "core/markers/MarkerMath.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using sundrel::gui::Prompt;

void CSundrelDlg::OnAddMarker() {
    if (!m_session.IsLoaded()) {
        return; // the button is enabled only with a mix
    }
    const sundrel::AddMarkerCheck check = m_session.CheckAddAtPosition();
    if (check != sundrel::AddMarkerCheck::Ok) {
        m_prompt.Message(this, QString::fromLatin1(sundrel::AddMarkerMessage(check)),
                         QStringLiteral("Error"));
        return;
    }
    if (m_prefs.confirmAddMarker &&
        m_prompt.Message(this, QStringLiteral("Do you really want to add Marker"),
                         QStringLiteral("Change Marker"), Prompt::Buttons::YesNo,
                         Prompt::Icon::Question) != Prompt::Answer::Yes) {
        return;
    }
    AddMarker();
    FeedControls(sundrel::app::Event::AddMarker);
    if (m_prefs.confirmAddMarker) { // without the question, without the report either
        m_prompt.Message(this, QStringLiteral("Added Marker successfully"), QString(),
                         Prompt::Buttons::Ok, Prompt::Icon::Information);
    }
}

void CSundrelDlg::AddMarker() {
    // The new entry is selected; selecting it from here is no user selection, so position
    // and view stay.
    if (const std::optional<std::size_t> index = m_session.AddAtPosition()) {
        ShowMarkerStatus(QStringLiteral("Added %1 at %2."), *index);
    }
}

void CSundrelDlg::OnSelChangeMarker() {
    if (m_session.IsPlaying()) {
        OnStop(); // with all its effects; the selection then sets the position
    }
    const int selected = m_cbMarkers->currentIndex();
    m_session.SetCurrentSuggestion(std::nullopt); // a marker, not a suggestion, is looked at
    m_session.Select(selected > 0 ? static_cast<std::size_t>(selected) : 0);
    const std::optional<sundrel::MarkerView> view =
        selected > 0 ? m_session.ViewOf(static_cast<std::size_t>(selected)) : std::nullopt;
    m_bPositionChosen = true;
    if (!view) {
        // The header entry (the start of the mix).
        m_session.SetPosition(0.0);
        m_session.SetView(m_session.IsDefaultZoom() ? sundrel::kOpeningWindow
                                                    : m_session.WindowAt(0.0));
        ApplyTimeView();
        ShowPosition();
        m_slider->setValue(0);
        FeedControls(sundrel::app::Event::HeaderSelected);
        return;
    }
    FeedControls(sundrel::app::Event::MarkerSelected);
    m_slider->setValue(view->slider);
    m_session.SetPosition(view->position);
    ShowPosition();
    // Sets the slider again from the position.
    m_session.SetView(m_session.IsDefaultZoom() ? sundrel::TimeWindow{view->viewFrom, view->viewTo}
                                                : m_session.WindowAt(view->position));
    ApplyTimeView();
}

void CSundrelDlg::OnChangeMarker() {
    // The header entry stands for the start marker, which stays at 0 (Split starts there);
    // "ANP" is disabled while it is selected, and does nothing should it be pressed anyway.
    const int selected = m_cbMarkers->currentIndex();
    if (selected <= 0 || !m_session.Markers().At(static_cast<std::size_t>(selected)) ||
        !m_session.IsLoaded()) {
        return;
    }
    if (m_prompt.Message(this, QStringLiteral("Do you really want to change the selected Marker"),
                         QStringLiteral("Change Marker"), Prompt::Buttons::YesNo,
                         Prompt::Icon::Question) != Prompt::Answer::Yes) {
        return;
    }
    m_session.ChangeToPosition(static_cast<std::size_t>(selected));
    m_prompt.Message(this, QStringLiteral("Changed position of Marker successfully"), QString(),
                     Prompt::Buttons::Ok, Prompt::Icon::Information);
}

void CSundrelDlg::OnRemoveMarker() {
    FinishMarkerDrag();
    if (m_session.CurrentSuggestion()) {
        OnDismissSuggestion(); // Delete dismisses the suggestion being looked at
        return;
    }
    // No question: Edit > Undo brings the marker back.
    if (m_session.Remove(m_session.Selected()) && m_session.Selected() == 0) {
        FeedControls(sundrel::app::Event::HeaderSelected);
    }
}

void CSundrelDlg::OnRenameMarker() {
    const std::size_t index = m_session.Selected();
    const sundrel::Marker* marker = m_session.Markers().At(index);
    if (index == 0 || marker == nullptr) {
        return;
    }
    const std::optional<QStringList> names = m_prompt.EditTexts(
        this, QStringLiteral("Rename ") + m_cbMarkers->itemText(static_cast<int>(index)),
        {QStringLiteral("&Title:"), QStringLiteral("&Artist:")},
        {QString::fromStdString(marker->title), QString::fromStdString(marker->artist)});
    if (!names || names->size() != 2) {
        return;
    }
    m_session.Rename(index, names->at(0).trimmed().toStdString(),
                     names->at(1).trimmed().toStdString());
}

void CSundrelDlg::OnUndo() {
    FinishMarkerDrag(); // a drag in progress ends as one step first
    if (m_session.Undo()) {
        ShowStatusLine(QStringLiteral("Took back the last change of the markers."),
                       QStringLiteral("\nEdit > Redo makes it again."));
    }
}

void CSundrelDlg::OnRedo() {
    FinishMarkerDrag();
    if (m_session.Redo()) {
        ShowStatusLine(QStringLiteral("Made the change of the markers again."));
    }
}

void CSundrelDlg::FillMarkerBox() {
    m_cbMarkers->clear();
    for (const std::string& entry : m_session.Markers().Entries()) {
        m_cbMarkers->addItem(QString::fromStdString(entry));
    }
    m_cbMarkers->setCurrentIndex(static_cast<int>(m_session.Selected()));
}
