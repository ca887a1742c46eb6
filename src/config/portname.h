#pragma once

#include <QString>
#include <QStringView>

// Serial port settings (SERVER/COM, PERFORATOR/COM). A setting is one of
//  - a device name under /dev: "ttyS0", "ttyUSB0", "ttyACM0", "rfcomm0", ...
//    ("tty" or "rfcomm" followed by letters, digits, '_', '-' or '.');
//  - a full device path under /dev: "/dev/pts/7", "/dev/serial/by-id/...";
//  - "COMn" (upper case, n >= 1) from settings files carried over from
//    Windows, meaning /dev/ttyS(n-1); as on Windows only the first five
//    characters count, so "COM12x" is COM12.
// The setting is kept as written, so that a file keeps its "COM2"; the device
// is resolved when the port is opened.

// What a setting that is none of the above becomes.
inline constexpr char16_t kDefaultPortSetting[] = u"ttyS0";

bool IsPortSetting(QStringView setting);

// The device path of a setting ("COM3" -> "/dev/ttyS2", "ttyUSB0" ->
// "/dev/ttyUSB0"), or empty when the setting is not a port.
QString PortDevicePath(QStringView setting);
