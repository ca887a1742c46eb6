#pragma once

#include "tape/tapetypes.h"
#include "util/texttypes.h"

#include <QFrame>

#include <memory>

struct _tlg_config;
class IFileDialogs;
class IPerforator;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class TProtocol;

// What the exchange panel needs of the main window.
class ITapeExchangeHost {
public:
    virtual ~ITapeExchangeHost() = default;
    // The common path of outgoing text to the line.
    virtual void SendToLine(const LineText& text) = 0;
    // The tape input window, modally.
    virtual TapeReadResult ReadTape() = 0;
};

// "Передача:": moves text between the line ("ЛИНИЯ"), a file ("ФАЙЛ") and
// the tape ("ПЛ") without the editor. From a file or a tape a transfer is
// done within the start click; from the line it runs, the start button
// down, until the button is clicked again, and the main window hands it
// every block received meanwhile (OnLineBlock).
class TExchangePanel : public QFrame {
    Q_OBJECT
public:
    TExchangePanel(const _tlg_config& config, IPerforator& perforator, TProtocol& protocol,
                   ITapeExchangeHost& host, QWidget* parent = nullptr);
    ~TExchangePanel() override;

    // Replaces the file choosers (tests); null puts back QFileDialog.
    void SetFileDialogs(IFileDialogs* dialogs);

    // A transfer from the line is running: the receive handler passes the
    // blocks on, and neither the page nor the mode may change meanwhile.
    bool ExchangeActive() const { return exchangeActive_; }
    // 1 line to line, 2 line to file, 3 line to tape; 0 none.
    int ExchangeRoute() const { return exchangeRoute_; }
    // What a transfer to a file has collected.
    const LineText& ExchangeFileText() const { return exchangeFileText_; }
    // The start button is down.
    bool IsRunning() const;

    // A block received from the line, for the running transfer.
    void OnLineBlock(const LineText& block);

    QLabel* Label_ProtocolExchange;
    QComboBox* ComboBox_ProtocolExchangeFrom;
    QComboBox* ComboBox_ProtocolExchangeTo;
    QToolButton* SpeedButton_ComboBox_ProtocolExchangeStart;
    QPushButton* Button_ProtocolExchangePerfSkip;

Q_SIGNALS:
    // After every start click: the button is down (a transfer from the line
    // runs) or up.
    void runningChanged(bool running);

private:
    bool tapeUsable() const;
    void comboChanged(QComboBox* combo);
    void SpeedButton_ComboBox_ProtocolExchangeStartClick();
    void Button_ProtocolExchangePerfSkipClick();
    void start(const QString& from, const QString& to);
    void startFromTape(const QString& to);
    void startFromFile(const QString& to);
    void stop(const QString& from, const QString& to);
    void showState();
    void logEvent(const QString& text);

    const _tlg_config& config_;
    IPerforator& perforator_;
    TProtocol& protocol_;
    ITapeExchangeHost& host_;
    std::unique_ptr<IFileDialogs> ownDialogs_;
    IFileDialogs* dialogs_;
    bool exchangeActive_ = false;
    int exchangeRoute_ = 0;
    LineText exchangeFileText_;
};
