#include "qt/frame_view.hpp"

#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "decode/latin1.hpp"
#include "qt/qt_platform.hpp"
#include "qt/window_fit.hpp"

namespace orvelt {

namespace {

QString From_Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

FrameLogModel::FrameLogModel(const FrameLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log) {}

void FrameLogModel::Refresh(FrameFilter filter) {
  beginResetModel();
  filter_ = filter;
  shown_ = log_.size();
  rows_ = filter == FrameFilter::All ? std::vector<std::uint32_t>() : Filter_Frames(log_, filter);
  taken_first_ = log_.first_position();
  taken_end_ = log_.total_appended();
  endResetModel();
}

void FrameLogModel::Follow() {
  const std::uint64_t end = log_.total_appended();
  if (end == taken_end_ && log_.first_position() == taken_first_) return;
  // Only frames appended and none dropped: the rows listed stay as they are.
  if (filter_ == FrameFilter::All && log_.first_position() == taken_first_ && end > taken_end_) {
    beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(log_.size() - 1));
    shown_ = log_.size();
    taken_end_ = end;
    endInsertRows();
    return;
  }
  Refresh(filter_);
}

std::size_t FrameLogModel::Log_Index(int row) const {
  return filter_ == FrameFilter::All ? static_cast<std::size_t>(row)
                                     : rows_[static_cast<std::size_t>(row)];
}

int FrameLogModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(filter_ == FrameFilter::All ? shown_ : rows_.size());
}

int FrameLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FrameLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const std::size_t at = Log_Index(index.row());
  if (at >= log_.size()) return {};  // the log moved on since the last refresh
  const FrameLogEntry entry = log_.Entry(at);
  switch (index.column()) {
    case kFile: {
      // The name in the table, the whole path in the tooltip.
      if (entry.file.empty()) return tr("received");
      const QString path = File_Name_Text(std::string(entry.file));
      return role == Qt::ToolTipRole ? path : QFileInfo(path).fileName();
    }
    case kNumber:
      return QString::number(entry.number);
    case kLabel:
      return From_Utf8(Latin1_To_Utf8(entry.label));
    case kOutcome:
      return From_Utf8(Frame_Outcome_Text(entry));
    case kBytes:
      return QString::fromLatin1(Hex_Line(entry.bytes));
    default:
      return {};
  }
}

QVariant FrameLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  switch (section) {
    case kFile:
      return tr("File");
    case kNumber:
      return tr("Frame");
    case kLabel:
      return tr("Time label");
    case kOutcome:
      return tr("Became");
    case kBytes:
      return tr("Bytes");
    default:
      return {};
  }
}

FrameView::FrameView(const FrameLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(log) {
  setObjectName("FrameView");
  setWindowTitle(tr("Frames"));
  model_ = new FrameLogModel(log_, this);

  filter_ = new QComboBox(this);
  filter_->setObjectName("FrameFilter");
  for (int k = 0; k < kFrameFilterCount; ++k) {
    filter_->addItem(QString::fromUtf8(Frame_Filter_Name(static_cast<FrameFilter>(k))), k);
  }
  count_ = new QLabel(this);
  count_->setObjectName("FrameCount");

  table_ = new QTableView(this);
  table_->setObjectName("FrameTable");
  table_->setModel(model_);
  table_->setWordWrap(false);
  // Cutting long hex lines with an ellipsis would measure every character of each one on every
  // paint; the bytes column shows what fits and the tooltip holds the whole line.
  table_->setTextElideMode(Qt::ElideNone);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Fixed row heights and column widths: nothing is measured over all rows, which would cost
  // seconds for a long log.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  table_->setFont(fixed);
  QHeaderView* rows = table_->verticalHeader();
  rows->setVisible(false);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(QFontMetrics(fixed).height() + 4);
  QHeaderView* columns = table_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(true);
  const QFontMetrics metrics(fixed);
  table_->setColumnWidth(FrameLogModel::kFile, metrics.horizontalAdvance(u'0') * 16);
  table_->setColumnWidth(FrameLogModel::kNumber, metrics.horizontalAdvance(u'0') * 9);
  table_->setColumnWidth(FrameLogModel::kLabel, metrics.horizontalAdvance(u'0') * 21);
  table_->setColumnWidth(FrameLogModel::kOutcome, metrics.horizontalAdvance(u'0') * 62);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(tr("Show:"), this));
  top->addWidget(filter_);
  top->addStretch(1);
  top->addWidget(count_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_);
  resize(metrics.horizontalAdvance(u'0') * 150, metrics.height() * 30);

  connect(filter_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  Refresh();
}

void FrameView::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    Place_Whole_On_Screen(*this, size());
  }
  QWidget::showEvent(event);
}

void FrameView::Refresh() {
  model_->Refresh(static_cast<FrameFilter>(filter_->currentData().toInt()));
  Count();
}

void FrameView::Follow() {
  model_->Follow();
  if (counted_end_ != log_.total_appended()) Count();
}

void FrameView::Count() {
  counted_end_ = log_.total_appended();
  const std::size_t total = log_.size();
  QString text = (total == 1 ? tr("%1 of %2 frame") : tr("%1 of %2 frames"))
                     .arg(model_->rowCount())
                     .arg(total);
  if (log_.dropped() > 0) text += tr(" (the %1 oldest are no longer kept)").arg(log_.dropped());
  count_->setText(text);
  // The load report counts every frame of a file; the log keeps those that were decoded.
  count_->setToolTip(
      tr("Time labels and frames longer than 512 bytes are not listed here; the load report "
         "counts them among a file's frames."));
}

}  // namespace orvelt
