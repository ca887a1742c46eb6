#include "config/portname.h"

#include "support/testhome.h"

#include <gtest/gtest.h>

namespace {

TEST(PortSetting, ResolvesEveryFormAndRejectsTheRest) {
    const struct {
        const char16_t* setting;
        const char* device;  // nullptr: not a port setting
    } cases[] = {
        {kDefaultPortSetting, "/dev/ttyS0"},
        {u"ttyUSB0", "/dev/ttyUSB0"},
        {u"ttyACM3", "/dev/ttyACM3"},
        {u"ttymxc1", "/dev/ttymxc1"},
        {u"rfcomm0", "/dev/rfcomm0"},
        {u"/dev/pts/7", "/dev/pts/7"},
        {u"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
         "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
        {u"COM1", "/dev/ttyS0"},
        {u"COM2", "/dev/ttyS1"},
        {u"COM12", "/dev/ttyS11"},
        {u"COM12x", "/dev/ttyS11"},  // only five characters count, as on Windows
        {u"COM", nullptr},
        {u"COM0", nullptr},
        {u"COMx", nullptr},
        {u"com2", nullptr},  // lower case was never a port name
        {u"", nullptr},
        {u"tty", nullptr},
        {u"ttyS0 ", nullptr},
        {u"tty/../sda", nullptr},
        {u"sda", nullptr},
        {u"/dev/", nullptr},
        {u"/dev/../etc/passwd", nullptr},
        {u"/dev/pts/", nullptr},
        {u"/tmp/port", nullptr},
        {u"LPT1", nullptr},
    };
    for (const auto& c : cases) {
        const QString setting = QString::fromUtf16(c.setting);
        EXPECT_EQ(IsPortSetting(setting), c.device != nullptr) << setting.toStdString();
        EXPECT_EQ(PortDevicePath(setting), QString::fromLatin1(c.device)) << setting.toStdString();
    }
}

}  // namespace
