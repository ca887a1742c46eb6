#include "alerts/soundplayer.h"

#include "util/qtcompat.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSoundEffect>
#include <QTemporaryFile>
#include <QUrl>

#include <cmath>

namespace {

void PutLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// Tones of (frequency, milliseconds), with short fades against clicks.
QByteArray Wav(std::initializer_list<std::pair<int, int>> tones) {
    constexpr int kRate = 22050;
    QByteArray samples;
    for (const auto& [frequency, ms] : tones) {
        const int n = kRate * ms / 1000;
        const int fade = kRate / 200;
        for (int i = 0; i < n; ++i) {
            const double envelope = std::min({1.0, double(i) / fade, double(n - i) / fade});
            const double v = 0.5 * envelope * std::sin(2 * M_PI * frequency * i / kRate);
            PutLe(samples, quint32(qint16(v * 32767)) & 0xFFFF, 2);
        }
    }
    QByteArray wav("RIFF");
    PutLe(wav, quint32(36 + samples.size()), 4);
    wav += "WAVEfmt ";
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);  // PCM
    PutLe(wav, 1, 2);  // mono
    PutLe(wav, kRate, 4);
    PutLe(wav, kRate * 2, 4);
    PutLe(wav, 2, 2);
    PutLe(wav, 16, 2);
    wav += "data";
    PutLe(wav, quint32(samples.size()), 4);
    return wav + samples;
}

}  // namespace

QByteArray AlarmWav() {
    return Wav({{880, 200}, {660, 200}});
}

QByteArray BellWav() {
    return Wav({{1320, 120}});
}

void EnsureDefaultAlarm(const QString& programFolder) {
    const QString path = QDir(programFolder).filePath(QStringLiteral("alarm.wav"));
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(AlarmWav());
}

void PlayByKind(ISoundPlayer& player, int kind, const QString& file) {
    switch (kind) {
        case kSoundBeep:
            player.Beep();
            break;
        case kSoundFileOnce:
            player.Play(file, false);
            break;
        case kSoundFileLoop:
            player.Play(file, true);
            break;
        default:
            break;
    }
}

TSoundPlayer::TSoundPlayer(const QString& programFolder, QObject* parent)
    : QObject(parent), folder_(programFolder) {}

TSoundPlayer::~TSoundPlayer() = default;

bool TSoundPlayer::HasOutput() const {
    return HasDefaultAudioOutput();
}

void TSoundPlayer::Beep() {
    if (!HasOutput()) {
        QApplication::beep();
        return;
    }
    if (!bell_) {
        bellFile_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                     QStringLiteral("/tarvo-bell-XXXXXX.wav"));
        if (!bellFile_->open() || bellFile_->write(BellWav()) < 0) {
            QApplication::beep();
            return;
        }
        bellFile_->flush();
        bell_ = std::make_unique<QSoundEffect>();
        bell_->setSource(QUrl::fromLocalFile(bellFile_->fileName()));
    }
    bell_->play();
}

void TSoundPlayer::Play(const QString& file, bool loop) {
    if (!HasOutput() || file.isEmpty())
        return;
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    effect_->stop();
    const QString path = QDir::isAbsolutePath(file) ? file : QDir(folder_).filePath(file);
    effect_->setSource(QUrl::fromLocalFile(path));
    effect_->setLoopCount(loop ? QSoundEffect::Infinite : 1);
    effect_->play();
}

void TSoundPlayer::Stop() {
    if (effect_)
        effect_->stop();
}
