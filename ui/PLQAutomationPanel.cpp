#include "ui/PLQAutomationPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "session/PLQShell.h"
#include "ui/PLQSpinBox.h"

namespace {

// A page of the property stack: a label and a spin box sharing the row.
QWidget* makePage(QWidget* parent, const char* name, const char* labelName, const QString& text,
                  PLQSpinBox*& spin, const char* spinName, int max, const QString& toolTip) {
    auto* page = new QWidget(parent);
    page->setObjectName(QString::fromLatin1(name));
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(text, page);
    label->setObjectName(QString::fromLatin1(labelName));
    spin = new PLQSpinBox(0, max, page, spinName);
    spin->setSuffix(QStringLiteral(" %"));
    spin->setToolTip(toolTip);
    row->addWidget(label, 1);
    row->addWidget(spin, 1);
    return page;
}

// Matched placement has no amount to set; a line says what it does in place of a control.
QWidget* makeHintPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("matchedTab"));
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    auto* hint = new QLabel(QStringLiteral("Each chunk goes where it fits best."), page);
    hint->setObjectName(QStringLiteral("matchedHint"));
    row->addWidget(hint);
    return page;
}

int percent(double fraction) { return int(fraction * 100 + 0.5); }

}  // namespace

PLQAutomationPanel::PLQAutomationPanel(PLQShell* shell, QWidget* parent, const char* name)
    : QFrame(parent), shell_(shell), placement_(&shell->placement()) {
    setObjectName(QString::fromUtf8(name));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);

    multiCheck_ = new QCheckBox(QStringLiteral("Mix chunks randomly"), this);
    multiCheck_->setObjectName(QStringLiteral("multiCheck"));
    multiCheck_->setToolTip(QStringLiteral("Mix multiple chunks randomly according to their probabilities"));
    layout->addWidget(multiCheck_);

    auto* methodRow = new QHBoxLayout();
    methodRow->setSpacing(0);
    methodRow->addWidget(new QLabel(QStringLiteral("Placement method"), this));
    placementCombo_ = new QComboBox(this);
    placementCombo_->setObjectName(QStringLiteral("placementCombo"));
    placementCombo_->addItem(QStringLiteral("Random"));
    placementCombo_->addItem(QStringLiteral("Semi-Regular"));
    placementCombo_->addItem(QStringLiteral("Matched"));
    placementCombo_->setToolTip(QStringLiteral("<b>Random</b>: places the chunks randomly.<br><b>Semi-Regular</b>: "
                                               "places the chunks on a grid.<br><b>Matched</b>: places each chunk "
                                               "where it best matches what is already there."));
    methodRow->addWidget(placementCombo_);
    layout->addLayout(methodRow, 0);

    propStack_ = new QStackedWidget(this);
    propStack_->setObjectName(QStringLiteral("propStack"));
    propStack_->addWidget(makePage(propStack_, "haltonTab", "jitterLabel", QStringLiteral("Jittering"), jitterSpin_,
                                   "jitterSpin", 100,
                                   QStringLiteral("Defines the level of jittering for the Random placement method "
                                                  "of chunks.")));
    propStack_->addWidget(makePage(propStack_, "regularTab", "coverLabel", QStringLiteral("Covering Factor"),
                                   coverSpin_, "coverSpin", 99,
                                   QStringLiteral("Defines the overlapping factor of the grid cells.")));
    propStack_->addWidget(makeHintPage(propStack_));
    layout->addWidget(propStack_);

    layout->addSpacing(5);
    goStopButton_ = new QPushButton(QStringLiteral("Start process"), this);
    goStopButton_->setObjectName(QStringLiteral("goStopButton"));
    QFont bold = goStopButton_->font();
    bold.setBold(true);
    goStopButton_->setFont(bold);
    goStopButton_->setToolTip(QStringLiteral("Launch/Stop the automation process."));
    layout->addWidget(goStopButton_);
    layout->addStretch();

    updateParameters();
    updateButtons();

    connect(placementCombo_, &QComboBox::activated, this, &PLQAutomationPanel::methodComboActivated);
    connect(coverSpin_, &PLQSpinBox::valueChanged, this, &PLQAutomationPanel::coverSpinChanged);
    connect(jitterSpin_, &PLQSpinBox::valueChanged, this, &PLQAutomationPanel::jitterSpinChanged);
    connect(multiCheck_, &QCheckBox::toggled, this, &PLQAutomationPanel::multiCheckBoxToggle);
    connect(goStopButton_, &QPushButton::clicked, this, &PLQAutomationPanel::goStopButtonClicked);
}

// The worker reads the parameters during a run; they change only between runs.
bool PLQAutomationPanel::canChange() const { return !shell_->isRunning(); }

void PLQAutomationPanel::updateParameters() {
    const QSignalBlocker blockCover(coverSpin_), blockJitter(jitterSpin_), blockCheck(multiCheck_);
    const int method = int(placement_->method);
    if (method >= 0 && method < placementCombo_->count()) {
        placementCombo_->setCurrentIndex(method);
        propStack_->setCurrentIndex(method);
    }
    coverSpin_->setValue(percent(placement_->coveringFactor));
    jitterSpin_->setValue(percent(placement_->jittering));
    multiCheck_->setChecked(placement_->mixChunks);
}

void PLQAutomationPanel::updateButtons() {
    if (shell_->isRunning())
        return;
    const size_t n = shell_->images().chunkCount();
    multiCheck_->setEnabled(n >= 2);
    const bool somethingToPaste =
        (placement_->mixChunks && n > 1) || shell_->images().currentImage() != nullptr;
    goStopButton_->setEnabled(!shell_->outputFull() && somethingToPaste);
}

void PLQAutomationPanel::lockInterface(bool lock) {
    placementCombo_->setEnabled(!lock);
    propStack_->setEnabled(!lock);
    setCursor(lock ? Qt::BusyCursor : Qt::ArrowCursor);
    if (lock) {
        multiCheck_->setEnabled(false);
        goStopButton_->setText(QStringLiteral("Stop"));
    } else {
        updateButtons();
        goStopButton_->setText(QStringLiteral("Start process"));
    }
}

void PLQAutomationPanel::methodComboActivated(int index) {
    if (!canChange() || index < 0 || index >= placementCombo_->count())
        return;
    placement_->method = PlacementMethod(index);
    placementCombo_->setCurrentIndex(index);
    propStack_->setCurrentIndex(index);
    emit propertiesChanged();
}

void PLQAutomationPanel::multiCheckBoxToggle(bool on) {
    if (!canChange())
        return;
    placement_->mixChunks = on;
    emit multiInputToggle();
    emit propertiesChanged();
}

void PLQAutomationPanel::jitterSpinChanged(int value) {
    if (!canChange())
        return;
    placement_->jittering = value * 0.01;
    emit propertiesChanged();
}

void PLQAutomationPanel::coverSpinChanged(int value) {
    if (!canChange())
        return;
    placement_->coveringFactor = value * 0.01;
    emit propertiesChanged();
}

void PLQAutomationPanel::goStopButtonClicked() {
    // A value typed without Return belongs to the run about to start.
    jitterSpin_->commitValue();
    coverSpin_->commitValue();
    emit goStopClicked();
}
