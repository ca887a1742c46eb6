#include "line/portlist.h"

#include <QSerialPortInfo>

namespace {

// The adapters are FTDI FT232R bridges; the first character of the serial
// number programmed into them tells the line adapter from the tape adapter.
constexpr quint16 kAdapterVendor = 0x0403;
constexpr quint16 kAdapterProduct = 0x6001;
constexpr qsizetype kSerialLength = 8;

}  // namespace

QString TPortRecord::DisplayText() const {
    switch (Kind) {
        case LineAdapter:
            return Name + QStringLiteral(" ЛИН-9 ") + UsbSerial;
        case TapeAdapter:
            return Name + QStringLiteral(" ЛЕНТ-9 ") + UsbSerial;
        default:
            return Name;
    }
}

QList<TPortDevice> SystemPorts() {
    QList<TPortDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        TPortDevice d;
        d.name = info.portName();
        d.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        d.vendor = info.vendorIdentifier();
        d.product = info.productIdentifier();
        d.serialNumber = info.serialNumber();
        devices.append(d);
    }
    return devices;
}

QList<TPortRecord> ListPorts(const PortEnumerator& enumerate) {
    QList<TPortRecord> records;
    for (const TPortDevice& d : enumerate()) {
        if (d.name.isEmpty())
            continue;
        TPortRecord r;
        r.Name = d.name;
        if (d.hasUsbIds && d.vendor == kAdapterVendor && d.product == kAdapterProduct &&
            !d.serialNumber.isEmpty()) {
            const QChar first = d.serialNumber.front();
            if (first == u'1' || first == u'3')
                r.Kind = TPortRecord::LineAdapter;
            else if (first == u'2')
                r.Kind = TPortRecord::TapeAdapter;
            if (r.Kind != TPortRecord::Ordinary)
                r.UsbSerial = d.serialNumber.left(kSerialLength);
        }
        records.append(r);
    }
    return records;
}
