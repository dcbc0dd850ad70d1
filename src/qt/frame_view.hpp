#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "decode/frame_log.hpp"
#include "window/frame_rows.hpp"

class QComboBox;
class QLabel;
class QShowEvent;
class QTableView;

namespace orvelt {

// The frame log as a table: file and number in it (as the load report numbers frames), time
// label, what became of the frame, and its bytes in hex.
// Texts are made only for the rows on show, so a log of 100 000 frames scrolls as fast as a
// short one.
class FrameLogModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kFile, kNumber, kLabel, kOutcome, kBytes, kColumnCount };

  explicit FrameLogModel(const FrameLog& log, QObject* parent = nullptr);

  // Takes the log as it stands now and lists the frames that pass `filter`.
  void Refresh(FrameFilter filter);
  // Takes what the log gained or lost since the last look: frames appended at its end are added
  // as rows (the rows on show and the selection stay), anything else lists the log anew.
  void Follow();
  FrameFilter Filter() const { return filter_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::size_t Log_Index(int row) const;

  const FrameLog& log_;
  FrameFilter filter_ = FrameFilter::All;
  std::size_t shown_ = 0;            // rows when no filter narrows the log
  std::vector<std::uint32_t> rows_;  // log positions when a filter does
  // The log as last taken: its first entry's and its end's place in the whole history.
  std::uint64_t taken_first_ = 0;
  std::uint64_t taken_end_ = 0;
};

// The window that shows the frames behind the values, opened from the View menu. It is not
// modal; it follows every change of the log, live reception included, when told to follow.
class FrameView : public QWidget {
  Q_OBJECT
 public:
  explicit FrameView(const FrameLog& log, QWidget* parent = nullptr);

  // Shows the log as it stands now, keeping the chosen filter.
  void Refresh();
  // Shows what the log gained since the last look; cheap when it gained nothing.
  void Follow();

  QTableView* Table() const { return table_; }
  QComboBox* Filter_Box() const { return filter_; }
  FrameLogModel* Model() const { return model_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Count();

  const FrameLog& log_;
  FrameLogModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLabel* count_ = nullptr;
  std::uint64_t counted_end_ = ~std::uint64_t{0};  // the log's end when the count was written
  bool placed_ = false;
};

}  // namespace orvelt
