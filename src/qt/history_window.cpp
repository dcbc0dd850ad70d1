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
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
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

namespace orvelt {

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
const QColor kWarningColour(220, 40, 40);

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
  limits_edit_->setMaximumWidth(140);
  top->addWidget(limits_edit_);
  auto* set_limits = new QPushButton(tr("Set"), this);
  top->addWidget(set_limits);
  auto* whole = new QPushButton(tr("Whole mission"), this);
  top->addWidget(whole);
  top->addStretch();
  layout->addLayout(top);

  auto* split = new QSplitter(Qt::Horizontal, this);
  plot_ = new QCustomPlot(split);
  plot_->setMinimumSize(500, 300);
  QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
  ticker->setDateTimeSpec(Qt::UTC);
  ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd\nhh:mm"));
  plot_->xAxis->setTicker(ticker);
  plot_->xAxis->setLabel(tr("UTC"));
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal);
  passes_ = new QTableWidget(split);
  passes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  passes_->setSelectionBehavior(QAbstractItemView::SelectRows);
  passes_->verticalHeader()->hide();
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
    if (!redrawing_) redraw_timer_->start();
  });
  // The first draw happens before the window has its size: a chart drawn for another width
  // than it has now would put a whole mission into a few columns, so it is drawn again.
  connect(plot_, &QCustomPlot::afterLayout, this, [this] {
    if (!redrawing_ && plot_->axisRect()->width() != drawn_pixels_) redraw_timer_->start();
  });
  connect(channel_box_, &QComboBox::currentIndexChanged, this, [this] {
    channel_ = channel_box_->currentData().toInt();
    const std::string text = Limits_Text(limits_[static_cast<std::size_t>(channel_)]);
    limits_edit_->setText(QString::fromStdString(text));
    group_box_->setEnabled(!Chart_Group(channel_).channels.empty());
    Fill_Passes();
    Redraw();
  });
  connect(group_box_, &QCheckBox::toggled, this, &HistoryWindow::Redraw);
  connect(set_limits, &QPushButton::clicked, this, &HistoryWindow::Set_Limits);
  connect(limits_edit_, &QLineEdit::returnPressed, this, &HistoryWindow::Set_Limits);
  connect(whole, &QPushButton::clicked, this, [this] {
    if (!archive_) return;
    const auto stats = archive_->Stats();
    if (stats.ok() && stats.value().first) {
      Show_Range(*stats.value().first - 3600, *stats.value().last + 3600);
    }
  });
  connect(passes_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { Load_Pass(row); });

  limits_ = Load_Limits(*Station_Settings());
  resize(1100, 600);
  Open_Archive();
  channel_box_->setCurrentIndex(channel_box_->findData(channel_));
  group_box_->setEnabled(!Chart_Group(channel_).channels.empty());
  const std::string text = Limits_Text(limits_[static_cast<std::size_t>(channel_)]);
  limits_edit_->setText(QString::fromStdString(text));
  Fill_Passes();
  whole->click();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::Open_Archive() {
  auto opened = Archive::Open(archive_file_, false);
  if (!opened.ok()) {
    status_->setText(QString::fromStdString(opened.why()));
    return;
  }
  archive_ = std::move(opened.value());
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

void HistoryWindow::Show_Range(UtcSeconds from, UtcSeconds to) {
  plot_->xAxis->setRange(static_cast<double>(from), static_cast<double>(to));
  Redraw();
}

void HistoryWindow::Redraw() {
  redraw_timer_->stop();
  if (!archive_) return;
  redrawing_ = true;
  plot_->clearGraphs();
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
  }
  if (!warn_x.isEmpty()) {
    QCPGraph* warn = plot_->addGraph();
    warn->setName(tr("Outside limits"));
    warn->setData(warn_x, warn_y, false);
    warn->setLineStyle(QCPGraph::lsNone);
    warn->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, kWarningColour, 6));
  }
  plot_->legend->setVisible(as_group);
  if (y_min <= y_max) {
    const double pad = std::max((y_max - y_min) * 0.05, 1e-9);
    plot_->yAxis->setRange(y_min - pad, y_max + pad);
  }
  // A group's channels share their unit; the legend names them.
  const QString unit = Unit(channel_);
  const QString unit_text = unit.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(unit);
  plot_->yAxis->setLabel(as_group ? unit : Caption(channel_) + unit_text);
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

void HistoryWindow::Fill_Passes() {
  passes_->clear();
  const ChannelName name = Channel_Name(channel_);
  const QString caption = QString::fromUtf8(name.caption.data(), name.caption.size());
  passes_->setColumnCount(8);
  passes_->setHorizontalHeaderLabels({tr("Start (UTC)"), tr("End"), tr("Frames"), tr("Sources"),
                                      caption + tr(" min"), tr("max"), tr("mean"),
                                      tr("Outside limits")});
  if (!archive_) return;
  auto passes = archive_->Passes(std::numeric_limits<std::int32_t>::min(), std::int64_t{1} << 40);
  if (!passes.ok()) {
    status_->setText(QString::fromStdString(passes.why()));
    return;
  }
  if (passes.value().size() != pass_spans_.size()) pass_sources_.clear();
  pass_spans_ = passes.value();
  passes_->setRowCount(static_cast<int>(pass_spans_.size()));
  const ChannelLimits& limit = limits_[static_cast<std::size_t>(channel_)];
  for (int row = 0; row < static_cast<int>(pass_spans_.size()); ++row) {
    const PassSpan& pass = pass_spans_[static_cast<std::size_t>(row)];
    const auto summary = archive_->Summary(channel_, pass.start, pass.end);
    // The sources of a pass are the same for every channel: read once per window.
    if (pass_sources_.size() <= static_cast<std::size_t>(row)) {
      QString names;
      const auto sources = archive_->Sources_Within(pass.start, pass.end);
      if (sources.ok()) {
        for (const Source& s : sources.value()) {
          if (!names.isEmpty()) names += QStringLiteral("; ");
          names += QString::fromStdString(s.name);
        }
      }
      pass_sources_.push_back(names);
    }
    const QString& names = pass_sources_[static_cast<std::size_t>(row)];
    const auto cell = [&](int column, const QString& text) {
      passes_->setItem(row, column, new QTableWidgetItem(text));
    };
    cell(0, Utc_Text(pass.start));
    cell(1, Utc_Text(pass.end).mid(11));
    cell(2, QString::number(pass.frames));
    cell(3, names);
    if (summary.ok() && summary.value().count > 0) {
      const SampleSummary& s = summary.value();
      cell(4, QString::fromStdString(Shortest_Number(s.min)));
      cell(5, QString::fromStdString(Shortest_Number(s.max)));
      cell(6, QString::number(s.mean, 'g', 6));
      QString outside;
      if (Check_Limits(limit, s.min) == LimitCheck::Below) outside = tr("below");
      if (Check_Limits(limit, s.max) == LimitCheck::Above) {
        outside += outside.isEmpty() ? tr("above") : tr(", above");
      }
      cell(7, outside);
      if (!outside.isEmpty()) {
        for (int c = 4; c < 8; ++c) passes_->item(row, c)->setForeground(kWarningColour);
      }
    }
  }
  passes_->resizeColumnsToContents();
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
  Fill_Passes();
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
  const QString folder = QDir::temp().filePath(QStringLiteral("orvelt-passes"));
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("/pass %1.kss")
                                    .arg(QDateTime::fromSecsSinceEpoch(pass.start, Qt::UTC)
                                             .toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(capture.value().data()),
                 static_cast<qint64>(capture.value().size())) !=
          static_cast<qint64>(capture.value().size())) {
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
