#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "host/QWinWidget.h"

namespace {

// A host window that only records what was done to it.
struct FakeHost {
    bool enabled = true;
    uintptr_t focused = 0;
    std::vector<uintptr_t> focusGiven;
    int activations = 0;
    int raises = 0;
    int embedded = 0;
    int owned = 0;
};

class FakeNativeWindow : public NativeWindow {
public:
    FakeNativeWindow(FakeHost& host, uintptr_t id) : host_(host), id_(id) {}
    uintptr_t id() const override { return id_; }
    void parent(QWindow*, bool embed) override { ++(embed ? host_.embedded : host_.owned); }
    QRect geometry() const override { return QRect(100, 50, 400, 300); }
    void enable(bool enabled) override { host_.enabled = enabled; }
    uintptr_t focus() const override { return host_.focused; }
    void setFocus(uintptr_t window) override {
        host_.focused = window;
        host_.focusGiven.push_back(window);
    }
    void activate() override { ++host_.activations; }
    void raise() override { ++host_.raises; }

private:
    FakeHost& host_;
    uintptr_t id_;
};

constexpr uintptr_t kHostWindow = 0x400001;
constexpr uintptr_t kHostEditField = 0x400007;

class QWinWidgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "host_tests";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }
    std::unique_ptr<QWinWidget> makeWrapper() {
        return std::make_unique<QWinWidget>(std::make_unique<FakeNativeWindow>(host, kHostWindow));
    }
    FakeHost host;
};

} // namespace

TEST_F(QWinWidgetTest, AModalWindowDisablesTheHostUntilItClosesAndTheFocusGoesBack) {
    host.focused = kHostEditField;
    auto wrapper = makeWrapper();
    EXPECT_EQ(host.owned, 1);
    wrapper->showCentered();
    EXPECT_EQ(wrapper->geometry().topLeft(), QPoint(300, 200));
    host.focused = 0;  // the focus moves into the plug-in's windows

    auto* dialog = new QDialog(wrapper.get());
    dialog->setModal(true);
    dialog->show();
    EXPECT_FALSE(host.enabled);
    EXPECT_TRUE(wrapper->hostDisabled());
    EXPECT_FALSE(wrapper->isVisible());
    EXPECT_EQ(host.owned, 2);

    dialog->hide();
    EXPECT_TRUE(host.enabled);
    EXPECT_FALSE(wrapper->hostDisabled());
    EXPECT_EQ(host.focused, kHostEditField);

    dialog->show();
    EXPECT_FALSE(host.enabled);
    delete dialog;  // gone without hiding first: the host must not stay disabled
    EXPECT_TRUE(host.enabled);
}

// A dialog of the plug-in's own opening over the modal window must not bring the host over
// both; the plug-in losing the activation to another program does bring it forward.
TEST_F(QWinWidgetTest, TheHostComesForwardOnlyWhenTheActivationLeavesThePlugin) {
    auto wrapper = makeWrapper();
    auto* window = new QDialog(wrapper.get());
    window->setModal(true);
    window->show();
    QApplication::setActiveWindow(window);
    auto* fileDialog = new QDialog(window);
    fileDialog->show();
    QApplication::setActiveWindow(fileDialog);
    EXPECT_EQ(host.raises, 0);
    QApplication::setActiveWindow(window);
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(host.raises, 1);
    delete window;
}

TEST_F(QWinWidgetTest, AWindowThatIsNotModalLeavesTheHostEnabledAndFocusGoesToTheHostWhenNoneWasSaved) {
    auto wrapper = makeWrapper();
    QDialog dialog(wrapper.get());
    dialog.show();
    EXPECT_TRUE(host.enabled);
    dialog.close();
    EXPECT_EQ(host.activations, 1);
    ASSERT_FALSE(host.focusGiven.empty());
    EXPECT_EQ(host.focusGiven.back(), kHostWindow);
}

TEST_F(QWinWidgetTest, TabbingPastEitherEndOfTheControlsGivesTheFocusToTheHost) {
    auto wrapper = makeWrapper();
    auto* layout = new QVBoxLayout(wrapper.get());
    QLineEdit* edits[3];
    for (QLineEdit*& edit : edits)
        layout->addWidget(edit = new QLineEdit(wrapper.get()));
    wrapper->resize(200, 120);
    wrapper->show();
    QApplication::setActiveWindow(wrapper.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(wrapper.get()));

    QFocusEvent fromHostForward(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(wrapper.get(), &fromHostForward);
    EXPECT_TRUE(edits[0]->hasFocus());
    QTest::keyClick(edits[0], Qt::Key_Tab);
    EXPECT_TRUE(edits[1]->hasFocus());
    EXPECT_TRUE(host.focusGiven.empty());

    edits[2]->setFocus();
    QTest::keyClick(edits[2], Qt::Key_Tab);
    ASSERT_EQ(host.focusGiven.size(), 1u);
    EXPECT_EQ(host.focusGiven.back(), kHostWindow);

    QFocusEvent fromHostBackward(QEvent::FocusIn, Qt::BacktabFocusReason);
    QApplication::sendEvent(wrapper.get(), &fromHostBackward);
    EXPECT_TRUE(edits[2]->hasFocus());
    edits[0]->setFocus();
    QTest::keyClick(edits[0], Qt::Key_Backtab);
    EXPECT_EQ(host.focusGiven.size(), 2u);
}

TEST_F(QWinWidgetTest, WithoutAHostWindowNothingNativeHappens) {
    QWinWidget wrapper(uintptr_t(0));
    wrapper.showCentered();
    QDialog dialog(&wrapper);
    dialog.setModal(true);
    dialog.show();
    EXPECT_TRUE(wrapper.hostDisabled());
    dialog.hide();
    EXPECT_FALSE(wrapper.hostDisabled());
    EXPECT_EQ(wrapper.parentWindow(), 0u);
}
