#include "config/portname.h"

#include <QList>

namespace {

bool isNameChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'-' || c == u'.';
}

// The n of "COMn", or 0 when the setting is not one.
int comNumber(QStringView setting) {
    if (!setting.startsWith(u"COM"))
        return 0;
    const QStringView digits = setting.left(5).mid(3);
    if (digits.isEmpty())
        return 0;
    int n = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

bool isDeviceName(QStringView setting) {
    qsizetype prefix = 0;
    if (setting.startsWith(u"tty"))
        prefix = 3;
    else if (setting.startsWith(u"rfcomm"))
        prefix = 6;
    else
        return false;
    if (setting.size() == prefix)
        return false;
    for (QChar c : setting) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

bool isDevicePath(QStringView setting) {
    if (!setting.startsWith(u"/dev/") || setting.size() == 5 || setting.endsWith(u'/'))
        return false;
    for (QStringView part : setting.mid(5).split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
    }
    for (QChar c : setting) {
        if (c.unicode() <= u' ')
            return false;
    }
    return true;
}

}  // namespace

bool IsPortSetting(QStringView setting) {
    return comNumber(setting) > 0 || isDeviceName(setting) || isDevicePath(setting);
}

QString PortDevicePath(QStringView setting) {
    if (const int n = comNumber(setting); n > 0)
        return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
    if (isDeviceName(setting))
        return QStringLiteral("/dev/") + setting.toString();
    if (isDevicePath(setting))
        return setting.toString();
    return {};
}
