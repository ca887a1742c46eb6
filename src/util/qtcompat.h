#pragma once

// What differs between the two Qt versions the program builds with, Qt 6
// (6.4 or newer) and Qt 5.15, the only Qt of many certified desktops. This is
// the one place that asks which one it is: everything else is written once,
// against the names below.
//
// - QByteArrayView (Qt 6): for Qt 5 a view of the same name and with the part
//   of its interface the program uses.
// - The default audio output, asked for in two different ways.
// - The position of a mouse event.
// - A function run in a child process between its fork and its exec.

#include <QByteArray>
#include <QPointF>
#include <QProcess>
#include <QtGlobal>

#include <functional>

#if defined(QT_GUI_LIB)
#include <QFontDatabase>
#endif
#if defined(QT_MULTIMEDIA_LIB)
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QAudioDevice>
#include <QMediaDevices>
#else
#include <QAudioDeviceInfo>
#endif
#endif

// The position of a mouse event in the widget's coordinates.
template <typename MouseEvent>
QPointF EventPosition(const MouseEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position();
#else
    return event->localPos();
#endif
}

// A process whose child runs setup before the program is started in it (a
// signal to get at its parent's end, say): only what is safe after a fork.
class TForkedProcess : public QProcess {
public:
    using QProcess::QProcess;
    void SetChildSetup(std::function<void()> setup) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        setChildProcessModifier(std::move(setup));
#else
        setup_ = std::move(setup);
#endif
    }
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)

protected:
    void setupChildProcess() override {
        if (setup_)
            setup_();
    }

private:
    std::function<void()> setup_;
#endif
};

#if defined(QT_GUI_LIB)
// Whether a font family is installed.
inline bool HasFontFamily(const QString& family) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QFontDatabase::hasFamily(family);
#else
    return QFontDatabase().hasFamily(family);
#endif
}
#endif

#if defined(QT_MULTIMEDIA_LIB)
// Whether the system has an audio output to play on.
inline bool HasDefaultAudioOutput() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return !QMediaDevices::defaultAudioOutput().isNull();
#else
    return !QAudioDeviceInfo::defaultOutputDevice().isNull();
#endif
}
#endif

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include "util/qtcompat.h"
#else
#include <cstddef>
#include <cstring>
#include <type_traits>

// A read-only view of bytes that it does not own, as Qt 6 has it.
class QByteArrayView {
public:
    using value_type = char;
    using size_type = qsizetype;
    using const_iterator = const char*;
    using iterator = const char*;
    using const_pointer = const char*;

    constexpr QByteArrayView() noexcept = default;
    constexpr QByteArrayView(std::nullptr_t) noexcept {}
    constexpr QByteArrayView(const char* data, qsizetype size) noexcept
        : data_(data), size_(data ? size : 0) {}
    constexpr QByteArrayView(const char* first, const char* last) noexcept
        : QByteArrayView(first, last - first) {}
    QByteArrayView(const uchar* data, qsizetype size) noexcept
        : QByteArrayView(reinterpret_cast<const char*>(data), size) {}
    // A character array: up to its first NUL, as Qt 6 takes a literal.
    template <std::size_t N>
    constexpr QByteArrayView(const char (&array)[N]) noexcept
        : data_(array), size_(lengthUpToNul(array, N)) {}
    // A pointer to a NUL-terminated string (not an array: that is above).
    template <typename Pointer, std::enable_if_t<std::is_same_v<Pointer, const char*> ||
                                                     std::is_same_v<Pointer, char*>,
                                                 bool> = true>
    QByteArrayView(const Pointer& text) noexcept
        : data_(text), size_(text ? qsizetype(std::strlen(text)) : 0) {}
    QByteArrayView(const QByteArray& bytes) noexcept
        : data_(bytes.constData()), size_(bytes.size()) {}

    QByteArray toByteArray() const { return QByteArray(data_, int(size_)); }

    constexpr const char* data() const noexcept { return data_; }
    constexpr const char* constData() const noexcept { return data_; }
    constexpr qsizetype size() const noexcept { return size_; }
    constexpr qsizetype length() const noexcept { return size_; }
    constexpr bool isEmpty() const noexcept { return size_ == 0; }
    constexpr bool empty() const noexcept { return size_ == 0; }
    constexpr bool isNull() const noexcept { return !data_; }
    constexpr char operator[](qsizetype i) const { return data_[i]; }
    constexpr char at(qsizetype i) const { return data_[i]; }
    constexpr char front() const { return data_[0]; }
    constexpr char back() const { return data_[size_ - 1]; }
    constexpr const char* begin() const noexcept { return data_; }
    constexpr const char* end() const noexcept { return data_ + size_; }
    constexpr const char* cbegin() const noexcept { return data_; }
    constexpr const char* cend() const noexcept { return data_ + size_; }

    constexpr QByteArrayView sliced(qsizetype pos) const { return {data_ + pos, size_ - pos}; }
    constexpr QByteArrayView sliced(qsizetype pos, qsizetype n) const { return {data_ + pos, n}; }
    constexpr QByteArrayView first(qsizetype n) const { return {data_, n}; }
    constexpr QByteArrayView last(qsizetype n) const { return {data_ + size_ - n, n}; }
    constexpr QByteArrayView chopped(qsizetype n) const { return {data_, size_ - n}; }
    // As QByteArray::mid, left and right: out-of-range arguments are cut to
    // the view.
    QByteArrayView mid(qsizetype pos, qsizetype n = -1) const;
    QByteArrayView left(qsizetype n) const { return mid(0, n); }
    QByteArrayView right(qsizetype n) const {
        return n >= size_ ? *this : last(qMax<qsizetype>(0, n));
    }
    void truncate(qsizetype n) { size_ = qBound<qsizetype>(0, n, size_); }
    void chop(qsizetype n) { size_ = qMax<qsizetype>(0, size_ - n); }

    // The overloads for one character take a char and nothing else: Qt 5's
    // QByteArray would otherwise reach them through its const char*.
    template <typename C>
    using IfChar = std::enable_if_t<std::is_same_v<C, char>, bool>;

    bool startsWith(QByteArrayView other) const noexcept;
    template <typename C, IfChar<C> = true>
    bool startsWith(C c) const noexcept {
        return size_ > 0 && data_[0] == c;
    }
    bool endsWith(QByteArrayView other) const noexcept;
    template <typename C, IfChar<C> = true>
    bool endsWith(C c) const noexcept {
        return size_ > 0 && data_[size_ - 1] == c;
    }
    qsizetype indexOf(QByteArrayView other, qsizetype from = 0) const noexcept;
    template <typename C, IfChar<C> = true>
    qsizetype indexOf(C c, qsizetype from = 0) const noexcept {
        return indexOfChar(c, from);
    }
    qsizetype lastIndexOf(QByteArrayView other) const noexcept;
    template <typename C, IfChar<C> = true>
    qsizetype lastIndexOf(C c) const noexcept {
        return lastIndexOfChar(c);
    }
    bool contains(QByteArrayView other) const noexcept { return indexOf(other) >= 0; }
    template <typename C, IfChar<C> = true>
    bool contains(C c) const noexcept {
        return indexOfChar(c, 0) >= 0;
    }
    qsizetype count(char c) const noexcept;
    int compare(QByteArrayView other) const noexcept;

    friend bool operator==(QByteArrayView a, QByteArrayView b) noexcept {
        return a.size() == b.size() &&
               (a.size() == 0 || std::memcmp(a.data(), b.data(), size_t(a.size())) == 0);
    }
    friend bool operator!=(QByteArrayView a, QByteArrayView b) noexcept { return !(a == b); }
    friend bool operator<(QByteArrayView a, QByteArrayView b) noexcept { return a.compare(b) < 0; }

private:
    qsizetype indexOfChar(char c, qsizetype from) const noexcept;
    qsizetype lastIndexOfChar(char c) const noexcept;
    static constexpr qsizetype lengthUpToNul(const char* text, std::size_t n) {
        qsizetype i = 0;
        while (std::size_t(i) < n && text[i] != '\0')
            ++i;
        return i;
    }

    const char* data_ = nullptr;
    qsizetype size_ = 0;
};

inline QByteArrayView QByteArrayView::mid(qsizetype pos, qsizetype n) const {
    if (pos < 0) {
        if (n >= 0)
            n += pos;
        pos = 0;
    }
    if (pos >= size_)
        return {data_ + size_, qsizetype(0)};
    if (n < 0 || n > size_ - pos)
        n = size_ - pos;
    return {data_ + pos, n};
}

inline bool QByteArrayView::startsWith(QByteArrayView other) const noexcept {
    return other.size_ <= size_ && first(other.size_) == other;
}

inline bool QByteArrayView::endsWith(QByteArrayView other) const noexcept {
    return other.size_ <= size_ && last(other.size_) == other;
}

inline qsizetype QByteArrayView::indexOf(QByteArrayView other, qsizetype from) const noexcept {
    if (from < 0)
        from = qMax<qsizetype>(0, size_ + from);
    for (qsizetype i = from; i + other.size_ <= size_; ++i)
        if (sliced(i, other.size_) == other)
            return i;
    return -1;
}

inline qsizetype QByteArrayView::indexOfChar(char c, qsizetype from) const noexcept {
    if (from < 0)
        from = qMax<qsizetype>(0, size_ + from);
    for (qsizetype i = from; i < size_; ++i)
        if (data_[i] == c)
            return i;
    return -1;
}

inline qsizetype QByteArrayView::lastIndexOf(QByteArrayView other) const noexcept {
    for (qsizetype i = size_ - other.size_; i >= 0; --i)
        if (sliced(i, other.size_) == other)
            return i;
    return -1;
}

inline qsizetype QByteArrayView::lastIndexOfChar(char c) const noexcept {
    for (qsizetype i = size_ - 1; i >= 0; --i)
        if (data_[i] == c)
            return i;
    return -1;
}

inline qsizetype QByteArrayView::count(char c) const noexcept {
    qsizetype n = 0;
    for (char x : *this)
        n += x == c;
    return n;
}

inline int QByteArrayView::compare(QByteArrayView other) const noexcept {
    const int r = size_ == 0 || other.size_ == 0
                      ? 0
                      : std::memcmp(data_, other.data_, size_t(qMin(size_, other.size_)));
    return r != 0 ? r : (size_ < other.size_ ? -1 : size_ > other.size_ ? 1 : 0);
}

// Appending a view, as Qt 6's QByteArray takes one.
inline QByteArray& operator+=(QByteArray& bytes, QByteArrayView more) {
    return bytes.append(more.data(), int(more.size()));
}
#endif
