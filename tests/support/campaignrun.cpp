#include "support/campaignrun.h"

#include "config/inifile.h"
#include "support/ckssimprocess.h"
#include "support/loopback.h"
#include "support/tarvoprocess.h"
#include "util/codepages.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

QString DropMarker(const QString& name) {
    return QStringLiteral("КАМПАНИЯ ФАЙЛ ") + name.toUpper();
}

OutgoingDrops::OutgoingDrops(QString outFolder, QString day)
    : out_(std::move(outFolder)), day_(std::move(day)) {}

bool OutgoingDrops::Drop(const QString& words) {
    if (!CanDrop() || !QDir().mkpath(out_))
        return false;
    const QString name = day_ + QStringLiteral("q%1").arg(next_++, 3, 10, QLatin1Char('0'));
    const QByteArray bytes = WideToAnsi(DropMarker(name) + u' ' + words);
    QFile file(out_ + QStringLiteral("/.") + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    if (!QFile::rename(file.fileName(), out_ + u'/' + name))
        return false;
    files_.insert(name, bytes);
    return true;
}

int OutgoingDrops::Waiting() const {
    return int(QDir(out_).entryList({day_ + QStringLiteral("q???")}, QDir::Files).size());
}

bool StartTwice(const char* what, const std::function<bool()>& start) {
    if (start())
        return true;
    std::printf("%s did not start; starting it once more\n", what);
    std::fflush(stdout);
    return start();
}

bool ReceivingSettled(const QByteArray& centreStatus, const QString& settingsPath) {
    static const QRegularExpression sent(QStringLiteral(" sent=(\\d+) "));
    static const QRegularExpression queue(QStringLiteral(" queue=(\\d+) "));
    const QString status = QString::fromUtf8(centreStatus);
    const auto s = sent.match(status);
    const auto q = queue.match(status);
    if (!status.contains(QStringLiteral("channel=РБ")) || !s.hasMatch() || !q.hasMatch() ||
        q.captured(1).toInt() != 0)
        return false;
    CIniFile ini;
    ini.Load(settingsPath);
    return ini.ReadInteger("STATUS", "NumberInput", -1) == s.captured(1).toInt();
}

bool SettleExchange(const TarvoProcess& ws, CkssimProcess& centre, const OutgoingDrops& drops,
                    const QString& settingsPath, int baseMs, int perFileMs,
                    QByteArray* lastStatus) {
    bool settled = false;
    WaitUntil(
        [&] {
            if (!ws.Running())
                return true;
            const QByteArray status = centre.Status();
            if (lastStatus)
                *lastStatus = status;
            settled = drops.Waiting() == 0 && ReceivingSettled(status, settingsPath);
            return settled;
        },
        baseMs + perFileMs * drops.Waiting());
    return settled;
}
