#include "ui/PLQMainWindow.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include "session/PLQImagesPanel.h"
#include "ui/EmbeddedImage.h"
#include "ui/PLQAbout.h"
#include "ui/PLQAutomationPanel.h"
#include "ui/PLQButtonsBar.h"
#include "ui/PLQChunkPanel.h"
#include "ui/PLQDockWindow.h"
#include "ui/PLQFilterPanel.h"
#include "ui/PLQInputPanel.h"
#include "ui/PLQOutputFrame.h"

namespace {

constexpr int kSideWidth = 225;

constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

QFrame* makeFrame(QWidget* parent, const char* name, int style) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(style);
    return frame;
}

}  // namespace

PLQMainWindow::PLQMainWindow(uint32_t width, uint32_t height, uint32_t* pixels, QWidget* parent, const char* name,
                             Qt::WindowFlags flags)
    : QDialog(parent, flags | kWindowFlags), shell_(width, height, pixels) {
    setObjectName(QLatin1String(name));
    setModal(true);
    setWindowTitle(QStringLiteral("Orvanta - Patchloom"));
    setWindowIcon(QIcon(embeddedPixmap(QStringLiteral("app_icon"))));
    buildWidgets();
    connectPanels();
    createShortcuts();
    // No button of the window is the dialog's default: Return typed into a field must not
    // click "Add" or "Apply".
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

PLQMainWindow::~PLQMainWindow() {
    shell_.cancelEvent();
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

PLQDockWindow* PLQMainWindow::makeDock(QWidget* parent, const char* name, const QString& caption) {
    auto* dock = new PLQDockWindow(parent, name);
    dock->setWindowTitle(caption);
    return dock;
}

void PLQMainWindow::buildWidgets() {
    auto* splitter = splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setChildrenCollapsible(false);

    PLQDockWindow* imageDock = makeDock(this, "imageDock", QStringLiteral("Input images"));
    imagePanel_ = new PLQImagesPanel(&shell_, imageDock, "imagePanel");
    imagePanel_->setMinimumWidth(std::max(kSideWidth, imagePanel_->widthForProbabilities()));
    imageDock->setWidget(imagePanel_);
    PLQDockWindow* filterDock = makeDock(this, "filterDock", QStringLiteral("Pre-Filtering"));
    filterPanel_ = new PLQFilterPanel(&shell_, filterDock, "filterPanel");
    filterDock->setWidget(filterPanel_);

    // The output view stays centred in the scroll view while it is smaller than the view.
    auto* scrollView = scrollView_ = new QScrollArea(splitter);
    scrollView->setObjectName(QStringLiteral("outputScrollView"));
    scrollView->setWidgetResizable(true);
    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("outputGridWidget"));
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setRowStretch(0, 1);
    gridLayout->setRowStretch(2, 1);
    gridLayout->setColumnStretch(0, 1);
    gridLayout->setColumnStretch(2, 1);
    outputFrame_ = new PLQOutputFrame(&shell_, grid, "outputFrame");
    gridLayout->addWidget(outputFrame_, 1, 1);
    scrollView->setWidget(grid);

    QFrame* leftFrame = makeFrame(splitter, "leftFrame", QFrame::NoFrame);
    rightPane_ = leftFrame;
    // Room the window gains goes to the output view; the panels keep their width.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    PLQDockWindow* inputDock = makeDock(leftFrame, "inputDock", QStringLiteral("Current chunk"));
    inputPanel_ = new PLQInputPanel(&shell_, inputDock, "inputPanel");
    inputPanel_->setMinimumWidth(kSideWidth);
    inputDock->setWidget(inputPanel_);
    PLQDockWindow* chunkDock = makeDock(leftFrame, "chunkDock", QStringLiteral("Chunk options"));
    chunkPanel_ = new PLQChunkPanel(&shell_, chunkDock, "chunkPanel");
    chunkDock->setWidget(chunkPanel_);
    PLQDockWindow* automationDock = makeDock(leftFrame, "automationDock", QStringLiteral("Automation"));
    automationPanel_ = new PLQAutomationPanel(&shell_, automationDock, "automationPanel");
    automationDock->setWidget(automationPanel_);

    buttonsBar_ = new PLQButtonsBar(&shell_, this, "buttonsBar");
    // A panel without a shadow is drawn as a bright plain outline by today's styles; raised,
    // it is the subtle shaded strip meant to set the window's content off its title bar.
    QFrame* spacerFrame2 = makeFrame(this, "spacerFrame2", QFrame::Panel | QFrame::Raised);
    spacerFrame2->setFixedHeight(5);
    QFrame* spacerFrame = makeFrame(leftFrame, "spacerFrame", QFrame::Panel | QFrame::Sunken);
    auto* aboutFrame = new PLQAbout(this, "aboutFrame");
    aboutFrame->setFixedWidth(imagePanel_->minimumWidth());  // lined up with the images panel

    // The panels take the height they ask for and the frame below them the rest; when the
    // window is short, the chunk editor's picture gives way first. (Shares by stretch would
    // squeeze the editor to its minimum while the other docks stood half empty.)
    auto* leftLayout = new QVBoxLayout(leftFrame);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(inputDock, 0);
    leftLayout->addWidget(chunkDock, 0);
    leftLayout->addWidget(automationDock, 0);
    leftLayout->addWidget(spacerFrame, 1);

    // The column of image docks is as narrow as its panels allow; the output view gets the rest.
    const int docksWidth = std::max(imageDock->minimumSizeHint().width(), filterDock->minimumSizeHint().width());
    imageDock->setFixedWidth(docksWidth);
    filterDock->setFixedWidth(docksWidth);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(spacerFrame2, 0);
    auto* middle = new QHBoxLayout;
    auto* docks = new QVBoxLayout;
    docks->addWidget(imageDock, 1);
    docks->addWidget(filterDock, 0);
    middle->addLayout(docks);
    middle->addWidget(splitter, 1);
    window->addLayout(middle, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(aboutFrame, 0);
    bottom->addWidget(buttonsBar_, 1);
    window->addLayout(bottom, 0);
}

// The one place where panels meet; the order is the order in which receivers hear a signal.
void PLQMainWindow::connectPanels() {
    PLQShell* s = &shell_;
    connect(s, &PLQShell::lockInterface, automationPanel_, &PLQAutomationPanel::lockInterface);
    connect(s, &PLQShell::updateTerminated, automationPanel_, &PLQAutomationPanel::updateButtons);
    connect(automationPanel_, &PLQAutomationPanel::multiInputToggle, chunkPanel_, &PLQChunkPanel::multiInputToggle);
    connect(automationPanel_, &PLQAutomationPanel::multiInputToggle, imagePanel_, &PLQImagesPanel::refreshProb);
    connect(automationPanel_, &PLQAutomationPanel::goStopClicked, s, &PLQShell::goStopEvent);

    connect(s, &PLQShell::lockInterface, buttonsBar_, &PLQButtonsBar::lockInterface);
    connect(s, &PLQShell::updateTerminated, buttonsBar_, &PLQButtonsBar::updateButtons);
    connect(buttonsBar_, &PLQButtonsBar::applyButtonClicked, this, &PLQMainWindow::applyClicked);
    connect(buttonsBar_, &PLQButtonsBar::cancelButtonClicked, this, &PLQMainWindow::cancelClicked);
    connect(buttonsBar_, &PLQButtonsBar::undoButtonClicked, s, &PLQShell::undoEvent);
    connect(buttonsBar_, &PLQButtonsBar::redoButtonClicked, s, &PLQShell::redoEvent);
    connect(buttonsBar_, &PLQButtonsBar::clearButtonClicked, s, &PLQShell::clearEvent);
    connect(buttonsBar_, &PLQButtonsBar::pasteButtonClicked, s, &PLQShell::pasteEvent);

    connect(s, &PLQShell::lockInterface, chunkPanel_, &PLQChunkPanel::lockInterface);
    connect(chunkPanel_, &PLQChunkPanel::currentChunkChanged, imagePanel_, &PLQImagesPanel::updateSelection);
    connect(chunkPanel_, &PLQChunkPanel::chunkListChanged, imagePanel_, &PLQImagesPanel::updateChunks);
    connect(chunkPanel_, &PLQChunkPanel::probChanged, imagePanel_, &PLQImagesPanel::refreshProb);
    connect(chunkPanel_, &PLQChunkPanel::currentOrListChanged, outputFrame_, &PLQOutputFrame::updateChunk);
    connect(chunkPanel_, &PLQChunkPanel::currentOrListChanged, inputPanel_, &PLQInputPanel::updateChunk);
    connect(chunkPanel_, &PLQChunkPanel::selectionChanged, imagePanel_, &PLQImagesPanel::updateSelection);
    connect(chunkPanel_, &PLQChunkPanel::chunkListChanged, automationPanel_, &PLQAutomationPanel::updateButtons);
    connect(chunkPanel_, &PLQChunkPanel::deleteSelectedChunks, imagePanel_, &PLQImagesPanel::deleteSelectedChunks);

    connect(s, &PLQShell::lockInterface, filterPanel_, &PLQFilterPanel::lockInterface);
    connect(filterPanel_, &PLQFilterPanel::filterImageChanged, inputPanel_, &PLQInputPanel::updateImage);
    connect(filterPanel_, &PLQFilterPanel::filterImageChanged, outputFrame_, &PLQOutputFrame::updateChunk);

    connect(s, &PLQShell::lockInterface, imagePanel_, &PLQImagesPanel::lockInterface);
    connect(imagePanel_, &PLQImagesPanel::inputImageChanged, filterPanel_, &PLQFilterPanel::updateParameters);
    connect(imagePanel_, &PLQImagesPanel::imageOrChunkChanged, chunkPanel_, &PLQChunkPanel::updateParameters);
    connect(imagePanel_, &PLQImagesPanel::inputImageChanged, inputPanel_, &PLQInputPanel::updateChunkAndImage);
    connect(imagePanel_, &PLQImagesPanel::inputChunkChanged, inputPanel_, &PLQInputPanel::updateChunk);
    connect(imagePanel_, &PLQImagesPanel::imageOrChunkChanged, outputFrame_, &PLQOutputFrame::updateChunk);
    connect(imagePanel_, &PLQImagesPanel::imageOrChunkChanged, automationPanel_, &PLQAutomationPanel::updateButtons);

    connect(s, &PLQShell::lockInterface, inputPanel_, &PLQInputPanel::lockInterface);
    connect(inputPanel_, &PLQInputPanel::chunkChanged, outputFrame_, &PLQOutputFrame::updateChunk);

    connect(s, &PLQShell::lockInterface, outputFrame_, &PLQOutputFrame::lockInterface);
    connect(outputFrame_, &PLQOutputFrame::pasteChunk, s, &PLQShell::pasteChunkEvent);
    connect(s, &PLQShell::updateTerminated, outputFrame_, &PLQOutputFrame::updateOutput);
    connect(s, &PLQShell::updateStep, outputFrame_, &PLQOutputFrame::updateOutput);
}

void PLQMainWindow::createShortcuts() {
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(stop, &QShortcut::activated, &shell_, &PLQShell::cancelEvent);
    auto* zoomIn = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(zoomIn, &QShortcut::activated, outputFrame_, &PLQOutputFrame::setZoomIn);
    auto* zoomOut = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(zoomOut, &QShortcut::activated, outputFrame_, &PLQOutputFrame::setZoomOut);
}

void PLQMainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    const int room = splitter_->width() - splitter_->handleWidth();
    const int outputWidth = outputFrame_->width() + 2 * scrollView_->frameWidth();
    const int right = std::clamp(room - outputWidth, rightPane_->minimumSizeHint().width(),
                                 std::max(rightPane_->minimumSizeHint().width(), rightPane_->sizeHint().width()));
    splitter_->setSizes({std::max(1, room - right), right});
}

void PLQMainWindow::applyClicked() {
    applied_ = true;
    shell_.cancelEvent();
    done(QDialog::Accepted);
}

void PLQMainWindow::cancelClicked() {
    applied_ = false;
    shell_.cancelEvent();
    done(QDialog::Rejected);
}

void PLQMainWindow::reject() { cancelClicked(); }

void PLQMainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        shell_.cancelEvent();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();  // a dialog would click its default button
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
