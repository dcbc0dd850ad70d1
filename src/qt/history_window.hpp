#pragma once

#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <vector>

#include "archive/archive.hpp"
#include "decode/channel_limits.hpp"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QMenu;
class QTableWidget;
class QTimer;

namespace orvelt {

class MainWindow;

// "View / History...": a channel, or its group as the main window's group chart draws it, over
// any stretch of the archive on a true time axis, zoomed and panned with the wheel and by
// dragging, each channel drawn as a min/max envelope per pixel column where it holds more
// samples than pixels; beside it the passes with the channel's figures, where a double click
// loads the pass into the main window as a capture would be.
class HistoryWindow : public QWidget {
  Q_OBJECT
 public:
  HistoryWindow(MainWindow& main, std::filesystem::path archive_file, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Shows channel `channel` over [from, to] (UTC seconds), as the user's wheel and drag would.
  void Show_Range(UtcSeconds from, UtcSeconds to);
  void Select_Channel(int channel);
  // Charts the channel's group with it (when it has one), or the channel alone.
  void Set_Group(bool group);
  QCustomPlot* Plot() const { return plot_; }
  QTableWidget* Pass_List() const { return passes_; }
  // Loads pass `row` of the list into the main window.
  void Load_Pass(int row);

 private:
  void Open_Archive();
  void Redraw();
  void Fill_Passes();
  void Set_Limits();
  // The channels charted now, in series order.
  std::vector<int> Charted() const;

  MainWindow& main_;
  std::filesystem::path archive_file_;
  std::unique_ptr<Archive> archive_;
  std::vector<PassSpan> pass_spans_;
  std::vector<QString> pass_sources_;
  LimitTable limits_{};
  int channel_ = 3;
  bool redrawing_ = false;
  int drawn_pixels_ = 0;  // the chart's width in pixels when it was last drawn

  QComboBox* channel_box_ = nullptr;  // the channel charted
  QCheckBox* group_box_ = nullptr;    // with its group, as a Shift-click in the main window
  QLineEdit* limits_edit_ = nullptr;  // the channel's limits, "lower..upper"
  QCustomPlot* plot_ = nullptr;       // the chart on a UTC date and time axis
  QTableWidget* passes_ = nullptr;    // passes with the channel's figures
  QLabel* status_ = nullptr;          // what the chart shows, or why it shows nothing
  QTimer* redraw_timer_ = nullptr;    // joins a burst of wheel steps into one redraw
};

// Adds "View / History..." and, to the File menu, "Fetch from SatNOGS DB..." and the archive
// setting.
void Add_Archive_Menus(MainWindow& main, QMenu* file, QMenu* view);

}  // namespace orvelt
