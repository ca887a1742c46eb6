#pragma once

#include "util/qtcompat.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <span>

// A small scanf-like matcher for the centre's headers and messages.
//
// Format elements:
//   ordinary byte   must equal the next subject byte
//   %%              one percent sign
//   "% "            one or more white-space characters
//   %[.][w]C        a conversion; C is one of
//                     d  decimal number into an int target
//                     D  digits as text
//                     A  letters (IsPatternLetter) as text
//                     s  non-white-space characters as text
//                   w is a width of one or two digits; '.' (lenient) lets a
//                   %wA end early at a non-letter.
// Returns the number of conversions completed before the format ended or the
// subject stopped matching. The subject need not be used up.

// Room in a text target when the caller does not say otherwise.
inline constexpr int kDefaultMatchCapacity = 64;

// One destination of a conversion: an int for %d, or a text with a capacity
// in characters for %A, %D and %s. A conversion whose target is missing, null
// or of the other kind stops the match.
class MatchTarget {
public:
    MatchTarget(std::nullptr_t) {}
    MatchTarget(int* number) : number_(number) {}
    MatchTarget(QByteArray* text, int capacity = kDefaultMatchCapacity)
        : text_(text), capacity_(capacity) {}

    int* number() const { return number_; }
    QByteArray* text() const { return text_; }
    int capacity() const { return capacity_; }

private:
    int* number_ = nullptr;
    QByteArray* text_ = nullptr;
    int capacity_ = 0;
};

int MatchPatternList(QByteArrayView format, QByteArrayView subject,
                     std::span<const MatchTarget> targets);

// MatchPattern(format, subject, &letters, &number, MatchTarget(&word, 10), ...)
template <typename... Targets>
int MatchPattern(QByteArrayView format, QByteArrayView subject, Targets... targets) {
    const std::array<MatchTarget, sizeof...(Targets)> list{MatchTarget(targets)...};
    return MatchPatternList(format, subject, list);
}
