#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "archive/archive.hpp"
#include "archive/history_view.hpp"
#include "decode/channel_limits.hpp"

class QCheckBox;
class QComboBox;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QTimer;

namespace orvelt {

class MainWindow;

// "View / History...": a channel, or its group as the main window's group chart draws it, over
// any stretch of the archive on a true time axis, zoomed and panned with the wheel and by
// dragging or set by the time-range buttons (it opens on the last pass's day), each channel
// drawn as a min/max envelope per pixel column where it holds more samples than pixels, its
// limits as lines with the region beyond them shaded, and a read-out of what lies under the
// mouse; below it the passes with the channel's figures, where a click zooms to a pass and a
// double click loads it into the main window as a capture would be. Chart, list and figures
// follow the archive while the window is open, whoever writes to it.
class HistoryWindow : public QWidget {
  Q_OBJECT
 public:
  HistoryWindow(MainWindow& main, std::filesystem::path archive_file, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Shows channel `channel` over [from, to] (UTC seconds), as the user's wheel and drag would.
  void Show_Range(UtcSeconds from, UtcSeconds to);
  // Shows what a time-range button shows, and follows it as the archive grows.
  void Show_Span(HistorySpan span);
  void Select_Channel(int channel);
  // Charts the channel's group with it (when it has one), or the channel alone.
  void Set_Group(bool group);
  QCustomPlot* Plot() const { return plot_; }
  QTableWidget* Pass_List() const { return passes_; }
  // Loads pass `row` of the list into the main window.
  void Load_Pass(int row);
  // Reads the archive again when anything was written to it since it was last read, as the
  // window does every second.
  void Follow_Archive();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Open_Archive();
  void Read_Passes();
  void Redraw();
  void Draw_Limits(double& y_min, double& y_max);
  void Fill_Passes();
  void Set_Limits();
  void Set_Range(UtcSeconds from, UtcSeconds to);
  void Show_Readout(const QPoint& at);
  void Hide_Readout();
  // The channels charted now, in series order.
  std::vector<int> Charted() const;

  MainWindow& main_;
  std::filesystem::path archive_file_;
  std::unique_ptr<Archive> archive_;
  std::unique_ptr<HistoryReader> reader_;
  std::vector<PassSpan> pass_spans_;
  // The sources of each pass, the same for every channel: read again only when the archive
  // changed.
  std::vector<QString> pass_sources_;
  LimitTable limits_{};
  int channel_ = 3;
  bool redrawing_ = false;
  bool setting_range_ = false;
  bool listed_ = false;  // the pass list is filled once the chart is on the screen
  bool placed_ = false;
  int drawn_pixels_ = 0;  // the chart's width in pixels when it was last drawn
  std::optional<HistorySpan> span_ = HistorySpan::Day;  // the button in force, if any
  // What the chart draws now, per charted channel, for the read-out.
  std::vector<int> drawn_channels_;
  std::vector<HistoryView> drawn_views_;

  QComboBox* channel_box_ = nullptr;  // the channel charted
  QCheckBox* group_box_ = nullptr;    // with its group, as a Shift-click in the main window
  QLineEdit* limits_edit_ = nullptr;  // the channel's limits, "lower..upper"
  QCustomPlot* plot_ = nullptr;       // the chart on a UTC date and time axis
  QTableWidget* passes_ = nullptr;    // passes with the channel's figures
  QLabel* status_ = nullptr;          // what the chart shows, or why it shows nothing
  QTimer* redraw_timer_ = nullptr;    // joins a burst of wheel steps into one redraw
  QTimer* watch_timer_ = nullptr;     // looks for changes to the archive
  // Last pass, day, week, month, whole mission: the time range shown, ending with the last pass.
  std::array<QPushButton*, 5> span_buttons_{};
  // The channel's limits: a line at each, the region beyond it shaded.
  QCPItemStraightLine* lower_line_ = nullptr;
  QCPItemStraightLine* upper_line_ = nullptr;
  QCPItemRect* below_band_ = nullptr;
  QCPItemRect* above_band_ = nullptr;
  // Under the mouse: a vertical line at its time and what the chart draws there.
  QCPItemStraightLine* cursor_line_ = nullptr;
  QCPItemText* readout_ = nullptr;
};

// Adds "View / History..." and, to the File menu, "Fetch from SatNOGS DB..." and the archive
// setting.
void Add_Archive_Menus(MainWindow& main, QMenu* file, QMenu* view);

}  // namespace orvelt
