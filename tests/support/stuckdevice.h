#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A character printer that has stopped taking bytes (out of paper): a named
// pipe whose reader holds it open, never reads, and leaves room for 4 096
// bytes. Unplug() closes the reader: then nobody is there at all.
class StuckDevice {
public:
    explicit StuckDevice(const QString& path) : path_(QFile::encodeName(path)) {
        if (::mkfifo(path_.constData(), 0600) == 0)
            reader_ = ::open(path_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ready_ = reader_ >= 0 && ::fcntl(reader_, F_SETPIPE_SZ, 4096) > 0;
    }
    ~StuckDevice() { Unplug(); }
    StuckDevice(const StuckDevice&) = delete;
    StuckDevice& operator=(const StuckDevice&) = delete;

    bool Ready() const { return ready_; }
    const QByteArray& Path() const { return path_; }
    void Unplug() {
        if (reader_ >= 0)
            ::close(reader_);
        reader_ = -1;
    }

private:
    QByteArray path_;
    int reader_ = -1;
    bool ready_ = false;
};
