#pragma once

#include <QMainWindow>
#include <QRect>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/conf_ini.hpp"
#include "qt/qt_platform.hpp"
#include "window/app_state.hpp"

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;

namespace orvelt {

class ChartWidget;
class LiveController;

// Design size of the client area in twips.
inline constexpr int kClientWidthTwips = 9615;
inline constexpr int kClientHeightTwips = 9825;

// The work window `Form1`. It owns the application state, draws the FormModel into real
// widgets and hands every user event to the core's handlers; it decides nothing itself.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  AppState& App() { return *app_; }
  QtPlatform& Qt_Platform() { return platform_; }

  // Start-up before the window is first shown. An error means the program must not start.
  std::optional<ConfigError> Start_Up();

  // Loads capture files as one selection, as "Open Kissfile" would after its dialog.
  void Load_Files(const std::vector<std::string>& files);

  // Live reception from a TNC (File / Connect...).
  LiveController& Live() { return *live_; }
  // Draws what live reception changed in the model.
  void Render_Live() { Render(kChart); }

  // Pixels of a length in twips at the screen's scale (15 twips per pixel at 96 dpi).
  int Px(int twips) const;
  QRect Px(int left, int top, int width, int height) const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What besides the always-compared controls may have changed since the last rendering.
  enum RenderExtra : unsigned { kNothingElse = 0, kChart = 1, kLoadReport = 2 };

  // How a control follows when the client area grows beyond its design size.
  enum class Anchor { Fixed, Grow, FollowCorner, FollowBottom };
  struct Placed {
    QWidget* widget;
    QRect design;  // pixels at design size
    Anchor anchor;
  };

  void Build_Menus();
  void Build_Controls();
  void Build_Tabs();
  void Build_Lower_Controls();
  QGroupBox* Build_Frame(QWidget* parent, const char* name, const QString& caption,
                         const QRect& rect, Anchor anchor = Anchor::Fixed);
  void Build_Channel(const ChannelInfo& channel, QWidget* frame);
  QLineEdit* Build_Box(QWidget* parent, int index, const QRect& rect);
  void Place_Control(QWidget* widget, const QRect& design, Anchor anchor = Anchor::Fixed);
  void Apply_Layout();

  void Render(unsigned extra);
  void Render_List1();
  void Render_Chart();
  void Render_Load_Report();
  void Show_Load_Report();

  void On_Scroll(int position);
  void On_Selector(int index);
  void On_Check1();
  void On_Command1();
  void On_File_Open();

  std::unique_ptr<AppState> app_;
  QtPlatform platform_;
  LiveController* live_ = nullptr;
  double scale_ = 1.0;

  QWidget* client_ = nullptr;
  QTabWidget* tab_ = nullptr;
  QGroupBox* frame5_ = nullptr;
  ChartWidget* chart_ = nullptr;
  QCheckBox* check1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QListWidget* list1_ = nullptr;
  QScrollBar* hscroll1_ = nullptr;
  std::array<QLineEdit*, kControlIndexCount> text1_{};
  std::array<QRadioButton*, kChannelCount> option1_{};
  std::vector<Placed> placed_;

  // What the widgets show now, so that a render touches only what changed.
  std::array<std::string, kControlIndexCount> shown_text_;
  std::array<std::uint32_t, kControlIndexCount> shown_colour_{};
  std::string shown_label2_, shown_label3_, shown_frame5_;
  std::uint64_t shown_list1_ = 0;  // messages ever appended when List1 was last drawn
  bool loaded_ = false;            // a load has run, so there is a report to show
};

}  // namespace orvelt
