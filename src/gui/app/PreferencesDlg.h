#pragma once

#include "core/app/Preferences.h"
#include "core/play/WaveOut.h"
#include "sound/OutputDevices.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace sundrel::gui {
class Prompt;
}

// Edit > Preferences: the sound output (with a test tone through it), the preview length,
// whether Add Marker asks first and whether Split waits for the disk. OK keeps the choices
// (Chosen()), Cancel and Escape drop them.
class CPreferencesDlg : public QDialog {
    Q_OBJECT
  public:
    // Opens the device with the id given, for the test tone.
    using DeviceMaker = std::function<std::unique_ptr<sundrel::WaveOut>(const std::string&)>;

    CPreferencesDlg(sundrel::gui::Prompt& prompt, const sundrel::app::Preferences& current,
                    std::vector<sundrel::audio::OutputDevice> devices, DeviceMaker makeDevice,
                    QWidget* parent = nullptr);
    ~CPreferencesDlg() override;

    sundrel::app::Preferences Chosen() const;
    // The tone is playing: the button is off until it has ended.
    bool IsPlayingTone() const;

    void accept() override;

  private:
    void OnTestTone();
    void OnToneEnded(const QString& error);

    sundrel::gui::Prompt& m_prompt;
    sundrel::app::Preferences m_initial;
    std::vector<sundrel::audio::OutputDevice> m_devices;
    DeviceMaker m_makeDevice;
    QComboBox* m_cbDevice = nullptr;
    QPushButton* m_btnTone = nullptr;
    QLabel* m_stTone = nullptr;
    QDoubleSpinBox* m_spBefore = nullptr;
    QDoubleSpinBox* m_spAfter = nullptr;
    QCheckBox* m_chkConfirm = nullptr;
    QCheckBox* m_chkSync = nullptr;
    std::jthread m_tone; // plays the test tone; stopped and joined when the dialog goes
};
