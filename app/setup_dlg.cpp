#include "app/setup_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vimsa::app {
namespace {

template <typename Control>
Control* Named(Control* control, int id) {
    control->setObjectName(ControlName(id));
    return control;
}

QComboBox* EditableList(const QStringList& items, int id, QWidget* parent) {
    auto* box = Named(new QComboBox(parent), id);  // owned by the parent
    box->setEditable(true);
    box->addItems(items);
    // Typed text is taken as it is, never added to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

}  // namespace

QString ControlName(int id) {
    return QString("control%1").arg(id);
}

CSetupDlg::CSetupDlg(const host::SetupChoices& choices, QWidget* parent)
    : QDialog(parent), choices_(choices) {
    setWindowTitle("Setup");
    auto* layout = new QVBoxLayout(this);  // owned by the dialog
    layout->addWidget(BuildRendering());
    layout->addWidget(BuildObjects());
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = Named(buttons->addButton("Start", QDialogButtonBox::AcceptRole), kStart);
    QPushButton* quit = Named(buttons->addButton("Quit", QDialogButtonBox::RejectRole), kQuit);
    start->setDefault(true);
    start->setAutoDefault(true);
    quit->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    ShowChoices();
    // The dialog opens on the renderer choice, so the arrow keys change it.
    (openGL_->isChecked() ? openGL_ : directX_)->setFocus();
}

QWidget* CSetupDlg::BuildRendering() {
    auto* group = new QGroupBox("Rendering", this);
    auto* grid = new QGridLayout(group);
    directX_ = Named(new QRadioButton("DirectX", group), kDirectX);
    openGL_ = Named(new QRadioButton("OpenGL", group), kOpenGL);
    auto* renderers = new QButtonGroup(group);
    renderers->addButton(directX_, 0);
    renderers->addButton(openGL_, 1);
    fullscreen_ = Named(new QCheckBox("Fullscreen", group), kFullscreen);
    resolution_ = EditableList({"640*480", "800*600", "1024*768"}, kResolution, group);
    grid->addWidget(directX_, 0, 0);
    grid->addWidget(openGL_, 1, 0);
    grid->addWidget(fullscreen_, 2, 0);
    grid->addWidget(new QLabel("Resolution", group), 0, 1);
    grid->addWidget(resolution_, 1, 1);
    return group;
}

QWidget* CSetupDlg::BuildObjects() {
    auto* group = new QGroupBox("Objects", this);
    auto* grid = new QGridLayout(group);
    highPoly_ = Named(new QRadioButton("High Poly", group), kHighPoly);
    lowPoly_ = Named(new QRadioButton("Low Poly", group), kLowPoly);
    auto* objects = new QButtonGroup(group);
    objects->addButton(highPoly_, 0);
    objects->addButton(lowPoly_, 1);
    character_ = EditableList({"Kelmardo", "Vona"}, kCharacter, group);
    grid->addWidget(highPoly_, 0, 0);
    grid->addWidget(lowPoly_, 1, 0);
    grid->addWidget(new QLabel("Character", group), 0, 1);
    grid->addWidget(character_, 1, 1);
    return group;
}

void CSetupDlg::ShowChoices() {
    // A radio index outside the group leaves every button of it clear.
    directX_->setChecked(choices_.renderer == 0);
    openGL_->setChecked(choices_.renderer == 1);
    fullscreen_->setChecked(choices_.fullScreen != 0);
    resolution_->setEditText(QString::fromStdString(choices_.resolution));
    highPoly_->setChecked(choices_.objects == 0);
    lowPoly_->setChecked(choices_.objects == 1);
    character_->setEditText(QString::fromStdString(choices_.character));
}

void CSetupDlg::accept() {
    choices_.renderer = directX_->isChecked() ? 0 : openGL_->isChecked() ? 1 : -1;
    choices_.fullScreen = fullscreen_->isChecked() ? 1 : 0;
    choices_.resolution = resolution_->currentText().toStdString();
    choices_.objects = highPoly_->isChecked() ? 0 : lowPoly_->isChecked() ? 1 : -1;
    choices_.character = character_->currentText().toStdString();
    QDialog::accept();
}

CAboutDlg::CAboutDlg(const std::string& renderer, const std::string& song, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("A propos de Vimsa II");
    auto* grid = new QGridLayout(this);  // owned by the dialog
    grid->addWidget(new QLabel("Vimsa II version 1.0 - demo #4", this), 0, 0, 1, 2);
    grid->addWidget(new QLabel("A real-time 3D engine and its demonstration", this), 1, 0, 1, 2);
    grid->addWidget(new QLabel("Renderer :", this), 2, 0);
    grid->addWidget(Named(new QLabel(QString::fromStdString(renderer), this), kRenderer), 2, 1);
    grid->addWidget(new QLabel("Song :", this), 3, 0);
    grid->addWidget(Named(new QLabel(QString::fromStdString(song), this), kSong), 3, 1);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 4, 1, Qt::AlignRight);
}

}  // namespace vimsa::app
