#pragma once

#include "register/register.h"

#include <QList>
#include <QWidget>

class QPainter;

// The register's chart, drawn with QPainter alone (no charting library:
// the certified desktops carry none for both Qt versions): the day's
// received and sent telegrams hour by hour as bars, and below it the daily
// totals of the days of the strip, the register's day marked.
struct TRegisterChartData {
    std::array<int, 24> receivedPerHour{};
    std::array<int, 24> sentPerHour{};
    QList<TRegisterDayTotal> strip;
    QDate day;
};

TRegisterChartData RegisterChartData(const TRegisterDay& day,
                                     const QList<TRegisterDayTotal>& strip);

// Draws the chart into area with the painter's font, in dark ink on a light
// ground (the window and the page alike).
void PaintRegisterChart(QPainter& painter, const QRectF& area, const TRegisterChartData& data);

class TRegisterChart : public QWidget {
    Q_OBJECT
public:
    explicit TRegisterChart(QWidget* parent = nullptr);
    void SetData(const TRegisterChartData& data);
    const TRegisterChartData& Data() const { return data_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TRegisterChartData data_;
};
