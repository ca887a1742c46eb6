#pragma once

#include "tape/tapetypes.h"
#include "util/texttypes.h"

#include <QPointer>
#include <QString>

class IPerforator;
class QWidget;
class TForm_PerforatorIn;
class TForm_PerforatorOut;
class TForm_PerforatorUseSelect;
class TProtocol;

// The tape windows as the main window uses them: it opens them from its
// pages and hands them the perforator thread's events. The windows are
// children of the given parent; the perforator and the protocol must
// outlive this object.
class TTapeWindows {
public:
    TTapeWindows(IPerforator& perforator, TProtocol& protocol, QWidget* parent);
    ~TTapeWindows();
    TTapeWindows(const TTapeWindows&) = delete;
    TTapeWindows& operator=(const TTapeWindows&) = delete;

    // The output window for line code (a received telegram, the crypto
    // block, the protocol's lines), or for an editor text.
    void ShowForPunch(const LineText& text);
    void ShowForPunchWide(const QString& text);
    // The input window, modally.
    TapeReadResult ReadTape();
    // The use-select dialog, modally.
    TapeDirection ChooseTapeDirection();

    // The perforator thread's events (OnStatus, OnSent, OnReceive with the
    // thread's text, OnTapeEnd), each reaching the windows that are up.
    // Text read while the input window is hidden is dropped.
    void StatusChanged();
    void Sent();
    void Received(const LineText& text);
    void TapeEnd();

    TForm_PerforatorOut* OutWindow() const;
    TForm_PerforatorIn* InWindow() const;
    TForm_PerforatorUseSelect* UseSelectDialog() const;

private:
    // Guarded: the parent may destroy the windows first.
    QPointer<TForm_PerforatorOut> out_;
    QPointer<TForm_PerforatorIn> in_;
    QPointer<TForm_PerforatorUseSelect> select_;
};
