#pragma once

#include "protocol/protocol.h"
#include "protocol/protocollayout.h"
#include "protocol/protocolpainter.h"
#include "util/texttypes.h"

#include <QWidget>

class QScrollBar;
class TProtocolPaintBox;

// The protocol view: the store's shown list drawn row by row from the
// bottom, coloured by level, with the text waiting to be sent or a cursor
// after the last line, a line selection made with the mouse, the register
// marks on request and the split display of the two traffic directions.
//
// It is made of the paint area (TntPaintBox_Protocol) and a vertical scroll
// bar (TntScrollBar_Protocol) whose position is the index of the line in
// the top row. It attaches itself to the store when made and detaches when
// destroyed. The selection lives in the store (SelFirst, SelLast).
class TPrtWindow : public QWidget, public IProtocolView {
    Q_OBJECT
public:
    explicit TPrtWindow(TProtocol& protocol, QWidget* parent = nullptr);
    ~TPrtWindow() override;

    // IProtocolView, told by the store.
    void LinesAdded() override;
    void LastLineChanged() override;
    void ScrollToEnd() override;
    void Repaint() override;

    // Register and line-end marks of the traffic drawn ("Регистры").
    void SetShowRegisters(bool on);
    bool ShowRegisters() const { return showRegisters_; }
    // Received text above, transmitted below a separator ("Разделить").
    void SetSplit(bool on);
    bool Split() const { return split_; }
    // The screen font; the row height is measured again.
    void SetFont(const QFont& font);

    // Selects the first line from the one after the selection (or from the
    // top row's line) down that holds text (line code, exact bytes) and
    // scrolls to it. False, with nothing changed, when none does or the text
    // is empty.
    bool FindText(const LineText& text);
    // The shown list's text for the copy commands (see ProtocolCopyText).
    LineText CopyText(int mode, bool keepMarks);

    int LineHeight() const { return lineHeight_; }
    int Rows() const { return rows_; }
    int Position() const;
    int Maximum() const;
    bool AtEnd() const { return Position() == Maximum(); }

    QWidget* PaintBox() const;
    QScrollBar* ScrollBar() const { return scrollBar_; }
    // What a paint of the whole area would draw, for printing and tests.
    ProtocolPaintState PaintState();

Q_SIGNALS:
    // A right click on the paint area outside the split display.
    void popupRequested(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TProtocolPaintBox;

    void paint(QPaintEvent* event);
    void mousePress(QMouseEvent* event);
    void mouseMove(QMouseEvent* event);
    void mouseRelease(QMouseEvent* event);
    void wheel(QWheelEvent* event);
    void contextMenu(QContextMenuEvent* event);

    void measure();
    void updateRange();
    int lineAt(int y) const;
    void repaintRow(int row);
    const QList<LineText>& shown() const { return protocol_.Shown(); }
    void syncStreams();

    TProtocol& protocol_;
    TProtocolPaintBox* paintBox_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    bool selecting_ = false;
    bool showRegisters_ = false;
    bool split_ = false;
    int lineHeight_ = 1;
    int rows_ = 0;
    int wheelAngle_ = 0;

    // The split display's streams and the list they index.
    TProtocolStream received_{kProtocolReceived};
    TProtocolStream transmitted_{kProtocolTransmitted};
    const QList<LineText>* streamsList_ = nullptr;
};
