#pragma once

#include <QDialog>

#include "platform/host/host.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace vimsa::app {

// The set-up dialog (resource 133): renderer, full screen, resolution,
// objects and character. It opens on the choices it is given; "Start"
// takes the controls' values over, "Quit" or closing leaves them.
class CSetupDlg : public QDialog {
public:
    // Control identifiers, also the controls' object names.
    enum Control : int {
        kStart = 1,
        kQuit = 2,
        kDirectX = 1005,
        kOpenGL = 1006,
        kFullscreen = 1007,
        kResolution = 1008,
        kCharacter = 1009,
        kHighPoly = 1010,
        kLowPoly = 1011,
    };

    CSetupDlg(const host::SetupChoices& choices, QWidget* parent);

    // The members: the choices it opened with, or the controls' values once
    // "Start" was pressed.
    const host::SetupChoices& Choices() const { return choices_; }

    void accept() override;

private:
    QWidget* BuildRendering();
    QWidget* BuildObjects();
    void ShowChoices();

    host::SetupChoices choices_;
    QRadioButton* directX_;
    QRadioButton* openGL_;
    QCheckBox* fullscreen_;
    QComboBox* resolution_;
    QRadioButton* highPoly_;
    QRadioButton* lowPoly_;
    QComboBox* character_;
};

// The about box (resource 100): the version, the renderer that runs and the
// song that plays.
class CAboutDlg : public QDialog {
public:
    enum Control : int { kRenderer = 1002, kSong = 1003 };

    CAboutDlg(const std::string& renderer, const std::string& song, QWidget* parent);
};

// The name a control of these dialogs carries: "control" and its number.
QString ControlName(int id);

}  // namespace vimsa::app
