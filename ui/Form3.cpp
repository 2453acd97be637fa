#include "Form3.h"

#include "Fsrs.h"
#include "UiTexts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A chart without title or legend on the window's own background, in its font.
QChart* plainChart(QWidget* window)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundBrush(window->palette().window());
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->hide();
    QFont font = window->font();
    font.setPointSizeF(8);
    chart->legend()->setFont(font);
    return chart;
}

// Adds an axis to a chart, in the window's font at a size its labels fit.
void addAxis(QChart* chart, QAbstractAxis* axis, Qt::Alignment alignment, const QWidget* window)
{
    QFont font = window->font();
    font.setPointSizeF(7.5);
    axis->setLabelsFont(font);
    axis->setTitleFont(font);
    chart->addAxis(axis, alignment);
}

// The value axis of a count: from 0 to the largest, rounded up to a tick, with ticks at whole
// numbers 1, 2 or 5 times a power of ten apart, at most five above zero. Ticks of a fraction
// would show "0" again and again under a largest count of 1.
void fitCountAxis(QValueAxis* axis, qsizetype largest)
{
    qsizetype step = 1;
    for (qsizetype unit = 1;; unit *= 10) {
        if (largest <= 5 * unit || largest <= 10 * unit || largest <= 25 * unit) {
            step = largest <= 5 * unit ? unit : largest <= 10 * unit ? 2 * unit : 5 * unit;
            break;
        }
    }
    const qsizetype top = std::max(step, (largest + step - 1) / step * step);
    axis->setRange(0, double(top));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(double(step));
    axis->setLabelFormat(u"%d"_s);
}

} // namespace

Form3::Form3(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    ui.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    setWindowTitle(UiTexts::Stats::windowTitle);
    ui.Label2->setText(UiTexts::Stats::statesCaption);
    ui.Label3->setText(UiTexts::Stats::forecastCaption);
    ui.Label4->setText(UiTexts::Stats::retentionCaption);
    for (QLabel* caption : {ui.Label2, ui.Label3, ui.Label4}) {
        QFont font = caption->font();
        font.setPointSizeF(8.25);
        caption->setFont(font);
    }

    // Titles by state: three bars.
    QChart* states = plainChart(this);
    m_states = new QBarSet(UiTexts::Stats::titlesSeries);
    m_states->append({0, 0, 0});
    m_states->setColor(QColor(0, 128, 0));
    auto* stateBars = new QBarSeries;
    stateBars->append(m_states);
    states->addSeries(stateBars);
    auto* stateNames = new QBarCategoryAxis;
    stateNames->append(
        {UiTexts::Stats::freshName, UiTexts::Stats::learningName, UiTexts::Stats::knownName});
    m_statesAxis = new QValueAxis;
    addAxis(states, stateNames, Qt::AlignBottom, this);
    addAxis(states, m_statesAxis, Qt::AlignLeft, this);
    stateBars->attachAxis(stateNames);
    stateBars->attachAxis(m_statesAxis);
    ui.Chart1->setChart(states);

    // The forecast: a bar a day. Bar categories can't be left unnamed, so the days are
    // numbered on a value axis of their own, every fifth one.
    QChart* forecast = plainChart(this);
    m_forecast = new QBarSet(UiTexts::Stats::dueSeries);
    m_forecast->setColor(QColor(0, 96, 192));
    QStringList dayNames;
    for (int day = 0; day < ReviewStats::kForecastDays; ++day) {
        m_forecast->append(0);
        dayNames << QString::number(day);
    }
    auto* dueBars = new QBarSeries;
    dueBars->setBarWidth(0.8);
    dueBars->append(m_forecast);
    forecast->addSeries(dueBars);
    auto* dayBars = new QBarCategoryAxis;
    dayBars->append(dayNames);
    dayBars->setVisible(false);
    auto* days = new QValueAxis;
    days->setRange(-0.5, ReviewStats::kForecastDays - 0.5);
    days->setTickType(QValueAxis::TicksDynamic);
    days->setTickAnchor(0);
    days->setTickInterval(5);
    days->setLabelFormat(u"%d"_s);
    days->setGridLineVisible(false);
    days->setTitleText(UiTexts::Stats::daysAxis);
    m_forecastAxis = new QValueAxis;
    addAxis(forecast, dayBars, Qt::AlignBottom, this);
    addAxis(forecast, days, Qt::AlignBottom, this);
    addAxis(forecast, m_forecastAxis, Qt::AlignLeft, this);
    dueBars->attachAxis(dayBars);
    dueBars->attachAxis(m_forecastAxis);
    ui.Chart2->setChart(forecast);

    // Retention: a point a week with answers, beside the scheduler's aim.
    QChart* retention = plainChart(this);
    retention->legend()->show();
    retention->legend()->setAlignment(Qt::AlignRight);
    m_retention = new QLineSeries;
    m_retention->setName(UiTexts::Stats::retentionSeries);
    m_retention->setPointsVisible(true);
    m_retention->setPen(QPen(QColor(0, 128, 0), 2));
    auto* target = new QLineSeries;
    target->setName(UiTexts::Stats::targetSeries);
    const double aim = 100 * Fsrs::kDesiredRetention;
    target->append({{1.0 - ReviewStats::kWeeks, aim}, {0, aim}});
    target->setPen(QPen(QColor(192, 0, 0), 1, Qt::DashLine));
    retention->addSeries(m_retention);
    retention->addSeries(target);
    auto* weeks = new QValueAxis;
    weeks->setRange(1.0 - ReviewStats::kWeeks, 0);
    weeks->setTickCount(6);
    weeks->setLabelFormat(u"%d"_s);
    weeks->setTitleText(UiTexts::Stats::weeksAxis);
    auto* percent = new QValueAxis;
    percent->setRange(0, 100);
    percent->setTickCount(6);
    percent->setLabelFormat(u"%d"_s);
    addAxis(retention, weeks, Qt::AlignBottom, this);
    addAxis(retention, percent, Qt::AlignLeft, this);
    for (QLineSeries* line : {m_retention, target}) {
        line->attachAxis(weeks);
        line->attachAxis(percent);
    }
    ui.Chart3->setChart(retention);

    for (QChartView* view : {ui.Chart1, ui.Chart2, ui.Chart3}) {
        view->setRenderHint(QPainter::Antialiasing);
        view->setBackgroundBrush(palette().window());
    }
    connect(ui.Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::Open(const ReviewStats& stats, const QString& category)
{
    qsizetype month = 0;
    for (const qsizetype due : stats.forecast)
        month += due;
    qsizetype right = 0;
    qsizetype total = 0;
    for (const ReviewStats::Week& week : stats.weeks) {
        right += week.right;
        total += week.total;
    }
    ui.Label1->setText(
        UiTexts::Stats::titlesLine(category.isEmpty() ? UiTexts::Stats::wholeBook : category,
                                   stats.titles(), stats.fresh, stats.learning, stats.known,
                                   stats.forecast[0], month) +
        u'\n' + UiTexts::Stats::answersLine(right, total));

    const qsizetype counts[] = {stats.fresh, stats.learning, stats.known};
    for (int i = 0; i < 3; ++i)
        m_states->replace(i, double(counts[i]));
    fitCountAxis(m_statesAxis, *std::max_element(std::begin(counts), std::end(counts)));

    for (int day = 0; day < ReviewStats::kForecastDays; ++day)
        m_forecast->replace(day, double(stats.forecast[day]));
    fitCountAxis(m_forecastAxis, *std::max_element(stats.forecast.begin(), stats.forecast.end()));

    QList<QPointF> points;
    for (int week = 0; week < ReviewStats::kWeeks; ++week)
        if (const ReviewStats::Week& w = stats.weeks[week]; w.total > 0)
            points.append({double(week + 1 - ReviewStats::kWeeks),
                           100.0 * double(w.right) / double(w.total)});
    m_retention->replace(points);

    if (isVisible())
        raise();
    show();
    activateWindow();
}

void Form3::Command1_Click()
{
    close();
}
