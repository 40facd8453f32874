#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "ui/EmbeddedImage.h"
#include "ui/PLQSpinBox.h"
#include "ui/PLQSpinBoxButtons.h"

namespace {

// A spin box in a shown window, next to a second field that can take the focus away.
class SpinBoxTest : public ::testing::Test {
protected:
    void make(int min, int max, const QString& suffix = QString()) {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        box = new PLQSpinBox(min, max, window.get(), "box");
        box->setSuffix(suffix);
        other = new QLineEdit(window.get());
        layout->addWidget(box);
        layout->addWidget(other);
        ASSERT_TRUE(showActive(window.get()));
        spy = std::make_unique<QSignalSpy>(box, &PLQSpinBox::valueChanged);
    }
    QLineEdit* edit() const { return box->findChild<QLineEdit*>(QStringLiteral("lineEdit")); }
    PLQSpinBoxButtons* buttons() const { return box->findChild<PLQSpinBoxButtons*>(QStringLiteral("buttons")); }
    void type(const QString& text) { typeInto(edit(), text); }
    std::vector<int> emitted() const {
        std::vector<int> values;
        for (const QList<QVariant>& arguments : *spy)
            values.push_back(arguments.at(0).toInt());
        return values;
    }
    void drag(int fromX, int toX) {
        QTest::mousePress(buttons(), Qt::LeftButton, {}, QPoint(fromX, 9));
        QTest::mouseMove(buttons(), QPoint(toX, 9));
    }

    std::unique_ptr<QWidget> window;
    PLQSpinBox* box = nullptr;
    QLineEdit* other = nullptr;
    std::unique_ptr<QSignalSpy> spy;
};

constexpr int kPlusX = 16;
constexpr int kMinusX = 4;

}  // namespace

TEST_F(SpinBoxTest, ClicksStepByOneAndReportAtOnceEvenWhenClamped) {
    make(0, 100);
    box->setValue(41);
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kPlusX, 9));
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kMinusX, 9));
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kMinusX, 9));
    box->setValue(0);
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kMinusX, 9));
    EXPECT_EQ(emitted(), (std::vector<int>{42, 41, 40, 0}));
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(edit()->text(), QStringLiteral("0"));
}

struct DragCase {
    const char* name;
    int min, max;
    int pixels;
    int steps;
};

class SpinBoxDrag : public SpinBoxTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(SpinBoxDrag, MovesTheShownValueAndReportsItOnceOnRelease) {
    const DragCase& c = GetParam();
    make(c.min, c.max);
    const int start = (c.min + c.max) / 2;
    box->setValue(start);
    drag(kPlusX, kPlusX + c.pixels);
    EXPECT_TRUE(spy->isEmpty());
    EXPECT_EQ(edit()->text(), QString::number(start + c.steps));
    QTest::mouseRelease(buttons(), Qt::LeftButton, {}, QPoint(kPlusX + c.pixels, 9));
    EXPECT_EQ(emitted(), (std::vector<int>{start + c.steps}));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SpinBoxDrag,
    ::testing::Values(DragCase{"Percent10Right", 0, 100, 10, 10}, DragCase{"Percent7Left", 0, 100, -7, -7},
                      DragCase{"FilterSize9Right", 1, 25, 9, 3}, DragCase{"FilterSize8Right", 1, 25, 8, 2},
                      DragCase{"FilterSize5Left", 1, 25, -5, -1}, DragCase{"Wide5Right", 0, 1000, 5, 5},
                      DragCase{"Chunks30Right", 5, 80, 30, 30}),
    [](const auto& info) { return std::string(info.param.name); });

// A drag of one pixel counts as a click on the half first pressed; a drag past the end of the
// range stops there, and turning back counts from the end.
TEST_F(SpinBoxTest, ShortAndOverlongDragsStayClicksAndWithinTheRange) {
    make(0, 100);
    box->setValue(50);
    drag(kMinusX, kMinusX + 1);
    QTest::mouseRelease(buttons(), Qt::LeftButton, {}, QPoint(kMinusX + 1, 9));
    EXPECT_EQ(emitted(), (std::vector<int>{49}));

    make(1, 25);
    box->setValue(24);
    drag(kPlusX, kPlusX + 30);  // ten steps up, stops at 25
    QTest::mouseMove(buttons(), QPoint(kPlusX + 24, 9));  // two steps back
    QTest::mouseRelease(buttons(), Qt::LeftButton, {}, QPoint(kPlusX + 24, 9));
    EXPECT_EQ(emitted(), (std::vector<int>{23}));
}

struct TypedCase {
    const char* name;
    int min, max;
    const char* suffix;
    const char* typed;
    int stored;
    int beeps;
};

class SpinBoxTyped : public SpinBoxTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(SpinBoxTyped, ReturnStoresTheCorrectedValueAndShowsItWithTheSuffix) {
    const TypedCase& c = GetParam();
    make(c.min, c.max, QString::fromLatin1(c.suffix));
    box->setValue(c.min == 0 ? 7 : c.min + 7);
    const int before = box->value();
    BeepCounter beeps;
    type(QString::fromLatin1(c.typed));
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(box->value(), c.stored);
    EXPECT_EQ(edit()->text(), QString::number(c.stored) + QString::fromLatin1(c.suffix));
    EXPECT_EQ(beeps.count(), c.beeps);
    EXPECT_EQ(emitted(), c.stored == before ? std::vector<int>{} : std::vector<int>{c.stored});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpinBoxTyped,
    ::testing::Values(TypedCase{"NumberWithSuffix", 0, 100, " %", "12 %", 12, 0},
                      TypedCase{"BareNumber", 0, 100, " %", "12", 12, 0},
                      TypedCase{"Zero", 0, 100, " %", "0", 0, 0},
                      TypedCase{"AboveRange", 0, 100, " %", "150", 100, 1},
                      TypedCase{"BelowRange", 0, 100, "", "-5", 0, 1},
                      TypedCase{"LettersInPercent", 0, 100, " %", "abc", 0, 1},
                      TypedCase{"LettersInFilterSize", 1, 25, "", "abc", 1, 1},
                      TypedCase{"ThirtyInFilterSize", 1, 25, "", "30", 25, 1},
                      TypedCase{"Empty", 1, 25, "", "", 1, 1},
                      TypedCase{"Overflowing", 0, 99, " %", "99999999999999999999", 99, 1},
                      TypedCase{"TrailingLetters", 0, 100, "", "33kg", 33, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpinBoxTest, FocusOutCommitsLikeReturnWhileReadingAndSetValueClampAndEmitNothing) {
    make(0, 100, QStringLiteral(" %"));
    type(QStringLiteral("64"));
    other->setFocus();
    EXPECT_EQ(emitted(), (std::vector<int>{64}));
    EXPECT_EQ(edit()->text(), QStringLiteral("64 %"));

    type(QStringLiteral("65"));
    EXPECT_EQ(box->value(), 65);  // read, not committed: no signal
    EXPECT_EQ(emitted(), (std::vector<int>{64}));
    QTest::keyClick(edit(), Qt::Key_Return);  // the text already shows the stored value
    EXPECT_EQ(emitted(), (std::vector<int>{64}));

    box->setValue(200);
    EXPECT_EQ(box->value(), 100);
    box->setValue(-3);
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(edit()->text(), QStringLiteral("0 %"));
    EXPECT_EQ(emitted(), (std::vector<int>{64}));
}

TEST_F(SpinBoxTest, ADisabledBoxIgnoresClicksAndTypingAndShowsItsDisabledEdge) {
    make(0, 100);
    box->setValue(10);
    box->setEnabled(false);
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kPlusX, 9));
    drag(kPlusX, kPlusX + 20);
    QTest::mouseRelease(buttons(), Qt::LeftButton, {}, QPoint(kPlusX + 20, 9));
    edit()->setText(QStringLiteral("90"));
    box->commitValue();
    EXPECT_TRUE(spy->isEmpty());
    EXPECT_FALSE(edit()->isEnabled());
    const QLabel* edge = box->findChild<QLabel*>(QStringLiteral("leftBorder"));
    EXPECT_EQ(edge->pixmap().toImage(), embeddedImage(QStringLiteral("spinbox_left_disabled")).convertToFormat(
                                            edge->pixmap().toImage().format()));
    EXPECT_TRUE(box->isEnabled());  // the widget itself stays enabled

    box->setEnabled(true);
    QTest::mouseClick(buttons(), Qt::LeftButton, {}, QPoint(kPlusX, 9));
    EXPECT_EQ(emitted(), (std::vector<int>{91}));  // the text set meanwhile is read first
}
