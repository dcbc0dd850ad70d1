#include "qt/chart_widget.hpp"

#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include <QLabel>
#include <QPainter>
#include <QSvgGenerator>

#include "charts/value_axis.hpp"
#include "live/follow.hpp"
#include "qcustomplot.h"

namespace orvelt {

namespace {

// Rows sit at 1..rows; half a row of room on either side keeps the outer bars whole.
constexpr double kRowMargin = 0.5;
// Part of a row that a group of bars fills.
constexpr double kBarGroupWidth = 0.8;
// Up to this many rows every point of a line gets a marker (a one-row line is only a marker),
// and bars an outline.
constexpr int kMarkedRows = 100;
constexpr double kMarkerSize = 5.0;
// A one-pixel pen keeps the painter on its fast path for lines of thousands of points.
constexpr double kLineWidth = 1.0;
// Room between two category labels, in pixels.
constexpr int kLabelGap = 8;
// Room above and below the data on the value axis, as a part of its span.
constexpr double kValuePadding = 0.05;
// A press and release closer than this is a click, not a drag.
constexpr double kClickSlop = 3;
constexpr QColor kCursorColour(200, 0, 0);

QColor To_QColor(const Rgb& c) {
  return QColor(c.red, c.green, c.blue);
}

QString From_Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Ticks of a whole-number axis stand on whole numbers only: an axis of 0..1 reads 0 and 1, not
// 0, 0, 0, 1, 1, 1.
class WholeNumberTicker : public QCPAxisTicker {
 protected:
  double getTickStep(const QCPRange& range) override {
    return std::max(1.0, QCPAxisTicker::getTickStep(range));
  }
};

}  // namespace

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(plot_, 1);
  stats_ = new QLabel(this);
  stats_->setObjectName("ChartStats");
  stats_->setTextFormat(Qt::PlainText);
  stats_->setWordWrap(true);
  layout->addWidget(stats_);

  cursor_ = new QCPItemStraightLine(plot_);
  cursor_->setPen(QPen(kCursorColour, 1, Qt::DashLine));
  cursor_->setVisible(false);
  cursor_->setSelectable(false);

  ticker_.reset(new QCPAxisTickerText);
  plot_->xAxis->setTicker(ticker_);
  plot_->xAxis->grid()->setVisible(false);
  plot_->xAxis->setRange(kRowMargin, 1 + kRowMargin);
  plot_->yAxis->setRange(0, 1);

  // The legend sits below the plot at the left, its entries side by side.
  auto* legend_row = new QCPLayoutGrid;
  plot_->plotLayout()->addElement(1, 0, legend_row);
  plot_->plotLayout()->setRowStretchFactor(1, 0.001);
  legend_row->setMargins(QMargins(5, 0, 5, 5));
  legend_row->addElement(0, 0, plot_->legend);
  legend_row->addElement(0, 1, new QCPLayoutElement(plot_));
  legend_row->setColumnStretchFactor(0, 0.001);
  plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
  plot_->legend->setVisible(false);

  // Zoom and pan along the rows only; the value axis always shows all the data.
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal);
  plot_->setNoAntialiasingOnDrag(true);
  plot_->setMouseTracking(true);

  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          &ChartWidget::Keep_Range_Inside);
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this] { Show_All(); });
  connect(plot_, &QCustomPlot::mouseMove, this, &ChartWidget::On_Mouse_Move);
  connect(plot_, &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { press_pos_ = event->position(); });
  connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if ((event->position() - press_pos_).manhattanLength() > kClickSlop) return;  // a drag
    if (!plot_->axisRect()->rect().contains(event->position().toPoint())) return;
    if (const int row = Row_At(event->position().x()); row > 0) emit Row_Clicked(row);
  });
  // Label density depends on the axis length, known only once the plot is laid out.
  connect(plot_, &QCustomPlot::afterLayout, this, [this] {
    if (!rendered_) return;
    bool changed = Update_Ticks();
    if (bars_ && Bars_Too_Thin() != outline_bars_) {
      Build_Plottables();
      changed = true;
    }
    if (changed) plot_->replot(QCustomPlot::rpQueuedReplot);
  });
  Apply_Font();
}

void ChartWidget::Render(const ChartModel& model) {
  const bool data_changed = !rendered_ || model.data_revision != revision_;
  const bool bars = model.chart_type == kChartTypeBar;
  if (!data_changed && bars == bars_) return;

  bars_ = bars;
  const int old_rows = rows_;
  const bool same_series = rendered_ && Same_Series(model);
  if (data_changed) Take_Data(model);
  Build_Plottables();
  Rescale_Values();
  Apply_Value_Axis();
  if (data_changed) {
    ticks_stale_ = true;
    // A chart that grew by new samples of the same series keeps the user's zoom.
    const QCPRange shown = plot_->xAxis->range();
    const CategoryRange view =
        same_series && rows_ > old_rows
            ? Category_Range_After_Growth({shown.lower, shown.upper}, old_rows, rows_)
            : CategoryRange{kRowMargin, std::max(rows_, 1) + kRowMargin};
    plot_->xAxis->setRange(view.lower, view.upper);
  }
  rendered_ = true;
  revision_ = model.data_revision;
  Update_Ticks();
  plot_->replot(QCustomPlot::rpQueuedRefresh);
}

bool ChartWidget::Same_Series(const ChartModel& model) const {
  if (model.series.size() != series_.size()) return false;
  for (std::size_t s = 0; s < series_.size(); ++s) {
    if (From_Utf8(model.series[s].legend) != series_[s].legend) return false;
  }
  return true;
}

void ChartWidget::Take_Data(const ChartModel& model) {
  const int columns = std::max(model.column_count, 0);
  rows_ = std::max(model.row_count, 0);
  if (columns > 0) {
    rows_ = std::min<int>(rows_, static_cast<int>(model.data.size()) / columns);
  }
  keys_.resize(rows_);
  for (int i = 0; i < rows_; ++i) keys_[i] = i + 1;

  const auto series_count = std::min(model.series.size(), static_cast<std::size_t>(columns));
  series_.resize(series_count);
  for (std::size_t s = 0; s < series_count; ++s) {
    Series& out = series_[s];
    out.legend = From_Utf8(model.series[s].legend);
    out.colour = To_QColor(model.series[s].colour);
    out.values.resize(rows_);
    for (int i = 0; i < rows_; ++i) out.values[i] = model.Value(i, static_cast<int>(s));
  }
  labels_ = model.row_labels;
  title_ = From_Utf8(model.title);
  value_axis_ = model.value_axis;
  const std::string stats = Stats_Line(model, QLocale().decimalPoint().toStdString());
  stats_->setText(From_Utf8(stats));
  stats_->setToolTip(stats_->text());
  legend_shown_ = model.legend_bottom_left;
  category_auto_ = model.category_auto;
  rows_per_tick_ = std::max(model.divisions_per_tick, 1);
  rows_per_label_ = std::max(model.divisions_per_label, 1);
}

void ChartWidget::Build_Plottables() {
  plot_->clearPlottables();
  plottables_.clear();
  delete bars_group_;
  bars_group_ = nullptr;
  if (bars_ && !series_.empty()) {
    bars_group_ = new QCPBarsGroup(plot_);
    bars_group_->setSpacingType(QCPBarsGroup::stPlotCoords);
    bars_group_->setSpacing(0);
  }
  const bool marked = rows_ <= kMarkedRows;
  // Bars thinner than a pixel would blur into a moiré that hides whole series: each series
  // then becomes a filled step outline, see-through so that every series stays visible.
  outline_bars_ = bars_ && Bars_Too_Thin();
  for (const Series& s : series_) {
    QCPAbstractPlottable* plottable = nullptr;
    if (outline_bars_) {
      QCPGraph* graph = plot_->addGraph();
      graph->setLineStyle(QCPGraph::lsStepCenter);
      graph->setPen(QPen(s.colour, kLineWidth));
      QColor fill = s.colour;
      fill.setAlpha(series_.size() > 1 ? 90 : 160);
      graph->setBrush(fill);
      graph->setData(keys_, s.values, true);
      plottable = graph;
    } else if (bars_) {
      // A bar of no sample would be drawn from nowhere: gaps are left out.
      QVector<double> keys, values;
      for (qsizetype i = 0; i < s.values.size(); ++i) {
        if (std::isnan(s.values[i])) continue;
        keys.push_back(keys_[i]);
        values.push_back(s.values[i]);
      }
      auto* bars = new QCPBars(plot_->xAxis, plot_->yAxis);
      bars->setWidth(kBarGroupWidth / static_cast<double>(series_.size()));
      bars->setBrush(s.colour);
      bars->setPen(marked ? QPen(s.colour.darker(130)) : QPen(Qt::NoPen));
      // Bars are upright rectangles: smoothing their edges costs much and shows little, and
      // bars thinner than a pixel would only blur into one another.
      bars->setAntialiased(false);
      bars->setBarsGroup(bars_group_);
      bars->setData(keys, values, true);
      plottable = bars;
    } else {
      // A line breaks where its channel has no sample.
      QCPGraph* graph = plot_->addGraph();
      graph->setPen(QPen(s.colour, kLineWidth));
      if (marked) graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, kMarkerSize));
      graph->setData(keys_, s.values, true);
      plottable = graph;
    }
    plottable->setName(s.legend);
    plottables_.push_back(plottable);
  }
  plot_->legend->setVisible(legend_shown_ && !series_.empty());
}

bool ChartWidget::Bars_Too_Thin() const {
  const double axis_px = plot_->axisRect()->width();
  if (axis_px <= 0 || series_.empty()) return false;
  const double rows_in_view = plot_->xAxis->range().size();
  const double bar_px =
      axis_px / std::max(rows_in_view, 1.0) * kBarGroupWidth / static_cast<double>(series_.size());
  return bar_px < 1.0;
}

void ChartWidget::Apply_Value_Axis() {
  QCPAxis* axis = plot_->yAxis;
  if (value_axis_.kind == ValueAxisKind::SecondsSince1970) {
    if (!qSharedPointerDynamicCast<QCPAxisTickerDateTime>(axis->ticker())) {
      QSharedPointer<QCPAxisTickerDateTime> dates(new QCPAxisTickerDateTime);
      dates->setDateTimeSpec(Qt::UTC);
      axis->setTicker(dates);
    }
    auto dates = qSharedPointerDynamicCast<QCPAxisTickerDateTime>(axis->ticker());
    // Times for a span within a day, dates with times beyond.
    const bool within_day = axis->range().size() < 86400;
    dates->setDateTimeFormat(within_day ? QStringLiteral("HH:mm:ss")
                                        : QStringLiteral("yyyy-MM-dd\nHH:mm"));
    axis->setLabel(tr("UTC"));
    return;
  }
  const bool whole_ticker = qSharedPointerDynamicCast<WholeNumberTicker>(axis->ticker()) != nullptr;
  if (qSharedPointerDynamicCast<QCPAxisTickerDateTime>(axis->ticker()) ||
      whole_ticker != value_axis_.whole_numbers) {
    axis->setTicker(value_axis_.whole_numbers ? QSharedPointer<QCPAxisTicker>(new WholeNumberTicker)
                                              : QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
  }
  axis->setNumberFormat(QStringLiteral("f"));
  axis->setNumberPrecision(Value_Decimals(value_axis_, axis->range().lower, axis->range().upper));
  axis->setLabel(From_Utf8(value_axis_.unit));
}

void ChartWidget::Set_Cursor(int row) {
  const bool shown = row >= 1 && row <= rows_;
  if (shown == cursor_->visible() && row == cursor_row_) return;
  cursor_row_ = shown ? row : 0;
  cursor_->setVisible(shown);
  if (shown) {
    cursor_->point1->setCoords(row, 0);
    cursor_->point2->setCoords(row, 1);
  }
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

int ChartWidget::Row_At(double x) const {
  const int row = static_cast<int>(std::lround(plot_->xAxis->pixelToCoord(x)));
  return row >= 1 && row <= rows_ ? row : 0;
}

Outcome ChartWidget::Save(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const int width = plot_->width();
  const int height = plot_->height();
  // The picture names what it shows, which the window says around the chart: a title row above
  // the plot while it is drawn.
  QFont title_font = font();
  title_font.setBold(true);
  auto* title = new QCPTextElement(plot_, title_, title_font);
  plot_->plotLayout()->insertRow(0);
  plot_->plotLayout()->addElement(0, 0, title);
  const Outcome outcome = Save_Picture(path, suffix, width, height);
  plot_->plotLayout()->remove(title);
  plot_->plotLayout()->simplify();
  plot_->replot(QCustomPlot::rpQueuedReplot);
  return outcome;
}

Outcome ChartWidget::Save_Picture(const QString& path, const QString& suffix, int width,
                                  int height) {
  bool saved = false;
  if (suffix == QLatin1String("png")) {
    saved = plot_->savePng(path, width, height);
  } else if (suffix == QLatin1String("pdf")) {
    saved = plot_->savePdf(path, width, height);
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    // Text is measured at the screen's resolution: at the generator's own 72 dpi the labels would
    // come out larger than the room laid out for them and run into the tick marks.
    svg.setResolution(plot_->logicalDpiX());
    svg.setTitle(title_.isEmpty() ? tr("Chart") : title_);
    QCPPainter painter;
    saved = painter.begin(&svg);
    if (saved) {
      plot_->toPainter(&painter, width, height);
      saved = painter.end();
    }
    // The generator reports no write error: the file must be there and hold something.
    saved = saved && QFileInfo(path).size() > 0;
  } else {
    return Outcome::Failed(
        tr("%1: a chart is saved as .png, .svg or .pdf").arg(path).toStdString());
  }
  if (!saved)
    return Outcome::Failed(tr("%1: the chart could not be written").arg(path).toStdString());
  return Outcome::Done();
}

void ChartWidget::Rescale_Values() {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (const Series& s : series_) {
    for (const double v : s.values) {
      if (std::isnan(v)) continue;  // a gap
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  if (low > high) {
    plot_->yAxis->setRange(0, 1);
    return;
  }
  // Bars grow from zero, so zero is always in sight.
  if (bars_) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
  }
  const double span = high - low;
  const double pad = span > 0 ? span * kValuePadding : (low == 0 ? 1.0 : std::abs(low) * 0.1);
  const bool zero_floor = bars_ && low == 0 && span > 0;
  const bool zero_ceiling = bars_ && high == 0 && span > 0;
  plot_->yAxis->setRange(zero_floor ? 0 : low - pad, zero_ceiling ? 0 : high + pad);
}

bool ChartWidget::Update_Ticks() {
  const QCPRange range = plot_->xAxis->range();
  const double axis_px = std::max(plot_->axisRect()->width(), 1);
  const double px_per_row = axis_px / std::max(range.size(), 1e-9);
  const QFontMetrics metrics(plot_->xAxis->tickLabelFont());
  // Row labels are times of day; this is the widest of them.
  const int label_px = metrics.horizontalAdvance(QStringLiteral("00:00:00")) + kLabelGap;

  int tick_step = rows_per_tick_;
  int label_step = rows_per_label_;
  if (category_auto_) {
    tick_step = 1;
    label_step = std::max(1, static_cast<int>(std::ceil(label_px / px_per_row)));
  }
  // Labels that a fixed spacing puts closer than they are wide stand on end.
  const bool upright = !category_auto_ && label_step * px_per_row < label_px;

  bool changed = false;
  if (ticks_stale_ || tick_step != applied_tick_step_ || label_step != applied_label_step_) {
    ticker_->clear();
    for (int row = 1; row <= rows_; ++row) {
      const bool labelled = (row - 1) % label_step == 0;
      if (labelled || (row - 1) % tick_step == 0) {
        ticker_->addTick(row, labelled ? Label(row) : QString());
      }
    }
    applied_tick_step_ = tick_step;
    applied_label_step_ = label_step;
    ticks_stale_ = false;
    changed = true;
  }
  if (upright != labels_upright_) {
    plot_->xAxis->setTickLabelRotation(upright ? -90 : 0);
    labels_upright_ = upright;
    changed = true;
  }
  return changed;
}

void ChartWidget::Show_All() {
  plot_->xAxis->setRange(kRowMargin, std::max(rows_, 1) + kRowMargin);
  Update_Ticks();
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void ChartWidget::Keep_Range_Inside(const QCPRange& range) {
  const double low = kRowMargin;
  const double high = std::max(rows_, 1) + kRowMargin;
  const double size = std::clamp(range.size(), std::min(1.0, high - low), high - low);
  const double lower = std::clamp(range.lower, low, high - size);
  if (lower != range.lower || lower + size != range.upper) {
    plot_->xAxis->setRange(lower, lower + size);
    return;  // the range change that this causes comes back here
  }
  if (rendered_) Update_Ticks();
}

QString ChartWidget::Label(int row) const {
  if (row < 1 || row > static_cast<int>(labels_.size())) return {};
  return From_Utf8(labels_[static_cast<std::size_t>(row - 1)]);
}

QString ChartWidget::Hover_Text(const QPointF& pos) const {
  int index = -1;
  QCPAbstractPlottable* hit = plot_->plottableAt(pos, false, &index);
  if (hit == nullptr || index < 0 || hit->interface1D() == nullptr ||
      index >= hit->interface1D()->dataCount()) {
    return {};
  }
  const auto found = std::find(plottables_.begin(), plottables_.end(), hit);
  if (found == plottables_.end()) return {};
  const Series& s = series_[static_cast<std::size_t>(found - plottables_.begin())];
  // Bars leave gaps out of their data: the key, not the index, is the row.
  const int row = static_cast<int>(std::lround(hit->interface1D()->dataMainKey(index)));
  if (row < 1 || row > s.values.size() || std::isnan(s.values[row - 1])) return {};
  QString text = tr("%1\nSample %2").arg(s.legend).arg(row);
  if (const QString label = Label(row); !label.isEmpty()) text += QStringLiteral(", ") + label;
  const double v = s.values[row - 1];
  // Seconds since 1970 read as the time labels do; numbers as the locale writes them.
  text += QLatin1Char('\n') + (value_axis_.kind == ValueAxisKind::SecondsSince1970
                                   ? From_Utf8(Axis_Value_Text(value_axis_, v, 0, "."))
                                   : QLocale().toString(v, 'g', 10));
  return text;
}

void ChartWidget::On_Mouse_Move(QMouseEvent* event) {
  const QString text = event->buttons() == Qt::NoButton ? Hover_Text(event->position()) : QString();
  if (text.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint(), text, plot_);
  }
}

void ChartWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    Apply_Font();
    if (rendered_) {
      ticks_stale_ = true;
      Update_Ticks();
      plot_->replot(QCustomPlot::rpQueuedReplot);
    }
  }
}

void ChartWidget::Apply_Font() {
  for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) axis->setTickLabelFont(font());
  plot_->legend->setFont(font());
}

}  // namespace orvelt
