#include "editor/editortext.h"

#include "exchange/telegramstore.h"
#include "util/codepages.h"
#include "util/linecode.h"
#include "util/telegramtext.h"
#include "util/textutil.h"

#include <QFile>

#include <algorithm>

namespace {

const QString kStartMarker = QStringLiteral("ЗЦЗЦ ");
const QString kEndMarker = QStringLiteral("НННН  ");

// The line break the text ends with, if any.
QStringView finalLineBreak(QStringView text) {
    if (text.endsWith(u"\r\n"))
        return text.right(2);
    if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        return text.right(1);
    return {};
}

}  // namespace

QString ReceivedTextForEditor(QStringView shownText) {
    QStringList lines = MemoLines(shownText);
    if (!lines.isEmpty())
        lines.removeFirst();
    QString text = ToMemoText(JoinLines(lines));
    const qsizetype end = text.indexOf(kEndMarker);
    if (end >= 0)
        text = text.left(end) + u'\n';
    return text;
}

QString StripTelegramFrame(QStringView text) {
    QString out = text.toString();
    const qsizetype start = out.indexOf(kStartMarker);
    if (start >= 0)
        out.remove(0, std::min<qsizetype>(out.size(), start + kStartMarker.size() + 1));
    const qsizetype end = out.indexOf(kEndMarker);
    if (end >= 0)
        out = out.left(end) + finalLineBreak(out).toString();
    return out;
}

std::optional<QString> ReadFileForEditor(const QString& path) {
    std::optional<QString> text = LoadTelegramText(path);
    if (!text)
        return std::nullopt;
    const AnsiText ansi = WideToAnsi(*text);
    if (LooksLikeCp866(ansi) != 0)
        text = AnsiToWide(Cp866ToCp1251(ansi));
    return StripTelegramFrame(*text);
}

std::optional<LineText> ReadCryptoBlockFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(kCryptoFileReadLimit);
    if (bytes.isEmpty() || bytes.size() >= kCryptoFileRefused)
        return LineText();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

std::optional<LineText> CutCryptoPiece(LineText& block, TCryptoPiece piece) {
    const qsizetype size = block.size();
    const bool line = piece == TCryptoPiece::FirstLine || piece == TCryptoPiece::LastLine;
    if (size < (line ? 2 : 1))
        return std::nullopt;
    qsizetype from = 0;
    qsizetype count = size;
    switch (piece) {
        case TCryptoPiece::FirstByte:
            count = 1;
            break;
        case TCryptoPiece::FirstLine:
            if (const qsizetype lf = block.indexOf('\n'); lf >= 0)
                count = lf + 1;
            break;
        case TCryptoPiece::LastByte:
            from = size - 1;
            count = 1;
            break;
        case TCryptoPiece::LastLine:
            // A line feed as the final byte ends the last line, it does not
            // start one.
            if (const qsizetype lf = block.lastIndexOf('\n', size - 2); lf >= 0) {
                from = lf + 1;
                count = size - from;
            }
            break;
    }
    LineText cut = block.mid(from, count);
    block.remove(from, count);
    return cut;
}

QString CryptoPieceText(QByteArrayView piece, bool showRegisters) {
    QString text = LineToWide(piece, true);
    if (!showRegisters)
        text.truncate(std::remove_if(text.begin(), text.end(),
                                     [](QChar c) {
                                         return c.unicode() < 0x80 &&
                                                IsVisibleMark(char(c.unicode()));
                                     }) -
                      text.begin());
    return ToMemoText(text);
}

QString CryptoBlockDisplay(QByteArrayView block, bool showRegisters) {
    if (showRegisters)
        return CryptoPieceText(block, true);
    return ToMemoText(LineToWide(StripRegisterMarks(block)));
}

bool AppendCryptoBlock(const QString& path, QByteArrayView block) {
    // The store's append does not report; find out first whether the file
    // can be written at all.
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    probe.close();
    TTelegramStore::AppendRaw(path, block);
    return true;
}
