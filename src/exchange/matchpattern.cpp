#include "exchange/matchpattern.h"

#include "util/linecode.h"

#include <cstdint>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Walks format and subject together; every read is bounds-checked, and a text
// target never grows past its capacity.
class Matcher {
public:
    Matcher(QByteArrayView format, QByteArrayView subject, std::span<const MatchTarget> targets)
        : format_(format), subject_(subject), targets_(targets) {}

    int run() {
        for (;;) {
            if (fi_ >= format_.size())
                return count_;
            const char f = format_[fi_++];
            if (f != '%') {
                if (!takeSubject(f))
                    return count_;
                continue;
            }
            if (fi_ >= format_.size())
                return count_;
            if (format_[fi_] == '%') {
                ++fi_;
                if (!takeSubject('%'))
                    return count_;
                continue;
            }
            if (format_[fi_] == ' ') {
                ++fi_;
                if (si_ >= subject_.size() || !isWhite(subject_[si_]))
                    return count_;
                while (si_ < subject_.size() && isWhite(subject_[si_]))
                    ++si_;
                continue;
            }
            if (!conversion())
                return count_;
            ++count_;
        }
    }

private:
    bool takeSubject(char c) {
        if (si_ >= subject_.size() || subject_[si_] != c)
            return false;
        ++si_;
        return true;
    }

    bool conversion() {
        bool lenient = false;
        if (fi_ < format_.size() && format_[fi_] == '.') {
            lenient = true;
            ++fi_;
        }
        int width = -1;
        for (int digits = 0; digits < 2 && fi_ < format_.size() && isDigit(format_[fi_]); ++digits)
            width = (width < 0 ? 0 : width * 10) + (format_[fi_++] - '0');
        if (fi_ >= format_.size())
            return false;
        const char letter = format_[fi_++];
        if (letter != 'd' && letter != 'D' && letter != 'A' && letter != 's')
            return false;

        const MatchTarget* target = ti_ < targets_.size() ? &targets_[ti_] : nullptr;
        ++ti_;
        if (!target)
            return false;
        if (letter == 'd')
            return target->number() && number(width, target->number());
        if (!target->text())
            return false;
        target->text()->clear();
        switch (letter) {
            case 'D':
                return text(width, false, *target, [](char c) { return isDigit(c); });
            case 'A':
                return text(width, lenient, *target, [](char c) { return IsPatternLetter(c); });
            default:
                return text(width, false, *target, [](char c) { return !isWhite(c); });
        }
    }

    bool number(int width, int* out) {
        const qsizetype start = si_;
        if (width >= 0) {
            if (subject_.size() - si_ < width)
                return false;
            for (int i = 0; i < width; ++i)
                if (!isDigit(subject_[si_ + i]))
                    return false;
            si_ += width;
        } else {
            while (si_ < subject_.size() && isDigit(subject_[si_]))
                ++si_;
            if (si_ == start)
                return false;
        }
        // Unsigned arithmetic: an absurdly long number wraps instead of overflowing.
        uint32_t value = 0;
        for (qsizetype i = start; i < si_; ++i)
            value = value * 10u + uint32_t(subject_[i] - '0');
        *out = int(value);
        return true;
    }

    // Copies characters accepted by `accept`. With a width, exactly that many
    // are needed (fewer succeed only when lenient); without one, as many as
    // follow up to the capacity, none included.
    template <typename Accept>
    bool text(int width, bool lenient, const MatchTarget& target, Accept accept) {
        QByteArray& out = *target.text();
        const int room = qMax(target.capacity(), 0);
        const int limit = width >= 0 ? width : room;
        int taken = 0;
        while (taken < limit) {
            if (si_ >= subject_.size() || !accept(subject_[si_]))
                return width < 0 || lenient;
            if (out.size() < room)
                out.append(subject_[si_]);
            ++si_;
            ++taken;
        }
        return true;
    }

    QByteArrayView format_;
    QByteArrayView subject_;
    std::span<const MatchTarget> targets_;
    qsizetype fi_ = 0;
    qsizetype si_ = 0;
    size_t ti_ = 0;
    int count_ = 0;
};

}  // namespace

int MatchPatternList(QByteArrayView format, QByteArrayView subject,
                     std::span<const MatchTarget> targets) {
    return Matcher(format, subject, targets).run();
}
