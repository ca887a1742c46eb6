#pragma once

#include <QList>
#include <QString>

#include <functional>

// The serial ports of the machine, with the line and tape adapters
// recognised by their USB identifiers, for the settings dialog.

// What the system says about one port.
struct TPortDevice {
    QString name;  // "ttyUSB0"
    bool hasUsbIds = false;
    quint16 vendor = 0;
    quint16 product = 0;
    QString serialNumber;
};

struct TPortRecord {
    enum Kind { Ordinary = 0, LineAdapter = 1, TapeAdapter = 2 };
    QString Name;
    int Kind = Ordinary;
    QString UsbSerial;  // kinds 1 and 2: up to 8 characters of the USB serial number

    // Offered as the line port (ordinary ports and line adapters) and as the
    // tape port (ordinary ports and tape adapters).
    bool OfferedForLine() const { return Kind != TapeAdapter; }
    bool OfferedForTape() const { return Kind != LineAdapter; }
    // The text of the port lists: "ttyUSB0", "ttyUSB1 ЛИН-9 1A2B3C4D",
    // "ttyUSB2 ЛЕНТ-9 2A1B3C4D".
    QString DisplayText() const;
};

using PortEnumerator = std::function<QList<TPortDevice>()>;

// The ports the system knows of (through udev). Pseudo-terminals are not
// among them.
QList<TPortDevice> SystemPorts();

// Every port found, in the enumerator's order.
QList<TPortRecord> ListPorts(const PortEnumerator& enumerate = SystemPorts);
