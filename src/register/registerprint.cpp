#include "register/registerprint.h"

#include "print/pageprint.h"
#include "register/registerchart.h"
#include "register/registertext.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>
#include <functional>

namespace {

const QColor kInk(0, 0, 0);
const QColor kAlarm(170, 0, 0);

QFont documentFont(qreal points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Fates the operator has to look into, in red on the page as in the window.
bool needsAttention(const TRegisterEntry& e) {
    switch (e.fate) {
        case TRegisterFate::Receiving:
        case TRegisterFate::CountersDisagreed:
        case TRegisterFate::Distorted:
        case TRegisterFate::Unconfirmed:
        case TRegisterFate::Unreadable:
            return true;
        default:
            return false;
    }
}

struct TTable {
    QString title;
    QStringList columns;
    QList<qreal> shares;  // of the page's width
    QList<TRegisterEntry> entries;
    std::function<QStringList(const TRegisterEntry&)> row;
};

// One pass over the document: without a painter it only counts the pages,
// with one it draws them, numbered out of the count of the first pass.
class TPages {
public:
    TPages(QPagedPaintDevice& device, QPainter* painter, const TRegisterDocument& document,
           int total)
        : device_(device), painter_(painter), document_(document), total_(total) {
        width_ = device.width();
        height_ = device.height();
    }

    // The number of pages, or 0 when the device gave no new page.
    int Run() {
        startPage();
        const TRegisterDay& day = document_.day;
        if (!paragraph(RegisterGapsText(day), documentFont(9.5, true),
                       day.gaps.isEmpty() ? kInk : kAlarm))
            return 0;
        for (const QString& line : RegisterTotalsLines(day))
            if (!paragraph(line, documentFont(8.5), kInk))
                return 0;
        const TTable tables[] = {
            {RegisterSectionTitle(0),
             RegisterReceivedColumns(),
             {0.06, 0.08, 0.06, 0.08, 0.34, 0.05, 0.12, 0.21},
             day.received,
             RegisterReceivedRow},
            {RegisterSectionTitle(1),
             RegisterServiceColumns(),
             {0.06, 0.08, 0.53, 0.12, 0.21},
             day.service,
             RegisterServiceRow},
            {RegisterSectionTitle(2),
             RegisterSentColumns(),
             {0.06, 0.08, 0.06, 0.08, 0.32, 0.19, 0.21},
             day.sent,
             RegisterSentRow},
        };
        for (const TTable& table : tables)
            if (!drawTable(table))
                return 0;
        const qreal chartHeight = std::min(height_ * 0.45, width_ * 0.62);
        y_ += metrics(documentFont(9.5)).height();
        if (!room(chartHeight))
            return 0;
        if (painter_) {
            painter_->setFont(documentFont(7.5));
            PaintRegisterChart(*painter_, QRectF(0, y_, width_, chartHeight),
                               RegisterChartData(day, document_.strip));
        }
        y_ += chartHeight;
        return page_;
    }

private:
    QFontMetricsF metrics(const QFont& font) const { return QFontMetricsF(font, &device_); }

    void startPage() {
        ++page_;
        y_ = 0;
        const QFont font = documentFont(10, true);
        const QFontMetricsF fm = metrics(font);
        const QString left =
            (document_.workstation.isEmpty() ? QString()
                                             : document_.workstation + QStringLiteral(" — ")) +
            RegisterDayTitle(document_.day);
        const QString right = QStringLiteral("Лист %1 из %2").arg(page_).arg(total_);
        if (painter_) {
            painter_->setFont(font);
            painter_->setPen(kInk);
            const QRectF line(0, 0, width_, fm.height());
            painter_->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                               fm.elidedText(left, Qt::ElideRight,
                                             width_ - fm.horizontalAdvance(right) - fm.height()));
            painter_->drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
            painter_->drawLine(QPointF(0, fm.height() * 1.15), QPointF(width_, fm.height() * 1.15));
        }
        y_ = fm.height() * 1.6;
    }

    // Room for height more on this page, or a new page.
    bool room(qreal height) {
        if (y_ + height <= height_)
            return true;
        if (painter_ && !device_.newPage())
            return false;
        startPage();
        return true;
    }

    bool paragraph(const QString& text, const QFont& font, const QColor& colour) {
        const QFontMetricsF fm = metrics(font);
        const int flags = Qt::AlignLeft | Qt::TextWordWrap;
        const QRectF box = fm.boundingRect(QRectF(0, 0, width_, height_), flags, text);
        if (!room(box.height()))
            return false;
        if (painter_) {
            painter_->setFont(font);
            painter_->setPen(colour);
            painter_->drawText(QRectF(0, y_, width_, box.height()), flags, text);
        }
        y_ += box.height() + fm.height() * 0.25;
        return true;
    }

    void cells(const QStringList& texts, const QList<qreal>& shares, const QFontMetricsF& fm,
               const QColor& colour) {
        if (!painter_)
            return;
        painter_->setPen(colour);
        qreal x = 0;
        const qreal pad = fm.height() * 0.15;
        for (int c = 0; c < texts.size() && c < shares.size(); ++c) {
            const qreal w = width_ * shares.at(c);
            painter_->drawText(QRectF(x + pad, y_, w - 2 * pad, fm.height()),
                               Qt::AlignLeft | Qt::AlignVCenter,
                               fm.elidedText(texts.at(c), Qt::ElideRight, w - 2 * pad));
            x += w;
        }
    }

    bool tableHead(const TTable& table, const QFont& bold, qreal line) {
        if (!room(line * 2.4))
            return false;
        if (painter_)
            painter_->setFont(bold);
        cells(table.columns, table.shares, metrics(bold), kInk);
        y_ += line;
        if (painter_)
            painter_->drawLine(QPointF(0, y_), QPointF(width_, y_));
        y_ += line * 0.15;
        return true;
    }

    bool drawTable(const TTable& table) {
        const QFont heading = documentFont(9.5, true);
        const QFont bold = documentFont(7.5, true);
        const QFont plain = documentFont(7.5);
        const QFontMetricsF fm = metrics(plain);
        const qreal line = fm.height() * 1.1;
        y_ += line * 0.5;
        if (!room(metrics(heading).height() + line * 3))
            return false;
        if (painter_) {
            painter_->setFont(heading);
            painter_->setPen(kInk);
            painter_->drawText(
                QRectF(0, y_, width_, metrics(heading).height()), Qt::AlignLeft | Qt::AlignVCenter,
                table.title + QStringLiteral(" (") + QString::number(table.entries.size()) + u')');
        }
        y_ += metrics(heading).height() * 1.2;
        if (!tableHead(table, bold, line))
            return false;
        for (const TRegisterEntry& e : table.entries) {
            if (y_ + line > height_) {
                if (!room(height_ + 1) || !tableHead(table, bold, line))
                    return false;
            }
            if (painter_)
                painter_->setFont(plain);
            cells(table.row(e), table.shares, fm, needsAttention(e) ? kAlarm : kInk);
            y_ += line;
        }
        return true;
    }

    QPagedPaintDevice& device_;
    QPainter* painter_;
    const TRegisterDocument& document_;
    const int total_;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal y_ = 0;
    int page_ = 0;
};

}  // namespace

QString PaintRegisterDocument(QPagedPaintDevice& device, const TRegisterDocument& document) {
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(15, 12, 12, 12), QPageLayout::Millimeter);
    const int pages = TPages(device, nullptr, document, 0).Run();
    QPainter painter;
    if (pages == 0 || !painter.begin(&device))
        return QStringLiteral("Не удалось начать документ журнала");
    const bool painted = TPages(device, &painter, document, pages).Run() == pages;
    // Ended on failure too: the printer is freed for the next job.
    const bool ended = painter.end();
    if (!painted || !ended)
        return QStringLiteral("Ошибка при выводе журнала");
    return QString();
}

QString WriteRegisterPdf(const QString& path, const TRegisterDocument& document) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
               file.errorString();
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(300);
        pdf.setTitle(RegisterDayTitle(document.day));
        pdf.setCreator(QStringLiteral("TARVO/COM"));
        const QString error = PaintRegisterDocument(pdf, document);
        if (!error.isEmpty()) {
            file.cancelWriting();
            return error;
        }
    }
    if (!file.commit())
        return QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
               file.errorString();
    return QString();
}

QString PrintRegister(int printerIndex, const TRegisterDocument& document) {
    QPrinter printer(QPrinter::HighResolution);
    QString error;
    if (!SelectPagePrinter(printer, printerIndex, &error))
        return error;
    printer.setDocName(RegisterDayTitle(document.day));
    error = PaintRegisterDocument(printer, document);
    return error.isEmpty() ? QString()
                           : error + QStringLiteral(" (принтер ") + printer.printerName() + u')';
}
