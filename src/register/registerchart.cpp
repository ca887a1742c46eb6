#include "register/registerchart.h"

#include "register/registertext.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const QColor kReceived(31, 97, 173);
const QColor kSent(46, 139, 87);
const QColor kInk(40, 40, 40);
const QColor kGrid(200, 200, 200);
const QColor kMarked(255, 240, 170);

// 1, 2, 5, 10, 20, 50, ...: a top for the scale at or above value.
int niceTop(int value) {
    if (value <= 1)
        return 1;
    int step = 1;
    for (;;) {
        for (const int m : {1, 2, 5})
            if (value <= m * step)
                return m * step;
        step *= 10;
    }
}

struct TBars {
    QList<int> received, sent;
    QStringList labels;
    int marked = -1;
};

// Pairs of bars over a scale: received left, sent right, one pair a column.
void paintBars(QPainter& p, const QRectF& area, const TBars& bars) {
    const QFontMetricsF fm(p.font());
    const int columns = int(bars.received.size());
    if (columns == 0 || area.width() <= 0 || area.height() <= 2 * fm.height())
        return;
    int most = 0;
    for (int i = 0; i < columns; ++i)
        most = std::max({most, bars.received.at(i), bars.sent.at(i)});
    const int top = niceTop(most);
    const qreal left = area.left() + fm.horizontalAdvance(QString::number(top)) + fm.height() / 3;
    const QRectF plot(left, area.top() + fm.height() / 2, area.right() - left,
                      area.height() - fm.height() * 1.6);
    const qreal column = plot.width() / columns;
    if (bars.marked >= 0 && bars.marked < columns)
        p.fillRect(QRectF(plot.left() + bars.marked * column, plot.top(), column, plot.height()),
                   kMarked);

    p.setPen(QPen(kGrid, 0));
    for (const int value : {top / 2, top}) {
        // The middle line only where it falls on a whole number.
        if (value == 0 || (value == top / 2 && top % 2 != 0))
            continue;
        const qreal y = plot.bottom() - plot.height() * value / top;
        p.setPen(QPen(kGrid, 0));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(kInk);
        p.drawText(QRectF(area.left(), y - fm.height() / 2, left - area.left() - fm.height() / 4,
                          fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }
    for (int i = 0; i < columns; ++i) {
        const qreal x = plot.left() + i * column;
        const qreal width = column * 0.38;
        for (const bool sent : {false, true}) {
            const int value = (sent ? bars.sent : bars.received).at(i);
            if (value <= 0)
                continue;
            const qreal h = plot.height() * value / top;
            p.fillRect(QRectF(x + column * (sent ? 0.5 : 0.1), plot.bottom() - h, width, h),
                       sent ? kSent : kReceived);
        }
    }
    p.setPen(QPen(kInk, 0));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    // As many labels as fit side by side.
    qreal widest = 0;
    for (const QString& label : bars.labels)
        widest = std::max(widest, fm.horizontalAdvance(label));
    const int every = std::max(1, int(std::ceil((widest + fm.height() / 3) / column)));
    for (int i = 0; i < columns && i < bars.labels.size(); ++i) {
        // The marked column's label always, its neighbours' where they fit.
        const bool crowding =
            bars.marked >= 0 && i != bars.marked && std::abs(i - bars.marked) < every;
        if ((i % every != 0 && i != bars.marked) || crowding)
            continue;
        const qreal centre = plot.left() + (i + 0.5) * column;
        p.drawText(
            QRectF(centre - widest, plot.bottom() + fm.height() * 0.1, 2 * widest, fm.height()),
            Qt::AlignHCenter | Qt::AlignTop, bars.labels.at(i));
    }
}

void paintLegend(QPainter& p, const QRectF& line) {
    const QFontMetricsF fm(p.font());
    qreal x = line.right();
    for (const bool sent : {true, false}) {
        const QString text = RegisterSectionTitle(sent ? 2 : 0);
        x -= fm.horizontalAdvance(text);
        p.setPen(kInk);
        p.drawText(QRectF(x, line.top(), fm.horizontalAdvance(text) + 1, line.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        const qreal box = fm.height() * 0.6;
        x -= box + fm.height() * 0.3;
        p.fillRect(QRectF(x, line.center().y() - box / 2, box, box), sent ? kSent : kReceived);
        x -= fm.height();
    }
}

}  // namespace

TRegisterChartData RegisterChartData(const TRegisterDay& day,
                                     const QList<TRegisterDayTotal>& strip) {
    TRegisterChartData data;
    data.receivedPerHour = day.receivedPerHour;
    data.sentPerHour = day.sentPerHour;
    data.strip = strip;
    data.day = day.date;
    return data;
}

void PaintRegisterChart(QPainter& p, const QRectF& area, const TRegisterChartData& data) {
    p.save();
    p.fillRect(area, Qt::white);
    const QFontMetricsF fm(p.font());
    const qreal line = fm.height() * 1.2;
    const qreal hoursHeight = (area.height() - 2 * line) * 0.55;

    p.setPen(kInk);
    QRectF title(area.left(), area.top(), area.width(), line);
    p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Телеграммы по часам"));
    paintLegend(p, title);
    TBars hours;
    for (int h = 0; h < 24; ++h) {
        hours.received << data.receivedPerHour.at(size_t(h));
        hours.sent << data.sentPerHour.at(size_t(h));
        hours.labels << QString::number(h);
    }
    paintBars(p, QRectF(area.left(), title.bottom(), area.width(), hoursHeight), hours);

    title.moveTop(title.bottom() + hoursHeight);
    p.setPen(kInk);
    p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("За %1 дней по день журнала").arg(data.strip.size()));
    TBars days;
    for (const TRegisterDayTotal& total : data.strip) {
        if (total.date == data.day)
            days.marked = int(days.received.size());
        days.received << total.received;
        days.sent << total.sent;
        days.labels << total.date.toString(QStringLiteral("dd.MM"));
    }
    paintBars(p, QRectF(area.left(), title.bottom(), area.width(), area.bottom() - title.bottom()),
              days);
    p.restore();
}

TRegisterChart::TRegisterChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Chart_Register"));
    setFocusPolicy(Qt::NoFocus);
    setMinimumHeight(220);
}

void TRegisterChart::SetData(const TRegisterChartData& data) {
    data_ = data;
    update();
}

QSize TRegisterChart::sizeHint() const {
    return {720, 280};
}

void TRegisterChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    PaintRegisterChart(p, QRectF(rect()).adjusted(6, 4, -6, -4), data_);
}
