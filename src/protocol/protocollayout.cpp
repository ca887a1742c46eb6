#include "protocol/protocollayout.h"

#include "protocol/protocolcopy.h"
#include "util/textutil.h"

#include <algorithm>

namespace {

bool IsText(char c) {
    return static_cast<unsigned char>(c) >= 0x20;
}

}  // namespace

QList<ProtocolRun> ProtocolLineRuns(QByteArrayView line, bool showMarks) {
    QList<ProtocolRun> runs;
    int level = 1;
    LineText run;
    auto flush = [&] {
        if (!run.isEmpty() && level >= 1 && level <= 7)
            runs.append({level, run, false});
        run.clear();
    };
    for (char c : line) {
        if (IsVisibleMark(c) && IsMarkLevel(level)) {
            if (showMarks) {
                flush();
                runs.append({level, LineText(1, c), true});
            }
        } else if (IsText(c)) {
            run += c;
        } else {
            flush();
            level = static_cast<unsigned char>(c);
        }
    }
    flush();
    return runs;
}

LineText ProtocolLevelText(QByteArrayView line, int level) {
    LineText text;
    int current = 1;
    for (char c : line) {
        if (!IsText(c))
            current = static_cast<unsigned char>(c);
        else if (current == level)
            text += c;
    }
    return text;
}

void TProtocolStream::Reset() {
    synced_ = 0;
    lines_.clear();
    raw_.clear();
    kept_.clear();
    breakRaw_.clear();
    breakKept_.clear();
}

void TProtocolStream::Sync(const QList<LineText>& lines) {
    if (lines.size() < synced_)
        Reset();
    // The last line indexed may have grown since: index it again.
    while (!lines_.empty() && lines_.back() >= synced_) {
        lines_.pop_back();
        raw_.pop_back();
        kept_.pop_back();
    }
    qint64 raw = raw_.empty() ? 0 : raw_.back();
    qint64 kept = kept_.empty() ? 0 : kept_.back();
    while (!breakRaw_.empty() && breakRaw_.back() > raw) {
        breakRaw_.pop_back();
        breakKept_.pop_back();
    }
    for (qsizetype i = synced_; i < lines.size(); ++i) {
        // As ProtocolLevelText, without building the text: a whole day is
        // indexed when the split display is first shown.
        const qint64 before = raw;
        int current = 1;
        for (char c : lines[i]) {
            if (!IsText(c)) {
                current = static_cast<unsigned char>(c);
                continue;
            }
            if (current != level_)
                continue;
            ++raw;
            if (!IsVisibleMark(c)) {
                ++kept;
            } else if (c == '>') {
                breakRaw_.push_back(raw);
                breakKept_.push_back(kept);
            }
        }
        if (raw == before)
            continue;
        lines_.push_back(int(i));
        raw_.push_back(raw);
        kept_.push_back(kept);
    }
    synced_ = int(qMax<qsizetype>(lines.size() - 1, 0));
}

QList<LineText> TProtocolStream::BottomRows(const QList<LineText>& lines, int bottom, int rows,
                                            bool showMarks, QByteArrayView tail) const {
    QList<LineText> out;
    if (rows <= 0)
        return out;
    const std::vector<qint64>& ends = showMarks ? raw_ : kept_;
    const std::vector<qint64>& breaks = showMarks ? breakRaw_ : breakKept_;

    const auto upto = std::upper_bound(lines_.begin(), lines_.end(), bottom) - lines_.begin();
    const qint64 endRaw = upto > 0 ? raw_[upto - 1] : 0;
    qint64 lineEnd = upto > 0 ? ends[upto - 1] : 0;
    // Breaks are told apart by their raw offsets: counted without marks, the
    // ends of empty lines fall together.
    auto next = std::upper_bound(breakRaw_.begin(), breakRaw_.end(), endRaw) - breakRaw_.begin();
    QByteArrayView cursor = tail;
    while (true) {
        const qint64 start = next > 0 ? breaks[next - 1] : 0;
        const qint64 length = lineEnd - start + cursor.size();
        const qint64 pieces = length == 0 ? 1 : (length + kSplitRowWidth - 1) / kSplitRowWidth;
        const qint64 shown = qMin<qint64>(pieces, rows - out.size());
        const qint64 from = start + (pieces - shown) * kSplitRowWidth;

        LineText text;
        if (from < lineEnd)
            text = extract(lines, ends, from, lineEnd, showMarks);
        text += cursor.sliced(qMax<qint64>(from - lineEnd, 0));
        QList<LineText> cut;
        for (qsizetype p = 0; p < shown; ++p)
            cut.append(text.mid(p * kSplitRowWidth, kSplitRowWidth));
        for (qsizetype p = cut.size(); p-- > 0;)
            out.append(cut[p]);

        if (out.size() >= rows || next == 0)
            break;
        lineEnd = start;
        --next;
        cursor = {};
    }
    return out;
}

LineText TProtocolStream::extract(const QList<LineText>& lines, const std::vector<qint64>& ends,
                                  qint64 from, qint64 to, bool showMarks) const {
    LineText out;
    auto j = std::upper_bound(ends.begin(), ends.end(), from) - ends.begin();
    qint64 before = j > 0 ? ends[j - 1] : 0;
    while (before < to && j < qsizetype(ends.size())) {
        LineText text = ProtocolLevelText(lines[lines_[j]], level_);
        if (!showMarks)
            text = StripVisibleMarks(text);
        const qint64 skip = qMax<qint64>(from - before, 0);
        const qint64 stop = qMin<qint64>(text.size(), to - before);
        if (skip < stop)
            out += QByteArrayView(text).sliced(skip, stop - skip);
        before = ends[j];
        ++j;
    }
    return out;
}
