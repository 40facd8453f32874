#include "ui/PLQSpinBox.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/Beep.h"
#include "ui/EmbeddedImage.h"
#include "ui/PLQSpinBoxButtons.h"

namespace {

constexpr int kHeight = 18;
// Pixels of drag that a sweep over the whole range takes, at least one per step.
constexpr int kSweepPixels = 80;

// The leading decimal integer of `text` as the C library's atoi reads it (spaces, an
// optional sign, digits), saturated instead of overflowing; 0 when there is none.
long long leadingInteger(const QByteArray& text) {
    size_t i = 0;
    while (i < size_t(text.size()) && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < size_t(text.size()) && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr long long limit = std::numeric_limits<int>::max() + 1LL;
    long long n = 0;
    for (; i < size_t(text.size()) && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        n = std::min(limit, n * 10 + (text[i] - '0'));
    return negative ? -n : n;
}

QLabel* makeLine(QWidget* parent, const char* name) {
    auto* line = new QLabel(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setPixmap(embeddedPixmap(QStringLiteral("spinbox_line")));
    line->setScaledContents(true);
    line->setFixedHeight(1);
    line->setMinimumWidth(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
    line->setPalette(palette);
    line->setAutoFillBackground(true);
    return line;
}

}  // namespace

PLQSpinBox::PLQSpinBox(int minValue, int maxValue, QWidget* parent, const char* name)
    : QFrame(parent), value_(minValue), minValue_(minValue), maxValue_(std::max(minValue, maxValue)) {
    setObjectName(QString::fromUtf8(name));

    leftBorder_ = new QLabel(this);
    leftBorder_->setObjectName(QStringLiteral("leftBorder"));
    leftBorder_->setPixmap(embeddedPixmap(QStringLiteral("spinbox_left_enabled")));
    leftBorder_->setFixedSize(leftBorder_->pixmap().size());
    setFixedHeight(kHeight);

    lineEdit_ = new QLineEdit(QString::number(value_), this);
    lineEdit_->setObjectName(QStringLiteral("lineEdit"));
    lineEdit_->setFrame(false);
    lineEdit_->setFixedHeight(kHeight - 2);

    const long long range = std::max(1LL, static_cast<long long>(maxValue_) - minValue_);
    buttons_ = new PLQSpinBoxButtons(int(std::max(1LL, kSweepPixels / range)), this, "buttons");

    auto* mainLayout = new QHBoxLayout(this);
    mainLayout->setObjectName(QStringLiteral("mainLayout"));
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);
    mainLayout->addWidget(leftBorder_);
    auto* editLayout = new QVBoxLayout();
    editLayout->setObjectName(QStringLiteral("editLayout"));
    editLayout->setSpacing(0);
    editLayout->addWidget(makeLine(this, "topLine"));
    editLayout->addWidget(lineEdit_, 1);
    editLayout->addWidget(makeLine(this, "bottomLine"));
    mainLayout->addLayout(editLayout);
    mainLayout->addWidget(buttons_);

    connect(buttons_, &PLQSpinBoxButtons::valueRelativeChanged, this, &PLQSpinBox::setRelativeValue);
    connect(lineEdit_, &QLineEdit::returnPressed, this, &PLQSpinBox::commitValue);
    connect(lineEdit_, &QLineEdit::textChanged, this, &PLQSpinBox::textModified);
    lineEdit_->installEventFilter(this);
}

int PLQSpinBox::clamp(long long value) const {
    return int(std::clamp<long long>(value, minValue_, maxValue_));
}

void PLQSpinBox::showValue() {
    lineEdit_->setText(QString::number(value_) + suffix_);
    committed_ = true;
}

void PLQSpinBox::setValue(int value) {
    value_ = clamp(value);
    showValue();
}

void PLQSpinBox::setSuffix(const QString& suffix) {
    suffix_ = suffix;
    showValue();
}

void PLQSpinBox::textModified() { committed_ = false; }

// Reads the typed number, ignoring what follows it (the suffix), and corrects it into the
// range. One beep when the text holds no number or the number was out of range.
void PLQSpinBox::parse() {
    const QString text = lineEdit_->text();
    long long n = 0;
    bool refused = false;
    if (!text.isEmpty()) {
        n = leadingInteger(text.toUtf8());
        refused = n == 0 && !text.startsWith(QLatin1Char('0'));
    }
    const int clamped = clamp(n);
    if (clamped != n)
        refused = true;
    if (refused)
        uiBeep();
    value_ = clamped;
    showValue();
}

int PLQSpinBox::value() {
    if (!committed_)
        parse();
    return value_;
}

void PLQSpinBox::commitValue() {
    if (!enabled_ || committed_)
        return;
    const int before = value_;
    parse();
    if (value_ != before)
        emit valueChanged(value_);
}

void PLQSpinBox::setRelativeValue(int steps, bool final) {
    if (!committed_)
        parse();
    value_ = clamp(static_cast<long long>(value_) + steps);
    showValue();
    if (final)
        emit valueChanged(value_);
}

void PLQSpinBox::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    lineEdit_->setEnabled(enabled);
    buttons_->setEnabled(enabled);
    leftBorder_->setPixmap(
        embeddedPixmap(enabled ? QStringLiteral("spinbox_left_enabled") : QStringLiteral("spinbox_left_disabled")));
}

bool PLQSpinBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit_ && event->type() == QEvent::FocusOut)
        commitValue();
    // Undo and redo belong to the window (the output's history): the field's own text undo
    // would otherwise take the keys, silently, whenever a typed value left the focus here.
    if (watched == lineEdit_ && event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
