#include "protocol/TPrtWindow.h"

#include "protocol/protocolcopy.h"
#include "util/qtcompat.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

// The paint area: it only hands its events to the view.
class TProtocolPaintBox : public QWidget {
public:
    TProtocolPaintBox(TPrtWindow* view, QWidget* parent) : QWidget(parent), view_(view) {
        setObjectName(QStringLiteral("TntPaintBox_Protocol"));
        // Every pixel is painted by the view: no erase before painting.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMouseTracking(false);
    }

protected:
    void paintEvent(QPaintEvent* event) override { view_->paint(event); }
    void mousePressEvent(QMouseEvent* event) override { view_->mousePress(event); }
    void mouseMoveEvent(QMouseEvent* event) override { view_->mouseMove(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { view_->mouseRelease(event); }
    void wheelEvent(QWheelEvent* event) override { view_->wheel(event); }
    void contextMenuEvent(QContextMenuEvent* event) override { view_->contextMenu(event); }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        view_->updateRange();
    }

private:
    TPrtWindow* view_;
};

TPrtWindow::TPrtWindow(TProtocol& protocol, QWidget* parent)
    : QWidget(parent), protocol_(protocol) {
    setObjectName(QStringLiteral("PrtWindow"));
    paintBox_ = new TProtocolPaintBox(this, this);
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName(QStringLiteral("TntScrollBar_Protocol"));
    scrollBar_->setFixedWidth(20);
    scrollBar_->setRange(0, 0);
    scrollBar_->setSingleStep(1);
    // It takes the keyboard for the view: a click on the paint area gives it
    // the focus, and typing and the wheel are read from it.
    scrollBar_->setFocusPolicy(Qt::StrongFocus);
    scrollBar_->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(paintBox_, 1);
    layout->addWidget(scrollBar_);

    connect(scrollBar_, &QScrollBar::valueChanged, paintBox_, [this] { paintBox_->update(); });
    updateRange();
    protocol_.AttachView(this);
}

TPrtWindow::~TPrtWindow() {
    if (protocol_.View() == this)
        protocol_.AttachView(nullptr);
    disconnect(scrollBar_, nullptr, paintBox_, nullptr);
}

QWidget* TPrtWindow::PaintBox() const {
    return paintBox_;
}

int TPrtWindow::Position() const {
    return scrollBar_->value();
}

int TPrtWindow::Maximum() const {
    return scrollBar_->maximum();
}

void TPrtWindow::measure() {
    lineHeight_ = ProtocolLineHeight(paintBox_->font(), paintBox_);
    rows_ = ProtocolRows(paintBox_->height(), lineHeight_);
}

void TPrtWindow::updateRange() {
    if (!scrollBar_)
        return;  // a resize while the view is being made
    measure();
    const int lines = int(shown().size());
    const int maximum = ProtocolMaximum(lines, rows_);
    scrollBar_->setPageStep(rows_ < lines - rows_ ? rows_ : 0);
    // Shrinking the range below the position moves to the new maximum.
    scrollBar_->setMaximum(maximum);
}

void TPrtWindow::LinesAdded() {
    const bool atEnd = AtEnd();
    updateRange();
    if (atEnd) {
        scrollBar_->setValue(scrollBar_->maximum());
        paintBox_->update();
    }
}

void TPrtWindow::ScrollToEnd() {
    updateRange();
    scrollBar_->setValue(scrollBar_->maximum());
    // Even when the position stays, the list may be another one.
    paintBox_->update();
}

void TPrtWindow::Repaint() {
    // The store asks for a full paint when it replaced the shown list's
    // lines; a switch between the live list and another day is noticed by
    // the paint itself.
    received_.Reset();
    transmitted_.Reset();
    paintBox_->update();
}

void TPrtWindow::LastLineChanged() {
    if (!AtEnd())
        return;
    measure();
    if (split_) {
        // The bottom row of each half.
        repaintRow(rows_ / 2 - 1);
        repaintRow(rows_ - 1);
        return;
    }
    repaintRow(ProtocolLastLineRow(int(shown().size()), Position(), rows_));
}

void TPrtWindow::repaintRow(int row) {
    if (row < 0)
        return;
    paintBox_->update(QRect(0, row * lineHeight_, paintBox_->width(), lineHeight_));
}

void TPrtWindow::SetShowRegisters(bool on) {
    showRegisters_ = on;
    paintBox_->update();
}

void TPrtWindow::SetSplit(bool on) {
    split_ = on;
    selecting_ = false;
    paintBox_->update();
}

void TPrtWindow::SetFont(const QFont& font) {
    paintBox_->setFont(font);
    updateRange();
    paintBox_->update();
}

void TPrtWindow::syncStreams() {
    const QList<LineText>* list = &shown();
    if (list != streamsList_) {
        received_.Reset();
        transmitted_.Reset();
        streamsList_ = list;
    }
    received_.Sync(*list);
    transmitted_.Sync(*list);
}

ProtocolPaintState TPrtWindow::PaintState() {
    measure();
    ProtocolPaintState state;
    state.lines = &shown();
    state.position = Position();
    state.lineHeight = lineHeight_;
    state.font = paintBox_->font();
    state.selFirst = protocol_.SelFirst();
    state.selLast = protocol_.SelLast();
    state.showRegisters = showRegisters_;
    state.split = split_;
    state.failing = protocol_.WriteFailures() != 0;
    state.live = protocol_.ShowsLive();
    state.pendingText = protocol_.PendingText();
    if (split_) {
        syncStreams();
        state.received = &received_;
        state.transmitted = &transmitted_;
    }
    return state;
}

void TPrtWindow::paint(QPaintEvent* event) {
    QPainter painter(paintBox_);
    PaintProtocol(painter, paintBox_->rect(), PaintState(), event->rect());
}

int TPrtWindow::lineAt(int y) const {
    // Rounded down, so that a drag above the area reaches the lines above.
    return int(std::floor(double(y) / lineHeight_)) + Position();
}

void TPrtWindow::mousePress(QMouseEvent* event) {
    scrollBar_->setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || split_)
        return;
    const int index = lineAt(EventPosition(event).toPoint().y());
    protocol_.SetSelFirst(index);
    protocol_.SetSelLast(index);
    selecting_ = true;
    paintBox_->update();
}

void TPrtWindow::mouseMove(QMouseEvent* event) {
    if (!selecting_ || split_)
        return;
    const int index = lineAt(EventPosition(event).toPoint().y());
    // The selection grows downward from the line first pressed.
    if (index != protocol_.SelLast() && index > protocol_.SelFirst()) {
        protocol_.SetSelLast(index);
        paintBox_->update();
    }
}

void TPrtWindow::mouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_)
        return;
    selecting_ = false;
    if (split_)
        return;
    const int index = lineAt(EventPosition(event).toPoint().y());
    if (protocol_.SelLast() == protocol_.SelFirst() || index < protocol_.SelFirst()) {
        protocol_.SetSelFirst(-1);
        protocol_.SetSelLast(-1);
    } else {
        protocol_.SetSelLast(index);
    }
    paintBox_->update();
}

void TPrtWindow::wheel(QWheelEvent* event) {
    // A notch (120) moves three lines; finer wheels add up to notches.
    wheelAngle_ += event->angleDelta().y();
    const int notches = wheelAngle_ / 120;
    wheelAngle_ -= notches * 120;
    event->accept();
    if (notches != 0)
        scrollBar_->setValue(qBound(0, Position() - 3 * notches, Maximum()));
}

void TPrtWindow::contextMenu(QContextMenuEvent* event) {
    if (split_)
        return;
    Q_EMIT popupRequested(event->globalPos());
}

bool TPrtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollBar_ && event->type() == QEvent::Wheel) {
        wheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TPrtWindow::FindText(const LineText& text) {
    if (text.isEmpty())
        return false;
    const QList<LineText>& lines = shown();
    const int start = protocol_.SelFirst() != -1 ? protocol_.SelFirst() + 1 : Position();
    for (int i = qMax(start, 0); i < lines.size(); ++i) {
        if (!lines[i].contains(text))
            continue;
        protocol_.SetSelFirst(i);
        protocol_.SetSelLast(i);
        scrollBar_->setValue(qMin(i, Maximum()));
        paintBox_->update();
        return true;
    }
    return false;
}

LineText TPrtWindow::CopyText(int mode, bool keepMarks) {
    const int last = int(shown().size()) - 1;
    if (protocol_.SelFirst() != -1 && protocol_.SelLast() > last)
        protocol_.SetSelLast(last);
    return ProtocolCopyText(shown(), protocol_.SelFirst(), protocol_.SelLast(), mode, keepMarks);
}
