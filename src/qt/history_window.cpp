#include "qt/history_window.hpp"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <memory>

#include "archive/archive_place.hpp"
#include "archive/archive_settings.hpp"
#include "archive/history_view.hpp"
#include "charts/chart_routines.hpp"
#include "decode/channels.hpp"
#include "export/csv_export.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_receiver.hpp"
#include "qcustomplot.h"
#include "qt/capture_archiving.hpp"
#include "qt/fetch_dialog.hpp"
#include "qt/live_archiving.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "qt/warning_colour.hpp"
#include "qt/window_fit.hpp"

namespace orvelt {

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
// How often the window looks whether anything was written to the archive.
constexpr int kWatchMs = 1000;

// Where passes loaded from the archive are written for the main window to read: a folder of
// this run of the program that only its user can enter, so that nobody else can read a pass or
// plant a link in its place; removed when the program ends, so a pass stays readable (Recent
// files) while it runs.
const QTemporaryDir& Pass_Folder() {
  static const QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("orvelt-passes-XXXXXX")));
  return folder;
}

// The settings of the station, which the window and the command-line programs share.
std::unique_ptr<QSettings> Station_Settings() {
  return std::make_unique<QSettings>(QStringLiteral("orvelt"),
                                     QString::fromLatin1(kStationSettingsApplication));
}

// The channels the decoder fills, in channel order.
std::vector<int> Charted_Channels() {
  std::vector<int> channels;
  for (int c = 1; c < kChannelCount; ++c) {
    const ChannelName name = Channel_Name(c);
    if (!name.caption.empty() && name.caption != "Option1") channels.push_back(c);
  }
  return channels;
}

QColor Colour(Rgb rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

QString Caption(int channel) {
  const ChannelName name = Channel_Name(channel);
  return QString::fromUtf8(name.caption.data(), static_cast<qsizetype>(name.caption.size()));
}

QString Unit(int channel) {
  const ChannelName name = Channel_Name(channel);
  return QString::fromUtf8(name.unit.data(), static_cast<qsizetype>(name.unit.size()));
}

QString Utc_Text(UtcSeconds t) {
  return QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

}  // namespace

HistoryWindow::HistoryWindow(MainWindow& main, std::filesystem::path archive_file, QWidget* parent)
    : QWidget(parent, Qt::Window), main_(main), archive_file_(std::move(archive_file)) {
  setWindowTitle(tr("History"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  channel_box_ = new QComboBox(this);
  for (const int c : Charted_Channels()) {
    const ChannelName name = Channel_Name(c);
    channel_box_->addItem(QStringLiteral("%1  %2 (%3)")
                              .arg(c)
                              .arg(QString::fromUtf8(name.caption.data(), name.caption.size()))
                              .arg(QString::fromUtf8(name.unit.data(), name.unit.size())),
                          c);
  }
  top->addWidget(new QLabel(tr("Channel:"), this));
  top->addWidget(channel_box_);
  group_box_ = new QCheckBox(tr("&Group"), this);
  group_box_->setToolTip(tr("The channel with its group, as a Shift-click charts it"));
  top->addWidget(group_box_);
  top->addSpacing(12);
  top->addWidget(new QLabel(tr("Limits:"), this));
  limits_edit_ = new QLineEdit(this);
  limits_edit_->setPlaceholderText(tr("lower..upper"));
  limits_edit_->setMaximumWidth(
      limits_edit_->fontMetrics().horizontalAdvance(QStringLiteral("-00000.000..-00000.000")) + 12);
  limits_edit_->setMinimumWidth(limits_edit_->maximumWidth());
  top->addWidget(limits_edit_);
  auto* set_limits = new QPushButton(tr("Set"), this);
  top->addWidget(set_limits);
  top->addStretch();
  layout->addLayout(top);
  // The time ranges on a row of their own, so that the window fits a screen at every scale.
  auto* ranges = new QHBoxLayout;
  ranges->addWidget(new QLabel(tr("Show:"), this));
  const struct {
    HistorySpan span;
    QString text;
    QString tip;
  } spans[] = {
      {HistorySpan::Last_Pass, tr("&Last pass"), tr("The newest pass")},
      {HistorySpan::Day, tr("&Day"), tr("The UTC day of the newest pass")},
      {HistorySpan::Week, tr("&Week"), tr("The seven days up to the end of the newest pass's day")},
      {HistorySpan::Month, tr("&Month"), tr("The 30 days up to the end of the newest pass's day")},
      {HistorySpan::Mission, tr("Whole &mission"), tr("Everything in the archive")},
  };
  for (const auto& [span, text, tip] : spans) {
    auto* button = new QPushButton(text, this);
    button->setCheckable(true);
    button->setToolTip(tip + tr("; the wheel zooms and dragging pans"));
    span_buttons_[static_cast<std::size_t>(span)] = button;
    ranges->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, span] { Show_Span(span); });
  }
  ranges->addStretch();
  layout->addLayout(ranges);

  // The chart above the list: both get the window's whole width, the chart its larger part.
  auto* split = new QSplitter(Qt::Vertical, this);
  plot_ = new QCustomPlot(split);
  plot_->setMinimumSize(400, 200);
  plot_->setMouseTracking(true);
  plot_->installEventFilter(this);
  QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
  ticker->setDateTimeSpec(Qt::UTC);
  ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd\nhh:mm"));
  plot_->xAxis->setTicker(ticker);
  plot_->xAxis->setLabel(tr("UTC"));
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal);
  // Limits lie behind the samples; the read-out over them, redrawn alone as the mouse moves.
  plot_->addLayer(QStringLiteral("limits"), plot_->layer(QStringLiteral("main")),
                  QCustomPlot::limBelow);
  plot_->addLayer(QStringLiteral("cursor"), plot_->layer(QStringLiteral("main")),
                  QCustomPlot::limAbove);
  plot_->layer(QStringLiteral("cursor"))->setMode(QCPLayer::lmBuffered);
  const QColor band(Warning_Back_Colour().red(), Warning_Back_Colour().green(),
                    Warning_Back_Colour().blue(), 110);
  QPen limit_pen(Warning_Colour(), 1.5, Qt::DashLine);
  const auto make_line = [&] {
    auto* line = new QCPItemStraightLine(plot_);
    line->setLayer(QStringLiteral("limits"));
    line->setPen(limit_pen);
    return line;
  };
  const auto make_band = [&] {
    auto* rect = new QCPItemRect(plot_);
    rect->setLayer(QStringLiteral("limits"));
    rect->setPen(Qt::NoPen);
    rect->setBrush(band);
    // Across the whole width, from a limit to the chart's edge.
    for (QCPItemPosition* corner : {rect->topLeft, rect->bottomRight}) {
      corner->setTypeX(QCPItemPosition::ptAxisRectRatio);
    }
    return rect;
  };
  lower_line_ = make_line();
  upper_line_ = make_line();
  below_band_ = make_band();
  above_band_ = make_band();
  // The band above the upper limit reaches the chart's top, the one below the lower its bottom.
  above_band_->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
  above_band_->topLeft->setCoords(0, 0);
  below_band_->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
  below_band_->bottomRight->setCoords(1, 1);
  cursor_line_ = new QCPItemStraightLine(plot_);
  cursor_line_->setLayer(QStringLiteral("cursor"));
  cursor_line_->setPen(QPen(QColor(90, 90, 90), 1, Qt::DotLine));
  readout_ = new QCPItemText(plot_);
  readout_->setLayer(QStringLiteral("cursor"));
  readout_->position->setType(QCPItemPosition::ptAbsolute);
  readout_->setTextAlignment(Qt::AlignLeft);
  readout_->setPadding(QMargins(6, 4, 6, 4));
  readout_->setPen(QPen(QColor(120, 120, 120)));
  readout_->setBrush(QColor(255, 255, 255, 235));
  readout_->setClipToAxisRect(false);
  readout_->setVisible(false);
  cursor_line_->setVisible(false);

  passes_ = new QTableWidget(split);
  passes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  passes_->setSelectionBehavior(QAbstractItemView::SelectRows);
  passes_->verticalHeader()->hide();
  // Rows of one line of text, so that many passes are seen at once.
  passes_->verticalHeader()->setDefaultSectionSize(passes_->fontMetrics().height() + 6);
  passes_->setMinimumHeight(120);
  passes_->setWordWrap(false);  // one line a pass: long sources are cut, their tooltip holds them
  // Columns are fitted to the rows on the screen, not to every pass of the mission; the sources
  // take what is left.
  passes_->horizontalHeader()->setResizeContentsPrecision(0);
  passes_->horizontalHeader()->setStretchLastSection(true);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  layout->addWidget(split, 1);
  status_ = new QLabel(this);
  layout->addWidget(status_);

  redraw_timer_ = new QTimer(this);
  redraw_timer_->setSingleShot(true);
  redraw_timer_->setInterval(0);
  connect(redraw_timer_, &QTimer::timeout, this, &HistoryWindow::Redraw);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
    // The wheel or a drag: the range is the user's own from now on.
    if (!setting_range_ && span_) {
      span_.reset();
      for (QPushButton* b : span_buttons_) b->setChecked(false);
    }
    if (!redrawing_) redraw_timer_->start();
  });
  // The first draw happens before the window has its size: a chart drawn for another width
  // than it has now would put a whole mission into a few columns, so it is drawn again.
  connect(plot_, &QCustomPlot::afterLayout, this, [this] {
    if (!redrawing_ && plot_->axisRect()->width() != drawn_pixels_) redraw_timer_->start();
  });
  connect(plot_, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Show_Readout(event->pos()); });
  connect(channel_box_, &QComboBox::currentIndexChanged, this, [this] {
    channel_ = channel_box_->currentData().toInt();
    const std::string text = Limits_Text(limits_[static_cast<std::size_t>(channel_)]);
    limits_edit_->setText(QString::fromStdString(text));
    group_box_->setEnabled(!Chart_Group(channel_).channels.empty());
    if (listed_) Fill_Passes();
    Redraw();
  });
  connect(group_box_, &QCheckBox::toggled, this, &HistoryWindow::Redraw);
  connect(set_limits, &QPushButton::clicked, this, &HistoryWindow::Set_Limits);
  connect(limits_edit_, &QLineEdit::returnPressed, this, &HistoryWindow::Set_Limits);
  connect(passes_, &QTableWidget::cellClicked, this, [this](int row, int) {
    if (row < 0 || row >= static_cast<int>(pass_spans_.size())) return;
    const TimeRange range = Pass_Range(pass_spans_[static_cast<std::size_t>(row)]);
    Show_Range(range.from, range.to);
  });
  connect(passes_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { Load_Pass(row); });
  watch_timer_ = new QTimer(this);
  watch_timer_->setInterval(kWatchMs);
  connect(watch_timer_, &QTimer::timeout, this, &HistoryWindow::Follow_Archive);
  watch_timer_->start();

  limits_ = Load_Limits(*Station_Settings());
  Open_Archive();
  channel_box_->setCurrentIndex(channel_box_->findData(channel_));
  group_box_->setEnabled(!Chart_Group(channel_).channels.empty());
  const std::string text = Limits_Text(limits_[static_cast<std::size_t>(channel_)]);
  limits_edit_->setText(QString::fromStdString(text));
  Read_Passes();
  Show_Span(HistorySpan::Day);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    // Most of the screen it opens on, and never more than that screen has room for.
    const QWidget* opener = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* on = opener ? opener->screen() : screen();
    const QSize area = on ? on->availableGeometry().size() : QSize(1100, 700);
    Place_Whole_On_Screen(*this, QSize(area.width() * 9 / 10, area.height() * 9 / 10));
  }
  QWidget::showEvent(event);
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_) {
    // The pass list waits until the chart is on the screen: on a long mission it takes longer
    // to fill than the chart to draw.
    if (event->type() == QEvent::Paint && !listed_) {
      listed_ = true;
      QTimer::singleShot(0, this, &HistoryWindow::Fill_Passes);
    }
    if (event->type() == QEvent::Leave) Hide_Readout();
  }
  return QWidget::eventFilter(watched, event);
}

void HistoryWindow::Open_Archive() {
  auto opened = Archive::Open(archive_file_, false);
  if (!opened.ok()) {
    status_->setText(QString::fromStdString(opened.why()));
    return;
  }
  archive_ = std::move(opened.value());
  auto reader = HistoryReader::Open(archive_file_);
  if (reader.ok()) reader_ = std::move(reader.value());
}

void HistoryWindow::Read_Passes() {
  pass_spans_.clear();
  if (!archive_) return;
  auto passes = archive_->Passes(std::numeric_limits<std::int32_t>::min(), std::int64_t{1} << 40);
  if (!passes.ok()) {
    status_->setText(QString::fromStdString(passes.why()));
    return;
  }
  pass_spans_ = std::move(passes.value());
}

void HistoryWindow::Follow_Archive() {
  if (!archive_) {
    // Not there when the window opened: a fetch or a live session may make it meanwhile.
    if (!std::filesystem::exists(archive_file_)) return;
    Open_Archive();
    if (!archive_) return;
  } else if (!reader_ || !reader_->Changed()) {
    return;
  }
  Read_Passes();
  // A fetch may add sources to passes it adds no frame to: every pass's sources are read again.
  pass_sources_.clear();
  if (listed_) Fill_Passes();
  if (span_) {
    Show_Span(*span_);
  } else {
    Redraw();
  }
}

void HistoryWindow::Select_Channel(int channel) {
  channel_box_->setCurrentIndex(channel_box_->findData(channel));
}

void HistoryWindow::Set_Group(bool group) {
  group_box_->setChecked(group);
}

std::vector<int> HistoryWindow::Charted() const {
  const ChartGroup group = Chart_Group(channel_);
  if (group_box_->isChecked() && !group.channels.empty()) {
    return {group.channels.begin(), group.channels.end()};
  }
  return {channel_};
}

void HistoryWindow::Set_Range(UtcSeconds from, UtcSeconds to) {
  setting_range_ = true;
  plot_->xAxis->setRange(static_cast<double>(from), static_cast<double>(to));
  setting_range_ = false;
  Redraw();
}

void HistoryWindow::Show_Range(UtcSeconds from, UtcSeconds to) {
  span_.reset();
  for (QPushButton* b : span_buttons_) b->setChecked(false);
  Set_Range(from, to);
}

void HistoryWindow::Show_Span(HistorySpan span) {
  span_ = span;
  for (std::size_t k = 0; k < span_buttons_.size(); ++k) {
    span_buttons_[k]->setChecked(k == static_cast<std::size_t>(span));
  }
  const auto range = Span_Range(span, pass_spans_);
  if (!range) {
    if (archive_) status_->setText(tr("The archive holds no pass yet."));
    return;
  }
  Set_Range(range->from, range->to);
}

void HistoryWindow::Redraw() {
  redraw_timer_->stop();
  if (!archive_) return;
  redrawing_ = true;
  plot_->clearGraphs();
  drawn_channels_.clear();
  drawn_views_.clear();
  const QCPRange range = plot_->xAxis->range();
  const auto from = static_cast<UtcSeconds>(std::floor(range.lower));
  const auto to = static_cast<UtcSeconds>(std::ceil(range.upper));
  const int pixels = std::max(1, plot_->axisRect()->width());
  const double column_seconds = static_cast<double>(std::max<UtcSeconds>(to - from, 1)) / pixels;
  const std::vector<int> charted = Charted();
  // A channel alone is drawn as the main window draws it; a group in its group chart's colours.
  const ChartGroup group = Chart_Group(channel_);
  const bool as_group = charted.size() > 1;
  QVector<double> warn_x, warn_y;
  double y_min = std::numeric_limits<double>::max(), y_max = std::numeric_limits<double>::lowest();
  std::int64_t shown = 0;
  bool envelope = false;
  UtcSeconds bucket_width = 0;
  for (std::size_t k = 0; k < charted.size(); ++k) {
    const int channel = charted[k];
    auto planned = Plan_History(*archive_, channel, from, to, pixels);
    if (!planned.ok()) {
      status_->setText(QString::fromStdString(planned.why()));
      redrawing_ = false;
      return;
    }
    const HistoryView& view = planned.value();
    envelope = envelope || view.envelope;
    bucket_width = std::max(bucket_width, view.bucket_width);
    const ChannelLimits& limit = limits_[static_cast<std::size_t>(channel)];
    // A column of the envelope is drawn as a stroke from its minimum to its maximum, joined to
    // the next column: dense columns fill a band, a lone column is a vertical stroke.
    QVector<double> x, y;
    const auto add = [&](UtcSeconds start, UtcSeconds previous_end, double lo, double hi,
                         UtcSeconds centre) {
      // A silence between passes stays a gap: no line is drawn across it.
      if (!x.isEmpty() && Is_Gap(previous_end, start, static_cast<UtcSeconds>(column_seconds))) {
        x.push_back(static_cast<double>(previous_end));
        y.push_back(kNan);
      }
      x.push_back(static_cast<double>(centre));
      y.push_back(lo);
      if (hi != lo) {
        x.push_back(static_cast<double>(centre));
        y.push_back(hi);
      }
      y_min = std::min(y_min, lo);
      y_max = std::max(y_max, hi);
      for (const double v : {lo, hi}) {
        if (Check_Limits(limit, v) != LimitCheck::Within) {
          warn_x.push_back(static_cast<double>(centre));
          warn_y.push_back(v);
        }
        if (hi == lo) break;
      }
    };
    UtcSeconds previous_end = 0;
    if (view.envelope) {
      for (const HistoryColumn& c : view.columns) {
        add(c.start, previous_end, c.min, c.max, c.start + (c.end - c.start) / 2);
        previous_end = c.end;
        shown += c.count;
      }
    } else {
      for (const Sample& s : view.samples) {
        add(s.time, previous_end, s.value, s.value, s.time);
        previous_end = s.time;
      }
      shown += static_cast<std::int64_t>(view.samples.size());
    }
    QCPGraph* line = plot_->addGraph();
    line->setName(Caption(channel));
    line->setData(x, y, true);
    line->setPen(QPen(Colour(as_group ? group.colours[k] : kSteelBlue)));
    if (!view.envelope) line->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
    drawn_channels_.push_back(channel);
    drawn_views_.push_back(std::move(planned.value()));
  }
  if (!warn_x.isEmpty()) {
    QCPGraph* warn = plot_->addGraph();
    warn->setName(tr("Outside limits"));
    warn->setData(warn_x, warn_y, false);
    warn->setLineStyle(QCPGraph::lsNone);
    warn->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, Warning_Colour(), 6));
  }
  plot_->legend->setVisible(as_group);
  Draw_Limits(y_min, y_max);
  if (y_min <= y_max) {
    const double pad = std::max((y_max - y_min) * 0.05, 1e-9);
    plot_->yAxis->setRange(y_min - pad, y_max + pad);
  }
  // A group's channels share their unit; the legend names them.
  const QString unit = Unit(channel_);
  const QString unit_text = unit.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(unit);
  plot_->yAxis->setLabel(as_group ? unit : Caption(channel_) + unit_text);
  readout_->setVisible(false);  // what it read is gone
  cursor_line_->setVisible(false);
  plot_->replot(QCustomPlot::rpImmediateRefresh);
  // The axis labels may have taken or given back a few pixels: that width counts as drawn.
  drawn_pixels_ = plot_->axisRect()->width();
  status_->setText(tr("%1 to %2 UTC: %3 samples, %4")
                       .arg(Utc_Text(from), Utc_Text(to))
                       .arg(shown)
                       .arg(envelope ? tr("min/max per pixel column (buckets of %1 s)")
                                           .arg(bucket_width ? bucket_width : 1)
                                     : tr("each sample")));
  redrawing_ = false;
}

void HistoryWindow::Draw_Limits(double& y_min, double& y_max) {
  const ChannelLimits& limit = limits_[static_cast<std::size_t>(channel_)];
  // A limit near the samples widens the value axis to show it; one far away would squeeze the
  // samples into a line, and stays off the chart.
  const bool data = y_min <= y_max;
  const double reach = data ? std::max(y_max - y_min, 1e-9) : 0;
  const auto place = [&](const std::optional<double>& value, QCPItemStraightLine* line,
                         QCPItemRect* band, QCPItemPosition* edge, double edge_x) {
    line->setVisible(value.has_value());
    band->setVisible(value.has_value());
    if (!value) return;
    line->point1->setCoords(0, *value);
    line->point2->setCoords(1, *value);
    edge->setCoords(edge_x, *value);
    if (!data || (*value >= y_min - reach && *value <= y_max + reach)) {
      y_min = std::min(y_min, *value);
      y_max = std::max(y_max, *value);
    }
  };
  place(limit.lower, lower_line_, below_band_, below_band_->topLeft, 0);
  place(limit.upper, upper_line_, above_band_, above_band_->bottomRight, 1);
}

void HistoryWindow::Show_Readout(const QPoint& at) {
  const QRect area = plot_->axisRect()->rect();
  if (!area.contains(at) || drawn_views_.empty()) {
    Hide_Readout();
    return;
  }
  const double x = plot_->xAxis->pixelToCoord(at.x());
  const auto t = static_cast<UtcSeconds>(std::floor(x));
  // Within a few pixels of the mouse, as a person aims.
  const double seconds_per_pixel = plot_->xAxis->range().size() / std::max(1, area.width());
  const auto reach = static_cast<UtcSeconds>(std::ceil(4 * seconds_per_pixel));
  QStringList lines{Utc_Text(t) + QStringLiteral(" UTC")};
  for (std::size_t k = 0; k < drawn_views_.size(); ++k) {
    const auto found = Column_At(drawn_views_[k], t, reach);
    if (!found) continue;
    const QString unit = Unit(drawn_channels_[k]);
    const auto number = [](double v) { return QString::number(v, 'g', 6); };
    const QString values = found->min == found->max
                               ? number(found->min)
                               : tr("min %1, max %2").arg(number(found->min), number(found->max));
    lines << QStringLiteral("%1: %2 %3").arg(Caption(drawn_channels_[k]), values, unit).trimmed();
    if (found->end - found->start > 1 && drawn_views_.size() == 1) {
      lines[0] = tr("%1 to %2 UTC, %3 samples")
                     .arg(Utc_Text(found->start), Utc_Text(found->end - 1).mid(11))
                     .arg(found->count);
    }
  }
  if (lines.size() == 1) lines << tr("no sample here");
  readout_->setText(lines.join(QLatin1Char('\n')));
  // Beside the mouse, on the side with room.
  const bool left = at.x() > area.center().x();
  readout_->setPositionAlignment(Qt::AlignTop | (left ? Qt::AlignRight : Qt::AlignLeft));
  readout_->position->setCoords(at.x() + (left ? -12 : 12), area.top() + 8);
  cursor_line_->point1->setCoords(x, 0);
  cursor_line_->point2->setCoords(x, 1);
  readout_->setVisible(true);
  cursor_line_->setVisible(true);
  plot_->layer(QStringLiteral("cursor"))->replot();
}

void HistoryWindow::Hide_Readout() {
  if (!readout_->visible()) return;
  readout_->setVisible(false);
  cursor_line_->setVisible(false);
  plot_->layer(QStringLiteral("cursor"))->replot();
}

void HistoryWindow::Fill_Passes() {
  listed_ = true;
  passes_->setUpdatesEnabled(false);
  passes_->clear();
  const ChannelName name = Channel_Name(channel_);
  const QString caption = QString::fromUtf8(name.caption.data(), name.caption.size());
  // The figures a person reads first, the sources (often long) last.
  passes_->setColumnCount(8);
  passes_->setHorizontalHeaderLabels({tr("Start (UTC)"), tr("End"), tr("Frames"),
                                      caption + tr(" min"), tr("max"), tr("mean"),
                                      tr("Outside limits"), tr("Sources")});
  passes_->setRowCount(archive_ ? static_cast<int>(pass_spans_.size()) : 0);
  if (!archive_ || pass_spans_.empty()) {
    passes_->setUpdatesEnabled(true);
    return;
  }
  const auto figures = Pass_Figures(*archive_, channel_, pass_spans_);
  if (!figures.ok()) status_->setText(QString::fromStdString(figures.why()));
  if (pass_sources_.size() != pass_spans_.size()) {
    pass_sources_.assign(pass_spans_.size(), QString());
    const auto sources = reader_ ? reader_->Pass_Sources(pass_spans_)
                                 : Result<std::vector<std::vector<Source>>>(
                                       Failure{"the archive cannot be read for its sources"});
    if (!sources.ok()) status_->setText(QString::fromStdString(sources.why()));
    for (std::size_t p = 0; sources.ok() && p < pass_spans_.size(); ++p) {
      QStringList names;
      for (const Source& s : sources.value()[p]) names << QString::fromStdString(s.name);
      pass_sources_[p] = names.join(QStringLiteral("; "));
    }
  }
  const ChannelLimits& limit = limits_[static_cast<std::size_t>(channel_)];
  for (int row = 0; row < static_cast<int>(pass_spans_.size()); ++row) {
    const PassSpan& pass = pass_spans_[static_cast<std::size_t>(row)];
    const QString& names = pass_sources_[static_cast<std::size_t>(row)];
    const auto cell = [&](int column, const QString& text) {
      passes_->setItem(row, column, new QTableWidgetItem(text));
    };
    cell(0, Utc_Text(pass.start));
    cell(1, Utc_Text(pass.end).mid(11));
    cell(2, QString::number(pass.frames));
    cell(7, names);
    passes_->item(row, 7)->setToolTip(names);
    if (figures.ok() && figures.value()[static_cast<std::size_t>(row)].count > 0) {
      const SampleSummary& s = figures.value()[static_cast<std::size_t>(row)];
      // Six digits read at a glance; the exact stored value is in the tooltip.
      const auto statistic = [&](int column, double value) {
        cell(column, QString::number(value, 'g', 6));
        passes_->item(row, column)->setToolTip(QString::fromStdString(Shortest_Number(value)));
      };
      statistic(3, s.min);
      statistic(4, s.max);
      statistic(5, s.mean);
      QString outside;
      if (Check_Limits(limit, s.min) == LimitCheck::Below) outside = tr("below");
      if (Check_Limits(limit, s.max) == LimitCheck::Above) {
        outside += outside.isEmpty() ? tr("above") : tr(", above");
      }
      cell(6, outside);
      if (!outside.isEmpty()) {
        for (int c = 3; c < 7; ++c) passes_->item(row, c)->setForeground(Warning_Colour());
        passes_->item(row, 6)->setBackground(Warning_Back_Colour());
      }
    }
  }
  for (int c = 0; c + 1 < passes_->columnCount(); ++c) passes_->resizeColumnToContents(c);
  passes_->setUpdatesEnabled(true);
  // The newest passes are the ones a person looks for first.
  passes_->scrollToBottom();
}

void HistoryWindow::Set_Limits() {
  const std::string text = limits_edit_->text().trimmed().toStdString();
  const auto limits = Parse_Limits(text.empty() ? ".." : text);
  if (!limits) {
    status_->setText(QString::fromStdString(limits.why()));
    return;
  }
  // Another history window may have set other channels' limits since this one opened: they
  // are kept.
  limits_ = Load_Limits(*Station_Settings());
  limits_[static_cast<std::size_t>(channel_)] = limits.value();
  Save_Limits(*Station_Settings(), limits_);
  main_.Set_Limits(limits_);
  if (listed_) Fill_Passes();
  Redraw();
}

void HistoryWindow::Load_Pass(int row) {
  if (!archive_ || row < 0 || row >= static_cast<int>(pass_spans_.size())) return;
  const PassSpan& pass = pass_spans_[static_cast<std::size_t>(row)];
  auto capture = Capture_Of(*archive_, pass.start, pass.end);
  if (!capture.ok()) {
    status_->setText(QString::fromStdString(capture.why()));
    return;
  }
  const QTemporaryDir& folder = Pass_Folder();
  if (!folder.isValid()) {
    status_->setText(tr("Cannot make a folder for the pass: %1").arg(folder.errorString()));
    return;
  }
  const QString path =
      folder.filePath(QStringLiteral("pass %1.kss")
                          .arg(QDateTime::fromSecsSinceEpoch(pass.start, Qt::UTC)
                                   .toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"))));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(capture.value().data()),
                 static_cast<qint64>(capture.value().size())) !=
          static_cast<qint64>(capture.value().size()) ||
      !file.flush()) {
    status_->setText(tr("Cannot write %1: %2").arg(path, file.errorString()));
    return;
  }
  file.close();
  // Its frames come out of the archive: they are not put back as a capture of their own.
  main_.Capture_Archiving().Skip_Next_Load();
  main_.Load_Files({QFile::encodeName(path).toStdString()});
  main_.raise();
  main_.activateWindow();
}

void Add_Archive_Menus(MainWindow& main, QMenu* file, QMenu* view) {
  QAction* history = view->addAction(QObject::tr("&History..."));
  history->setObjectName("MenuViewHistory");
  QObject::connect(history, &QAction::triggered, &main, [&main] {
    auto* window = new HistoryWindow(main, Default_Archive_Path(), &main);
    window->show();
  });

  QAction* exit = main.Exit_Action();
  QAction* fetch = new QAction(QObject::tr("Fetch from SatNOGS &DB..."), file);
  fetch->setObjectName("MenuFileFetch");
  QObject::connect(fetch, &QAction::triggered, &main, [&main] {
    FetchDialog dialog(Default_Archive_Path(), &main);
    dialog.exec();
  });
  QMenu* archive_menu = new QMenu(QObject::tr("&Archive"), file);
  archive_menu->setObjectName("MnuArchive");
  auto* group = new QActionGroup(archive_menu);
  const ArchiveMode mode = Load_Archive_Mode(*Station_Settings());
  auto* live = new LiveArchiving(main.Live().Receiver().Session(), Default_Archive_Path(), &main);
  live->Set_Enabled(Archives_Live(mode));
  main.Capture_Archiving().Set_Enabled(Archives_Captures(mode));
  // Said without stopping anything: the window goes on showing what arrives or is loaded.
  const auto tell = [&main](const QString& why) {
    auto* box =
        new QMessageBox(QMessageBox::Warning, QObject::tr("Archive"), why, QMessageBox::Ok, &main);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  };
  QObject::connect(live, &LiveArchiving::Failed, &main, tell);
  QObject::connect(&main.Capture_Archiving(), &CaptureArchiving::Failed, &main, tell);
  struct Choice {
    QString text;
    const char* name;
    ArchiveMode mode;
  };
  for (const auto& [text, name, choice] :
       {Choice{QObject::tr("&Nothing"), "MenuArchiveOff", ArchiveMode::Off},
        Choice{QObject::tr("&Live sessions"), "MenuArchiveLive", ArchiveMode::Live},
        Choice{QObject::tr("Live sessions and loaded &captures"), "MenuArchiveCaptures",
               ArchiveMode::LiveAndCaptures}}) {
    QAction* action = archive_menu->addAction(text);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(choice == mode);
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, &main, [choice, live, &main] {
      live->Set_Enabled(Archives_Live(choice));
      main.Capture_Archiving().Set_Enabled(Archives_Captures(choice));
      Save_Archive_Mode(*Station_Settings(), choice);
    });
  }
  file->insertAction(exit ? exit : nullptr, fetch);
  file->insertMenu(exit ? exit : nullptr, archive_menu);
  file->insertSeparator(exit ? exit : nullptr);
}

}  // namespace orvelt
