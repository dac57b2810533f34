// The marker commands: Add Marker, selecting an entry of the marker list box, and "ANP".
// m_markers keeps the entries' labels beside the values, so entry k of the list box always
// stands for element k.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/markers/MarkerMath.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using sundrel::gui::Prompt;

void CSundrelDlg::OnAddMarker() {
    if (!m_pWaveFile) {
        return; // the button is enabled only with a mix
    }
    const sundrel::AddMarkerCheck check =
        m_markers.CheckAdd(m_fPosition, m_pWaveFile->GetDuration());
    if (check != sundrel::AddMarkerCheck::Ok) {
        m_prompt.Message(this, QString::fromLatin1(sundrel::AddMarkerMessage(check)),
                         QStringLiteral("Error"));
        return;
    }
    if (m_prompt.Message(this, QStringLiteral("Do you really want to add Marker"),
                         QStringLiteral("Change Marker"), Prompt::Buttons::YesNo,
                         Prompt::Icon::Question) != Prompt::Answer::Yes) {
        return;
    }
    AddMarker();
    // Selecting the new entry from here is no user selection: position and view stay.
    m_cbMarkers->setCurrentIndex(m_cbMarkers->count() - 1);
    ApplyControlStates(sundrel::app::Action::AddMarker);
    m_prompt.Message(this, QStringLiteral("Added Marker successfully"), QString(),
                     Prompt::Buttons::Ok, Prompt::Icon::Information);
}

void CSundrelDlg::AddMarker() {
    const std::size_t index = m_markers.Add(m_fPosition, m_pWaveFile->GetDuration());
    m_cbMarkers->addItem(QString::fromStdString(m_markers.Entries().at(index)));
    m_btnSplit->setEnabled(true);
}

void CSundrelDlg::OnSelChangeMarker() {
    if (m_bPlaying) {
        OnStop(); // with all its effects; the selection then sets the position
    }
    const int selected = m_cbMarkers->currentIndex();
    const std::optional<float> marker =
        selected > 0 ? m_markers.At(static_cast<std::size_t>(selected)) : std::nullopt;
    if (!marker || !m_pWaveFile) {
        // The header entry (the start of the mix).
        m_fPosition = 0.0f;
        ApplyTimeView(0.0f, 2.0f);
        ShowPosition();
        m_slider->setValue(0);
        ApplyControlStates(sundrel::app::Action::HeaderSelected);
        return;
    }
    ApplyControlStates(sundrel::app::Action::MarkerSelected);
    const sundrel::MarkerView view = sundrel::ViewOfMarker(*marker, m_pWaveFile->GetDuration());
    m_slider->setValue(view.slider);
    m_fPosition = view.position;
    ShowPosition();
    ApplyTimeView(view.viewFrom, view.viewTo); // sets the slider again from the position
}

void CSundrelDlg::OnChangeMarker() {
    // The header entry stands for the start marker, which stays at 0 (Split starts there);
    // "ANP" is disabled while it is selected, and does nothing should it be pressed anyway.
    const int selected = m_cbMarkers->currentIndex();
    if (selected <= 0 || !m_markers.At(static_cast<std::size_t>(selected)) || !m_pWaveFile) {
        return;
    }
    if (m_prompt.Message(this, QStringLiteral("Do you really want to change the selected Marker"),
                         QStringLiteral("Change Marker"), Prompt::Buttons::YesNo,
                         Prompt::Icon::Question) != Prompt::Answer::Yes) {
        return;
    }
    m_markers.Change(static_cast<std::size_t>(selected), m_fPosition, m_pWaveFile->GetDuration());
    m_prompt.Message(this, QStringLiteral("Changed position of Marker successfully"), QString(),
                     Prompt::Buttons::Ok, Prompt::Icon::Information);
}

void CSundrelDlg::FillMarkerBox() {
    m_cbMarkers->clear();
    for (const std::string& entry : m_markers.Entries()) {
        m_cbMarkers->addItem(QString::fromStdString(entry));
    }
    m_cbMarkers->setCurrentIndex(0);
}
