// The set-up dialog and the about box: what they show and what they return.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/setup_dlg.h"

namespace vimsa::app {
namespace {

template <typename Control>
Control* Find(QWidget& dialog, int id) {
    return dialog.findChild<Control*>(ControlName(id));
}

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

TEST(SetupDialog, OpensOnTheDefaultsWithEditableLists) {
    CSetupDlg dialog(host::SetupChoices{}, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Setup");
    EXPECT_EQ(Find<QPushButton>(dialog, CSetupDlg::kStart)->text(), "Start");
    EXPECT_TRUE(Find<QPushButton>(dialog, CSetupDlg::kStart)->isDefault());
    EXPECT_EQ(Find<QPushButton>(dialog, CSetupDlg::kQuit)->text(), "Quit");
    EXPECT_TRUE(Find<QRadioButton>(dialog, CSetupDlg::kDirectX)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(dialog, CSetupDlg::kOpenGL)->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, CSetupDlg::kFullscreen)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(dialog, CSetupDlg::kHighPoly)->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(dialog, CSetupDlg::kLowPoly)->isChecked());
    auto* resolution = Find<QComboBox>(dialog, CSetupDlg::kResolution);
    EXPECT_TRUE(resolution->isEditable());
    EXPECT_EQ(Items(resolution), QStringList({"640*480", "800*600", "1024*768"}));
    EXPECT_EQ(resolution->currentText(), "1024*768");
    auto* character = Find<QComboBox>(dialog, CSetupDlg::kCharacter);
    EXPECT_TRUE(character->isEditable());
    EXPECT_EQ(Items(character), QStringList({"Kelmardo", "Vona"}));
    EXPECT_EQ(character->currentText(), "Kelmardo");
    for (const char* text : {"DirectX", "OpenGL", "Fullscreen", "High Poly", "Low Poly"}) {
        bool found = false;
        for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
            found = found || b->text() == text;
        EXPECT_TRUE(found) << text;
    }
}

TEST(SetupDialog, StartReturnsWhatEachControlHolds) {
    struct Case {
        const char* name;
        std::function<void(CSetupDlg&)> change;
        std::function<bool(const host::SetupChoices&)> holds;
    };
    const Case cases[] = {
        {"OpenGL", [](CSetupDlg& d) { Find<QRadioButton>(d, CSetupDlg::kOpenGL)->click(); },
         [](const host::SetupChoices& c) { return c.renderer == 1; }},
        {"Fullscreen", [](CSetupDlg& d) { Find<QCheckBox>(d, CSetupDlg::kFullscreen)->click(); },
         [](const host::SetupChoices& c) { return c.fullScreen == 1; }},
        {"listed resolution",
         [](CSetupDlg& d) { Find<QComboBox>(d, CSetupDlg::kResolution)->setCurrentIndex(1); },
         [](const host::SetupChoices& c) { return c.resolution == "800*600"; }},
        {"typed resolution",
         [](CSetupDlg& d) {
             QLineEdit* edit = Find<QComboBox>(d, CSetupDlg::kResolution)->lineEdit();
             edit->clear();
             QTest::keyClicks(edit, "1280*1024");
         },
         [](const host::SetupChoices& c) { return c.resolution == "1280*1024"; }},
        {"Low Poly", [](CSetupDlg& d) { Find<QRadioButton>(d, CSetupDlg::kLowPoly)->click(); },
         [](const host::SetupChoices& c) { return c.objects == 1; }},
        {"listed character",
         [](CSetupDlg& d) { Find<QComboBox>(d, CSetupDlg::kCharacter)->setCurrentIndex(1); },
         [](const host::SetupChoices& c) { return c.character == "Vona"; }},
        {"typed character",
         [](CSetupDlg& d) {
             QLineEdit* edit = Find<QComboBox>(d, CSetupDlg::kCharacter)->lineEdit();
             edit->clear();
             QTest::keyClicks(edit, "vona");
         },
         [](const host::SetupChoices& c) { return c.character == "vona"; }},
    };
    for (const Case& c : cases) {
        CSetupDlg dialog(host::SetupChoices{}, nullptr);
        c.change(dialog);
        Find<QPushButton>(dialog, CSetupDlg::kStart)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.name;
        EXPECT_TRUE(c.holds(dialog.Choices())) << c.name;
    }
}

TEST(SetupDialog, EnterStartsAndQuitKeepsTheChoicesItOpenedWith) {
    CSetupDlg started(host::SetupChoices{}, nullptr);
    started.show();
    QTest::keyClick(&started, Qt::Key_Return);
    EXPECT_EQ(started.result(), QDialog::Accepted);
    EXPECT_EQ(started.Choices().renderer, 0);

    // The keys the end-to-end run uses: Down chooses OpenGL, Enter starts.
    CSetupDlg keyed(host::SetupChoices{}, nullptr);
    keyed.show();
    keyed.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&keyed));
    ASSERT_EQ(keyed.focusWidget(), Find<QRadioButton>(keyed, CSetupDlg::kDirectX));
    QTest::keyClick(keyed.focusWidget(), Qt::Key_Down);
    ASSERT_NE(keyed.focusWidget(), nullptr);
    QTest::keyClick(keyed.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(keyed.result(), QDialog::Accepted);
    EXPECT_EQ(keyed.Choices().renderer, 1);

    CSetupDlg quit(host::SetupChoices{}, nullptr);
    Find<QRadioButton>(quit, CSetupDlg::kOpenGL)->click();
    Find<QComboBox>(quit, CSetupDlg::kCharacter)->setCurrentIndex(1);
    Find<QPushButton>(quit, CSetupDlg::kQuit)->click();
    EXPECT_EQ(quit.result(), QDialog::Rejected);
    EXPECT_EQ(quit.Choices().renderer, 0);
    EXPECT_EQ(quit.Choices().character, "Kelmardo");
}

TEST(AboutBox, ShowsTheVersionTheRendererAndTheSong) {
    CAboutDlg about("DirectX 8", "vimsa.s3m", nullptr);
    EXPECT_EQ(about.windowTitle(), "A propos de Vimsa II");
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts.append(label->text());
    EXPECT_TRUE(texts.contains("Vimsa II version 1.0 - demo #4"));
    EXPECT_TRUE(texts.contains("Renderer :"));
    EXPECT_TRUE(texts.contains("Song :"));
    EXPECT_EQ(Find<QLabel>(about, CAboutDlg::kRenderer)->text(), "DirectX 8");
    EXPECT_EQ(Find<QLabel>(about, CAboutDlg::kSong)->text(), "vimsa.s3m");
}

}  // namespace
}  // namespace vimsa::app
