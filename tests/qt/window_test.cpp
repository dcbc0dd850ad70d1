// The window's Qt layer driven through its real widgets on the offscreen platform: the main
// window, its loads and tools, the outbox view, the layout at every scale and font; the chart
// widget drawing the core's chart models and saving them as pictures, the window's bitmap and
// PNG; the history window over an archive of a month and the archive filled by live sessions
// and, when chosen, by loaded captures. The paths a person takes through menus and dialogs are
// the journeys'.

#include "qt/main_window.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "archive/archive_settings.hpp"
#include "charts/chart_routines.hpp"
#include "charts/selection.hpp"
#include "form/channel_table.hpp"
#include "forward/outbox.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_session.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/history_window.hpp"
#include "qt/key_press_tracker.hpp"
#include "qt/live_archiving.hpp"
#include "qt/load_monitor.hpp"
#include "qt/outbox_view.hpp"
#include "qt/png_writer.hpp"
#include "qt/value_box_fit.hpp"
#include "qt/warning_colour.hpp"
#include "qt/window_font.hpp"
#include "support/example_station.hpp"
#include "tools/capture_writer.hpp"
#include "window/navigation.hpp"

namespace orvelt {
namespace {

// The Qt platform with no modal dialog to wait on a person: the file dialog is cancelled, a
// message box is dropped, and start-up reads the program's files from the built program's
// folder.
class ScriptedPlatform : public QtPlatform {
 public:
  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings&) override {
    return std::nullopt;
  }
  void Message_Box(const std::string&) override {}
  std::filesystem::path Program_Directory() override { return ORVELT_APP_DIR; }
};

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

// A started window whose dialogs are scripted, measuring text in `families`: by default a family
// that every machine building the window has, so that results do not depend on its other fonts.
struct Scripted {
  std::unique_ptr<MainWindow> window;

  explicit Scripted(const QStringList& families = {QStringLiteral("DejaVu Sans")})
      : window(
            std::make_unique<MainWindow>(std::make_unique<ScriptedPlatform>(), nullptr, families)) {
    if (const auto started = window->Start_Up(); !started)
      qFatal("start-up failed: %s", started.why().c_str());
  }

  void Show() const {
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window never showed");
  }
  template <typename T>
  T* Find(const QString& name) const {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  AppState& App() const { return window->App(); }
  QLineEdit* Box(int i) const { return Find<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
  QScrollBar* Scroll() const { return Find<QScrollBar>("HScroll1"); }
  double Value(int channel, int slot) const { return App().telemetry.store.Value(channel, slot); }

  // Every value and status box with its index.
  std::vector<std::pair<int, QLineEdit*>> Boxes() const {
    std::vector<std::pair<int, QLineEdit*>> boxes;
    for (int i = 0; i < kControlIndexCount; ++i) {
      if (auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        boxes.emplace_back(i, box);
      }
    }
    return boxes;
  }
};

const std::string kA = "https://a.example/";
const std::string kB = "https://b.example/";
const std::string kRemoved = "https://c.example/";

std::unique_ptr<Outbox> Open_Outbox(const QTemporaryDir& dir) {
  auto opened = Outbox::Open((dir.path() + "/outbox.sqlite").toStdString());
  if (!opened.ok()) qFatal("outbox: %s", opened.why().c_str());
  return std::move(opened.value());
}

// Pixels dark enough to be part of a glyph, its smoothed edges included: box frames and
// backgrounds are lighter.
constexpr int kInkGrey = 170;
// A box's own frame, left out where glyphs are looked for.
constexpr int kFramePixels = 2;

// The rectangle that the glyphs of a box drawn alone cover, grown by a pixel for their smoothed
// edges; empty when it shows no text.
QRect Ink_Rect(const QImage& image) {
  const QRect inside =
      image.rect().adjusted(kFramePixels, kFramePixels, -kFramePixels, -kFramePixels);
  QRect ink;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      if (qGray(image.pixel(x, y)) < kInkGrey) ink |= QRect(x, y, 1, 1);
    }
  }
  return ink.isEmpty() ? ink : ink.adjusted(-1, -1, 1, 1) & inside;
}

// No control is clipped or reaches outside its frame, and no value box cuts its value.
void Check_Controls_Fit(QWidget& window) {
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->objectName() == QLatin1String("Label3")) continue;
    const bool button = qobject_cast<QAbstractButton*>(w) != nullptr;
    const bool label =
        qobject_cast<QLabel*>(w) != nullptr && w->parent() != nullptr && !w->objectName().isEmpty();
    auto* box = qobject_cast<QLineEdit*>(w);
    if (!button && !label && box == nullptr) continue;
    const QString name = w->objectName();
    const QSize needed = w->sizeHint();
    // A value box's height is the row pitch; that its digits show whole is checked apart.
    QVERIFY2(box || w->height() >= needed.height(), qPrintable(name + " is too low"));
    if (auto* push = qobject_cast<QPushButton*>(w)) {
      // A push button's size hint holds the style's minimum width: only its text must fit.
      QVERIFY2(push->fontMetrics().horizontalAdvance(push->text()) < push->width(),
               qPrintable(name));
    } else if (button || label) {
      QVERIFY2(w->width() >= needed.width(), qPrintable(name + " is too narrow"));
    } else if (!box->text().isEmpty()) {
      QVERIFY2(!box->text().endsWith(QChar(0x2026)) &&
                   QFontMetrics(box->font()).horizontalAdvance(box->text()) <= Box_Text_Width(*box),
               qPrintable(name + QStringLiteral(" cuts its value ") + box->text()));
    }
    QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
             qPrintable(name + QStringLiteral(" reaches outside its frame")));
  }
}

// The boxes of a column stand one row pitch apart: the digits of every box shown must lie wholly
// in the part of it that is in sight. Counts the boxes looked at into `checked`.
void Check_Digits_In_Sight(QWidget& window, int& checked) {
  QList<QLineEdit*> boxes;
  for (QLineEdit* box : window.findChildren<QLineEdit*>()) {
    if (!box->isVisible() || !box->objectName().startsWith(QLatin1String("Text1_"))) continue;
    // Digits reach from the cap height down to the baseline; "8" fills that whole.
    box->setText(QStringLiteral("88"));
    QPalette white = box->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Text, Qt::black);
    box->setPalette(white);
    boxes.append(box);
  }
  for (QLineEdit* box : boxes) {
    const QString name = box->objectName();
    const QImage alone = box->grab().toImage();
    // The box as it is seen: drawn by its frame with the boxes that lie over it.
    const QImage seen = box->parentWidget()->grab(box->geometry()).toImage();
    const QRect ink = Ink_Rect(alone);
    QVERIFY2(!ink.isEmpty(), qPrintable(name + QStringLiteral(" shows no text")));
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
      for (int x = ink.left(); x <= ink.right(); ++x) {
        QVERIFY2(seen.pixel(x, y) == alone.pixel(x, y),
                 qPrintable(name + QStringLiteral(": its digits are hidden at row %1").arg(y)));
      }
    }
    // The box alone shows the digits whole: as high as the font draws them.
    const int digit_height =
        QFontMetrics(box->font()).tightBoundingRect(QStringLiteral("88")).height();
    QVERIFY2(ink.height() - 2 >= digit_height - 1,
             qPrintable(name + QStringLiteral(": digits %1 px high, drawn %2")
                                   .arg(digit_height)
                                   .arg(ink.height() - 2)));
    ++checked;
  }
}

// Reads in small chunks and takes a while over each frame, so that a load of a few samples
// outlasts the delay before its progress shows.
void Slow_Down_Loads(AppState& app) {
  app.load_options.chunk_bytes = 512;
  app.load_options.on_frame = [](const FrameEvent&) {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  };
}

// The magnetometer axes with `rows` samples each; axis s holds s * 100 + i - 50 at sample i,
// so values change sign.
void Fill_Magnetometer(AppState& app, int rows) {
  for (int i = 1; i <= rows; ++i) {
    char label[32];
    std::snprintf(label, sizeof label, "2026-11-28 %02d:%02d:%02d", i / 3600 % 24, i / 60 % 60,
                  i % 60);
    for (int s = 0; s < 3; ++s)
      app.telemetry.store.Append_Sample(51 + s, s * 100.0 + i - 50, label);
  }
}

const QRgb kGrey = qRgb(240, 240, 240);

std::filesystem::path Path(const QTemporaryDir& dir, const char* name) {
  return std::filesystem::path(dir.filePath(QString::fromLatin1(name)).toStdU16String());
}

void Set_Style(AppState& app, bool bars) {
  app.form.Check1 = bars ? 1 : 0;
  Check1_Click(app);
}

constexpr int kPasses = 60;
constexpr int kPassSeconds = 120;
constexpr UtcSeconds kFirst = 1795857240;  // 2026-11-28 09:14:00

int Gaps(const QCPGraph* graph) {
  int gaps = 0;
  for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
    gaps += std::isnan(it->value);
  }
  return gaps;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ChartWidget> widget_;

  // A chart of its size in the window (9135 x 4335 twips), showing `model` after a layout pass.
  ChartWidget& Shown(const ChartModel& model) {
    widget_ = std::make_unique<ChartWidget>();
    widget_->resize(609, 289);
    widget_->show();
    widget_->Render(model);
    widget_->Plot()->replot();
    QCoreApplication::processEvents();
    return *widget_;
  }

 private slots:
  void initTestCase() {
    // Recent files and the last folder go to a scratch settings file, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    qputenv("XDG_DATA_HOME", home_.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
    // No limits or archive mode are left from an earlier run: the test mode's settings outlive it.
    QSettings settings(QStringLiteral("orvelt"), QStringLiteral("orvelt-decoder"));
    settings.remove("limits");
    settings.remove("archive");
    // Two passes a day for a month, twelve hours apart.
    std::vector<std::string> files;
    for (int k = 0; k < kPasses; ++k) {
      tools::PassOptions pass;
      pass.seconds = kPassSeconds;
      pass.seed = static_cast<std::uint32_t>(k + 1);
      pass.start = kFirst + k * 43200;
      const QString file = home_.filePath(QStringLiteral("pass%1.kss").arg(k));
      QVERIFY(tools::Generate_Pass(pass).Write_File(file.toStdString()));
      files.push_back(file.toStdString());
    }
    auto archive = Archive::Open(Default_Archive_Path());
    QVERIFY(archive.ok());
    QVERIFY(Add_To_Archive(*archive.value(), files).outcome.ok());
  }

  void init() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { widget_.reset(); }

  // Growth of the window goes to the chart; the controls below it move down with the bottom
  // edge (the scroll bar into the corner), and the tabs above keep their place.
  void enlargingGivesTheRoomToTheChart() {
    Scripted s;
    s.Show();
    auto geometry = [&](const char* name) { return s.Find<QWidget>(name)->geometry(); };
    const QRect tab = geometry("SSTab1"), chart = geometry("MSChart2"), check = geometry("Check1"),
                scroll = geometry("HScroll1");
    s.window->resize(s.window->size() + QSize(200, 120));
    QTRY_COMPARE(geometry("MSChart2").size(), chart.size() + QSize(200, 120));
    QCOMPARE(geometry("Check1"), check.translated(200, 120));
    QCOMPARE(geometry("HScroll1"), scroll.translated(200, 120));
    QCOMPARE(geometry("SSTab1"), tab);
  }

  // Every box shows what the model holds for it. A drag of the thumb shows nothing until it is
  // released, then the record under it, never one past the data. (Keys on the bar are a journey.)
  void loadingAndDraggingFillTheBoxes() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.Show();
    QCOMPARE(s.Find<QListWidget>("List1")->count(), int(s.App().telemetry.messages.size()));
    for (const auto& [i, box] : s.Boxes()) {
      QCOMPARE(box->text().toStdString(), s.App().form.Text1[i].text);
    }
    QScrollBar* bar = s.Scroll();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QPoint thumb =
        bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
            .center();
    const QString shown = s.Box(3)->text();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(12, 0));
    QCOMPARE(s.App().form.HScroll1, 1);
    QCOMPARE(s.Box(3)->text(), shown);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(12, 0));
    const int record = bar->value();
    QVERIFY(record > 1 && record < Last_Record(s.App().telemetry.store));
    QCOMPARE(s.App().form.HScroll1, record);
    QCOMPARE(s.Box(3)->text(), QString::number(s.Value(3, record), 'f', 2));
  }

  // The files of a drop form one selection: the samples of the second follow those of the first.
  void droppedFilesLoadAsOneSelection() {
    Scripted s;
    s.window->Load_Files({kSample});
    const int one_file = s.App().telemetry.store.Count(3);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(kSample)),
                  QUrl::fromLocalFile(QString::fromStdString(kSample))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.window.get(), &drop);
    QCOMPARE(s.App().form.List3.size(), std::size_t{2});
    QCOMPARE(s.App().telemetry.store.Count(3), 2 * one_file);
  }

  // The tooltip of a box gives the whole value, its unit and its time label; a slot without a
  // sample shows an empty box. The boxes and the time of day follow the user's locale; times
  // never carry a zone. (That no value is cut is the widest values' test.)
  void valueBoxesFollowTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Scripted s;
    auto& store = s.App().telemetry.store;
    store.Append_Sample(47, 2000000000, "2026-11-28 09:14:01");
    store.Append_Sample(10, 18304.37, "2026-11-28 09:14:02");
    store.Append_Sample(10, 1, "2026-11-28 09:14:03");
    QVERIFY(s.window->Go_To("2").ok());
    QVERIFY(s.window->Go_To("1").ok());
    for (const char* part : {"18304,37", "mA", "09:14:02"})
      QVERIFY2(s.Box(10)->toolTip().contains(part), qPrintable(s.Box(10)->toolTip()));
    QVERIFY(s.window->Go_To("2").ok());
    QCOMPARE(s.Box(47)->text(), QString());  // channel 47 has one sample only
    QCOMPARE(s.Box(10)->text(), QStringLiteral("1,00"));
    QCOMPARE(s.Box(10)->font(), s.Box(3)->font());  // a value that fits keeps the design font
    QCOMPARE(s.window->Qt_Platform().Format_Long_Time({1970, 1, 1, 13, 5, 9}),
             std::string("13:05:09"));
  }

  // The status line keeps the load's summary whole and shortens the path in its middle; the
  // tooltip has the whole path. An open load report follows the next load.
  void statusLineKeepsTheSummary() {
    Scripted s;
    QTemporaryDir dir;
    const QString deep = dir.filePath(QString(60, u'd') + "/" + QString(60, u'e'));
    QVERIFY(QDir().mkpath(deep));
    const QString broken = deep + "/broken.kss";
    tools::CaptureBuilder capture;
    capture.Add(tools::Raw_Word_Record(0x2C, 3, 100));
    capture.Add_Raw(tools::Bytes{0xC0, 0x00, 0x01, 0xC0, 0x01, 0x02, 0x03});
    QVERIFY(capture.Write_File(broken.toStdString()));
    s.window->show();
    s.window->Load_Files({broken.toStdString()});
    const QString summary = QString::fromStdString(s.App().last_load.Summary());
    QVERIFY(!summary.isEmpty());
    auto* label3 = s.Find<QLabel>("Label3");
    QVERIFY(label3->text().contains(QStringLiteral("| 2 problems: ")));
    QVERIFY(label3->text().contains(QChar(0x2026)));
    QVERIFY(QFontMetrics(label3->font()).horizontalAdvance(label3->text()) <= label3->width());
    QVERIFY(label3->toolTip().contains(broken));
    QVERIFY(label3->toolTip().contains(summary));

    QTest::mouseClick(label3, Qt::LeftButton);
    auto* details = s.window->findChild<QPlainTextEdit*>("LoadReportDetails");
    QVERIFY(details && details->isVisible());
    QVERIFY(details->toPlainText().contains("broken.kss"));
    s.window->Load_Files({kSample});
    QVERIFY(!details->toPlainText().contains("broken.kss"));
  }

  // The selection rules are the core's; here only that clicks reach them: a plain click charts
  // one channel and highlights its box alone, a right click charts its group (Shift-click is a
  // journey), and "Bars" redraws the chart on show without reloading it.
  void selectorClicksReachTheChart() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.window->show();
    QCustomPlot* plot = s.Find<ChartWidget>("MSChart2")->Plot();
    auto selector = [&](int i) {
      return s.Find<QRadioButton>(QStringLiteral("Option1_%1").arg(i));
    };
    // The value axis of the bus time reads as dates, not as "1.79586·10⁹"; the other channels
    // as numbers in their unit.
    QTest::mouseClick(selector(46), Qt::LeftButton);
    QVERIFY(!plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QTest::mouseClick(selector(3), Qt::LeftButton);
    QVERIFY(plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QCOMPARE(plot->yAxis->label(), QStringLiteral("V"));
    QCOMPARE(plot->yAxis->numberFormat(), QStringLiteral("f"));
    // The chart marks the record shown, wherever it is moved from (a click on the chart is a
    // journey).
    auto* chart = s.Find<ChartWidget>("MSChart2");
    QCOMPARE(chart->Cursor_Row(), 1);
    QVERIFY(s.window->Go_To("7").ok());
    QCOMPARE(chart->Cursor_Row(), 7);
    QTest::mouseClick(selector(28), Qt::LeftButton);
    QCOMPARE(plot->plottableCount(), 1);
    QCOMPARE(s.Find<QGroupBox>("Frame5")->title(), selector(28)->text());
    for (const auto& [i, box] : s.Boxes()) {
      QCOMPARE(box->palette().color(QPalette::Base) != QColor(Qt::white), i == 28);
    }
    QTest::mousePress(selector(52), Qt::RightButton);
    QTest::mouseRelease(selector(52), Qt::RightButton);
    QCOMPARE(plot->plottableCount(), 3);
    const int points = plot->plottable(0)->interface1D()->dataCount();
    const auto revision = s.App().form.MSChart2.data_revision;
    QTest::mouseClick(s.Find<QCheckBox>("Check1"), Qt::LeftButton);
    QCOMPARE(plot->plottableCount(), 3);
    QCOMPARE(plot->plottable(0)->interface1D()->dataCount(), points);
    QCOMPARE(s.App().form.MSChart2.data_revision, revision);
  }

  // The selection rules read Shift and the right button as an asynchronous key-state query; the
  // tracker must answer it from the events the application saw, including the ones that came
  // with a click only.
  void keyStatesComeFromTheEventsSeen_data() {
    QTest::addColumn<QString>("script");  // S+/S- Shift down/up, SR a held Shift repeating,
    QTest::addColumn<int>("shift");       // L/LS click without/with Shift, R+/R- right button
    QTest::addColumn<int>("right");       // down/up, Q a query of both
    QTest::newRow("Shift down") << "S+" << 0x8001 << 0;
    QTest::newRow("Shift pressed and released") << "S+ S-" << 0x0001 << 0;
    QTest::newRow("Shift press only seen on a click") << "LS" << 0x8001 << 0;
    QTest::newRow("Shift release not seen") << "S+ L" << 0x0001 << 0;
    QTest::newRow("query clears the press") << "S+ Q" << 0x8000 << 0;
    QTest::newRow("a held key's repeats are no press") << "S+ Q SR" << 0x8000 << 0;
    QTest::newRow("right button held") << "R+" << 0 << 0x8001;
    QTest::newRow("right click counted once") << "R+ R- Q L" << 0 << 0;
  }

  void keyStatesComeFromTheEventsSeen() {
    QFETCH(QString, script);
    QWidget target;
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    KeyPressTracker tracker;
    for (const QString& step : script.split(' ')) {
      if (step == "S+") QTest::keyPress(&target, Qt::Key_Shift, Qt::ShiftModifier);
      if (step == "S-") QTest::keyRelease(&target, Qt::Key_Shift);
      if (step == "SR") {  // a release and a press, both marked auto-repeated
        for (const auto type : {QEvent::KeyRelease, QEvent::KeyPress}) {
          QKeyEvent repeat(type, Qt::Key_Shift, Qt::ShiftModifier, QString(), true);
          QApplication::sendEvent(&target, &repeat);
        }
      }
      if (step == "L" || step == "LS") {
        QTest::mouseClick(&target, Qt::LeftButton,
                          step == "LS" ? Qt::ShiftModifier : Qt::NoModifier);
      }
      if (step == "R+") QTest::mousePress(&target, Qt::RightButton);
      if (step == "R-") QTest::mouseRelease(&target, Qt::RightButton);
      if (step == "Q") {
        tracker.Query(AsyncKey::Shift);
        tracker.Query(AsyncKey::RightButton);
      }
    }
    QTEST(int(tracker.Query(AsyncKey::Shift)), "shift");
    QTEST(int(tracker.Query(AsyncKey::RightButton)), "right");
  }

  // Limits from the station's settings mark the boxes outside them from the start; the selected
  // box keeps its highlight and shows its value in warning text; changed limits show at once.
  void limitsPaintTheBoxes() {
    QSettings station(QStringLiteral("orvelt"), QString::fromLatin1(kStationSettingsApplication));
    LimitTable limits{};
    limits[3].upper = -1000;  // every battery voltage lies above it
    Save_Limits(station, limits);
    station.sync();

    Scripted s;
    Save_Limits(station, {});  // no test after this one inherits them
    s.window->Load_Files({kSample});
    const QColor warning(255, 200, 200), warning_text(180, 0, 0), highlight(255, 255, 192);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), warning);
    QCOMPARE(s.Box(8)->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::mouseClick(s.Find<QRadioButton>("Option1_3"), Qt::LeftButton);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), warning_text);
    s.window->Set_Limits({});
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), QColor(Qt::black));
  }

  // A long load shows its progress centred on the window whose load it is (Escape on it is a
  // journey); closing the window ends the load at its next chunk.
  void closingTheWindowEndsALoad() {
    Scripted s;
    s.Show();
    Slow_Down_Loads(s.App());
    bool centred = false;
    QTimer::singleShot(LoadMonitor::kShowAfterMs + 200, s.window.get(), [&] {
      const QProgressDialog* dialog = s.window->Load_Monitor().Dialog();
      centred = dialog != nullptr && dialog->isVisible() &&
                (dialog->frameGeometry().center() - s.window->frameGeometry().center())
                        .manhattanLength() <= 2;
      s.window->close();
    });
    s.window->Load_Files({kSample, kSample, kSample});
    QVERIFY(centred);
    QVERIFY(s.App().last_load.cancelled);
    QVERIFY(!s.window->isVisible());
  }

  // A file name that is no valid UTF-8 loads like any other, and the open dialog starts in the
  // folder of the last capture ("Recent files" is a journey).
  void nameThatIsNoUtf8LoadsAndItsFolderIsKept() {
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/pass\xE9\xFF.kss";
    std::filesystem::copy_file(kSample, name);
    Scripted s;
    s.window->Load_Files({name});
    QVERIFY(s.App().last_load.files.at(0).error == FileError::None);
    QVERIFY(s.App().telemetry.store.Count(3) > 0);
    std::filesystem::remove(name);  // a name QTemporaryDir cannot spell, so cannot remove
    s.window->Load_Files({kSample});
    QCOMPARE(QSettings().value(kLastFolderSetting).toString(), QStringLiteral(ORVELT_SAMPLE_DIR));
  }

  // The outbox view's counts and its actions on rejected frames and on the frames of a server
  // taken out of the settings, which would wait unseen. (The requests themselves are checked by
  // the forwarder's and orvelt-receive's tests, the station dialog and "Forward loaded
  // frames..." by the journeys.)
  void outboxViewShowsCountsAndActsOnRejectedAndRemoved() {
    QTemporaryDir dir;
    const auto outbox = Open_Outbox(dir);
    const std::vector<std::uint8_t> frame = {0x00, 0x01};
    const auto one = outbox->Enqueue(frame, 1796638500123, {kA, kB}).value();
    const auto two = outbox->Enqueue(frame, 1796638501000, {kA}).value();
    QVERIFY(outbox->Enqueue(frame, 1, {kRemoved}).ok());
    QVERIFY(outbox->Mark_Sent(one, kB).ok());
    QVERIFY(outbox->Mark_Rejected(one, kA, "HTTP 400 Bad Request: unknown satellite").ok());
    QVERIFY(outbox->Mark_Rejected(two, kA, "HTTP 400 Bad Request").ok());

    OutboxView view(*outbox, {kA, kB});
    view.show();
    QSignalSpy changed(&view, &OutboxView::outboxChanged);
    auto* counts = view.findChild<QTableWidget*>("counts");
    auto* rejected = view.findChild<QTableWidget*>("rejected");
    auto* discard = view.findChild<QPushButton*>("discard");
    QCOMPARE(counts->rowCount(), 3);
    QCOMPARE(counts->item(0, 0)->text(), QString::fromStdString(kA));
    QCOMPARE(counts->item(0, 3)->text(), QStringLiteral("2"));
    QCOMPARE(counts->item(1, 1)->text(), QStringLiteral("1"));
    QCOMPARE(rejected->rowCount(), 2);
    QCOMPARE(rejected->item(0, 1)->text(), QStringLiteral("2026-12-07T10:15:00.123Z"));
    QCOMPARE(rejected->item(0, 2)->text(),
             QStringLiteral("HTTP 400 Bad Request: unknown satellite"));
    QVERIFY(!discard->isEnabled());

    rejected->selectRow(1);
    QTest::mouseClick(discard, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rejected->rowCount(), 1);
    QCOMPARE(outbox->Counts_For(kA).value().rejected, 1);

    QTest::mouseClick(view.findChild<QPushButton*>("retryRejected"), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(rejected->rowCount(), 0);
    QCOMPARE(outbox->Counts_For(kA).value().waiting, 1);
    QCOMPARE(counts->item(0, 2)->text(), QStringLiteral("1"));

    auto* discard_removed = view.findChild<QPushButton*>("discardRemoved");
    QVERIFY(discard_removed->isVisible());
    QVERIFY(view.findChild<QLabel*>("removedServers")->text().contains(kRemoved.c_str()));
    QTest::mouseClick(discard_removed, Qt::LeftButton);
    QCOMPARE(changed.count(), 3);
    QVERIFY(!discard_removed->isVisible());
    QCOMPARE(outbox->Counts_For(kRemoved).value().waiting, 0);
    QCOMPARE(outbox->Counts_For(kA).value().waiting, 1);
  }

  // Forwarding was left on, and the outbox it sends from has since been damaged: the window
  // says so without blocking, forwarding stays off and the file is left as it was.
  void damagedOutboxIsSaidAtStartAndLeftAsItWas() {
    QSettings settings;
    settings.clear();
    StationSettings station = testing::Example_Station("http://127.0.0.1:9/");
    station.forwarding = true;
    Save_Station_Settings(settings, station);
    const QString outbox = QString::fromStdString(Default_Outbox_Path().string());
    QVERIFY(QDir().mkpath(QFileInfo(outbox).path()));
    const QByteArray damaged(8192, 'x');
    QFile file(outbox);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
    file.close();
    MainWindow window(std::make_unique<ScriptedPlatform>());
    QVERIFY(window.Start_Up().ok());
    window.show();
    QMessageBox* notice = nullptr;
    QTRY_VERIFY((notice = window.findChild<QMessageBox*>("ForwardingOffNotice")) != nullptr &&
                notice->isVisible());
    QVERIFY2(notice->text().contains("is damaged"), qPrintable(notice->text()));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window.Forwarding().forwarder() == nullptr);
    notice->close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
    file.remove();
    settings.clear();
  }

  // Run at several screen scales (logical dpi 96 here, 120, 144 and 192 from the build) and
  // once per font family the window asks for: no control of the window is clipped or leaves its
  // frame, no value is cut, and the digits of every value box are wholly in sight.
  // Every family the window asks for that Debian offers (the last is the default of a machine
  // that has none of the others), and whatever the window's own choice finds here.
  void layoutHoldsInEveryFont_data() {
    QTest::addColumn<QString>("family");
    for (const char* family : {"DejaVu Sans", "Liberation Sans", "Nimbus Sans"}) {
      QTest::newRow(family) << QString::fromLatin1(family);
    }
    QTest::newRow("preferred") << QString();
  }

  void layoutHoldsInEveryFont() {
    QFETCH(QString, family);
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family)) {
      // The build's dependencies install every one of them; CI must see every case.
      const QString why = family + QStringLiteral(" is not installed (scripts/install-deps.sh)");
      if (qEnvironmentVariableIsSet("CI")) QFAIL(qPrintable(why));
      QSKIP(qPrintable(why));
    }
    Scripted s(family.isEmpty() ? QStringList() : QStringList{family});
    MainWindow* window = s.window.get();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QFontInfo used(window->findChild<QWidget*>("ClientArea")->font());
    // A family that two foundries make is named with its foundry: "Nimbus Sans [urw]".
    if (!family.isEmpty()) QCOMPARE(used.family().section(QStringLiteral(" ["), 0, 0), family);

    // The digits in the boxes' design font first, then every control with the sample's values.
    auto* tabs = window->findChild<QTabWidget*>("SSTab1");
    int digits_checked = 0;
    for (int tab = 0; tab < tabs->count() && !QTest::currentTestFailed(); ++tab) {
      tabs->setCurrentIndex(tab);
      Check_Digits_In_Sight(*window, digits_checked);
    }
    QVERIFY(digits_checked > 30);
    window->Load_Files({kSample});
    for (int tab = 0; tab < tabs->count() && !QTest::currentTestFailed(); ++tab) {
      tabs->setCurrentIndex(tab);
      Check_Controls_Fit(*window);
    }
  }

  // The widest texts the decoder can put into each box (ten-digit counters, five digits with
  // sign and decimals, the longest switch states) show whole and in a font read at a glance, at
  // every screen scale (run at 96 dpi here, 144 and 192 from the build).
  void widestValuesShowWholeAndReadable() {
    tools::CaptureBuilder capture;
    capture.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:00"));
    for (std::uint8_t type = 0xE0; type <= 0xE4; ++type) {
      capture.Add(tools::Counter_Frame(type, 0x7FFFFFFF));
    }
    for (const std::uint8_t selector : tools::kBatterySelectors) {
      capture.Add(tools::Raw_Word_Record(0x2C, selector, 32767));
    }
    for (const std::uint8_t selector : tools::kSolarSelectors) {
      capture.Add(tools::Raw_Word_Record(0x2D, selector, 32767));
    }
    for (const std::uint8_t selector : tools::kSwitchSelectors) {
      capture.Add(tools::Switchboard_Record(selector, 5, 0x7FFF, 0x7FFF));
    }
    capture.Add(tools::Magnetometer_XY_Record(INT32_MIN, INT32_MIN));
    capture.Add(tools::Magnetometer_Z_Record(INT32_MIN));
    QTemporaryDir dir;
    const std::string file = (dir.path() + "/widest.kss").toStdString();
    QVERIFY(capture.Write_File(file));

    Scripted s;
    MainWindow* window = s.window.get();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->Load_Files({file});
    // Readable: at least the smallest size a box may take, which is no less than 84% of the
    // design's, and never smaller in pixels than that size at the screen's scale.
    QVERIFY(kSmallestBoxPointSize >= 0.84 * kWindowPointSize);
    const double scale = window->logicalDpiY() / 96.0;
    int checked = 0;
    for (const auto& [index, box] : s.Boxes()) {
      if (index == 0 || index == 7) continue;  // outside the window
      const QString name = box->objectName() + QStringLiteral(" ") + box->text();
      QVERIFY2(box->text() == QString::fromStdString(s.App().form.Text1[index].text),
               qPrintable(name + QStringLiteral(" is cut")));
      QVERIFY2(QFontMetrics(box->font()).horizontalAdvance(box->text()) <= Box_Text_Width(*box),
               qPrintable(name + QStringLiteral(" runs out of its box")));
      QVERIFY2(box->font().pointSizeF() >= kSmallestBoxPointSize,
               qPrintable(name + QStringLiteral(" in %1 pt").arg(box->font().pointSizeF())));
      QVERIFY2(
          QFontInfo(box->font()).pixelSize() >= std::floor(kSmallestBoxPointSize * scale * 4 / 3),
          qPrintable(name + QStringLiteral(" %1 px high").arg(QFontInfo(box->font()).pixelSize())));
      ++checked;
    }
    QCOMPARE(checked, 40);
    QCOMPARE(s.Box(47)->text() + s.Box(58)->text(),
             QString("2147483647SWITCH IS ON BUT IS IN OVERCURRENT CONDITION"));
  }

  // Bars of one row stand side by side; bars narrower than a pixel turn into see-through step
  // outlines, so that no series hides another. Lines and bars carry every sample of each series.
  void rendersBarsAndLines() {
    for (const auto& [rows, bars] : {std::pair{100, true}, {100, false}, {5000, true}}) {
      AppState app;
      Fill_Magnetometer(app, rows);
      Draw_Mag_Chart(app, 52);
      Set_Style(app, bars);
      ChartWidget& w = Shown(app.form.MSChart2);
      QCustomPlot* plot = w.Plot();
      const bool outline = rows > 100;
      QCOMPARE(w.Bars_As_Outline(), outline);
      QCOMPARE(plot->plottableCount(), 3);
      QCOMPARE(plot->graphCount(), bars && !outline ? 0 : 3);
      for (int s = 0; s < 3; ++s) {
        QCPAbstractPlottable* p = plot->plottable(s);
        QCOMPARE(p->name(), QStringLiteral("Magn %1- Axis").arg(QChar('X' + s)));
        QCOMPARE(p->interface1D()->dataCount(), rows);
        QCOMPARE(p->interface1D()->dataMainKey(9), 10.0);
        QCOMPARE(p->interface1D()->dataMainValue(9), s * 100.0 + 10 - 50);
        if (bars && !outline) QCOMPARE(qobject_cast<QCPBars*>(p)->barsGroup()->size(), 3);
        if (outline) QCOMPARE(plot->graph(s)->lineStyle(), QCPGraph::lsStepCenter);
        if (outline) QVERIFY(plot->graph(s)->brush().color().alpha() < 255);
      }
      QCOMPARE(plot->xAxis->range().lower, 0.5);
      QCOMPARE(plot->xAxis->range().upper, rows + 0.5);
      QVERIFY(plot->yAxis->range().contains(-49) && plot->yAxis->range().contains(250));
    }
  }

  // A pair whose second channel is shorter: its line breaks and its bars stop where it has no
  // sample, and its figures leave the gap out.
  void missingSamplesAreGaps() {
    for (const bool bars : {false, true}) {
      AppState app;
      for (int i = 1; i <= 20; ++i) {
        app.telemetry.store.Append_Sample(3, 3.5 + i / 100.0, "2026-11-28 09:14:00");
        if (i <= 12) app.telemetry.store.Append_Sample(8, 3.9, "2026-11-28 09:14:00");
      }
      Draw_BattV_Chart(app, 8);
      Set_Style(app, bars);
      ChartWidget& w = Shown(app.form.MSChart2);
      QCPAbstractPlottable* second = w.Plot()->plottable(1);
      QCOMPARE(w.Plot()->plottable(0)->interface1D()->dataCount(), 20);
      if (bars) {
        QCOMPARE(second->interface1D()->dataCount(), 12);
      } else {
        QCOMPARE(second->interface1D()->dataCount(), 20);
        QVERIFY(std::isnan(second->interface1D()->dataMainValue(12)));
      }
      for (int k = 0; k < second->interface1D()->dataCount(); ++k) {
        QVERIFY(std::isnan(second->interface1D()->dataMainValue(k)) ||
                second->interface1D()->dataMainValue(k) == 3.9);
      }
      if (!bars) QVERIFY(w.Plot()->yAxis->range().lower > 3);  // no 0 drawn (bars start at 0)
      QVERIFY(w.Stats()->text().contains(QStringLiteral("Battery 1 Volt: min 3")));
    }
  }

  // Rows every q as the model says; where it leaves the choice, as many labels as fit.
  void placesTicksAndLabels_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("q");  // 0: the chart chooses
    QTest::newRow("40 rows") << 40 << 0;
    QTest::newRow("5000 rows") << 5000 << 125;
  }

  void placesTicksAndLabels() {
    QFETCH(int, rows);
    QFETCH(int, q);
    AppState app;
    Fill_Magnetometer(app, rows);
    Draw_Value(app, 53);
    ChartWidget& w = Shown(app.form.MSChart2);

    auto* ticker = dynamic_cast<QCPAxisTickerText*>(w.Plot()->xAxis->ticker().data());
    const QMap<double, QString> ticks = ticker->ticks();
    QList<int> labelled;
    for (auto it = ticks.begin(); it != ticks.end(); ++it) {
      const int row = static_cast<int>(it.key());
      QCOMPARE(it.key(), static_cast<double>(row));
      if (it.value().isEmpty()) continue;
      QCOMPARE(it.value().toStdString(), app.form.MSChart2.row_labels[std::size_t(row - 1)]);
      labelled.append(row);
    }
    QCOMPARE(ticks.size(), q > 0 ? (rows + q - 1) / q : rows);
    QVERIFY(labelled.size() > 1);
    const int step = q > 0 ? q : labelled[1] - labelled[0];
    for (int k = 0; k < labelled.size(); ++k) QCOMPARE(labelled[k], 1 + k * step);
    if (q == 0) {  // neighbours do not overlap, and one row less would make them
      const int label =
          QFontMetrics(w.Plot()->xAxis->tickLabelFont()).horizontalAdvance("00:00:00");
      const double px_per_row = w.Plot()->axisRect()->width() / w.Plot()->xAxis->range().size();
      QVERIFY(step * px_per_row >= label);
      QVERIFY((step - 1) * px_per_row < label + 8);
    }
  }

  // PNG and PDF through the chart's own savers, SVG through Qt SVG, each in the format its name
  // says and naming what it shows; the window's chart keeps its layout; a wrong name is refused.
  void savesPictures() {
    AppState app;
    Fill_Magnetometer(app, 50);
    Draw_Value(app, 51);
    ChartWidget& w = Shown(app.form.MSChart2);
    QTemporaryDir dir;
    for (const auto& [name, magic] :
         {std::pair{"chart.png", "\x89PNG"}, {"chart.svg", "<?xml"}, {"chart.pdf", "%PDF"}}) {
      const QString path = dir.filePath(name);
      QCOMPARE(QString::fromStdString(w.Save(path).why()), QString());
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      QVERIFY2(bytes.startsWith(magic), name);
      if (bytes.startsWith("<?xml"))
        QVERIFY(bytes.contains("Magn X- Axis: 2026-11-28 00:00:01 to 00:00:50"));
    }
    QCOMPARE(w.Plot()->plotLayout()->rowCount(), 2);
    QVERIFY(!w.Save(dir.filePath("chart.bmp")).ok());
    QVERIFY(!w.Save(dir.filePath("missing/chart.png")).ok());
  }

  // The window's bitmap has the widget's size (an odd width needs padded rows, a width of whole
  // words none); its PNG is indexed and transparent where the bitmap was window grey, and
  // nowhere else. (Which colours the PNG keeps is the core's rule.)
  void bitmapAndPngOfTheWindow() {
    for (const QSize size : {QSize(37, 21), QSize(640, 480)}) {
      QTemporaryDir dir;
      QWidget widget;
      QWidget green(&widget);
      for (const auto& [w, colour] : {std::pair{&widget, kGrey}, {&green, qRgb(10, 200, 30)}}) {
        w->setAutoFillBackground(true);
        w->setPalette(QPalette(QColor(colour)));
      }
      green.setGeometry(0, 0, 4, 4);
      widget.resize(size);
      widget.show();
      QVERIFY(QTest::qWaitForWindowExposed(&widget));
      const auto bmp = Path(dir, "shot.bmp"), png = Path(dir, "shot.png");
      QCOMPARE(QString::fromStdString(Save_Widget_Bitmap(widget, bmp).why()), QString());
      QCOMPARE(QString::fromStdString(Write_Png_From_Bitmap(bmp, png, 240, 240, 240).why()),
               QString());
      QImage bitmap, indexed;
      QVERIFY(bitmap.load(dir.filePath("shot.bmp"), "BMP"));
      QVERIFY(indexed.load(dir.filePath("shot.png"), "PNG"));
      QCOMPARE(bitmap.size(), size * widget.devicePixelRatio());
      QCOMPARE(bitmap.pixel(bitmap.width() - 1, bitmap.height() - 1), kGrey);
      QCOMPARE(indexed.format(), QImage::Format_Indexed8);
      QCOMPARE(qAlpha(indexed.pixel(indexed.width() - 1, indexed.height() - 1)), 0);
      QCOMPARE(indexed.pixel(0, 0), qRgb(10, 200, 30));
    }
  }

  // "Whole mission" shows the archive at the window's width: the month as an envelope broken
  // between passes, zoomed by the wheel down to one pass drawn sample by sample; limits typed
  // into the window mark the points beyond them. A group is charted as the main window's group
  // chart draws it: one envelope per channel in the group's colours, each broken between passes
  // (their names and legend are a journey's); a channel without a group cannot be charted as one.
  void historyChartsPassesLimitsAndGroups() {
    MainWindow main(std::make_unique<ScriptedPlatform>());
    QVERIFY(main.Start_Up().ok());
    main.show();
    main.findChild<QAction*>("MenuViewHistory")->trigger();
    auto* history = main.findChild<HistoryWindow*>();
    QVERIFY(history);
    QVERIFY(QTest::qWaitForWindowExposed(history));
    QCustomPlot* plot = history->Plot();

    QPushButton* whole = nullptr;
    for (QPushButton* b : history->findChildren<QPushButton*>()) {
      if (b->text() == "Whole &mission") whole = b;
    }
    QVERIFY(whole);
    QTest::mouseClick(whole, Qt::LeftButton);
    QTRY_COMPARE(Gaps(plot->graph(0)), kPasses - 1);
    auto* status = history->findChildren<QLabel*>().last();
    QVERIFY2(status->text().contains("min/max"), qPrintable(status->text()));
    QCOMPARE(plot->graphCount(), 1);
    QTRY_COMPARE(history->Pass_List()->rowCount(), kPasses);
    // A pass's mean shows six digits; its tooltip holds the stored value exactly.
    const QTableWidgetItem* mean = history->Pass_List()->item(0, 5);
    QCOMPARE(mean->text(), QString::number(mean->toolTip().toDouble(), 'g', 6));
    QVERIFY2(mean->toolTip().size() > mean->text().size(), qPrintable(mean->toolTip()));

    // Down to one pass (the wheel's zoom is a journey), every sample is drawn.
    history->Show_Range(kFirst, kFirst + kPassSeconds);
    QVERIFY2(status->text().contains("each sample"), qPrintable(status->text()));
    QCOMPARE(plot->graph(0)->dataCount(), kPassSeconds);

    // Limits of the channel: points beyond them get a graph of the main window's warning colour.
    auto* limits = history->findChild<QLineEdit*>();
    limits->setText("..8.05");
    QTest::keyClick(limits, Qt::Key_Return);
    QCOMPARE(plot->graphCount(), 2);
    const QCPGraph* warned = plot->graph(1);
    QVERIFY(warned->dataCount() > 0);
    QCOMPARE(warned->scatterStyle().pen().color(), Window_Colour(kTextWarning));
    for (auto it = warned->data()->constBegin(); it != warned->data()->constEnd(); ++it) {
      QVERIFY2(it->value > 8.05, qPrintable(QString::number(it->value)));
    }
    // The main window marks its boxes by the same limits at once.
    QCOMPARE(main.App().limits[3].upper, std::optional<double>(8.05));
    limits->clear();
    QTest::keyClick(limits, Qt::Key_Return);
    QVERIFY(!main.App().limits[3].upper);

    history->Select_Channel(52);
    history->Set_Group(true);
    history->Show_Range(kFirst - 3600, kFirst + kPasses * 43200);
    const ChartGroup magnetometer = Chart_Group(52);
    QCOMPARE(plot->graphCount(), 3);
    for (int k = 0; k < 3; ++k) {
      const Rgb colour = magnetometer.colours[std::size_t(k)];
      QCOMPARE(plot->graph(k)->pen().color(), QColor(colour.red, colour.green, colour.blue));
      QCOMPARE(Gaps(plot->graph(k)), kPasses - 1);
    }
    QCOMPARE(plot->yAxis->label(), QString::fromUtf8("µT"));
    auto* group = history->findChild<QCheckBox*>();
    history->Select_Channel(28);  // "Pow Supply Curr" has no group
    QVERIFY(!group->isEnabled());
    QCOMPARE(plot->graphCount(), 1);
    QVERIFY(!plot->legend->visible());
  }

  // Live frames reach the archive stamped with their arrival second, only while switched on.
  void liveSessionsGoIntoTheArchive() {
    const std::filesystem::path file = home_.filePath("live.sqlite").toStdString();
    TelemetryState state;
    LiveSession session(state);
    LiveArchiving archiving(session, file, nullptr);
    QVERIFY(session.Begin({}, kFirst * 1000));
    archiving.Set_Enabled(true);
    tools::CaptureBuilder frames;
    frames.Add(tools::Raw_Word_Record(0x2C, 3, 16));
    frames.Add(tools::Raw_Word_Record(0x2C, 8, 16));
    session.Feed(frames.bytes(), kFirst * 1000 + 500);
    archiving.Set_Enabled(false);
    session.Feed(frames.bytes(), kFirst * 1000 + 1500);  // switched off: not archived
    QVERIFY(archiving.Archived().ok());
    QCOMPARE(archiving.Counts().added, 2);
    auto archive = Archive::Open(file, false);
    QVERIFY(archive.ok());
    const auto samples = archive.value()->Samples(3, 0, kFirst * 2).value();
    QCOMPARE(samples.size(), std::size_t{1});
    QCOMPARE(samples[0].time, kFirst);
    QCOMPARE(archive.value()->Sources_Within(kFirst, kFirst).value()[0].kind, SourceKind::Live);

    // An archive that cannot be written is said once; reception goes on.
    const QString blocked = home_.filePath("not-a-folder");
    QFile(blocked).open(QIODevice::WriteOnly);
    LiveArchiving failing(session, (blocked + "/archive.sqlite").toStdString(), nullptr);
    QSignalSpy failed(&failing, &LiveArchiving::Failed);
    failing.Set_Enabled(true);
    session.Feed(frames.bytes(), kFirst * 1000 + 2500);
    session.Feed(frames.bytes(), kFirst * 1000 + 3500);
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.first().first().toString().startsWith("archive: "));
  }

 private:
  QTemporaryDir home_;
};

}  // namespace orvelt

QTEST_MAIN(orvelt::WindowTest)
#include "window_test.moc"
