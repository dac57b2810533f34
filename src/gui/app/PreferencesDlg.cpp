#include "gui/app/PreferencesDlg.h"

#include "gui/app/Prompt.h"

#include "core/play/TestTone.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using sundrel::gui::Prompt;

namespace {

QDoubleSpinBox* SecondsBox(QWidget* parent, const char* name, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0.0, sundrel::app::kLongestPreviewSeconds);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" s"));
    box->setValue(value);
    return box;
}

} // namespace

CPreferencesDlg::CPreferencesDlg(Prompt& prompt, const sundrel::app::Preferences& current,
                                 std::vector<sundrel::audio::OutputDevice> devices,
                                 DeviceMaker makeDevice, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_initial(current), m_devices(std::move(devices)),
      m_makeDevice(std::move(makeDevice)) {
    setObjectName(QStringLiteral("preferencesDlg"));
    setWindowTitle(QStringLiteral("Preferences"));

    // Sound.
    auto* sound = new QGroupBox(QStringLiteral("Sound"), this);
    m_cbDevice = new QComboBox(sound);
    m_cbDevice->setObjectName(QStringLiteral("deviceBox"));
    m_cbDevice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    int selected = -1;
    for (const sundrel::audio::OutputDevice& device : m_devices) {
        if (device.id == current.outputDevice) {
            selected = m_cbDevice->count();
        }
        m_cbDevice->addItem(QString::fromStdString(device.label),
                            QString::fromStdString(device.id));
    }
    if (selected < 0) {
        // The remembered device is not connected now: it stays chosen, shown as missing,
        // until another is chosen.
        selected = m_cbDevice->count();
        m_cbDevice->addItem(
            QStringLiteral("%1 (not connected)").arg(QString::fromStdString(current.outputDevice)),
            QString::fromStdString(current.outputDevice));
    }
    m_cbDevice->setCurrentIndex(selected);
    m_btnTone = new QPushButton(QStringLiteral("&Test Tone"), sound);
    m_btnTone->setObjectName(QStringLiteral("toneButton"));
    m_btnTone->setAutoDefault(false);
    m_stTone = new QLabel(sound);
    m_stTone->setObjectName(QStringLiteral("toneStatus"));
    m_stTone->setWordWrap(true);
    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(m_cbDevice, 1);
    deviceRow->addWidget(m_btnTone);
    auto* soundForm = new QFormLayout(sound);
    auto* deviceLabel = new QLabel(QStringLiteral("&Output device:"), sound);
    deviceLabel->setBuddy(m_cbDevice); // a row of a layout gets no buddy by itself
    soundForm->addRow(deviceLabel, deviceRow);
    soundForm->addRow(QString(), m_stTone);
    m_stTone->hide();

    // Markers and preview.
    auto* markers = new QGroupBox(QStringLiteral("Markers"), this);
    m_spBefore = SecondsBox(markers, "previewBefore", current.previewBefore);
    m_spAfter = SecondsBox(markers, "previewAfter", current.previewAfter);
    m_chkConfirm =
        new QCheckBox(QStringLiteral("Add Marker &asks before it adds a marker"), markers);
    m_chkConfirm->setObjectName(QStringLiteral("confirmAddMarker"));
    m_chkConfirm->setChecked(current.confirmAddMarker);
    auto* markerForm = new QFormLayout(markers);
    markerForm->addRow(QStringLiteral("Preview &before the marker:"), m_spBefore);
    markerForm->addRow(QStringLiteral("Preview a&fter the marker:"), m_spAfter);
    markerForm->addRow(m_chkConfirm);

    // Split.
    auto* split = new QGroupBox(QStringLiteral("Split"), this);
    m_chkSync = new QCheckBox(QStringLiteral("&Wait until the tracks are on the disk"), split);
    m_chkSync->setObjectName(QStringLiteral("splitSync"));
    m_chkSync->setChecked(current.splitSync);
    m_chkSync->setToolTip(QStringLiteral("Slower, but not even a power cut leaves a track "
                                         "file named that lacks its audio."));
    auto* splitLayout = new QVBoxLayout(split);
    splitLayout->addWidget(m_chkSync);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_btnTone, &QPushButton::clicked, this, [this] { OnTestTone(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sound);
    layout->addWidget(markers);
    layout->addWidget(split);
    layout->addStretch(1);
    layout->addWidget(buttons);
}

CPreferencesDlg::~CPreferencesDlg() {
    m_tone = {}; // stops the tone and waits for its thread before the widgets go
}

sundrel::app::Preferences CPreferencesDlg::Chosen() const {
    sundrel::app::Preferences chosen = m_initial;
    chosen.outputDevice = m_cbDevice->currentData().toString().toStdString();
    chosen.previewBefore = m_spBefore->value();
    chosen.previewAfter = m_spAfter->value();
    chosen.confirmAddMarker = m_chkConfirm->isChecked();
    chosen.splitSync = m_chkSync->isChecked();
    return chosen;
}

bool CPreferencesDlg::IsPlayingTone() const {
    return !m_btnTone->isEnabled();
}

void CPreferencesDlg::accept() {
    const sundrel::app::Preferences chosen = Chosen();
    if (!sundrel::app::ValidPreviewLengths(chosen.previewBefore, chosen.previewAfter)) {
        m_prompt.Message(this, QStringLiteral("The preview cannot be 0 seconds on both sides."),
                         QStringLiteral("Preferences"));
        return;
    }
    QDialog::accept();
}

void CPreferencesDlg::OnTestTone() {
    if (IsPlayingTone() || !m_makeDevice) {
        return;
    }
    m_btnTone->setEnabled(false);
    m_stTone->setText(QStringLiteral("Playing a 440 Hz tone..."));
    m_stTone->show();
    const std::string id = m_cbDevice->currentData().toString().toStdString();
    if (m_tone.joinable()) {
        m_tone.join(); // the previous tone's thread has already reported its end
    }
    m_tone = std::jthread([this, id, make = m_makeDevice](std::stop_token stop) {
        QString error;
        try {
            std::unique_ptr<sundrel::WaveOut> device = make(id);
            const sundrel::WaveOutStatus status = sundrel::PlayTestTone(*device, stop);
            if (!status.Ok()) {
                error = QString::fromStdString(status.message);
            }
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        if (!stop.stop_requested()) {
            QMetaObject::invokeMethod(
                this, [this, error] { OnToneEnded(error); }, Qt::QueuedConnection);
        }
    });
}

void CPreferencesDlg::OnToneEnded(const QString& error) {
    m_btnTone->setEnabled(true);
    if (error.isEmpty()) {
        m_stTone->setText(QStringLiteral("The tone has played."));
        return;
    }
    // Beside the button that was pressed: a message box would only repeat it.
    m_stTone->setText(QStringLiteral("The test tone could not play: %1").arg(error));
}
