#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.hpp"
#include "config/conf_ini.hpp"
#include "form/twip_rect.hpp"
#include "qt/qt_platform.hpp"
#include "window/app_state.hpp"

class QAction;
class QCheckBox;
class QCloseEvent;
class QDialog;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;

namespace orvelt {

class CaptureArchiving;
class ChartWidget;
class FrameView;
class LoadMonitor;
class LiveController;
class ForwardingController;

// Design size of the client area in twips.
inline constexpr int kClientWidthTwips = 9615;
inline constexpr int kClientHeightTwips = 9825;

// The work window `Form1`. It owns the application state, draws the FormModel into real
// widgets and hands every user event to the core's handlers; it decides nothing itself.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `platform` is the outside world the handlers use; a test passes a scripted one. The controls
  // take the first installed of `font_families`; none given, the window's preferred families.
  explicit MainWindow(std::unique_ptr<QtPlatform> platform = nullptr, QWidget* parent = nullptr,
                      QStringList font_families = {});
  ~MainWindow() override;

  AppState& App() { return *app_; }
  QtPlatform& Qt_Platform() { return *platform_; }

  // Start-up before the window is first shown. A failure means the program must not start.
  Outcome Start_Up();

  // Loads capture files (names as the file system's bytes) as one selection, as "Open
  // Kissfile" would after its dialog.
  void Load_Files(const std::vector<std::string>& files);

  // "Go to...": moves to what `text` names (a record number or a time of day); fails, saying
  // why, when it names nothing.
  Outcome Go_To(const std::string& text);

  // "Export CSV..." and "Save chart..." to a chosen file; fails, saying why, when writing did.
  Outcome Export_Csv(const QString& path);
  Outcome Save_Chart(const QString& path);

  // Opens the frame view (or brings it to the front) and returns it.
  FrameView* Show_Frame_View();

  // The load running now, if any.
  LoadMonitor& Load_Monitor() { return *load_monitor_; }

  // Live reception from a TNC (File / Connect...).
  LiveController& Live() { return *live_; }
  // Telemetry forwarding (File / Station..., Outbox..., Forward loaded frames...).
  ForwardingController& Forwarding() { return *forwarding_; }
  // Loaded captures into the archive (File / Archive).
  CaptureArchiving& Capture_Archiving() { return *capture_archiving_; }
  // Draws what live reception changed in the model.
  void Render_Live() { Render(kChart); }
  // The store was emptied or replaced (a load, a new live session): every view shows the new
  // store at once.
  void Store_Replaced();
  // The station's limits changed: the value boxes outside them are marked at once.
  void Set_Limits(const LimitTable& limits);
  // A live session began or started afresh: the last load's report no longer describes the
  // store.
  void Forget_Load();
  // Moves the record scroll bar to `position` (kept within the records loaded) as a user's move
  // would.
  void Move_To_Record(int position);
  // The record scroll bar `HScroll1`.
  QScrollBar* Record_Bar() const { return hscroll1_; }
  // The status line `Label3`.
  QLabel* Status_Line() const { return label3_; }
  // The value box `Text1(index)`; none where the window has no box of that index.
  QLineEdit* Value_Box(int index) const;
  // "File / Exit": the menu entries of other parts of the window go in above it.
  QAction* Exit_Action() const { return exit_action_; }

  // Pixels of a length in twips at the screen's scale (15 twips per pixel at 96 dpi).
  int Px(int twips) const;
  QRect Px(int left, int top, int width, int height) const;
  QRect Px(const TwipRect& design) const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What besides the always-compared controls may have changed since the last rendering.
  enum RenderExtra : unsigned { kNothingElse = 0, kChart = 1, kLoadReport = 2 };

  // How a control follows when the client area grows beyond its design size.
  enum class Anchor { Fixed, Grow, FollowCorner, FollowBottom, FollowBottomWiden };
  struct Placed {
    QWidget* widget;
    QRect design;  // pixels at design size
    Anchor anchor;
  };

  void Build_Menus();
  void Build_Tool_Menus(QMenu* file);
  void Build_Controls();
  void Build_Tabs();
  void Build_Lower_Controls();
  QGroupBox* Build_Frame(QWidget* parent, const char* name, const QString& caption,
                         const QRect& rect, Anchor anchor = Anchor::Fixed);
  void Build_Channel(const ChannelInfo& channel, QWidget* frame);
  QLineEdit* Build_Box(QWidget* parent, int index, const QRect& rect);
  void Place_Control(QWidget* widget, QRect design, Anchor anchor = Anchor::Fixed);
  void Apply_Layout();

  void Render(unsigned extra);
  void Render_Boxes();
  void Render_List1();
  void Render_Chart();
  void Render_Status_Line();
  void Render_Position();
  void Render_Load_Report();
  void Show_Load_Report();

  // Runs a load with progress and cancel, then renders what it left. False when the load kept
  // the store as it was (nothing of its selection could be read).
  template <typename Load>
  bool Run_Load(Load&& load);
  void Remember_Recent(const std::vector<std::string>& files);
  void Fill_Recent_Menu();

  void On_Scroll(int position);
  bool Record_Bar_Key(int key);
  void On_Selector(int index);
  void On_Check1();
  void On_Command1();
  void On_File_Open();
  void On_Go_To();
  void On_Export_Csv();
  void On_Save_Chart();

  std::unique_ptr<AppState> app_;
  std::unique_ptr<QtPlatform> platform_;
  LoadMonitor* load_monitor_ = nullptr;
  LiveController* live_ = nullptr;
  ForwardingController* forwarding_ = nullptr;
  CaptureArchiving* capture_archiving_ = nullptr;
  double scale_ = 1.0;
  QStringList font_families_;  // asked for by whoever made the window; empty: the preferred ones

  QWidget* client_ = nullptr;
  QTabWidget* tab_ = nullptr;
  QGroupBox* frame5_ = nullptr;
  ChartWidget* chart_ = nullptr;
  QCheckBox* check1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* position_ = nullptr;  // "record/records" beside the scroll bar
  QListWidget* list1_ = nullptr;
  QScrollBar* hscroll1_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QMenu* file_menu_ = nullptr;
  QMenu* view_menu_ = nullptr;
  QAction* exit_action_ = nullptr;
  QAction* save_chart_ = nullptr;  // "Save chart...": only with a chart that holds something
  // The load report, once opened: the dialog with its summary and its frame-by-frame details.
  QPointer<QDialog> load_report_;
  QLabel* load_report_summary_ = nullptr;
  QPlainTextEdit* load_report_details_ = nullptr;
  std::array<QLineEdit*, kControlIndexCount> text1_{};
  std::array<QRadioButton*, kChannelCount> option1_{};
  std::vector<Placed> placed_;
  QPointer<QWidget> info_;
  QPointer<FrameView> frame_view_;

  // What the widgets show now, so that a render touches only what changed.
  std::array<std::string, kControlIndexCount> shown_text_;
  std::array<BoxPaint, kControlIndexCount> shown_paint_{};
  std::string shown_label2_, shown_label3_, shown_label3_details_, shown_frame5_;
  std::uint64_t shown_list1_ = 0;  // messages ever appended when List1 was last drawn
  bool loaded_ = false;            // a load has run, so there is a report to show
};

}  // namespace orvelt
