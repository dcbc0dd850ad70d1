#include "qt/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "archive/archive_place.hpp"
#include "archive/archive_settings.hpp"
#include "charts/selection.hpp"
#include "export/screenshot.hpp"
#include "forward/station_settings_store.hpp"
#include "qt/capture_archiving.hpp"
#include "qt/chart_widget.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/frame_view.hpp"
#include "qt/history_window.hpp"
#include "qt/info_window.hpp"
#include "qt/live_controller.hpp"
#include "qt/load_monitor.hpp"
#include "qt/value_box_fit.hpp"
#include "qt/window_font.hpp"
#include "window/handlers.hpp"
#include "window/navigation.hpp"
#include "window/record_display.hpp"

namespace orvelt {

namespace {

constexpr QColor kFormColour(0xF0, 0xF0, 0xF0);
constexpr int kTwipsPerPixel = 15;
constexpr double kDesignDpi = 96.0;

// The tab strip of SSTab1: frame positions on a tab count from the control's top edge, and the
// first frame starts right below the strip; a Qt tab page starts below its tab bar.
constexpr int kTabStripTwips = 360;

// Where every control of the window stands, in twips: the one layout table of the window.
struct Layout {
  TwipRect tab{120, 0, 9375, 4455};
  TwipRect frame1{120, 360 - kTabStripTwips, 9135, 1455};
  TwipRect frame6{120, 1920 - kTabStripTwips, 9135, 2415};
  TwipRect frame7{120, 360 - kTabStripTwips, 9135, 3975};
  // Right-aligned as designed, its left edge moved right to leave room for the counter beside
  // it; the longest label still fits.
  TwipRect label2{6240, 360, 2655, 255};
  TwipRect list1{120, 1200, 8895, 2595};
  TwipRect frame5{120, 4560, 9375, 4695};
  TwipRect chart{120, 240, 9135, 4335};
  TwipRect check1{8880, 4440, 375, 195};
  TwipRect command1{120, 9360, 495, 255};
  TwipRect label3{720, 9360, 6375, 255};
  // Where the design's unused Text2 stands, widened to the status line's end: the record shown.
  TwipRect position{7140, 9360, 1215, 255};
  TwipRect hscroll1{8400, 9360, 1095, 375};

  // Channel grid of the frames: rows 240 apart from 360; per column the left edges of
  // selector, value box and unit label.
  int first_row_top = 360;
  int row_pitch = 240;
  // The design's boxes, 615 wide, cut a value with five digits, sign and decimals, and the
  // modem's ten-digit counters: a box takes the room up to its unit label, which moves as far
  // right as its frame allows, and a counter the room up to the next column.
  std::array<int, 3> selector_left{120, 3240, 6240};
  std::array<int, 3> box_left{1920, 4920, 7800};
  std::array<int, 3> unit_left{2835, 5835, 8715};
  int selector_max_width = 1695;
  int selector_height = 195;
  int box_width = 900;
  int counter_box_width = 1260;
  int wide_box_width = 4095;  // seconds and date of the last bus message
  int box_height = 285;
  int unit_width = 330;
  int unit_height = 255;
  // The switch states run to 44 capitals: their boxes take the row from the voltages' units to
  // the frame's edge.
  int status_box_left = 6180;
  int status_box_width = 2910;
};
constexpr Layout kLayout;

// A selector caption too wide for its place shrinks down to this size.
constexpr double kSmallestCaptionPoints = 6.5;

constexpr const char* kChannelProperty = "orvelt_channel";

QString From_Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Window colours are stored 0x00BBGGRR.
QColor Box_Colour(std::uint32_t bbggrr) {
  return QColor(static_cast<int>(bbggrr & 0xFF), static_cast<int>((bbggrr >> 8) & 0xFF),
                static_cast<int>((bbggrr >> 16) & 0xFF));
}

Qt::CheckState Check_State(int value) {
  switch (value) {
    case 1:
      return Qt::Checked;
    case 2:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

int Row_Top(int row) {
  return kLayout.first_row_top + kLayout.row_pitch * (row - 1);
}

// Height a control needs to show its text whole in its font (which a larger screen scale or
// font makes taller than the design's); 0 for controls whose design height is final.
int Needed_Height(const QWidget& widget) {
  if (qobject_cast<const QAbstractButton*>(&widget) != nullptr ||
      qobject_cast<const QLabel*>(&widget) != nullptr) {
    return widget.sizeHint().height();
  }
  return 0;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<QtPlatform> platform, QWidget* parent,
                       QStringList font_families)
    : QMainWindow(parent),
      app_(std::make_unique<AppState>()),
      platform_(platform ? std::move(platform) : std::make_unique<QtPlatform>()),
      load_monitor_(new LoadMonitor(this)),
      font_families_(std::move(font_families)) {
  platform_->Set_Window(this);
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  setAcceptDrops(true);
  scale_ = logicalDpiX() / kDesignDpi;
  shown_paint_.fill({~std::uint32_t{0}, ~std::uint32_t{0}});  // nothing rendered yet
  {
    QSettings station(QStringLiteral("orvelt"), QString::fromLatin1(kStationSettingsApplication));
    app_->limits = Load_Limits(station);
  }

  QPalette pal = palette();
  pal.setColor(QPalette::Window, kFormColour);
  pal.setColor(QPalette::Button, kFormColour);
  setPalette(pal);

  Build_Menus();
  Build_Controls();
  live_ = new LiveController(*this, file_menu_, exit_action_);
  forwarding_ =
      new ForwardingController(*this, live_->Receiver().Session(), file_menu_, exit_action_);
  capture_archiving_ = new CaptureArchiving(Default_Archive_Path(), this);
  Add_Archive_Menus(*this, file_menu_, view_menu_);
  resize(minimumSizeHint());
  Render(kChart | kLoadReport);
  // The arrow keys, Home, End and the page keys step through the records from the start, not
  // through the tabs.
  hscroll1_->setFocus();
}

MainWindow::~MainWindow() {
  delete info_.data();  // a window without owner: it goes with the main window
}

QLineEdit* MainWindow::Value_Box(int index) const {
  if (index < 0 || index >= static_cast<int>(text1_.size())) return nullptr;
  return text1_[static_cast<std::size_t>(index)];
}

int MainWindow::Px(int twips) const {
  return static_cast<int>(std::lround(twips * scale_ / kTwipsPerPixel));
}

QRect MainWindow::Px(int left, int top, int width, int height) const {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

QRect MainWindow::Px(const TwipRect& r) const {
  return Px(r.left, r.top, r.width, r.height);
}

Outcome MainWindow::Start_Up() {
  Outcome started = Form_Load(*app_, *platform_);
  Render(kChart | kLoadReport);
  return started;
}

void MainWindow::Load_Files(const std::vector<std::string>& files) {
  if (Run_Load([this, &files] { return Open_Files(*app_, *platform_, files); })) {
    Remember_Recent(app_->form.List3);
  }
}

template <typename Load>
bool MainWindow::Run_Load(Load&& load) {
  if (load_monitor_->Loading()) return false;  // one load at a time
  app_->load_options.progress = load_monitor_->Begin();
  capture_archiving_->Load_Begins(app_->load_options, app_->telemetry);
  const bool replaced = load();
  capture_archiving_->Load_Ended(app_->load_options);
  app_->load_options.progress = nullptr;
  load_monitor_->End();
  if (replaced) {
    loaded_ = true;
    Store_Replaced();
  } else {
    // The store stays as it was: said in the status line and, since the user's action seems to
    // have done nothing, in a message too, once the load is over.
    Render(kLoadReport);
    platform_->Message_Box(app_->form.Label3_details);
  }
  hscroll1_->setFocus();
  return replaced;
}

void MainWindow::Store_Replaced() {
  Store_Changed(*app_, *platform_, QDateTime::currentSecsSinceEpoch());
  Render(kChart | kLoadReport);
  if (frame_view_) frame_view_->Refresh();
}

void MainWindow::Set_Limits(const LimitTable& limits) {
  app_->limits = limits;
  Show_Current_Record(*app_, *platform_, QDateTime::currentSecsSinceEpoch());
  Render(kNothingElse);
}

void MainWindow::Forget_Load() {
  loaded_ = false;
  app_->last_load = LoadReport{};
  app_->form.Label3_summary.clear();
  app_->form.Label3_details.clear();
  if (load_report_) load_report_->close();
  label3_->unsetCursor();
}

// --- Construction -------------------------------------------------------------------------

void MainWindow::Build_Menus() {
  QMenu* file = file_menu_ = menuBar()->addMenu(tr("&File"));
  file->setObjectName("MnuFile");
  QAction* open = file->addAction(tr("&Open Kissfile"));
  open->setObjectName("MenuFileOpen");
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, &MainWindow::On_File_Open);
  Build_Tool_Menus(file);
  file->addSeparator();
  QAction* exit = exit_action_ = file->addAction(tr("E&xit"));
  exit->setObjectName("MenuFileExit");
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  // "B" and "S" work as keys wherever the focus is in the window, as their captions suggest;
  // a dialog is a window of its own, so typing there never reaches them.
  auto* bars = new QAction(tr("Bars or lines"), this);
  bars->setObjectName("KeyCheck1");
  bars->setShortcut(QKeySequence(Qt::Key_B));
  bars->setShortcutContext(Qt::WindowShortcut);
  addAction(bars);
  connect(bars, &QAction::triggered, this, [this] { check1_->click(); });
  auto* shot = new QAction(tr("Screenshot"), this);
  shot->setObjectName("KeyCommand1");
  shot->setShortcut(QKeySequence(Qt::Key_S));
  shot->setShortcutContext(Qt::WindowShortcut);
  addAction(shot);
  connect(shot, &QAction::triggered, this, [this] {
    if (command1_->isVisible()) command1_->click();
  });

  QAction* info = menuBar()->addAction(tr("&Info"));
  info->setObjectName("MnuInfo");
  info->setShortcut(QKeySequence::HelpContents);
  addAction(info);  // the shortcut works wherever the focus is
  connect(info, &QAction::triggered, this, [this] { MnuInfo_Click(info_, this); });
}

void MainWindow::Place_Control(QWidget* widget, QRect design, Anchor anchor) {
  // A control whose text needs more height than the design gives it grows about its middle,
  // so that nothing is clipped at larger scales.
  if (const int extra = Needed_Height(*widget) - design.height(); extra > 0) {
    design.adjust(0, -extra / 2, 0, extra - extra / 2);
  }
  widget->setGeometry(design);
  placed_.push_back({widget, design, anchor});
}

QGroupBox* MainWindow::Build_Frame(QWidget* parent, const char* name, const QString& caption,
                                   const QRect& rect, Anchor anchor) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  QFont bold = parent->font();
  bold.setBold(true);
  frame->setFont(bold);
  Place_Control(frame, rect, anchor);
  return frame;
}

QLineEdit* MainWindow::Build_Box(QWidget* parent, int index, const QRect& rect) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QStringLiteral("Text1_%1").arg(index));
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);  // a display: the keys stay with the record bar
  box->setAcceptDrops(false);
  box->setFont(client_->font());
  // The boxes of a column stand one row pitch apart. A box taller than that lies over the
  // lower edge of the box above it and hides the lower part of its digits, the more so the
  // taller its font: every box is the pitch high, and its text, centred, shows whole in it.
  QRect in_row = rect;
  in_row.setHeight(std::min(rect.height(), Px(kLayout.row_pitch)));
  Place_Control(box, in_row);
  text1_[static_cast<std::size_t>(index)] = box;
  return box;
}

void MainWindow::Build_Channel(const ChannelInfo& c, QWidget* frame) {
  const auto col = static_cast<std::size_t>(c.column - 1);
  const int top = Row_Top(c.row);
  const QFont normal = client_->font();

  auto* selector = new QRadioButton(From_Utf8(std::string(Channel_Caption(c.index))), frame);
  selector->setObjectName(QStringLiteral("Option1_%1").arg(c.index));
  selector->setFont(normal);
  // Selection is one for the whole window and belongs to the model, across all frames.
  selector->setAutoExclusive(false);
  // A click selects without taking the keys from the record bar; Tab still reaches it.
  selector->setFocusPolicy(Qt::TabFocus);
  selector->setProperty(kChannelProperty, c.index);
  selector->installEventFilter(this);
  connect(selector, &QRadioButton::clicked, this, [this, i = c.index] { On_Selector(i); });
  // A caption wider than the design's selector may use the room up to the value box.
  QRect selector_rect =
      Px(kLayout.selector_left[col], top, kLayout.selector_max_width, kLayout.selector_height);
  const int room = Px(kLayout.box_left[col]) - selector_rect.left() - 1;
  // A caption that does not fit even that room (a substitute font runs wider than the
  // design's) is set a little smaller rather than cut.
  QFont caption_font = normal;
  while (selector->sizeHint().width() > room &&
         caption_font.pointSizeF() > kSmallestCaptionPoints) {
    caption_font.setPointSizeF(caption_font.pointSizeF() - 0.25);
    selector->setFont(caption_font);
  }
  selector_rect.setWidth(
      std::min(room, std::max(selector_rect.width(), selector->sizeHint().width())));
  Place_Control(selector, selector_rect);
  option1_[static_cast<std::size_t>(c.index)] = selector;

  const int box_width = c.format == ValueFormat::SecondsAndDate ? kLayout.wide_box_width
                        : c.place == Place::Frame7              ? kLayout.counter_box_width
                                                                : kLayout.box_width;
  Build_Box(frame, c.index, Px(kLayout.box_left[col], top, box_width, kLayout.box_height));

  if (c.has_unit_label) {
    auto* unit = new QLabel(From_Utf8(std::string(Channel_Unit(c.index))), frame);
    unit->setObjectName(QStringLiteral("Label1_%1").arg(c.index));
    unit->setFont(normal);
    Place_Control(unit, Px(kLayout.unit_left[col], top, kLayout.unit_width, kLayout.unit_height));
  }
}

void MainWindow::Build_Controls() {
  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  client_->setAutoFillBackground(true);
  // The controls are laid out for the design's 8.25 point font: that font, or one of the same
  // metrics, keeps the captions inside their places, where a larger system font would not fit.
  client_->setFont(Window_Font(font_families_));
  client_->setMinimumSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
  client_->installEventFilter(this);
  setCentralWidget(client_);
  Build_Tabs();
  Build_Lower_Controls();
}

void MainWindow::Build_Tabs() {
  tab_ = new QTabWidget(client_);
  tab_->setObjectName("SSTab1");
  Place_Control(tab_, Px(kLayout.tab));
  auto* telemetry_tab = new QWidget;
  telemetry_tab->setObjectName("SSTab1_Telemetry");
  auto* safe_mode_tab = new QWidget;
  safe_mode_tab->setObjectName("SSTab1_SafeMode");
  tab_->addTab(telemetry_tab, tr("Telemetry"));
  tab_->addTab(safe_mode_tab, tr("Safe Mode Telemetry"));
  tab_->setFocusPolicy(Qt::TabFocus);
  tab_->tabBar()->setFocusPolicy(Qt::TabFocus);

  QGroupBox* frame1 = Build_Frame(telemetry_tab, "Frame1", tr("Telemetry"), Px(kLayout.frame1));
  QGroupBox* frame6 = Build_Frame(telemetry_tab, "Frame6", tr("Switchboard"), Px(kLayout.frame6));
  QGroupBox* frame7 = Build_Frame(safe_mode_tab, "Frame7", tr("Modem"), Px(kLayout.frame7));

  for (const ChannelInfo& c : Channel_Table()) {
    switch (c.place) {
      case Place::Frame1:
        Build_Channel(c, frame1);
        break;
      case Place::Frame6:
        Build_Channel(c, frame6);
        break;
      case Place::Frame7:
        Build_Channel(c, frame7);
        break;
      case Place::Hidden:
        break;  // model only
    }
  }
  for (int i = kFirstStatusBox; i <= kLastStatusBox; ++i) {
    Build_Box(frame6, i,
              Px(kLayout.status_box_left, Row_Top(Status_Box_Row(i)), kLayout.status_box_width,
                 kLayout.box_height));
  }

  label2_ = new QLabel(frame7);
  label2_->setObjectName("Label2");
  label2_->setTextFormat(Qt::PlainText);
  label2_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place_Control(label2_, Px(kLayout.label2));  // keeps the frame's bold font

  list1_ = new QListWidget(frame7);
  list1_->setObjectName("List1");
  list1_->setUniformItemSizes(true);
  list1_->setSelectionMode(QAbstractItemView::SingleSelection);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setFamilies({QStringLiteral("Consolas"), fixed.family()});
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  fixed.setBold(false);  // not the frame's bold
  fixed.setPointSizeF(8.25);
  list1_->setFont(fixed);
  Place_Control(list1_, Px(kLayout.list1));
}

void MainWindow::Build_Lower_Controls() {
  const QFont normal = client_->font();
  frame5_ = Build_Frame(client_, "Frame5", QString(), Px(kLayout.frame5), Anchor::Grow);
  chart_ = new ChartWidget(frame5_);
  chart_->setObjectName("MSChart2");
  chart_->setFont(normal);
  Place_Control(chart_, Px(kLayout.chart), Anchor::Grow);
  // The chart takes no keys: a click on it shows that record and the keys go on stepping
  // through the records from there.
  chart_->setFocusPolicy(Qt::NoFocus);
  for (QWidget* inner : chart_->findChildren<QWidget*>()) inner->setFocusPolicy(Qt::NoFocus);
  connect(chart_, &ChartWidget::Row_Clicked, this, [this](int row) {
    Move_To_Record(row);
    hscroll1_->setFocus(Qt::MouseFocusReason);
  });
  check1_ = new QCheckBox(tr("B"), frame5_);
  check1_->setObjectName("Check1");
  check1_->setToolTip(tr("Bars instead of lines, for this chart and every later one"));
  check1_->setFont(normal);
  check1_->raise();  // sits on the chart's corner
  check1_->setFocusPolicy(Qt::TabFocus);
  connect(check1_, &QCheckBox::clicked, this, &MainWindow::On_Check1);
  check1_->installEventFilter(this);  // the record keys pass through it
  // Qt's check mark, and a font taller than the design's, take more room than the design
  // allowed; the box grows to the left and upwards so that its caption stays whole and its right
  // and bottom edges stay on the chart's corner, inside the frame.
  QRect check_rect = Px(kLayout.check1);
  const QSize check_size = check1_->sizeHint();
  check_rect.setLeft(std::min(check_rect.left(), check_rect.right() + 1 - check_size.width()));
  check_rect.setTop(std::min(check_rect.top(), check_rect.bottom() + 1 - check_size.height()));
  Place_Control(check1_, check_rect, Anchor::FollowCorner);

  command1_ = new QPushButton(tr("S"), client_);
  command1_->setObjectName("Command1");
  command1_->setToolTip(tr("Save a picture of the window into the image folder"));
  command1_->setFocusPolicy(Qt::TabFocus);
  connect(command1_, &QPushButton::clicked, this, &MainWindow::On_Command1);
  command1_->installEventFilter(this);
  Place_Control(command1_, Px(kLayout.command1), Anchor::FollowBottom);

  label3_ = new QLabel(client_);
  label3_->setObjectName("Label3");
  label3_->setTextFormat(Qt::PlainText);
  label3_->installEventFilter(this);
  // The status line takes the width the window has, up to the record position at the right.
  Place_Control(label3_, Px(kLayout.label3), Anchor::FollowBottomWiden);

  position_ = new QLabel(client_);
  position_->setObjectName("RecordPosition");
  position_->setTextFormat(Qt::PlainText);
  position_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place_Control(position_, Px(kLayout.position), Anchor::FollowCorner);

  hscroll1_ = new QScrollBar(Qt::Horizontal, client_);
  hscroll1_->setObjectName("HScroll1");
  hscroll1_->setRange(kFirstRecord, kFirstRecord);  // grows with the records loaded
  hscroll1_->setSingleStep(1);
  hscroll1_->setPageStep(1);
  hscroll1_->setValue(1);
  // A scroll bar's keys run backwards by default (Right and Up step back); the arrow keys step
  // through the records as they point.
  hscroll1_->setInvertedControls(false);
  hscroll1_->setFocusPolicy(Qt::StrongFocus);
  // The record changes when the thumb is released, not on the way: a drag of a few pixels
  // would otherwise run through thousands of records.
  hscroll1_->setTracking(false);
  hscroll1_->installEventFilter(this);
  connect(hscroll1_, &QScrollBar::valueChanged, this, &MainWindow::On_Scroll);
  connect(hscroll1_, &QScrollBar::sliderMoved, this, [this](int position) {
    QToolTip::showText(QCursor::pos(), QString::fromUtf8(Record_Position_Text(*app_, position)),
                       hscroll1_);
  });
  Place_Control(hscroll1_, Px(kLayout.hscroll1), Anchor::FollowCorner);
}

void MainWindow::Apply_Layout() {
  // Extra room beyond the design size goes to the chart; the controls below it move down with
  // it and everything else stays where it was designed.
  const int dx = std::max(0, client_->width() - Px(kClientWidthTwips));
  const int dy = std::max(0, client_->height() - Px(kClientHeightTwips));
  for (const Placed& p : placed_) {
    switch (p.anchor) {
      case Anchor::Fixed:
        break;
      case Anchor::Grow:
        p.widget->setGeometry(p.design.adjusted(0, 0, dx, dy));
        break;
      case Anchor::FollowCorner:
        p.widget->setGeometry(p.design.translated(dx, dy));
        break;
      case Anchor::FollowBottom:
        p.widget->setGeometry(p.design.translated(0, dy));
        break;
      case Anchor::FollowBottomWiden:
        p.widget->setGeometry(p.design.translated(0, dy).adjusted(0, 0, dx, 0));
        break;
    }
  }
  Render_Status_Line();  // its room may have changed
}

// --- Rendering ----------------------------------------------------------------------------

void MainWindow::Render(unsigned extra) {
  const FormModel& form = app_->form;
  Render_Boxes();
  for (std::size_t i = 0; i < option1_.size(); ++i) {
    QRadioButton* selector = option1_[i];
    if (selector && selector->isChecked() != form.Option1[i].on) {
      const QSignalBlocker block(selector);
      selector->setChecked(form.Option1[i].on);
    }
  }
  if (form.Label2 != shown_label2_) {
    label2_->setText(From_Utf8(form.Label2));
    shown_label2_ = form.Label2;
  }
  Render_Status_Line();
  if (form.Label3 != shown_label3_ || form.Label3_details != shown_label3_details_) {
    extra |= kLoadReport;  // the tooltip holds the whole line
    shown_label3_ = form.Label3;
    shown_label3_details_ = form.Label3_details;
  }
  if (form.Frame5 != shown_frame5_) {
    frame5_->setTitle(From_Utf8(form.Frame5));
    shown_frame5_ = form.Frame5;
  }
  if (command1_->isHidden() == form.Command1_visible) command1_->setHidden(!form.Command1_visible);
  if (const Qt::CheckState state = Check_State(form.Check1); check1_->checkState() != state) {
    const QSignalBlocker block(check1_);
    check1_->setCheckState(state);
  }
  {
    // The bar spans the records loaded, so that its thumb, track and page steps move through
    // the data; the model's position is already within them.
    const QSignalBlocker block(hscroll1_);
    const TelemetryStore& store = app_->telemetry.store;
    if (hscroll1_->maximum() != Last_Record(store)) hscroll1_->setMaximum(Last_Record(store));
    if (hscroll1_->pageStep() != Record_Page_Step(store)) {
      hscroll1_->setPageStep(Record_Page_Step(store));
    }
    if (hscroll1_->value() != form.HScroll1) hscroll1_->setValue(form.HScroll1);
  }
  Render_Position();
  Render_List1();
  if (extra & kChart) Render_Chart();
  if (const bool drawn = form.MSChart2.row_count > 0; save_chart_->isEnabled() != drawn) {
    save_chart_->setEnabled(drawn);
  }
  chart_->Set_Cursor(form.HScroll1);
  if (extra & kLoadReport) Render_Load_Report();
  // An open frame view follows every change of the log, live reception's included.
  if (frame_view_) frame_view_->Follow();
}

void MainWindow::Render_Boxes() {
  const FormModel& form = app_->form;
  for (std::size_t i = 0; i < text1_.size(); ++i) {
    QLineEdit* box = text1_[i];
    if (!box) continue;
    const ValueBox& model = form.Text1[i];
    if (model.text != shown_text_[i]) {
      Fit_Box_Text(*box, From_Utf8(model.text), client_->font());
      // Status boxes explain their code; value boxes give the whole value, unit and time.
      const bool status = i >= static_cast<std::size_t>(kFirstStatusBox);
      box->setToolTip(status ? From_Utf8(model.text) : From_Utf8(model.tooltip));
      shown_text_[i] = model.text;
    }
    if (const BoxPaint paint = Box_Paint(model); paint != shown_paint_[i]) {
      QPalette pal = box->palette();
      pal.setColor(QPalette::Base, Box_Colour(paint.back));
      pal.setColor(QPalette::Text, Box_Colour(paint.text));
      box->setPalette(pal);
      shown_paint_[i] = paint;
    }
  }
}

void MainWindow::Render_Status_Line() {
  // The path gives way in its middle when the line is too narrow; the load's summary at its
  // end stays whole, and the tooltip has everything.
  if (label3_ == nullptr) return;
  const FormModel& form = app_->form;
  const std::size_t tail_bytes = form.Label3_Kept_Tail();
  const QString head = File_Name_Text(form.Label3.substr(0, form.Label3.size() - tail_bytes));
  const QString tail = From_Utf8(form.Label3.substr(form.Label3.size() - tail_bytes));
  const QFontMetrics metrics(label3_->font());
  const int width = label3_->contentsRect().width();
  // A summary wider than the line leaves the path a third of it and is cut at its end.
  const int tail_room =
      std::min(metrics.horizontalAdvance(tail), head.isEmpty() ? width : width * 2 / 3);
  const QString shown_tail = metrics.elidedText(tail, Qt::ElideRight, tail_room);
  const int head_room = std::max(0, width - metrics.horizontalAdvance(shown_tail));
  label3_->setText(metrics.elidedText(head, Qt::ElideMiddle, head_room) + shown_tail);
}

void MainWindow::Render_Position() {
  const int r = hscroll1_->value();
  position_->setText(QString::fromUtf8(Record_Position_Compact(*app_, r)));
  const QString where = QString::fromUtf8(Record_Position_Text(*app_, r));
  position_->setToolTip(where);
  hscroll1_->setToolTip(where);
}

void MainWindow::Render_List1() {
  // The list holds exactly the log's lines: lines the log dropped (by its bounds, or all of
  // them when the store was emptied) leave the list's front, lines received since the last
  // rendering are appended.
  const LineLog& lines = app_->telemetry.messages;
  const std::uint64_t total = lines.total_appended();
  const std::uint64_t first_kept = total - lines.size();
  if (total == shown_list1_ && static_cast<std::size_t>(list1_->count()) == lines.size()) return;
  const std::uint64_t shown_first = shown_list1_ - static_cast<std::uint64_t>(list1_->count());
  if (first_kept >= shown_list1_) {
    list1_->clear();
  } else if (first_kept > shown_first) {
    list1_->model()->removeRows(0, static_cast<int>(first_kept - shown_first));
  }
  QStringList added;
  for (std::uint64_t k = std::max(first_kept, shown_list1_); k < total; ++k) {
    added << From_Utf8(lines[static_cast<std::size_t>(k - first_kept)]);
  }
  list1_->addItems(added);
  shown_list1_ = total;
}

void MainWindow::Render_Chart() {
  chart_->Render(app_->form.MSChart2);
}

void MainWindow::Render_Load_Report() {
  const FormModel& form = app_->form;
  const QString full = File_Name_Text(form.Label3);
  QString tip = full;
  const QString more = File_Name_Text(form.Label3_details).trimmed();
  if (!more.isEmpty()) tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + more;
  label3_->setToolTip(tip);
  if (!loaded_) return;
  const QString details = File_Name_Text(app_->last_load.Details()).trimmed();
  label3_->setCursor(Qt::PointingHandCursor);
  // An open report follows every load.
  if (load_report_ && load_report_->isVisible()) {
    load_report_summary_->setText(full);
    load_report_details_->setPlainText(details);
  }
}

void MainWindow::Show_Load_Report() {
  if (!loaded_) return;
  if (!load_report_) {
    auto* dialog = new QDialog(this);
    dialog->setObjectName("LoadReport");
    dialog->setWindowTitle(tr("Load report"));
    auto* layout = new QVBoxLayout(dialog);
    load_report_summary_ = new QLabel(dialog);
    load_report_summary_->setObjectName("LoadReportSummary");
    load_report_summary_->setTextFormat(Qt::PlainText);
    load_report_summary_->setWordWrap(true);
    load_report_details_ = new QPlainTextEdit(dialog);
    load_report_details_->setObjectName("LoadReportDetails");
    load_report_details_->setReadOnly(true);
    load_report_details_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(load_report_summary_);
    layout->addWidget(load_report_details_);
    layout->addWidget(buttons);
    dialog->resize(Px(9000), Px(4500));
    load_report_ = dialog;
  }
  load_report_->show();
  Render_Load_Report();
  load_report_->raise();
}

// --- Events -------------------------------------------------------------------------------

void MainWindow::On_Scroll(int position) {
  app_->form.HScroll1 = position;
  HScroll1_Change(*app_, *platform_);
  Render(kNothingElse);
}

void MainWindow::Move_To_Record(int position) {
  // Moving the bar raises its change like a user's move does; the bar reaches every record the
  // store holds now, even one not drawn yet.
  const int last = Last_Record(app_->telemetry.store);
  if (hscroll1_->maximum() < last) hscroll1_->setMaximum(last);
  hscroll1_->setValue(std::clamp(position, kFirstRecord, last));
}

bool MainWindow::Record_Bar_Key(int key) {
  switch (key) {
    // Home and End go to the first and the last loaded record, not to the bar's ends.
    case Qt::Key_Home:
      hscroll1_->triggerAction(QAbstractSlider::SliderToMinimum);
      return true;
    case Qt::Key_End:
      hscroll1_->triggerAction(QAbstractSlider::SliderToMaximum);
      return true;
    // A page forward is PageDown, as in a document; Qt's horizontal default runs the other way.
    case Qt::Key_PageDown:
      hscroll1_->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return true;
    case Qt::Key_PageUp:
      hscroll1_->triggerAction(QAbstractSlider::SliderPageStepSub);
      return true;
    default:
      return false;
  }
}

void MainWindow::On_Selector(int index) {
  app_->form.Option1[static_cast<std::size_t>(index)].on = true;
  Option1_Click(*app_, *platform_, index);
  // While a pass is followed the boxes keep showing every channel's latest sample.
  if (app_->show_latest) {
    Show_Current_Record(*app_, *platform_, QDateTime::currentSecsSinceEpoch());
  }
  Render(kChart);
}

void MainWindow::On_Check1() {
  app_->form.Check1 = check1_->checkState() == Qt::Checked ? 1 : 0;
  Check1_Click(*app_);
  Render(kChart);
}

void MainWindow::On_Command1() {
  Command1_Click(*app_, *platform_);
  Render(kNothingElse);
}

void MainWindow::On_File_Open() {
  if (Run_Load([this] { return MenuFileOpen_Click(*app_, *platform_); })) {
    Remember_Recent(app_->form.List3);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A load in progress ends at its next chunk; the program then leaves its event loop.
  load_monitor_->Cancel();
  if (info_) info_->close();
  QMainWindow::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    Apply_Layout();
  } else if (watched == hscroll1_ && event->type() == QEvent::KeyPress) {
    if (Record_Bar_Key(static_cast<QKeyEvent*>(event)->key())) return true;
  } else if (event->type() == QEvent::KeyPress && (watched == check1_ || watched == command1_ ||
                                                   watched->property(kChannelProperty).isValid())) {
    // Tab reaches the buttons of the window and goes on as Tab does; the arrows, Home, End and
    // the page keys step through the records wherever the focus is among them, as they do on
    // the record bar, rather than moving between buttons, which Tab already does.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
          QApplication::sendEvent(hscroll1_, event);
          return true;
        default:
          break;
      }
    }
  } else if (event->type() == QEvent::MouseButtonPress) {
    // A right press selects like a left click; the key tracker has already seen the button
    // go down, which makes the selection draw the channel's group chart.
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QVariant channel = watched->property(kChannelProperty);
    if (mouse->button() == Qt::RightButton && channel.isValid()) {
      On_Selector(channel.toInt());
      return true;
    }
  } else if (watched == label3_ && event->type() == QEvent::MouseButtonRelease) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Show_Load_Report();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  const bool all_local =
      !urls.isEmpty() &&
      std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
  if (all_local) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.push_back(File_Name_Bytes(url.toLocalFile()));
  }
  if (files.empty()) return;
  event->acceptProposedAction();
  Load_Files(files);
}

}  // namespace orvelt
