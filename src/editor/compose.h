#pragma once

#include "util/telegramtext.h"
#include "util/texttypes.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Composition of the outgoing telegram from the editor's fields, and the
// text rules the editor applies while the operator types. Nothing here
// touches a widget: the editor page collects its controls into
// TComposeFields and shows what comes back.

// The composition buffers of the outgoing telegram: the lines shown for
// confirmation (and saved in Unicode mode) and the bytes an ANSI-mode file
// receives. Other operations reuse OutgoingLines as scratch space, so every
// user fills both before reading them.
struct TOutgoingBuffers {
    QStringList OutgoingLines;
    AnsiText OutgoingText;
};

// What the editor shows, as composition reads it.
struct TComposeFields {
    QString Category;
    QString Net = QStringLiteral("01");
    QString Index;
    QString Schema = QStringLiteral("000");
    bool SchemaMode = false;  // the category holds "Ц": the schema replaces the index
    bool FromUse = false;     // CheckBox_From
    QString From;             // TntEdit_Editor_From
    QString Words;            // TntEdit_Editor_Words
    QString FromData;         // TntEdit_Editor_FromData
    QStringList TextLines;    // the lines of TntMemo_Edit
    bool CryptoMode = false;  // CheckBox_EditorCriptoMode
    LineText CryptoBlock;     // appended in crypto mode, line code
    QString Signature;        // TntMemo_Edit_PS as text, appended in crypto mode
};

// The values auto-replacement puts in place of "[", "{" and "}".
struct TReplaceValues {
    int EditNumber = 0;  // "[" becomes EditNumber + 1
    QString DateText;    // "{", "dd/mm"
    QString TimeText;    // "}", "hhnn"
};

// The longest line "Строка 63" lets stand at the end of the text.
inline constexpr int kEditorLineLimit = 63;
// At most this much of the crypto block goes into a telegram.
inline constexpr int kCryptoBlockSendLimit = 5119;
// The line feeds a text ending in a hyphen gets in an ANSI file.
inline constexpr int kHyphenLineFeeds = 5;

// The header line: category, the network number and a space unless it is
// "01", then the index or, in schema mode, schema "=" schema.
QString ComposeHeader(const TComposeFields& fields);

// Fills both buffers from the fields. With autoReplace the text is passed
// through AutoReplace; the queue replaces the placeholders otherwise.
void ComposeOutgoing(const TComposeFields& fields, bool autoReplace, const TReplaceValues& values,
                     TOutgoingBuffers& out);

// One pass over the text: "$" takes the next character literally, "[" the
// next file number, "{" the date and "}" the time.
QString AutoReplace(QStringView text, const TReplaceValues& values);

// A text ending (before its trailing CR and LF) in a hyphen gets line feeds
// until there are kHyphenLineFeeds among the trailing line breaks.
void AppendHyphenLineFeeds(AnsiText& text);

// Whether the send button may be enabled: some lines, 16 < chars < 5000 and
// an index of six digits.
bool SendAllowed(qsizetype lines, qsizetype chars, QStringView indexText);

// The "Строка 63" cut of one line: false when the line is short enough.
// Otherwise keep is what stays on the line and rest starts the next one. The
// break goes at the last space that leaves at most kEditorLineLimit
// characters in front of it, without trailing spaces; a line without such a
// space is cut after character kEditorLineLimit.
bool SplitOverlongLine(QStringView line, QString& keep, QString& rest);

// The last line cut repeatedly until the last line is short enough: the
// lines that replace it (the line itself when nothing was cut).
QStringList WrapLastLine(const QString& line);
