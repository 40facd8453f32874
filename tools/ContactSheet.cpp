// Renders each piece of the window on the offscreen platform, in its idle and locked states
// with values, and lays the renders out on one labelled sheet.
//
//   contact-sheet OUT.png
//
// scripts/contact-sheet builds and runs it.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QStyleOption>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "apps/DemoTexture.h"
#include "session/PLQShell.h"
#include "ui/PLQAbout.h"
#include "ui/PLQAutomationPanel.h"
#include "ui/PLQButtonsBar.h"
#include "ui/PLQDockWindow.h"
#include "ui/PLQFilterPanel.h"
#include "ui/PLQOutputFrame.h"
#include "ui/PLQProgress.h"
#include "ui/PLQSpinBox.h"
#include "ui/PLQSpinBoxButtons.h"
#include "ui/PLQStyle.h"

namespace {

struct Render {
    QString caption;
    QImage image;
};

// A session over a demo host image whose output is partly filled, with one input image.
class Session {
public:
    explicit Session(uint32_t width = 256, uint32_t height = 192) {
        const PixelBuffer stones = DemoTexture::make(256);
        host_.resize(size_t(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                host_[size_t(y) * width + x] = stones.at(x % 256, y % 256);
        shell = std::make_unique<PLQShell>(width, height, host_.data());
        const PixelBuffer chunk = DemoTexture::make(96);
        shell->images().setCurrent(shell->images().addImage(chunk));
        shell->images().normaliseProbabilities(-1.0f);
    }
    // Covers the top-left part of the output with a reddish copy of the host, fading out.
    // The output is the host's memory, so the host image is read from the session's copy.
    void fillSome() {
        PixelBuffer& out = shell->output();
        const PixelBuffer& original = shell->originalImage();
        for (uint32_t y = 0; y < out.height(); ++y)
            for (uint32_t x = 0; x < out.width(); ++x) {
                const int reach = int(out.width() * 0.55) - int(x) - int(y) / 2;
                if (reach <= 0)
                    continue;
                const uint32_t p = original.at(x, y);
                const uint32_t a = reach > 24 ? 255u : uint32_t(reach * 10);
                out.at(x, y) = makePixel(a, std::min(255u, redOf(p) + 40), greenOf(p), blueOf(p));
            }
    }
    std::unique_ptr<PLQShell> shell;

private:
    std::vector<uint32_t> host_;
};

QImage grab(QWidget* widget) {
    widget->ensurePolished();
    widget->adjustSize();
    widget->show();
    QApplication::processEvents();
    return widget->grab().toImage();
}

// A dock frame holding `panel`, as the main window shows the panels.
std::unique_ptr<PLQDockWindow> docked(const QString& caption, QWidget* panel, int width) {
    auto dock = std::make_unique<PLQDockWindow>(nullptr, "dock");
    dock->setWindowTitle(caption);
    panel->setParent(dock.get());
    dock->setWidget(panel);
    dock->setFixedWidth(width);
    return dock;
}

void addSpinBoxes(std::vector<Render>& renders) {
    QWidget holder;
    auto* layout = new QVBoxLayout(&holder);
    auto* percent = new PLQSpinBox(0, 100, &holder, "percent");
    percent->setSuffix(QStringLiteral(" %"));
    percent->setValue(25);
    auto* pressed = new PLQSpinBox(1, 25, &holder, "pressed");
    pressed->setValue(10);
    auto* disabled = new PLQSpinBox(0, 100, &holder, "disabled");
    disabled->setSuffix(QStringLiteral(" %"));
    disabled->setValue(60);
    disabled->setEnabled(false);
    for (PLQSpinBox* box : {percent, pressed, disabled})
        layout->addWidget(box);
    holder.setFixedWidth(150);
    holder.show();
    QApplication::processEvents();
    // Hold the plus half down on the middle box.
    auto* buttons = pressed->findChild<PLQSpinBoxButtons*>(QStringLiteral("buttons"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(16, 9), buttons->mapToGlobal(QPointF(16, 9)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(buttons, &press);
    renders.push_back({QStringLiteral("Spin boxes: 25 %, plus held, disabled"), grab(&holder)});
}

void addAutomation(std::vector<Render>& renders) {
    Session session;
    auto* panel = new PLQAutomationPanel(session.shell.get(), nullptr, "automationPanel");
    auto dock = docked(QStringLiteral("Automation"), panel, 240);
    renders.push_back({QStringLiteral("Automation, idle"), grab(dock.get())});
    session.shell->placement().method = PlacementMethod::SemiRegular;
    session.shell->placement().mixChunks = true;
    panel->updateParameters();
    panel->lockInterface(true);
    renders.push_back({QStringLiteral("Automation, Semi-Regular, locked"), grab(dock.get())});
}

void addFilter(std::vector<Render>& renders) {
    Session empty;
    empty.shell->images().removeImage(empty.shell->images().currentKey());
    auto* none = new PLQFilterPanel(empty.shell.get(), nullptr, "filterPanel");
    auto noImage = docked(QStringLiteral("Pre-Filtering"), none, 240);
    renders.push_back({QStringLiteral("Pre-filter, no image"), grab(noImage.get())});

    Session session;
    session.shell->images().currentImage()->setFilterRadius(10);
    auto* panel = new PLQFilterPanel(session.shell.get(), nullptr, "filterPanel");
    auto dock = docked(QStringLiteral("Pre-Filtering"), panel, 240);
    renders.push_back({QStringLiteral("Pre-filter on, radius 10"), grab(dock.get())});
    panel->lockInterface(true);
    renders.push_back({QStringLiteral("Pre-filter, locked"), grab(dock.get())});
}

void addButtonsBar(std::vector<Render>& renders) {
    Session session;
    PLQButtonsBar bar(session.shell.get(), nullptr, "buttonsBar");
    bar.setFixedWidth(620);
    renders.push_back({QStringLiteral("Buttons bar after opening"), grab(&bar)});
    bar.lockInterface(true);
    auto* progress = bar.findChild<PLQProgress*>(QStringLiteral("progressBar"));
    progress->setValue(50);
    renders.push_back({QStringLiteral("Buttons bar during a run (block at 50)"), grab(&bar)});
}

void addOutput(std::vector<Render>& renders) {
    Session session;
    session.fillSome();
    session.shell->placement().angle = 0.35;
    PLQOutputFrame frame(session.shell.get(), nullptr, "outputFrame");
    frame.updateChunk();
    frame.show();
    QApplication::processEvents();
    const QPointF at(236, 40);  // the preview wraps to the left edge
    QMouseEvent move(QEvent::MouseMove, at, frame.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &move);
    renders.push_back({QStringLiteral("Output: part filled, turned preview wrapping"), grab(&frame)});
    frame.lockInterface(true);
    frame.setZoomOut();
    frame.setZoomOut();
    renders.push_back({QStringLiteral("Output locked, zoom -2"), grab(&frame)});
}

void addAbout(std::vector<Render>& renders) {
    PLQAbout about(nullptr, "aboutFrame");
    about.setFixedSize(225, 26);
    renders.push_back({QStringLiteral("About box"), grab(&about)});
}

void addStockWidgets(std::vector<Render>& renders) {
    QWidget holder;
    auto* layout = new QVBoxLayout(&holder);
    auto* buttons = new QHBoxLayout();
    auto* normal = new QPushButton(QStringLiteral("Normal"), &holder);
    auto* on = new QPushButton(QStringLiteral("On"), &holder);
    on->setCheckable(true);
    on->setChecked(true);
    auto* off = new QPushButton(QStringLiteral("Disabled"), &holder);
    off->setEnabled(false);
    buttons->addWidget(normal);
    buttons->addWidget(on);
    buttons->addWidget(off);
    layout->addLayout(buttons);
    auto* checked = new QCheckBox(QStringLiteral("Checked"), &holder);
    checked->setChecked(true);
    layout->addWidget(checked);
    layout->addWidget(new QCheckBox(QStringLiteral("Unchecked"), &holder));
    auto* combo = new QComboBox(&holder);
    combo->addItems({QStringLiteral("Random"), QStringLiteral("Semi-Regular")});
    layout->addWidget(combo);
    auto* list = new QTreeWidget(&holder);
    list->setHeaderLabels({QStringLiteral("Image"), QStringLiteral("Prob.")});
    for (int i = 0; i < 8; ++i)
        new QTreeWidgetItem(list, {QStringLiteral("stones_%1.png").arg(i), QStringLiteral("%1 %").arg(12 + i)});
    list->setFixedHeight(110);
    layout->addWidget(list);
    auto* scroll = new QScrollBar(Qt::Horizontal, &holder);
    scroll->setRange(0, 100);
    scroll->setPageStep(30);
    scroll->setValue(40);
    layout->addWidget(scroll);
    holder.setFixedWidth(260);
    renders.push_back({QStringLiteral("Style: buttons, check boxes, combo, list, scroll bar"), grab(&holder)});

    // A grab shows no keyboard focus, so the focused combo box is painted through the style.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.currentText = combo->currentText();
    option.subControls = QStyle::SC_All;
    option.state |= QStyle::State_HasFocus;
    QImage focused(combo->size(), QImage::Format_RGB32);
    focused.fill(combo->palette().color(QPalette::Window));
    QPainter painter(&focused);
    painter.setPen(combo->palette().color(QPalette::Text));
    combo->style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, combo);
    combo->style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, combo);
    painter.end();
    renders.push_back({QStringLiteral("Combo box with the focus"), focused});
}

// The renders in rows, each under its caption, on the window's background.
QImage sheet(const std::vector<Render>& renders) {
    constexpr int kMaxRowWidth = 1300, kGap = 16, kCaption = 18;
    struct Placed {
        const Render* render;
        QPoint at;
    };
    std::vector<Placed> placed;
    int x = kGap, y = kGap, rowHeight = 0, width = 0;
    for (const Render& r : renders) {
        const int w = std::max({r.image.width(), 160, QFontMetrics(QApplication::font()).horizontalAdvance(r.caption)});
        if (x > kGap && x + w > kMaxRowWidth) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        placed.push_back({&r, QPoint(x, y)});
        rowHeight = std::max(rowHeight, kCaption + r.image.height());
        x += w + kGap;
        width = std::max(width, x);
    }
    QImage out(width, y + rowHeight + kGap, QImage::Format_RGB32);
    out.fill(QColor(40, 40, 40));
    QPainter painter(&out);
    painter.setPen(QColor(230, 230, 230));
    for (const Placed& p : placed) {
        painter.drawText(p.at + QPoint(0, 12), p.render->caption);
        painter.drawImage(p.at + QPoint(0, kCaption), p.render->image);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: contact-sheet OUT.png\n");
        return 2;
    }
    QApplication::setStyle(new PLQStyle);
    std::vector<Render> renders;
    addSpinBoxes(renders);
    addAutomation(renders);
    addFilter(renders);
    addButtonsBar(renders);
    addOutput(renders);
    addAbout(renders);
    addStockWidgets(renders);
    if (!sheet(renders).save(QString::fromLocal8Bit(argv[1]))) {
        fprintf(stderr, "contact-sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
