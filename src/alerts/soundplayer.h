#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSoundEffect;
class QTemporaryFile;

// Where the alerts' sounds go: the desktop's audio in the program, a
// recorder in tests.
class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // The short bell of the kind "Динамик".
    virtual void Beep() = 0;
    // A wave file, once or repeated until Stop; relative names are in the
    // program folder.
    virtual void Play(const QString& file, bool loop) = 0;
    // Ends a sound started with Play.
    virtual void Stop() = 0;
};

// Forwards to another player, which may change (tests put theirs in).
class TSoundProxy : public ISoundPlayer {
public:
    ISoundPlayer* target = nullptr;
    void Beep() override { target->Beep(); }
    void Play(const QString& file, bool loop) override { target->Play(file, loop); }
    void Stop() override { target->Stop(); }
};

// The alert kinds of the SOUND section.
enum SoundKind { kSoundNone = 0, kSoundBeep = 1, kSoundFileOnce = 2, kSoundFileLoop = 3 };

// Starts the sound of a kind: nothing, a beep, the file once or looped.
void PlayByKind(ISoundPlayer& player, int kind, const QString& file);

// Sounds through QSoundEffect on the default audio output; without one,
// silently nothing (the windows still come). The bell is a sound of our own;
// where it cannot play, the X11 bell.
class TSoundPlayer : public QObject, public ISoundPlayer {
    Q_OBJECT
public:
    explicit TSoundPlayer(const QString& programFolder, QObject* parent = nullptr);
    ~TSoundPlayer() override;

    void Beep() override;
    void Play(const QString& file, bool loop) override;
    void Stop() override;

private:
    bool HasOutput() const;

    QString folder_;
    std::unique_ptr<QSoundEffect> effect_;
    std::unique_ptr<QSoundEffect> bell_;
    std::unique_ptr<QTemporaryFile> bellFile_;
};

// The program's own sounds as WAV files (16-bit mono PCM): the alarm (two
// tones, 400 ms) and the bell (one tone, 120 ms).
QByteArray AlarmWav();
QByteArray BellWav();

// Writes "alarm.wav" into the folder when it has none, so that the default
// settings make a sound on a fresh installation.
void EnsureDefaultAlarm(const QString& programFolder);
