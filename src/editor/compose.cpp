#include "editor/compose.h"

#include "util/codepages.h"
#include "util/linecode.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QString ComposeHeader(const TComposeFields& fields) {
    QString header = fields.Category;
    if (fields.Net != u"01")
        header += fields.Net + u' ';
    if (fields.SchemaMode)
        header += fields.Schema + u'=' + fields.Schema;
    else
        header += fields.Index;
    return header;
}

void ComposeOutgoing(const TComposeFields& fields, bool autoReplace, const TReplaceValues& values,
                     TOutgoingBuffers& out) {
    QStringList lines{ComposeHeader(fields)};
    if (fields.FromUse) {
        lines << QString() << QString() << QString();
        lines << fields.From + u' ' + fields.Words + u' ' + fields.FromData;
        lines << QString();
    }
    lines += fields.TextLines;
    if (autoReplace)
        lines = MemoLines(AutoReplace(JoinLines(lines), values));
    out.OutgoingLines = lines;
    out.OutgoingText = WideToAnsi(JoinLines(lines));

    if (fields.CryptoMode) {
        const AnsiText block = Cp866ToCp1251(fields.CryptoBlock.left(kCryptoBlockSendLimit));
        out.OutgoingText += block;
        out.OutgoingLines << AnsiToWide(block);
        if (!fields.Signature.isEmpty()) {
            out.OutgoingText += WideToAnsi(fields.Signature);
            out.OutgoingLines << fields.Signature;
        }
    } else {
        AppendHyphenLineFeeds(out.OutgoingText);
    }
}

QString AutoReplace(QStringView text, const TReplaceValues& values) {
    QString out;
    out.reserve(text.size() + 16);
    const QString number = QString::number(values.EditNumber + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'$') {
            if (i + 1 < text.size())
                out += text[++i];
        } else if (c == u'[') {
            out += number;
        } else if (c == u'{') {
            out += values.DateText;
        } else if (c == u'}') {
            out += values.TimeText;
        } else {
            out += c;
        }
    }
    return out;
}

void AppendHyphenLineFeeds(AnsiText& text) {
    qsizetype end = text.size();
    int feeds = 0;
    while (end > 0 && (text.at(end - 1) == '\r' || text.at(end - 1) == '\n')) {
        if (text.at(end - 1) == '\n')
            ++feeds;
        --end;
    }
    if (end == 0 || text.at(end - 1) != '-')
        return;
    for (; feeds < kHyphenLineFeeds; ++feeds)
        text += '\n';
}

bool SendAllowed(qsizetype lines, qsizetype chars, QStringView indexText) {
    return lines > 0 && chars > 16 && chars < 5000 && LeadingDigitCount(indexText) == 6;
}

bool SplitOverlongLine(QStringView line, QString& keep, QString& rest) {
    if (line.size() <= kEditorLineLimit)
        return false;
    // A space at 0-based position p leaves p characters in front of it.
    const qsizetype space = line.left(kEditorLineLimit + 1).lastIndexOf(u' ');
    if (space < 0) {
        keep = line.left(kEditorLineLimit).toString();
        rest = line.mid(kEditorLineLimit).toString();
        return true;
    }
    qsizetype end = space;
    while (end > 0 && line[end - 1] == u' ')
        --end;
    keep = line.left(end).toString();
    rest = line.mid(space + 1).toString();
    return true;
}

QStringList WrapLastLine(const QString& line) {
    QStringList out;
    QString current = line;
    QString keep;
    QString rest;
    while (SplitOverlongLine(current, keep, rest)) {
        out << keep;
        current = rest;
    }
    out << current;
    return out;
}
