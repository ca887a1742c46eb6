#pragma once

#include <QFrame>
#include <QLabel>

class QGroupBox;
class QLineEdit;
class QPushButton;

// A label that reports clicks, for the head panel's counters and mode fields.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The head panel of the main window: counters, mode and connection.
class THeadPanel : public QFrame {
    Q_OBJECT
public:
    explicit THeadPanel(QWidget* parent = nullptr);

    // Counters
    QLabel* Label_QOLT_In;
    QLabel* Label_QOLT_Out;
    QLineEdit* Edit_OP_In;
    QLineEdit* Edit_OP_Out;
    QLabel* Label_OutputFiles;
    QLabel* Label_PathScanTimeout;
    QLabel* Label_ArrowUp;
    QLabel* Label_ArrowDown;
    QLabel* Label_Time;
    // Mode
    TClickLabel* TntLabel_ChannelStatus;
    TClickLabel* TntLabel_Mode;
    TClickLabel* Label_CtrlH;
    // Connection
    QLabel* Label_TX_cnt;
    QLabel* Label_RX_cnt;
    QLabel* Label_Connect;
    QLabel* Label_LineControlTimeOut;
    QLabel* Label_PrfConnect;
    QPushButton* Button_Dial;
    QPushButton* Button_StopSound;

    // Paints a label's text in a colour.
    static void SetTextColor(QLabel* label, const QColor& color);

Q_SIGNALS:
    // A click on either counter box: the counters dialog.
    void countersClicked();
    // A click on the mode or Ctrl+H label: toggle the mode.
    void modeClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* GroupBox_IO_Counters;
    QGroupBox* GroupBox_IO_Mode;
    QGroupBox* GroupBox_Connect;
};
