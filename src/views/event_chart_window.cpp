// The chart window: the data comes from event_chart_data.h; this file draws it with Qt Charts,
// fills the table, and follows the pointer and the arrows over the points.
#include "views/event_chart_window.h"

#include <QAccessible>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "views/window_placement.h"

namespace lintaro::views {

// The chart's widget: takes the keyboard and the pointer over the points and hands them to the
// window, which knows the series.
class ChartPointsView : public QChartView {
  public:
    explicit ChartPointsView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setRenderHint(QPainter::Antialiasing);
    }

    std::function<bool(int key)> on_key;
    std::function<void(QPointF at)> on_pointer;
    std::function<void()> on_focus;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->modifiers() == Qt::NoModifier && on_key && on_key(event->key())) return;
        QChartView::keyPressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (on_pointer) on_pointer(event->position());
        QChartView::mouseMoveEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QChartView::focusInEvent(event);
        ShowFocus(true);
        if (on_focus) on_focus();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QChartView::focusOutEvent(event);
        ShowFocus(false);
    }

  private:
    // The keyboard is here: a frame round the chart, as other controls show their focus.
    void ShowFocus(bool on) {
        chart()->setBackgroundPen(on ? QPen(palette().color(QPalette::Highlight), 2)
                                     : QPen(Qt::NoPen));
    }
};

namespace {

constexpr int kMarkerSize = 9;
// The nearest point within this many pixels of the pointer is shown.
constexpr double kPointerReach = 12.0;

bool IsDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

// The outcomes' colours, readable on the light and the dark chart themes; the markers and dashes
// tell the same apart without colour.
QColor OutcomeColour(int outcome, bool dark) {
    static const QColor kLight[] = {QColor(0x1a, 0x56, 0xb8), QColor(0x2e, 0x7d, 0x32),
                                    QColor(0xc6, 0x28, 0x28)};
    static const QColor kDark[] = {QColor(0x82, 0xb4, 0xff), QColor(0x8f, 0xd6, 0x94),
                                   QColor(0xff, 0x8a, 0x80)};
    return (dark ? kDark : kLight)[std::abs(outcome) % 3];
}

// A marker of the outcome's shape: circle, square, triangle.
QImage MarkerImage(int outcome, const QColor& fill, const QColor& edge) {
    constexpr int kSide = 4 * kMarkerSize;  // drawn large, scaled down by the chart
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(edge, kSide / 9.0));
    painter.setBrush(fill);
    const QRectF box(kSide * 0.12, kSide * 0.12, kSide * 0.76, kSide * 0.76);
    switch (outcome % 3) {
        case 0:
            painter.drawEllipse(box);
            break;
        case 1:
            painter.drawRect(box);
            break;
        default: {
            QPainterPath triangle;
            triangle.moveTo(box.center().x(), box.top());
            triangle.lineTo(box.right(), box.bottom());
            triangle.lineTo(box.left(), box.bottom());
            triangle.closeSubpath();
            painter.drawPath(triangle);
            break;
        }
    }
    return image;
}

QString TimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString TroubleText(HistoryTrouble trouble, const QString& detail) {
    switch (trouble) {
        case HistoryTrouble::kNone:
            return QStringLiteral(
                "В истории цен этого события нет: ни одно записанное обновление линии его ещё не "
                "застало. График появится после следующих обновлений.");
        case HistoryTrouble::kNoHistory:
            return QStringLiteral(
                "Истории цен ещё нет. Окно записывает линию при каждом обновлении, пока в меню "
                "заголовка таблицы включено «Хранить историю»; график появится после следующих "
                "обновлений.");
        case HistoryTrouble::kSwitchedOff:
            return QStringLiteral(
                "История цен не хранится: в меню заголовка таблицы выключено «Хранить историю». "
                "Включите его, и график появится после следующих обновлений.");
        case HistoryTrouble::kUnreadable:
            return QStringLiteral("Историю цен не удалось прочитать: ") + detail;
    }
    return {};
}

// The x of a time on the chart's time axis.
qreal AxisTime(const QDateTime& time) { return static_cast<qreal>(time.toMSecsSinceEpoch()); }

}  // namespace

// What the window draws over the chart: the shown point's ring and its label.
struct EventChartWindow::Drawn {
    std::vector<QLineSeries*> series;  // per Data().series, null for one with no point
    QGraphicsEllipseItem* ring = nullptr;
    QGraphicsRectItem* label_box = nullptr;
    QGraphicsSimpleTextItem* label = nullptr;
    int shown_series = -1;
    int shown_index = -1;
};

EventChartWindow::EventChartWindow(EventChart chart, QWidget* parent)
    : QDialog(parent), chart_(std::move(chart)), drawn_(std::make_unique<Drawn>()) {
    setObjectName(QStringLiteral("EventChartWindow"));
    setWindowTitle(QStringLiteral("График: ") + chart_.event);
    setAccessibleName(windowTitle());
    setSizeGripEnabled(true);

    market_box_ = new QComboBox(this);
    market_box_->setObjectName(QStringLiteral("market"));
    market_box_->setAccessibleName(QStringLiteral("Ставка"));
    for (const ChartMarket market : kChartMarkets) {
        market_box_->addItem(ChartMarketName(market), static_cast<int>(market));
    }
    auto* market_label = new QLabel(QStringLiteral("&Ставка:"), this);
    market_label->setBuddy(market_box_);
    auto* market_row = new QHBoxLayout;
    market_row->addWidget(market_label);
    market_row->addWidget(market_box_);
    market_row->addStretch(1);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* qchart = new QChart;
    qchart->legend()->setAlignment(Qt::AlignBottom);
    qchart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    qchart->setBackgroundRoundness(0);
    view_ = new ChartPointsView(qchart, this);
    view_->setObjectName(QStringLiteral("chart"));
    view_->setMinimumSize(420, 260);
    view_->on_key = [this](int key) { return MoveByKey(key); };
    view_->on_pointer = [this](QPointF at) { PointAt(at); };
    // The chart is laid out when shown and on every resize: the point shown follows it.
    connect(qchart, &QChart::plotAreaChanged, this, [this] {
        if (drawn_->shown_series >= 0) ShowPoint(drawn_->shown_series, drawn_->shown_index);
    });
    view_->on_focus = [this] {
        if (drawn_->shown_series < 0) MoveByKey(Qt::Key_Home);
    };

    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("prices"));
    table_->setAccessibleName(QStringLiteral("Таблица цен"));
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    // The columns keep their texts' widths: a stretched last column would part its prices from
    // their captions.
    table_->horizontalHeader()->setStretchLastSection(false);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setAccessibleName(QStringLiteral("Вид"));
    tabs_->addTab(view_, QStringLiteral("&График"));
    tabs_->addTab(table_, QStringLiteral("&Таблица"));

    message_label_ = new QLabel(this);
    message_label_->setObjectName(QStringLiteral("message"));
    message_label_->setWordWrap(true);
    message_label_->setAlignment(Qt::AlignCenter);
    message_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_label_->setMargin(24);

    // The point's line speaks of the chart: it shows with the chart's tab.
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int tab) { point_->setVisible(message_.isEmpty() && tab == 0); });

    pages_ = new QStackedWidget(this);
    pages_->addWidget(tabs_);
    pages_->addWidget(message_label_);

    point_ = new QLabel(this);
    point_->setObjectName(QStringLiteral("point"));
    point_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(QStringLiteral("Закрыть"));
    close->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(market_row);
    layout->addWidget(summary_);
    layout->addWidget(pages_, 1);
    layout->addWidget(point_);
    layout->addWidget(buttons);
    setTabOrder(market_box_, tabs_);
    setTabOrder(tabs_, view_);
    setTabOrder(view_, table_);
    setTabOrder(table_, close);
    resize(820, 560);

    bool any_point = false;
    for (const ChartSide& side : chart_.sides) any_point = any_point || !side.points.empty();
    if (chart_.trouble != HistoryTrouble::kNone || !any_point) {
        message_ = TroubleText(chart_.trouble, chart_.detail);
        message_label_->setText(message_);
        message_label_->setAccessibleName(message_);
        pages_->setCurrentWidget(message_label_);
        market_box_->setEnabled(false);
        market_box_->hide();
        market_label->hide();
        summary_->hide();
        point_->hide();
        setAccessibleDescription(message_);
        close->setFocus();
        resize(560, 260);
        return;
    }

    // The match result unless the event was never quoted for it.
    for (const ChartMarket market : kChartMarkets) {
        if (BuildChartData(chart_.sides, market, chart_.decimal_mark).any_price) {
            market_ = market;
            break;
        }
    }
    market_box_->setCurrentIndex(market_box_->findData(static_cast<int>(market_)));
    connect(market_box_, &QComboBox::currentIndexChanged, this,
            [this] { SetMarket(static_cast<ChartMarket>(market_box_->currentData().toInt())); });
    Rebuild();
    market_box_->setFocus();
}

EventChartWindow::~EventChartWindow() = default;

QChart* EventChartWindow::Chart() const { return view_->chart(); }

QChartView* EventChartWindow::ChartView() const { return view_; }

QString EventChartWindow::Summary() const { return message_.isEmpty() ? data_.summary : message_; }

void EventChartWindow::SetMarket(ChartMarket market) {
    if (!message_.isEmpty()) return;
    market_ = market;
    const int index = market_box_->findData(static_cast<int>(market));
    if (market_box_->currentIndex() != index) {
        market_box_->setCurrentIndex(index);  // comes back here through the signal
        return;
    }
    Rebuild();
}

void EventChartWindow::Rebuild() {
    data_ = BuildChartData(chart_.sides, market_, chart_.decimal_mark);
    summary_->setText(data_.summary);
    summary_->setAccessibleName(data_.summary);
    setAccessibleDescription(data_.summary);
    FillChart();
    FillTable();
}

void EventChartWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // A theme switched while the window is open: the chart's colours follow it.
    if (event->type() == QEvent::PaletteChange && message_.isEmpty() && view_) FillChart();
}

void EventChartWindow::FillChart() {
    QChart* chart = view_->chart();
    const int shown_series = drawn_->shown_series;
    const int shown_index = drawn_->shown_index;
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    delete drawn_->ring;
    delete drawn_->label_box;  // the label is its child
    *drawn_ = Drawn{};

    const bool dark = IsDark(palette());
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundRoundness(0);
    chart->setTitle(data_.any_price
                        ? QString()
                        : ChartMarketName(market_) + QStringLiteral(": цен в истории нет"));

    // The axes' ranges: every point's time, the prices and the lines apart.
    QDateTime first_time;
    QDateTime last_time;
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    double line_low = low;
    double line_high = high;
    for (const ChartSeriesData& series : data_.series) {
        for (const ChartPoint& point : series.points) {
            if (!first_time.isValid() || point.time < first_time) first_time = point.time;
            if (!last_time.isValid() || point.time > last_time) last_time = point.time;
            double& min = series.is_line ? line_low : low;
            double& max = series.is_line ? line_high : high;
            min = std::min(min, point.value);
            max = std::max(max, point.value);
        }
    }

    auto* time_axis = new QDateTimeAxis;
    time_axis->setTitleText(QStringLiteral("Время чтения"));
    if (first_time.isValid()) {
        QDateTime from = first_time;
        QDateTime to = last_time;
        if (from == to) {  // one read: half an hour on either side
            from = from.addSecs(-30 * 60);
            to = to.addSecs(30 * 60);
        }
        time_axis->setRange(from, to);
        // Seconds tell reads apart only over a short span; a span of days needs the date.
        time_axis->setFormat(from.secsTo(to) < 15 * 60  ? QStringLiteral("HH:mm:ss")
                             : from.date() == to.date() ? QStringLiteral("HH:mm")
                                                        : QStringLiteral("dd.MM HH:mm"));
    }
    time_axis->setTickCount(6);
    chart->addAxis(time_axis, Qt::AlignBottom);

    auto* price_axis = new QValueAxis;
    price_axis->setTitleText(QStringLiteral("Коэффициент"));
    price_axis->setLabelFormat(QStringLiteral("%.2f"));
    if (low <= high) {
        const double pad = std::max((high - low) * 0.08, 0.05);
        price_axis->setRange(low - pad, high + pad);
    }
    chart->addAxis(price_axis, Qt::AlignLeft);
    QValueAxis* line_axis = nullptr;
    if (line_low <= line_high) {
        line_axis = new QValueAxis;
        line_axis->setTitleText(QStringLiteral("Линия"));
        line_axis->setLabelFormat(QStringLiteral("%.2f"));
        const double pad = std::max((line_high - line_low) * 0.1, 0.25);
        line_axis->setRange(line_low - pad, line_high + pad);
        chart->addAxis(line_axis, Qt::AlignRight);
    }

    const QColor edge = dark ? QColor(Qt::black) : QColor(Qt::white);
    drawn_->series.assign(data_.series.size(), nullptr);
    for (size_t i = 0; i < data_.series.size(); ++i) {
        const ChartSeriesData& data = data_.series[i];
        if (data.points.empty()) continue;
        auto* series = new QLineSeries;
        series->setName(data.name);
        const QColor colour = OutcomeColour(data.outcome_index, dark);
        QPen pen(colour);
        if (data.is_line) {
            // A line holds its value until the next read moves it: drawn as steps.
            pen.setWidthF(1.5);
            pen.setStyle(data.side == 0 ? Qt::DotLine : Qt::DashDotDotLine);
            for (size_t p = 0; p < data.points.size(); ++p) {
                if (p > 0) series->append(AxisTime(data.points[p].time), data.points[p - 1].value);
                series->append(AxisTime(data.points[p].time), data.points[p].value);
            }
        } else {
            pen.setWidthF(2.0);
            pen.setStyle(data.side == 0 ? Qt::SolidLine : Qt::DashLine);
            for (const ChartPoint& point : data.points) {
                series->append(AxisTime(point.time), point.value);
            }
            series->setLightMarker(MarkerImage(data.outcome_index, colour, edge));
            series->setMarkerSize(kMarkerSize);
        }
        series->setPen(pen);
        chart->addSeries(series);
        series->attachAxis(time_axis);
        series->attachAxis(data.is_line ? line_axis : price_axis);
        drawn_->series[i] = series;
    }

    // A comparison's many names do not fit in one row below the chart: they go down its side.
    chart->legend()->setAlignment(chart->series().size() > 4 ? Qt::AlignRight : Qt::AlignBottom);

    const QPalette& palette = this->palette();
    drawn_->ring = new QGraphicsEllipseItem(chart);
    drawn_->ring->setPen(QPen(palette.color(QPalette::Highlight), 2));
    drawn_->ring->setZValue(20);
    drawn_->ring->hide();
    drawn_->label_box = new QGraphicsRectItem(chart);
    drawn_->label_box->setBrush(palette.color(QPalette::ToolTipBase));
    drawn_->label_box->setPen(QPen(palette.color(QPalette::ToolTipText), 1));
    drawn_->label_box->setZValue(21);
    drawn_->label_box->hide();
    drawn_->label = new QGraphicsSimpleTextItem(drawn_->label_box);
    drawn_->label->setBrush(palette.color(QPalette::ToolTipText));
    drawn_->label->setFont(font());
    point_->clear();
    view_->setAccessibleName(QStringLiteral("График: ") + ChartMarketName(market_));
    view_->setAccessibleDescription(
        QStringLiteral("Стрелки влево и вправо: по точкам линии; вверх и вниз: между линиями"));

    if (shown_series >= 0 && shown_series < static_cast<int>(data_.series.size()) &&
        shown_index < static_cast<int>(data_.series[shown_series].points.size())) {
        ShowPoint(shown_series, shown_index);
    }
}

void EventChartWindow::FillTable() {
    table_->clear();
    table_->setColumnCount(static_cast<int>(data_.columns.size()));
    table_->setRowCount(static_cast<int>(data_.rows.size()));
    table_->setHorizontalHeaderLabels(data_.columns);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QStringList& cells = data_.rows[row];
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            const bool number = column >= (chart_.sides.size() > 1 ? 2 : 1);
            item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            // A dash is read out as punctuation: the screen reader hears what it means.
            if (cells[column] == QStringLiteral("—")) {
                item->setData(Qt::AccessibleTextRole, QStringLiteral("нет"));
            }
            table_->setItem(row, column, item);
        }
    }
    table_->resizeColumnsToContents();
}

bool EventChartWindow::ShowPoint(int series, int index) {
    if (series < 0 || series >= static_cast<int>(data_.series.size())) return false;
    const ChartSeriesData& data = data_.series[series];
    if (index < 0 || index >= static_cast<int>(data.points.size())) return false;
    QLineSeries* drawn = drawn_->series[series];
    if (!drawn) return false;
    drawn_->shown_series = series;
    drawn_->shown_index = index;
    const ChartPoint& point = data.points[index];
    const QString text = PointText();
    point_->setText(text);
    point_->setAccessibleName(text);
    view_->setAccessibleDescription(text);
    QAccessibleEvent changed(view_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);

    QChart* chart = view_->chart();
    const QPointF at = chart->mapToPosition(QPointF(AxisTime(point.time), point.value), drawn);
    const qreal radius = kMarkerSize;
    drawn_->ring->setRect(at.x() - radius, at.y() - radius, 2 * radius, 2 * radius);
    drawn_->ring->show();
    drawn_->label->setText(data.name + QStringLiteral(": ") +
                           ChartPointValue(point, data.is_line, chart_.decimal_mark) +
                           QLatin1Char('\n') + TimeText(point.time));
    const QRectF text_box = drawn_->label->boundingRect().adjusted(-5, -3, 5, 3);
    // Beside the point, inside the plot area: to the right and above unless that leaves it.
    const QRectF plot = chart->plotArea();
    QPointF top_left(at.x() + radius + 4, at.y() - radius - 4 - text_box.height());
    if (top_left.x() + text_box.width() > plot.right()) {
        top_left.setX(at.x() - radius - 4 - text_box.width());
    }
    if (top_left.y() < plot.top()) top_left.setY(at.y() + radius + 4);
    top_left.setX(std::max(top_left.x(), plot.left()));
    drawn_->label_box->setRect(QRectF(QPointF(0, 0), text_box.size()));
    drawn_->label_box->setPos(top_left);
    drawn_->label->setPos(-text_box.topLeft());
    drawn_->label_box->show();
    return true;
}

QString EventChartWindow::PointText() const {
    if (drawn_->shown_series < 0) return {};
    const ChartSeriesData& data = data_.series[drawn_->shown_series];
    const ChartPoint& point = data.points[drawn_->shown_index];
    return data.name + QStringLiteral(" — ") +
           ChartPointValue(point, data.is_line, chart_.decimal_mark) + QStringLiteral(", чтение ") +
           TimeText(point.time);
}

bool EventChartWindow::MoveByKey(int key) {
    const int count = static_cast<int>(data_.series.size());
    const auto has_points = [this](int s) {
        return drawn_->series[s] != nullptr && !data_.series[s].points.empty();
    };
    int series = drawn_->shown_series;
    int index = drawn_->shown_index;
    if (series < 0) {
        // Nothing shown yet: any key starts at the first series' first point.
        for (int s = 0; s < count; ++s) {
            if (has_points(s)) return ShowPoint(s, 0);
        }
        return false;
    }
    const int last = static_cast<int>(data_.series[series].points.size()) - 1;
    switch (key) {
        case Qt::Key_Left:
            return ShowPoint(series, std::max(index - 1, 0));
        case Qt::Key_Right:
            return ShowPoint(series, std::min(index + 1, last));
        case Qt::Key_Home:
            return ShowPoint(series, 0);
        case Qt::Key_End:
            return ShowPoint(series, last);
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int step = key == Qt::Key_Down ? 1 : -1;
            int next = series + step;
            while (next >= 0 && next < count && !has_points(next)) next += step;
            if (next < 0 || next >= count) return true;  // at the end: stays
            // The point of the next series nearest in time to the one shown.
            const QDateTime time = data_.series[series].points[index].time;
            const std::vector<ChartPoint>& points = data_.series[next].points;
            int nearest = 0;
            for (int p = 1; p < static_cast<int>(points.size()); ++p) {
                if (std::abs(points[p].time.msecsTo(time)) <
                    std::abs(points[nearest].time.msecsTo(time))) {
                    nearest = p;
                }
            }
            return ShowPoint(next, nearest);
        }
        default:
            return false;
    }
}

void EventChartWindow::PointAt(QPointF at) {
    QChart* chart = view_->chart();
    const QPointF in_chart = chart->mapFromScene(view_->mapToScene(at.toPoint()));
    double best = kPointerReach * kPointerReach;
    int best_series = -1;
    int best_index = -1;
    for (size_t s = 0; s < data_.series.size(); ++s) {
        QLineSeries* drawn = drawn_->series[s];
        if (!drawn) continue;
        const std::vector<ChartPoint>& points = data_.series[s].points;
        for (size_t p = 0; p < points.size(); ++p) {
            const QPointF point =
                chart->mapToPosition(QPointF(AxisTime(points[p].time), points[p].value), drawn);
            const QPointF d = point - in_chart;
            const double distance = d.x() * d.x() + d.y() * d.y();
            if (distance < best) {
                best = distance;
                best_series = static_cast<int>(s);
                best_index = static_cast<int>(p);
            }
        }
    }
    if (best_series >= 0) ShowPoint(best_series, best_index);
}

EventChartWindow* ShowEventChart(QWidget* parent, EventChart chart) {
    auto* window = new EventChartWindow(std::move(chart), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    CentreOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace lintaro::views
