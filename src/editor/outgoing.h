#pragma once

#include "editor/compose.h"
#include "exchange/queuelink.h"

#include <QString>
#include <QStringList>

class TProtocol;
struct _tlg_config;
struct _tlg_status;

// What writing an outgoing telegram needs from the operator's side. The
// editor page implements it; without one nothing is confirmed.
class IOutgoingHost {
public:
    virtual ~IOutgoingHost() = default;
    // The send confirmation (TForm_ConfirmSendTlg) showing the lines; true
    // when the operator accepts.
    virtual bool ConfirmSend(const QStringList& lines) = 0;
    // A telegram could not be written: an error box with the text.
    virtual void ShowWriteError(const QString& text) = 0;
    // A file was written; confirmed is the argument of WriteOutgoingFile.
    virtual void OutgoingWritten(const QString& path, bool confirmed) = 0;
};

// The seconds to the next scan once the editor has written a file.
inline constexpr int kScanAfterWrite = 3;
// The largest number an outgoing file name can carry: the queue reads three
// digits.
inline constexpr int kLastEditNumber = 999;

// Writes the composed outgoing telegram into the root of the output folder,
// where the queue picks it up. It owns the composition buffers, which the
// editor fills before WriteOutgoingFile; the forwarding of received
// telegrams brings buffers of its own to WriteOutgoing, so that a forward
// arriving while the operator confirms a telegram changes nothing of it: the
// buffers are taken before the confirmation, and the number shown to the
// operator is kept for it until the answer.
class TOutgoingWriter : public TOutgoingBuffers {
public:
    enum class Result {
        Written,    // the file is in the output folder, EditNumber advanced
        Cancelled,  // the operator did not confirm
        Refused,    // no file number is left today
        Failed,     // the file could not be written
    };

    TOutgoingWriter(const _tlg_config& config, _tlg_status& status, TProtocol& protocol,
                    IOutgoingHost* host = nullptr);

    void SetHost(IOutgoingHost* host) { host_ = host; }
    void SetQueue(IOutgoingQueue* queue) { queue_ = queue; }
    IOutgoingQueue* Queue() const { return queue_; }

    // out + day text + "q" + the number as "%03d", absolute.
    QString OutgoingFileName(int number) const;

    // Moves EditNumber past numbers whose file still waits in the output
    // folder (left by a run that ended before it saved the counter, or by
    // another program), so that no queued telegram is ever replaced.
    void SkipTakenNumbers();

    // Writes OutgoingText (ANSI mode, PATH/SaveTlg_ANSI) or OutgoingLines
    // (UTF-16 with a byte-order mark, each line followed by CR LF) as the
    // next file of the day. With confirm the operator sees the lines first.
    // Only a written file advances EditNumber; failures are logged and shown.
    Result WriteOutgoingFile(bool confirm);
    // The same for a telegram held elsewhere.
    Result WriteOutgoing(const TOutgoingBuffers& telegram, bool confirm);

private:
    QByteArray fileBytes(const TOutgoingBuffers& telegram) const;
    // The first number from EditNumber on that no waiting file and no open
    // confirmation holds; past kLastEditNumber when none is left.
    int FreeNumber();
    bool writeNew(const QString& path, const QByteArray& bytes);
    void reportError(const QString& text);

    const _tlg_config& config_;
    _tlg_status& status_;
    TProtocol& protocol_;
    IOutgoingHost* host_;
    IOutgoingQueue* queue_ = nullptr;
    int reserved_ = -1;  // the number of the telegram the operator confirms
};
