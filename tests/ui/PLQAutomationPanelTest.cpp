#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include "UiTestSupport.h"
#include "session/PLQShell.h"
#include "ui/PLQAbout.h"
#include "ui/PLQAutomationPanel.h"
#include "ui/PLQSpinBox.h"

namespace {

class AutomationPanelTest : public ::testing::Test {
protected:
    void open() {
        host.assign(size_t(kSide) * kSide, 0xFF404040u);
        shell = std::make_unique<PLQShell>(kSide, kSide, host.data());
        panel = std::make_unique<PLQAutomationPanel>(shell.get(), nullptr, "automationPanel");
        ASSERT_TRUE(showActive(panel.get()));
    }
    template <typename T>
    T* child(const char* name) const {
        return panel->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* editOf(const char* spin) const {
        return child<PLQSpinBox>(spin)->findChild<QLineEdit*>(QStringLiteral("lineEdit"));
    }
    bool goEnabled() const { return child<QPushButton>("goStopButton")->isEnabled(); }
    bool mixEnabled() const { return child<QCheckBox>("multiCheck")->isEnabled(); }

    static constexpr uint32_t kSide = 128;
    std::vector<uint32_t> host;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQAutomationPanel> panel;
};

}  // namespace

TEST_F(AutomationPanelTest, ShowsTheModelInPercentAndWritesFractionsBack) {
    open();
    PlacementParameters& p = shell->placement();
    p.method = PlacementMethod::SemiRegular;
    p.coveringFactor = 0.25;
    p.jittering = 0.4;
    p.mixChunks = true;
    QSignalSpy changes(panel.get(), &PLQAutomationPanel::propertiesChanged);
    panel->updateParameters();
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(child<QComboBox>("placementCombo")->currentIndex(), 1);
    EXPECT_EQ(child<QStackedWidget>("propStack")->currentWidget()->objectName(), QStringLiteral("regularTab"));
    EXPECT_EQ(editOf("coverSpin")->text(), QStringLiteral("25 %"));
    EXPECT_EQ(editOf("jitterSpin")->text(), QStringLiteral("40 %"));
    EXPECT_TRUE(child<QCheckBox>("multiCheck")->isChecked());

    typeInto(editOf("coverSpin"), QStringLiteral("60"));
    QTest::keyClick(editOf("coverSpin"), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(p.coveringFactor, 0.6);
    typeInto(editOf("coverSpin"), QStringLiteral("100"));  // the grid cells can never overlap fully
    QTest::keyClick(editOf("coverSpin"), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(p.coveringFactor, 0.99);

    auto* combo = child<QComboBox>("placementCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(p.method, PlacementMethod::Random);
    EXPECT_EQ(child<QStackedWidget>("propStack")->currentWidget()->objectName(), QStringLiteral("haltonTab"));
    auto* jitterButtons = child<PLQSpinBox>("jitterSpin")->findChild<QWidget*>(QStringLiteral("buttons"));
    QTest::mouseClick(jitterButtons, Qt::LeftButton, {}, QPoint(16, 9));
    EXPECT_DOUBLE_EQ(p.jittering, 0.41);
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(AutomationPanelTest, StartUsesAValueTypedWithoutReturn) {
    open();
    addCurrentImage(*shell, patternImage(8, 8));
    panel->updateButtons();
    double jitterAtStart = -1.0, coverAtStart = -1.0;
    QObject::connect(panel.get(), &PLQAutomationPanel::goStopClicked, panel.get(), [&] {
        jitterAtStart = shell->placement().jittering;
        coverAtStart = shell->placement().coveringFactor;
    });
    typeInto(editOf("jitterSpin"), QStringLiteral("70"));
    // A click that keeps the focus in the field: no focus-out commits the text first.
    child<QPushButton>("goStopButton")->click();
    EXPECT_DOUBLE_EQ(jitterAtStart, 0.7);
    EXPECT_DOUBLE_EQ(coverAtStart, 0.25);
}

TEST_F(AutomationPanelTest, StartNeedsSomethingToPasteAndRoomForItAndMixingTwoChunks) {
    open();
    EXPECT_FALSE(goEnabled());  // no image
    EXPECT_FALSE(mixEnabled());
    addCurrentImage(*shell, patternImage(8, 8));
    panel->updateButtons();
    EXPECT_TRUE(goEnabled());
    EXPECT_FALSE(mixEnabled());  // one chunk in all images
    addCurrentImage(*shell, patternImage(6, 6));
    panel->updateButtons();
    EXPECT_TRUE(mixEnabled());

    shell->pasteEvent();  // the opaque host image fills the output
    panel->updateButtons();
    EXPECT_FALSE(goEnabled());
    shell->undoEvent();
    panel->updateButtons();
    EXPECT_TRUE(goEnabled());
}

// Matched follows Semi-Regular in the combo; it has no amount, so its page shows a line of text
// instead of a spin box, and the amounts of the other methods are kept for when they return.
TEST_F(AutomationPanelTest, MatchedIsTheThirdEntryAndShowsAHintInsteadOfAnAmount) {
    open();
    PlacementParameters& p = shell->placement();
    p.jittering = 0.3;
    auto* combo = child<QComboBox>("placementCombo");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), QStringLiteral("Matched"));
    QSignalSpy changes(panel.get(), &PLQAutomationPanel::propertiesChanged);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(p.method, PlacementMethod::Matched);
    EXPECT_EQ(changes.count(), 2);
    auto* stack = child<QStackedWidget>("propStack");
    EXPECT_EQ(stack->currentWidget()->objectName(), QStringLiteral("matchedTab"));
    EXPECT_TRUE(child<QLabel>("matchedHint")->isVisible());
    EXPECT_FALSE(child<PLQSpinBox>("jitterSpin")->isVisible());
    EXPECT_FALSE(child<PLQSpinBox>("coverSpin")->isVisible());

    EXPECT_DOUBLE_EQ(p.jittering, 0.3);
    p.method = PlacementMethod::Random;
    panel->updateParameters();
    p.method = PlacementMethod::Matched;
    panel->updateParameters();
    EXPECT_EQ(combo->currentIndex(), 2);
}

// Every placement method the panel offers has its entry in the manual's table.
TEST_F(AutomationPanelTest, TheManualDescribesEveryPlacementMethod) {
    open();
    QFile manual(PLQAbout::manualUrl().toLocalFile());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QByteArray page = manual.readAll();
    auto* combo = child<QComboBox>("placementCombo");
    ASSERT_GE(combo->count(), 3);
    for (int i = 0; i < combo->count(); ++i) {
        const QString method = combo->itemText(i);
        EXPECT_TRUE(page.contains("<tr><th>" + method.toUtf8() + "</th>")) << method.toStdString();
    }
}
