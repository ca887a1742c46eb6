#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

class CkssimProcess;
class TarvoProcess;

// What the long runs (the crash campaigns, the soak, the full disk) do around
// the workstation and the training centre, shared so that each does it the
// same way: drop files to send, start the processes, and wait for the
// exchange to come to rest before the program folder is judged.

// The readable marker of a dropped file: its text holds it once, and so does
// what reaches the centre.
QString DropMarker(const QString& name);

// Files dropped into out/ as another program drops them: written whole under
// a dot name, then renamed, so that the queue never reads half a file. They
// are named day + "q" + three digits, the day's numbers from 001 on.
class OutgoingDrops {
public:
    OutgoingDrops(QString outFolder, QString day);
    // Whether a number of the day is left.
    bool CanDrop() const { return next_ < 999; }
    // Drops the next file: its marker, then words (code page 1251). False
    // when no number is left or the file could not be made.
    bool Drop(const QString& words);
    // Name -> bytes of every file dropped.
    const QMap<QString, QByteArray>& Files() const { return files_; }
    // How many files wait in out/ to go (names without an extension).
    int Waiting() const;

private:
    QString out_;
    QString day_;
    int next_ = 1;
    QMap<QString, QByteArray> files_;
};

// Runs a start once more when it failed: a loaded machine may keep a process
// from coming up within the start-up ceiling, and a process that never
// started says nothing of the exchange the long runs judge. It prints what
// did not start; false when the second try fails too.
bool StartTwice(const char* what, const std::function<bool()>& start);

// Whether the exchange has come to rest at the end of a run: the channel
// works, the centre has nothing more queued for the workstation, and the
// workstation's STATUS/NumberInput has reached the centre's count of the
// telegrams it sent (each stored, or referred to the operator). Until then
// a telegram may still be on its way, and ending the session would lose it.
bool ReceivingSettled(const QByteArray& centreStatus, const QString& settingsPath);

// Waits until no dropped file waits in out/ any more and receiving has
// settled, or the workstation has ended. Each waiting file goes out in a
// second or two (it waits for the centre's counters), so the ceiling is
// baseMs plus perFileMs for every file waiting now. lastStatus, when given,
// receives the centre's last status line.
bool SettleExchange(const TarvoProcess& ws, CkssimProcess& centre, const OutgoingDrops& drops,
                    const QString& settingsPath, int baseMs, int perFileMs,
                    QByteArray* lastStatus = nullptr);
