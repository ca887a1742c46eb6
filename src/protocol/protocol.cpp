#include "protocol/protocol.h"

#include "util/codepages.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace {

const QString kStartupName = QStringLiteral("startup.prt");

QString CurrentFolder() {
    QString folder = QDir::currentPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// Bytes the wrap counts: letters, figures, blanks and punctuation, but not
// level markers, register marks or the visible CR and LF.
bool IsWrapCounted(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80)
        return true;
    return b >= 0x20 && c != '&' && c != '|' && c != '#' && c != '<' && c != '>';
}

bool IsTrafficMarker(char c) {
    return c == 1 || c == 2 || c == 6 || c == 7;
}

// Continues the last traffic segment when it is of the same level, else
// opens a new one, so that both directions can share one line.
void Mark(LineText& last, QByteArrayView segment, int level) {
    char current = 0;
    for (qsizetype i = last.size(); i-- > 0;) {
        if (IsTrafficMarker(last.at(i))) {
            current = last.at(i);
            break;
        }
    }
    if (current == 0 || current != char(level))
        last += char(level);
    last += segment;
}

}  // namespace

TProtocol::TProtocol() : folder_(CurrentFolder()), fileName_(kStartupName) {
    QFile::remove(folder_ + kStartupName);
}

TProtocol::~TProtocol() {
    if (!fileName_.isEmpty())
        WriteFile();
}

void TProtocol::AddMessage(const QString& text, int level) {
    AddText(WideToCp866(QStringView(text).left(kProtocolMessageLimit)), level);
}

void TProtocol::AddText(const LineText& text, int level) {
    int added = 0;
    if (level == kProtocolEvent || level == kProtocolError) {
        appendLine(char(level) + WideToCp866(timeText_) + ' ' + text);
        appendLine({});
        added = 2;
    } else {
        addTraffic(text, level, added);
    }
    WriteFile();
    if (added > 0)
        notifyLinesAdded();
    else if (view_)
        view_->LastLineChanged();
}

void TProtocol::addTraffic(LineText text, int level, int& added) {
    if (!text.isEmpty() && lines_.isEmpty()) {
        appendLine({});
        ++added;
    }
    text.replace('\r', '<');
    QByteArrayView rest(text);
    while (!rest.isEmpty()) {
        qsizetype n = lines_.size() - 1;
        writer_.LineChanged(n);
        LineText last = std::exchange(lines_[n], LineText());
        const qsizetype lf = rest.indexOf('\n');
        const bool ended = lf >= 0;
        if (ended) {
            Mark(last, rest.first(lf), level);
            last += '>';
            rest = rest.sliced(lf + 1);
        } else {
            Mark(last, rest, level);
            rest = {};
        }

        if (wrapWidth_ > 0) {
            int count = 0;
            for (qsizetype k = 0; k < last.size(); ++k) {
                if (!IsWrapCounted(last.at(k)) || ++count < wrapWidth_)
                    continue;
                LineText tail = last.mid(k + 1);
                last.truncate(k + 1);
                lines_[n] = std::move(last);
                if (!tail.isEmpty() && static_cast<unsigned char>(tail[0]) >= 0x20)
                    tail.prepend(char(level));
                appendLine({});
                ++added;
                ++n;
                last = std::move(tail);
                k = -1;
                count = 0;
            }
        }
        lines_[n] = std::move(last);
        if (ended) {
            appendLine({});
            ++added;
        }
    }
}

void TProtocol::appendLine(const LineText& line) {
    lines_.append(line);
}

void TProtocol::appendEvent(int level, const QString& message) {
    appendLine(char(level) + WideToCp866(timeText_) + ' ' + WideToCp866(message));
    appendLine({});
}

bool TProtocol::WriteFile() {
    if (fileName_.isEmpty())
        return true;
    const QString path = LivePath();
    bool ok;
    if (takeoverBlocked_ && !retryTakeover(path))
        ok = false;
    else if (lines_.isEmpty())
        return true;
    else
        ok = writer_.Write(path, lines_);

    if (ok) {
        if (writeFailures_ > 0) {
            writeFailures_ = 0;
            // The line feed stays inside the line, as the write failure's does.
            appendEvent(kProtocolEvent, QStringLiteral("Запись файла протокола восстановлена\n"));
            notifyLinesAdded();
        }
        return true;
    }
    if (writeFailures_++ == 0) {
        const QString message = QStringLiteral("Невозможно записать файл протокола ") + path;
        appendEvent(kProtocolError, message + u'\n');
        if (view_) {
            view_->LinesAdded();
            if (notices_)
                notices_->ReportWriteFailure(timeText_ + u' ' + message);
        }
    }
    return false;
}

void TProtocol::ReadFile() {
    const ProtocolRead result =
        fileName_.isEmpty() ? ProtocolRead::Missing : ReadProtocolFile(LivePath(), lines_);
    if (result != ProtocolRead::Loaded)
        lines_.clear();
    writer_.Invalidate();
    takeoverBlocked_ = result == ProtocolRead::Unreadable;
    notifyReplaced();
    // Say at once why the day's file will not be written, rather than with
    // the next line logged.
    if (takeoverBlocked_)
        WriteFile();
}

// Called before each write while the live file could not be taken over.
bool TProtocol::retryTakeover(const QString& path) {
    QList<LineText> onDisk;
    switch (ReadProtocolFile(path, onDisk)) {
        case ProtocolRead::Unreadable:
            return false;
        case ProtocolRead::Missing:
            break;
        case ProtocolRead::Loaded: {
            const qsizetype taken = onDisk.size();
            onDisk += lines_;
            lines_ = std::move(onDisk);
            if (showsLive_ && selFirst_ >= 0) {
                selFirst_ += int(taken);
                if (selLast_ >= 0)
                    selLast_ += int(taken);
            }
            notifyReplaced();
            break;
        }
    }
    takeoverBlocked_ = false;
    writer_.Invalidate();
    return true;
}

bool TProtocol::SetFolder(const QString& path) {
    QString folder = path.startsWith(u'/') ? path : CurrentFolder() + path;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    if (!QDir().mkpath(folder)) {
        if (notices_)
            notices_->ShowFolderError(
                QStringLiteral("Ошибка сохранения файла. Не найден и не создан каталог ") + folder);
        return false;
    }
    if (!fileName_.isEmpty())
        WriteFile();
    if (folder != folder_) {
        folder_ = folder;
        ReadFile();
    }
    return true;
}

void TProtocol::SetFileName(const QString& name) {
    if (!fileName_.isEmpty())
        WriteFile();
    bool replaced = false;
    if (name != fileName_) {
        fileName_ = name;
        ReadFile();
        replaced = true;
    }
    if (!showsLive_) {
        showsLive_ = true;
        if (!replaced)
            notifyReplaced();
    }
}

void TProtocol::ShowDay(const QString& name) {
    if (name == fileName_) {
        showsLive_ = true;
        if (view_)
            view_->ScrollToEnd();
        return;
    }
    switch (ReadProtocolFile(folder_ + name, otherDay_)) {
        case ProtocolRead::Loaded:
            break;
        case ProtocolRead::Unreadable:
            otherDay_ = {char(kProtocolReceived) + WideToCp866(u" - Ошибка загрузки протокола- ")};
            break;
        case ProtocolRead::Missing:
            otherDay_ = {char(kProtocolError) + WideToCp866(timeText_) + ' ' +
                         WideToCp866(u"- Нет протокола -")};
            break;
    }
    otherDay_.append(LineText());
    showsLive_ = false;
    if (view_) {
        view_->LinesAdded();
        view_->Repaint();
    }
}

void TProtocol::SetWrapWidth(bool on) {
    wrapWidth_ = on ? kProtocolWrapWidth : 0;
}

void TProtocol::notifyLinesAdded() {
    if (view_)
        view_->LinesAdded();
}

void TProtocol::notifyReplaced() {
    if (view_) {
        view_->Repaint();
        view_->ScrollToEnd();
    }
}
