// The window in a person's hands: every path a user takes goes through the real dialogs, menus,
// keys and clicks, delivered through QApplication as the window system would deliver them, on a
// virtual X server. Nothing here calls a handler directly. Each journey has an archive of its own.
// Events made here carry no X server time, so a window manager may keep a new window from taking
// the focus: it is then given the focus as the desktop would give it to one the user just opened.

#include <QtTest>
#include <QtWidgets>

#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "archive/history_view.hpp"
#include "archive/utc_time.hpp"
#include "charts/chart_routines.hpp"
#include "export/csv_export.hpp"
#include "forward/sids_test_server.hpp"
#include "forward/station_settings_store.hpp"
#include "ingest/kiss.hpp"
#include "live/follow.hpp"
#include "live/loopback_tnc.hpp"
#include "qcustomplot.h"
#include "qt/capture_archiving.hpp"
#include "qt/chart_widget.hpp"
#include "qt/fetch_dialog.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/history_window.hpp"
#include "qt/live_controller.hpp"
#include "qt/main_window.hpp"
#include "qt/qt_platform.hpp"
#include "qt/warning_colour.hpp"
#include "tools/capture_writer.hpp"
#include "window/navigation.hpp"

namespace orvelt {
namespace {

using testing::SidsTestServer;
using Answer = SidsTestServer::Answer;

constexpr UtcSeconds kStart = 1795857240;  // 2026-11-28 09:14:00 UTC
constexpr UtcSeconds kDay = 86400;
constexpr int kPatienceMs = 10000;

// The real platform, reading its start-up files from the built program's folder.
class JourneyPlatform : public QtPlatform {
 public:
  std::filesystem::path Program_Directory() override { return ORVELT_APP_DIR; }
};

// Keys pressed in turn, each with the record it leads to.
using Steps = std::vector<std::pair<Qt::Key, int>>;

// Set when a dialog had to be closed for the journey: it would otherwise keep its modal loop
// running for ever.
bool g_stuck = false;

void Give_Focus(QWidget* window) {
  if (!window->isActiveWindow()) window->activateWindow();
}

// Where a key goes: the focused control, else the active window (whose shortcuts still work).
QWidget* Keys() {
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return QApplication::topLevelWidgets().value(0);
}

// Clicks into a field and types, as a person does: the keys go wherever the focus went.
void Type_Into(QWidget* field, const QString& text) {
  QVERIFY(field != nullptr);
  QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, field->height() / 2));
  QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() == field, 5000);
  QTest::keyClick(Keys(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Keys(), text);
}

// The field a form labels `label` with (its buddy), as a person finds it by its caption.
QWidget* Field(QWidget* form, const QString& label) {
  for (QLabel* l : form->findChildren<QLabel*>()) {
    if (l->text() == label && l->buddy() != nullptr) return l->buddy();
  }
  return nullptr;
}

// The button captioned `text` (mnemonic included).
QPushButton* Button(QWidget* window, const QString& text) {
  for (QPushButton* b : window->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

// A dialog or menu just closed: the window manager gives the window back its focus. Asked again
// while it has not: a request made while the closed window was still going away is lost.
void Back_To(QWidget* window) {
  QTRY_VERIFY_WITH_TIMEOUT(
      QApplication::activeModalWidget() == nullptr && QApplication::activePopupWidget() == nullptr,
      5000);
  const auto back = [window] {
    Give_Focus(window);
    return window->isActiveWindow() && QApplication::focusWidget() != nullptr;
  };
  QTRY_VERIFY_WITH_TIMEOUT(back(), 10000);
}

// Opens a menu of the menu bar with its Alt key and clicks the entry `text`; `then` names a
// submenu's entry to click after it.
void Pick(MainWindow& window, char mnemonic, const QString& text, const QString& then = {}) {
  Back_To(&window);
  QTest::keyClick(Keys(), static_cast<Qt::Key>(Qt::Key_A + (mnemonic - 'a')), Qt::AltModifier);
  QMenu* menu = nullptr;
  for (const QString& wanted : {text, then}) {
    if (wanted.isEmpty()) break;
    // A submenu opens a moment after the click on its entry: until then its parent is on top.
    QMenu* const clicked_in = menu;
    QTRY_VERIFY_WITH_TIMEOUT(
        (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr &&
            menu != clicked_in && menu->isVisible(),
        2000);
    QAction* action = nullptr;
    for (QAction* a : menu->actions()) {  // the entry named exactly, else the first it begins
      const QString shown = a->text().remove('&'), sought = QString(wanted).remove('&');
      if (shown == sought || (action == nullptr && shown.startsWith(sought))) action = a;
    }
    QVERIFY2(action != nullptr, qPrintable("no menu entry " + wanted));
    QVERIFY2(action->isEnabled(), qPrintable("menu entry disabled: " + wanted));
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, {}, at);
  }
}

// Runs `step`, from the dialog's own event loop, on the next modal dialog of type W once it is
// shown and has the focus. Says afterwards whether it was met.
template <typename W>
std::shared_ptr<bool> When_Shown(std::function<void(W*)> step) {
  auto met = std::make_shared<bool>(false);
  auto shown = std::make_shared<QPointer<W>>();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  auto* timer = new QTimer(qApp);
  auto done = [timer] {
    timer->stop();
    timer->deleteLater();
  };
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (!*met) {
      W* dialog = qobject_cast<W*>(QApplication::activeModalWidget());
      if (dialog != nullptr && dialog->isVisible()) {
        Give_Focus(dialog);
        if (dialog->isActiveWindow()) {
          *met = true;
          *shown = dialog;
          clock->restart();
          step(dialog);
          return;
        }
      }
    } else if (shown->isNull() || !(*shown)->isVisible()) {
      return done();  // closed after the journey's last step for it
    }
    if (clock->elapsed() < kPatienceMs) return;
    // Never shown, or still open after the last step: the modal window in the way is closed, so
    // that nothing hangs, and the journey fails.
    QWidget* in_the_way = *met ? shown->data() : QApplication::activeModalWidget();
    if (auto* d = qobject_cast<QDialog*>(in_the_way)) {
      g_stuck = true;
      d->reject();
    }
    done();
  });
  timer->start(20);
  return met;
}

// `open` brings up a dialog of type W, `step` is what the person does in it.
template <typename W>
void Through(QWidget* window, const std::function<void()>& open, std::function<void(W*)> step) {
  Back_To(window);
  auto met = When_Shown<W>(std::move(step));
  open();
  QVERIFY(*met && !g_stuck);
  Back_To(window);
}

std::function<void()> Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  return [=] { QTest::keyClick(Keys(), key, modifiers); };
}

// Types into the text field a dialog's focus starts in (a file dialog's name field), then Enter.
void Type_And_Enter(const QString& text) {
  QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr, 5000);
  QTest::keyClicks(Keys(), text);
  QTest::keyClick(Keys(), Qt::Key_Return);
}

// Ticks a check box by a click on its box, which a wide check box does not have at its middle.
void Tick(QCheckBox* box) {
  QVERIFY(box != nullptr);
  if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  QVERIFY(box->isChecked());
}

// The user's archive, opened as another program opens it.
std::unique_ptr<Archive> User_Archive() {
  auto archive = Archive::Open(Default_Archive_Path());
  if (!archive.ok()) qFatal("no archive: %s", archive.why().c_str());
  return std::move(archive.value());
}

// Captures written into the user's archive by another program, as `orvelt-archive add` does.
void Archive_Elsewhere(const std::vector<std::string>& files) {
  QVERIFY(Add_To_Archive(*User_Archive(), files).outcome.ok());
}

std::string Bytes_Of(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

void Write_File(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

struct Journey {
  QTemporaryDir dir;
  QTemporaryDir data;  // the user's data folder, where the archive lives
  std::unique_ptr<MainWindow> window;

  // The window started, shown and active, measuring text in a family that every machine
  // building it has; pictures it saves by their key go into `dir`.
  Journey() {
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    window = std::make_unique<MainWindow>(std::make_unique<JourneyPlatform>(), nullptr,
                                          QStringList{QStringLiteral("DejaVu Sans")});
    if (!window->Start_Up()) qFatal("start-up failed");
    window->App().ImagePath = (dir.path() + "/").toStdString();
    window->show();
    Back_To(window.get());
  }

  AppState& App() { return window->App(); }
  const TelemetryStore& Store() { return window->App().telemetry.store; }
  int Records() { return Newest_Record(Store(), -1); }  // the longest channel's count
  void Click_Channel(int channel, Qt::KeyboardModifiers modifiers = {},
                     Qt::MouseButton button = Qt::LeftButton) {
    auto* selector = window->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(channel));
    QTest::mouseClick(selector, button, modifiers, QPoint(4, 4));
    if (!modifiers && button == Qt::LeftButton) charted = channel;
  }
  QScrollBar* Bar() { return window->findChild<QScrollBar*>("HScroll1"); }
  // Each key in turn, with the record the bar and the model stand at after it; `focus`, if given,
  // keeps the focus.
  void Step(const Steps& steps, QWidget* focus = nullptr) {
    for (const auto& [key, expected] : steps) {
      QTest::keyClick(Keys(), key);
      QCOMPARE(Bar()->value(), expected);
      QCOMPARE(App().form.HScroll1, expected);
      if (focus != nullptr) QCOMPARE(QApplication::focusWidget(), focus);
    }
  }
  // The first channel of the chart shown, as the journey chose it.
  int charted = -1;
  QString Position() { return window->findChild<QLabel*>("RecordPosition")->text(); }
  int Filled_Boxes() {
    int n = 0;
    for (int i = 0; i < kChannelCount; ++i) {
      auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i));
      n += box && !box->text().isEmpty();
    }
    return n;
  }

  QString Write(const QString& name, const tools::PassOptions& options) {
    const QString path = dir.filePath(name);
    if (!tools::Generate_Pass(options).Write_File(path.toStdString())) qFatal("no file");
    return path;
  }
  // A capture of a pass of `seconds` from `start`, named after its start.
  std::string Pass(UtcSeconds start, int seconds, std::uint32_t seed) {
    return Write(QStringLiteral("pass%1.kss").arg(start),
                 {.start = start, .seconds = seconds, .seed = seed})
        .toStdString();
  }
  std::vector<PassSpan> Passes() {
    return User_Archive()->Passes(0, std::int64_t{1} << 40).value();
  }

  // `name` typed into the file dialog of Ctrl+O (File / Open Kissfile) or of File / `entry`.
  void Open_By_Typing(const QString& name, const QString& entry = {}) {
    const auto open = [&] {
      if (entry.isEmpty()) return QTest::keyClick(Keys(), Qt::Key_O, Qt::ControlModifier);
      Pick(*window, 'f', entry);
    };
    Through<QFileDialog>(window.get(), open, [&](QFileDialog*) { Type_And_Enter(name); });
  }
  // The window of type W named `name` (any, if empty) that menu `menu`'s `entry` opens, active.
  template <typename W>
  void Open_Window(char menu, const QString& entry, QPointer<W>& opened, const QString& name = {}) {
    Pick(*window, menu, entry);
    QTRY_VERIFY_WITH_TIMEOUT(
        (opened = window->findChild<W*>(name)) != nullptr && opened->isVisible(), kPatienceMs);
    Give_Focus(opened);
    QTRY_VERIFY_WITH_TIMEOUT(opened->isActiveWindow(), kPatienceMs);
  }
  // The whole status line, which the label may show shortened to fit.
  QString Status() { return QString::fromStdString(App().form.Label3); }

  // Every view shows exactly the store as it is now.
  void Check_Views_Show_The_Store() {
    const auto& store = Store();
    const int records = Records();
    QCOMPARE(Position(), QString::fromStdString(Record_Position_Compact(App(), Bar()->value())));
    QCOMPARE(Bar()->maximum(), std::max(1, records));
    QCOMPARE(App().form.HScroll1, Bar()->value());
    const ChartModel& chart = App().form.MSChart2;
    if (charted >= 0) {
      QCOMPARE(chart.row_count, store.Count(charted));
      for (int r = 0; r < chart.row_count; ++r) {
        QCOMPARE(chart.Value(r, 0), store.Value(charted, r + 1));
      }
    }
    if (records == 0) {
      QCOMPARE(Filled_Boxes(), 0);
      QCOMPARE(window->findChild<QListWidget*>("List1")->count(), 0);
      QVERIFY(App().telemetry.frame_log.empty());
    }
  }
};

// The time range the chart shows, in whole seconds.
TimeRange Shown(HistoryWindow* history) {
  const QCPRange range = history->Plot()->xAxis->range();
  return {std::llround(range.lower), std::llround(range.upper)};
}

// Breaks in a graph: the samples that are no number.
int Gaps(const QCPGraph* graph) {
  const auto& data = *graph->data();
  return int(std::count_if(data.constBegin(), data.constEnd(),
                           [](const QCPGraphData& d) { return std::isnan(d.value); }));
}

// The read-out under the mouse, or empty while none is shown.
QString Readout(HistoryWindow* history) {
  QCustomPlot* plot = history->Plot();
  for (int k = 0; k < plot->itemCount(); ++k) {
    auto* text = qobject_cast<QCPItemText*>(plot->item(k));
    if (text != nullptr && text->visible()) return text->text();
  }
  return {};
}

constexpr UtcSeconds kNewest = 1795856400;  // 2026-11-28 09:00:00 UTC

// `count` frames a second apart, newest first from `newest`, as a cursor page of the network
// database: its next page named in the body only.
QByteArray Cursor_Page(UtcSeconds newest, int count, const QString& next) {
  QByteArray results;
  for (int k = 0; k < count; ++k) {
    results += QByteArray(k ? "," : "") + "{\"frame\": \"C0 80 00 00 02 2C 03 00 " +
               QByteArray::number(0x10 + k, 16).toUpper() + " 00\", \"timestamp\": \"" +
               QByteArray::fromStdString(Format_Utc_Time(newest - k)) +
               "\", \"observer\": \"DL0ABC-JO62\"}";
  }
  const QByteArray link = next.isEmpty() ? "null" : "\"" + next.toUtf8() + "\"";
  return "{\"next\": " + link + ", \"previous\": null, \"results\": [" + results + "]}";
}

// Opens File / Fetch from SatNOGS DB... with Alt+F and a click, and runs `steps` in the dialog
// once it is shown and has the focus; Escape closes it if the steps left it open.
void In_Fetch_Dialog(MainWindow& window, const std::function<void(FetchDialog*)>& steps) {
  Through<FetchDialog>(
      &window, [&] { Pick(window, 'f', "Fetch from SatNOGS"); },
      [&](FetchDialog* d) {
        steps(d);
        if (d->isVisible()) QTest::keyClick(Keys(), Qt::Key_Escape);
      });
}

}  // namespace

class JourneyTest : public QObject {
  Q_OBJECT

 private slots:
  // Settings and data in the test's own folders, Qt's own file dialogs (the ones a journey can
  // type into) and plain C numbers.
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QLocale::setDefault(QLocale::c());
  }
  void init() { g_stuck = false; }

  // Ctrl+O, a typed name, Enter: the capture loads, and the keys step through its records at
  // once (the record bar has the focus after start-up and after a load), after a click on the
  // chart and after a Tab too. Then a click charts a channel and highlights its box alone, Shift
  // with a click or a right click its group; the chart marks the record shown and reads the bus
  // time as dates; "B" switches bars and lines without reloading the chart, "S" saves a picture
  // and F1 opens the Info window. Export CSV and Save chart write through their own dialogs.
  // Wrong files keep the window; several files picked by clicking load as one selection.
  void openStepChartExportWrongAndSeveralFiles() {
    Journey j;
    QVERIFY(!j.window->findChild<QAction*>("MenuSaveChart")->isEnabled());  // no chart yet
    QCOMPARE(j.Position(), QString("0/0"));
    QCOMPARE(QApplication::focusWidget(), j.Bar());
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    const int records = j.Records();
    QVERIFY(records > 100);
    QCOMPARE(j.Position(), QString("1/%1").arg(records));
    QCOMPARE(QApplication::focusWidget(), j.Bar());

    const int page = std::max(1, records / 10);  // a page of the bar: a tenth of the records
    const Steps keys = {{Qt::Key_Right, 2},  {Qt::Key_Right, 3},     {Qt::Key_Left, 2},
                        {Qt::Key_Up, 3},     {Qt::Key_Down, 2},      {Qt::Key_PageDown, 2 + page},
                        {Qt::Key_PageUp, 2}, {Qt::Key_End, records}, {Qt::Key_Right, records},
                        {Qt::Key_Home, 1}};
    j.Step(keys, j.Bar());
    // Beside the bar: which record of how many is shown, and its time in the tooltip.
    QVERIFY(j.Bar()->toolTip().startsWith(QString("Record 1 of %1, ").arg(records)));
    j.Check_Views_Show_The_Store();

    auto* chart = j.window->findChild<ChartWidget*>();
    QCustomPlot* plot = chart->Plot();
    j.Click_Channel(46);
    QVERIFY(!plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    j.Click_Channel(3);
    QVERIFY(plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QCOMPARE(plot->yAxis->label(), QStringLiteral("V"));
    QCOMPARE(QApplication::focusWidget(), j.Bar());  // the keys still step through the records
    QTest::keyClick(Keys(), Qt::Key_Right);
    QCOMPARE(chart->Cursor_Row(), 2);
    for (int i = 0; i < kChannelCount; ++i) {
      auto* box = j.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i));
      if (box) QCOMPARE(box->palette().color(QPalette::Base) != QColor(Qt::white), i == 3);
    }

    // A click on the chart shows that record and leaves the keys on the records; Tab reaches the
    // channel buttons and goes on as Tab does, while the keys still step through the records.
    QTRY_VERIFY(plot->xAxis->range().upper > 12);
    const QPoint at(static_cast<int>(plot->xAxis->coordToPixel(12)),
                    plot->axisRect()->rect().center().y());
    QTest::mouseMove(plot, at);
    QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    QTRY_COMPARE(j.Bar()->value(), 12);
    j.Step({{Qt::Key_Right, 13}, {Qt::Key_End, records}, {Qt::Key_Home, 1}});
    QRadioButton* button = nullptr;
    for (int k = 0; k < 10 && button == nullptr; ++k) {
      QTest::keyClick(Keys(), Qt::Key_Tab);
      button = qobject_cast<QRadioButton*>(QApplication::focusWidget());
    }
    QVERIFY(button != nullptr);
    j.Step(keys, button);  // the keys move no focus
    QTest::keyClick(Keys(), Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != button);

    QTest::keyPress(Keys(), Qt::Key_Shift);
    j.Click_Channel(8, Qt::ShiftModifier);
    QTest::keyRelease(Keys(), Qt::Key_Shift);
    QCOMPARE(j.App().form.MSChart2.column_count, 2);
    j.Click_Channel(52, {}, Qt::RightButton);
    QCOMPARE(plot->plottableCount(), 3);
    const auto revision = j.App().form.MSChart2.data_revision;
    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, kChartTypeBar);
    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, kChartTypeLine);
    QCOMPARE(j.App().form.MSChart2.data_revision, revision);
    QTest::keyClick(Keys(), Qt::Key_S);
    Back_To(j.window.get());

    QTest::keyClick(Keys(), Qt::Key_F1);
    QWidget* info = nullptr;
    QTRY_VERIFY([&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == "Info") info = w;
      }
      return info != nullptr;
    }());
    info->close();
    QVERIFY(QFile::exists(j.dir.filePath("pass.png")) || QFile::exists(j.dir.filePath("pass.bmp")));

    // Go to takes a record number; a text it cannot read is answered with both accepted forms.
    auto refused = When_Shown<QInputDialog>([](QInputDialog*) { Type_And_Enter("abc"); });
    auto told = When_Shown<QMessageBox>([](QMessageBox* box) {
      QVERIFY(box->text().contains("HH:MM"));
      QVERIFY(box->text().contains("record", Qt::CaseInsensitive));
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QTest::keyClick(Keys(), Qt::Key_G, Qt::ControlModifier);
    QVERIFY(*refused && *told && !g_stuck);
    Through<QInputDialog>(j.window.get(), Key(Qt::Key_G, Qt::ControlModifier), [](QInputDialog* d) {
      QVERIFY2(d->labelText().contains("charted channel"), qPrintable(d->labelText()));
      Type_And_Enter("5");
    });
    QCOMPARE(j.Bar()->value(), 5);

    const QString csv = j.dir.filePath("out.csv");
    j.Open_By_Typing(csv, "Export CSV");
    std::ostringstream expected;
    Write_Csv(expected, j.Store());
    QCOMPARE(Bytes_Of(csv), expected.str());
    QVERIFY2(j.Status().contains(csv) && j.Status().contains("CSV"), qPrintable(j.Status()));

    j.Click_Channel(51);  // Save chart waits for a chart
    const QString svg = j.dir.filePath("chart.svg");
    j.Open_By_Typing(svg, "Save chart");
    QVERIFY(Bytes_Of(svg).find("<svg") != std::string::npos);

    // Files that hold no capture leave every view as it was and say why. (A selection with a good
    // file among them is the loading rules' test.)
    const QString shown = j.window->findChild<QLineEdit*>("Text1_3")->text();
    j.Click_Channel(3);

    // Binary noise: which texts a file without frames gets is the loading rules' test.
    const QString noise = j.dir.filePath("noise.kss");
    QByteArray bytes(20 * 1024, '\0');
    QRandomGenerator random(7);
    for (char& b : bytes) b = static_cast<char>(random.generate());
    Write_File(noise, bytes);
    // A capture without read permission; a user allowed to read everything reads it.
    const QString closed = j.Write("closed.kss", {.seconds = 2});
    QFile::setPermissions(closed, QFileDevice::WriteOwner);
    for (const auto& [path, said] :
         {std::pair{noise, "noise.kss is not a capture file: no frame of ORVELT-1 in 20 kB"},
          {closed, "closed.kss: cannot read file: Permission denied"}}) {
      if (path == closed && QFileInfo(closed).isReadable()) continue;
      QString message;
      auto told = When_Shown<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        QTest::keyClick(Keys(), Qt::Key_Return);
      });
      j.Open_By_Typing(path);
      QVERIFY2(*told && !g_stuck, qPrintable(path));
      QVERIFY2(message.startsWith(said), qPrintable(message));
      QVERIFY2(j.Status().startsWith(said), qPrintable(j.Status()));
      QCOMPARE(j.window->findChild<QLineEdit*>("Text1_3")->text(), shown);
      j.Check_Views_Show_The_Store();
    }

    // Several files picked by clicking in the dialog load as one selection; Escape cancels the
    // dialog, and on a slow load's progress the load.
    const QString a = j.Write("a.kss", {.seconds = 20, .seed = 2});
    const QString b = j.Write("b.kss", {.start = 1795857300, .seconds = 30, .seed = 3});
    const auto open = [&] { Pick(*j.window, 'f', "Open Kissfile"); };
    Through<QFileDialog>(j.window.get(), open, [&](QFileDialog* d) {
      Type_And_Enter(j.dir.path());  // Enter on a folder opens it
      auto* list = d->findChild<QAbstractItemView*>("listView");
      auto* model = qobject_cast<QFileSystemModel*>(list->model());
      QModelIndex ia, ib;
      QTRY_VERIFY_WITH_TIMEOUT(
          (ia = model->index(a)).isValid() && (ib = model->index(b)).isValid() &&
              list->visualRect(ib).isValid() && !list->visualRect(ib).isEmpty(),
          3000);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(ia).center());
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                        list->visualRect(ib).center());
      auto* ok = d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    QCOMPARE(j.App().form.List3.size(), std::size_t{2});
    QCOMPARE(j.App().telemetry.store.Count(3), 20 + 30);
    Through<QFileDialog>(j.window.get(), Key(Qt::Key_O, Qt::ControlModifier),
                         [](QFileDialog*) { QTest::keyClick(Keys(), Qt::Key_Escape); });
    // A cancelled dialog reads the last confirmed selection again.
    QCOMPARE(j.App().telemetry.store.Count(3), 20 + 30);
    j.Check_Views_Show_The_Store();

    // Escape on a slow load's progress cancels it as Cancel does: the report says what was read
    // in part, not "0 files read", the record bar reaches over what was read, and a click made
    // meanwhile is dropped, not replayed after the load.
    j.App().load_options.chunk_bytes = 256;
    j.App().load_options.observers.push_back([](const FrameEvent&) { QTest::qSleep(2); });
    const QString big = j.Write("big.kss", {.seconds = 600, .seed = 8});
    bool escaped = false;
    QTimer watch;  // stops before the test's state goes
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* progress = j.window->findChild<QProgressDialog*>("LoadProgress");
      if (escaped || progress == nullptr || !progress->isVisible()) return;
      Give_Focus(progress);
      if (!progress->isActiveWindow()) return;
      escaped = true;
      QTest::mouseClick(j.window->findChild<QRadioButton*>("Option1_28"), Qt::LeftButton);
      QTest::keyClick(Keys(), Qt::Key_Escape);
    });
    watch.start(20);
    j.Open_By_Typing(big);
    QVERIFY(escaped);
    QVERIFY(j.App().last_load.cancelled);
    QVERIFY(j.Store().Count(3) < 600);
    const std::string details = j.App().last_load.Details();
    QVERIFY2(details.starts_with("1 file read in part"), details.c_str());
    QVERIFY(j.Status().contains("cancelled"));
    QCOMPARE(j.Bar()->maximum(), Last_Record(j.Store()));
    QCoreApplication::processEvents();
    QVERIFY(!j.window->findChild<QRadioButton*>("Option1_28")->isChecked());
  }

  // A pass received live from a TNC that goes away halfway: the panel follows the newest record
  // with every channel's latest sample until a key steps back, and End follows again; View /
  // Frames, left open, follows the frames as the status line counts them; New session empties every
  // view; loading from Recent files replaces the live store in every view; the forwarding offered
  // afterwards, once switched on in the station's settings, holds only the loaded capture's frames.
  // In the outbox, frames a server refused are discarded or sent again, and those of a server taken
  // out of the settings discarded; it closes on Escape. A damaged outbox is said at the next start.
  void liveSessionThenRecentFilesThenForwarding() {
    Journey j;
    // A capture opened once, so that Recent files lists it.
    const QString loaded = j.Write("loaded.kss", {.seconds = 12, .seed = 5});
    j.Open_By_Typing(loaded);
    const std::size_t loaded_frames = j.App().telemetry.frame_log.size();
    Pick(*j.window, 'v', "Frames");
    auto* table = j.window->findChild<QTableView*>("FrameTable");
    auto* count = j.window->findChild<QLabel*>("FrameCount");
    QVERIFY(table != nullptr && count != nullptr);
    QTRY_VERIFY(table->isVisible());
    const auto log_size = [&] { return static_cast<int>(j.App().telemetry.frame_log.size()); };

    // A live pass from a TNC that goes away halfway, for long enough for the steps below.
    const tools::Bytes live_pass = tools::Generate_Pass({.seconds = 60}).bytes();
    LoopbackTnc tnc(live_pass);
    QVERIFY(tnc.Listen());
    std::size_t halfway = live_pass.size() / 2;
    while (live_pass[halfway - 1] != kFend || live_pass[halfway] != kFend) ++halfway;
    tnc.Drop_At(halfway, 1500);
    const QString recordings = j.dir.filePath("recordings");
    const auto pick = [&](const char* entry) {
      return [&, entry] { Pick(*j.window, 'f', entry); };
    };
    Through<QDialog>(j.window.get(), pick("Connect"), [&](QDialog* d) {
      Type_Into(d->findChild<QLineEdit*>("ConnectHost"), "127.0.0.1");
      Type_Into(d->findChild<QWidget*>("ConnectPort"), QString::number(tnc.Port()));
      Tick(d->findChild<QCheckBox*>("ConnectRecord"));
      Type_Into(d->findChild<QLineEdit*>("ConnectFolder"), recordings);
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    const auto newest = [&] { return Newest_Record(j.Store(), -1); };
    QTRY_VERIFY_WITH_TIMEOUT(j.Status().contains("reconnecting to 127.0.0.1:"), 5000);
    // While frames arrive, the open window shows them, not the empty store of the session's start.
    QTRY_VERIFY_WITH_TIMEOUT(table->model()->rowCount() > 10, 2000);
    // Following: the bar stands at the newest record. A step back stops it, and new frames
    // leave the bar where the user put it; End follows again.
    QTRY_COMPARE_WITH_TIMEOUT(j.Bar()->value(), newest(), 1000);
    QTest::keyClick(Keys(), Qt::Key_Left);
    const int chosen = j.Bar()->value();
    QVERIFY(chosen < newest());
    QTRY_VERIFY_WITH_TIMEOUT(tnc.Done() && j.Store().Count(3) == 60, 10000);
    QTest::qWait(100);  // the coalesced repaint
    QCOMPARE(j.Bar()->value(), chosen);
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), log_size(), 2000);
    QCOMPARE(count->text(), QString("%1 of %1 frames").arg(log_size()));
    QVERIFY(j.Status().contains(QString::number(log_size())));
    QTest::keyClick(Keys(), Qt::Key_End);
    QVERIFY(j.window->Live().Following());
    QTRY_COMPARE_WITH_TIMEOUT(j.Bar()->value(), newest(), 1000);
    QVERIFY(j.Status().contains("recording ORVELT-1_"));
    // Every channel the pass carries shows its latest sample.
    QVERIFY(j.Filled_Boxes() > 20);
    j.Click_Channel(3);
    j.Check_Views_Show_The_Store();

    Pick(*j.window, 'f', "New session");
    QCOMPARE(j.Records(), 0);
    j.Check_Views_Show_The_Store();

    Pick(*j.window, 'f', "Disconnect");
    QVERIFY(j.Status().startsWith("disconnected"));
    // Only the session that received frames left a recording; the empty one left no file.
    QCOMPARE(QDir(recordings).entryList(QDir::Files).size(), 1);

    Pick(*j.window, 'f', "Recent files", "&1");
    QCOMPARE(j.App().telemetry.frame_log.size(), loaded_frames);
    j.Check_Views_Show_The_Store();

    // Forwarding is off: the message names the switch as the dialog captions it.
    QString told;
    Through<QMessageBox>(j.window.get(), pick("Forward loaded frames"), [&](QMessageBox* box) {
      told = box->text();
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QVERIFY2(told.contains("\"Forward received frames\""), qPrintable(told));

    // Station settings typed into their dialog (Alt+F, T), forwarding to two servers of the
    // test's own, the second refusing every frame: Enter on the locator sets the position and on
    // a server adds it, the dialog staying open.
    SidsTestServer server, second;
    QVERIFY(server.Listen() && second.Listen());
    second.Set_Default(Answer::Status(400, "unknown satellite"));
    j.window->Forwarding().Set_Outbox_Path((j.dir.path() + "/outbox.sqlite").toStdString());
    const auto alt_f_t = [] {
      QTest::keyClick(Keys(), Qt::Key_F, Qt::AltModifier);
      QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
      QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_T);
    };
    Through<QDialog>(j.window.get(), alt_f_t, [&](QDialog* d) {
      Type_Into(d->findChild<QLineEdit*>("callsign"), "DL1ABC");
      Type_Into(d->findChild<QLineEdit*>("longitude"), "12.345");
      Type_Into(d->findChild<QLineEdit*>("locator"), "JN58td");
      QTest::keyClick(Keys(), Qt::Key_Return);
      QVERIFY(d->findChild<QLineEdit*>("latitude")->text().startsWith("48.14"));
      Type_Into(d->findChild<QLineEdit*>("norad"), "99999");
      Type_Into(d->findChild<QLineEdit*>("newServer"), server.Url());
      QTest::keyClick(Keys(), Qt::Key_Return);
      Type_Into(d->findChild<QLineEdit*>("newServer"), second.Url());
      QTest::mouseClick(d->findChild<QPushButton*>("addServer"), Qt::LeftButton);
      Tick(d->findChild<QCheckBox*>("forwarding"));
      auto* ok = d->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok);
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    std::size_t offered = 0;
    Through<QMessageBox>(j.window.get(), pick("Forward loaded frames"), [&](QMessageBox* box) {
      offered = box->text().section(' ', 1, 1).toULongLong();
      QVERIFY2(box->button(QMessageBox::Yes) != nullptr, qPrintable(box->text()));
      QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    // Only the loaded capture's telemetry frames: none of the live session's.
    QVERIFY(offered > 0 && offered <= loaded_frames);
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), offered, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(second.requests().size(), offered, 30000);

    // The refused frames in the outbox: one picked with the mouse is discarded, the others are
    // sent again, and refused again.
    QPointer<QWidget> outbox;
    j.Open_Window('f', "Outbox", outbox, "OutboxView");
    auto* rejected = outbox->findChild<QTableWidget*>("rejected");
    auto* discard = outbox->findChild<QPushButton*>("discard");
    QTRY_COMPARE(rejected->rowCount(), int(offered));
    QVERIFY2(rejected->item(0, 2)->text().startsWith("HTTP 400"),
             qPrintable(rejected->item(0, 2)->text()));
    QVERIFY(!discard->isEnabled());
    const QPoint refusal = rejected->visualItemRect(rejected->item(0, 2)).center();
    QTest::mouseClick(rejected->viewport(), Qt::LeftButton, {}, refusal);
    QTest::mouseClick(discard, Qt::LeftButton);
    QCOMPARE(rejected->rowCount(), int(offered) - 1);
    QTest::mouseClick(outbox->findChild<QPushButton*>("retryRejected"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(second.requests().size(), 2 * offered - 1, 30000);
    QTRY_COMPARE(rejected->rowCount(), int(offered) - 1);
    auto* counts = outbox->findChild<QTableWidget*>("counts");
    QCOMPARE(counts->findItems(QString::number(offered), Qt::MatchExactly).size(), 1);  // sent
    QTest::keyClick(Keys(), Qt::Key_Escape);
    QTRY_VERIFY(outbox.isNull() || !outbox->isVisible());

    // The refusing server taken out of the settings, which keep the locator: its frames would
    // wait unseen, so the outbox names it, and one click discards them.
    QString locator;
    Through<QDialog>(j.window.get(), pick("Station"), [&](QDialog* d) {
      locator = d->findChild<QLineEdit*>("locator")->text();
      auto* servers = d->findChild<QListWidget*>("servers");
      const QPoint at = servers->visualItemRect(servers->item(1)).center();
      QTest::mouseClick(servers->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseClick(d->findChild<QPushButton*>("removeServer"), Qt::LeftButton);
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QCOMPARE(locator, QString("JN58td"));
    j.Open_Window('f', "Outbox", outbox, "OutboxView");
    auto* removed = outbox->findChild<QLabel*>("removedServers");
    QVERIFY2(removed->isVisible() && removed->text().contains(second.Url()),
             qPrintable(removed->text()));
    QTest::mouseClick(outbox->findChild<QPushButton*>("discardRemoved"), Qt::LeftButton);
    QVERIFY(!removed->isVisible());
    QCOMPARE(outbox->findChild<QTableWidget*>("rejected")->rowCount(), 0);

    // Forwarding is left on, and the outbox it sends from by default is damaged before the next
    // start: the window says so without blocking, and forwarding stays off. (The file is left as
    // it was: the outbox's own test.)
    Write_File(QString::fromStdString(Default_Outbox_Path().string()), QByteArray(8192, 'x'));
    MainWindow next(std::make_unique<JourneyPlatform>());
    QVERIFY(next.Start_Up().ok());
    next.show();
    QMessageBox* notice = nullptr;
    QTRY_VERIFY((notice = next.findChild<QMessageBox*>("ForwardingOffNotice")) != nullptr &&
                notice->isVisible());
    QVERIFY2(notice->text().contains("is damaged"), qPrintable(notice->text()));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(next.Forwarding().forwarder() == nullptr);
  }

  // View / History: the window opens wholly on the screen, on the last pass's day; each time-range
  // button shows its stretch up to the last pass, the whole mission as envelopes broken between
  // passes, a pass sample by sample; the wheel makes the range the user's own; the mouse over a
  // pass reads its time and value; the figures stand before the sources. Limits typed in mark the
  // points beyond them, and the main window's boxes at once. The magnetometer picked from the
  // channel list with the mouse charts its group in the main window's group colours. A click on a
  // pass zooms to it; a double click loads it into the main window, written to a folder only this
  // user can enter: a link planted where a shared folder once stood is left alone. A capture
  // loaded is archived once File / Archive says so, and the window follows the archive.
  void historyRangesLimitsGroupsPassesAndFollowing() {
    QTemporaryDir temp, elsewhere;
    const QByteArray old_temp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    QVERIFY(QFile::link(elsewhere.path(), QDir(temp.path()).filePath("orvelt-passes")));
    Journey j;
    Archive_Elsewhere({j.Pass(kStart, 40, 1), j.Pass(kStart + 10 * kDay + 3600, 60, 2),
                       j.Pass(kStart + 20 * kDay + 7200, 60, 3)});
    // Not archived while File / Archive says "Live sessions", as for a new station.
    const CaptureArchiving& archiving = j.window->Capture_Archiving();
    j.Open_By_Typing(QString::fromStdString(j.Pass(kStart + 2 * kDay, 60, 9)));
    QVERIFY(!archiving.Busy() && archiving.Counts().added == 0);
    Pick(*j.window, 'f', "Archive", "Live sessions and loaded captures");
    std::vector<PassSpan> passes = j.Passes();
    QCOMPARE(passes.size(), std::size_t{3});
    QPointer<HistoryWindow> history;
    j.Open_Window('v', "History", history);
    QTRY_COMPARE_WITH_TIMEOUT(history->Pass_List()->rowCount(), 3, kPatienceMs);
    QVERIFY(history->screen()->availableGeometry().contains(history->frameGeometry()));
    QCOMPARE(Shown(history), *Span_Range(HistorySpan::Day, passes));
    QVERIFY(Button(history, "&Day")->isChecked());
    QCustomPlot* plot = history->Plot();
    QTableWidget* list = history->Pass_List();
    QCOMPARE(list->horizontalHeaderItem(3)->text(), QString("Battery 0 Volt min"));
    QCOMPARE(list->horizontalHeaderItem(6)->text(), QString("Outside limits"));
    QCOMPARE(list->horizontalHeaderItem(7)->text(), QString("Sources"));
    QVERIFY(list->item(2, 7)->text().endsWith(QString("pass%1.kss").arg(passes[2].start)));
    // A pass's mean shows six digits; its tooltip holds the stored value exactly.
    const QTableWidgetItem* mean = list->item(0, 5);
    QCOMPARE(mean->text(), QString::number(mean->toolTip().toDouble(), 'g', 6));
    QVERIFY2(mean->toolTip().size() > mean->text().size(), qPrintable(mean->toolTip()));

    const std::pair<const char*, HistorySpan> steps[] = {{"Whole &mission", HistorySpan::Mission},
                                                         {"&Week", HistorySpan::Week},
                                                         {"&Month", HistorySpan::Month},
                                                         {"&Day", HistorySpan::Day},
                                                         {"&Last pass", HistorySpan::Last_Pass}};
    for (const auto& [text, span] : steps) {
      QPushButton* button = Button(history, text);
      QVERIFY2(button != nullptr, text);
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(Shown(history), *Span_Range(span, passes));
      for (const auto& [other, its_span] : steps) {
        QCOMPARE(Button(history, other)->isChecked(), its_span == span);
      }
      if (span == HistorySpan::Mission) QTRY_COMPARE(Gaps(plot->graph(0)), 2);
    }
    QCOMPARE(plot->graph(0)->dataCount(), 60);  // the last pass, every sample

    // Over the last pass, the read-out names the second under the mouse and its value.
    const QPoint centre = plot->axisRect()->center();
    const QPoint over(static_cast<int>(plot->xAxis->coordToPixel(passes[2].start + 30.5)),
                      centre.y());
    QTest::mouseMove(plot, over);
    // The read-out of the mouse's last place may still stand until this move is taken.
    QTRY_VERIFY2(Readout(history).startsWith("2026-12-18 11:14:30 UTC"),
                 qPrintable(Readout(history)));
    QVERIFY(Readout(history).contains("Battery 0 Volt: "));
    QTest::mouseMove(list->viewport(), list->viewport()->rect().center());
    QTRY_VERIFY(Readout(history).isEmpty());

    // The wheel zooms about the mouse: no button stands for that range.
    QTest::mouseMove(plot, centre);
    const UtcSeconds before = Shown(history).to - Shown(history).from;
    QWheelEvent wheel(centre, plot->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QVERIFY(Shown(history).to - Shown(history).from < before);
    for (const auto& step : steps) QVERIFY(!Button(history, step.first)->isChecked());

    // Limits of the channel: points beyond them get a graph of the main window's warning colour.
    const double upper =
        (list->item(2, 3)->text().toDouble() + list->item(2, 4)->text().toDouble()) / 2;
    auto* limits = history->findChild<QLineEdit*>();
    Type_Into(limits, ".." + QString::number(upper));
    QTest::keyClick(Keys(), Qt::Key_Return);
    QTRY_COMPARE(plot->graphCount(), 2);
    const QCPGraph* warned = plot->graph(1);
    QVERIFY(warned->dataCount() > 0);
    QCOMPARE(warned->scatterStyle().pen().color(), Window_Colour(kTextWarning));
    for (auto it = warned->data()->constBegin(); it != warned->data()->constEnd(); ++it) {
      QVERIFY2(it->value > upper, qPrintable(QString::number(it->value)));
    }
    QCOMPARE(j.window->App().limits[3].upper,
             std::optional<double>(QString::number(upper).toDouble()));
    Type_Into(limits, "");
    QTest::keyClick(Keys(), Qt::Key_Delete);
    QTest::keyClick(Keys(), Qt::Key_Return);
    QTRY_VERIFY(!j.window->App().limits[3].upper);

    auto* channels = history->findChild<QComboBox*>();
    auto* group = history->findChild<QCheckBox*>();
    QTest::mouseClick(channels, Qt::LeftButton);
    QAbstractItemView* choices = channels->view();
    QTRY_VERIFY_WITH_TIMEOUT(choices->isVisible(), kPatienceMs);
    const QModelIndex y_axis = channels->model()->index(channels->findData(52), 0);
    choices->scrollTo(y_axis);
    // A list that has just opened takes no click for a double-click interval, as for a person.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QPoint item = choices->visualRect(y_axis).center();
    QTest::mouseMove(choices->viewport(), item);
    QTest::mouseClick(choices->viewport(), Qt::LeftButton, {}, item);
    QTRY_COMPARE_WITH_TIMEOUT(channels->currentData().toInt(), 52, kPatienceMs);
    QTRY_VERIFY_WITH_TIMEOUT(!choices->isVisible(), kPatienceMs);
    QVERIFY(plot->yAxis->label().endsWith(QString::fromUtf8("(µT)")));
    // Ticked, the three axes in a legend in the group's colours; unticked, the chosen one alone.
    QTest::mouseClick(group, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 3, kPatienceMs);
    const ChartGroup magnetometer = Chart_Group(52);
    for (int k = 0; k < 3; ++k) {
      const Rgb colour = magnetometer.colours[std::size_t(k)];
      QCOMPARE(plot->graph(k)->pen().color(), QColor(colour.red, colour.green, colour.blue));
      QCOMPARE(plot->graph(k)->name(), QStringLiteral("Magn %1- Axis").arg(QChar('X' + k)));
      QVERIFY(plot->graph(k)->dataCount() > 0);
    }
    QVERIFY(plot->legend->visible());
    QTest::mouseClick(group, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 1, kPatienceMs);
    QCOMPARE(plot->graph(0)->name(), QString("Magn Y- Axis"));

    for (int row : {1, 0}) {
      const QRect cell = list->visualItemRect(list->item(row, 0));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(Shown(history), Pass_Range(passes[static_cast<std::size_t>(row)]));
    }
    // As the window system delivers a double click: a click, then the second press.
    const QRect first = list->visualItemRect(list->item(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTRY_COMPARE_WITH_TIMEOUT(j.window->App().telemetry.store.Count(3), 40, kPatienceMs);
    QCOMPARE(Shown(history), Pass_Range(passes[0]));
    const std::vector<std::string>& loaded = j.window->App().form.List3;
    QCOMPARE(loaded.size(), std::size_t{1});
    const QFileInfo file(QString::fromStdString(loaded[0]));
    const QFileInfo folder(file.absolutePath());
    QCOMPARE(folder.canonicalFilePath(), folder.absoluteFilePath());  // no link on the way
    QVERIFY(folder.absolutePath() == temp.path());
    QCOMPARE(folder.ownerId(), static_cast<uint>(getuid()));
    QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QDir(elsewhere.path()).isEmpty());

    // With the window open, a capture loaded while captures are archived, then passes another
    // program adds: the list, its figures and the chart on the last pass's day follow each; a
    // range the user chose stays while the list goes on following.
    Give_Focus(history);
    QTest::mouseClick(Button(history, "&Day"), Qt::LeftButton);
    const QString third = QString::fromStdString(j.Pass(kStart + 21 * kDay, 60, 6));
    j.Open_By_Typing(third);
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 4, kPatienceMs);
    QTRY_VERIFY(!archiving.Busy());
    passes = j.Passes();
    QCOMPARE(passes.size(), std::size_t{4});
    QTRY_COMPARE_WITH_TIMEOUT(Shown(history), *Span_Range(HistorySpan::Day, passes), kPatienceMs);
    QVERIFY(history->Plot()->graph(0)->dataCount() > 0);
    const auto summary = User_Archive()->Summary(52, passes[3].start, passes[3].end).value();
    QCOMPARE(list->item(3, 3)->text(), QString::number(summary.min, 'g', 6));
    QCOMPARE(list->item(3, 4)->text(), QString::number(summary.max, 'g', 6));

    QTest::mouseClick(Button(history, "Whole &mission"), Qt::LeftButton);
    Archive_Elsewhere({j.Pass(kStart + 25 * kDay, 60, 7)});
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 5, kPatienceMs);
    passes = j.Passes();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(history), *Span_Range(HistorySpan::Mission, passes),
                              kPatienceMs);

    // A pass clicked: the range is the user's, and stays when the archive grows again.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0, 0)).center());
    const TimeRange chosen = Shown(history);
    Archive_Elsewhere({j.Pass(kStart + 26 * kDay, 60, 8)});
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 6, kPatienceMs);
    QCOMPARE(Shown(history), chosen);
    Pick(*j.window, 'f', "Archive", "Live sessions");
    old_temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", old_temp);
  }

  // The decoder started from the command line beside a broken conf.ini: the reason on stderr,
  // and once its error dialog is closed, status 1 without a window.
  void brokenConfIniEndsStartUp() {
    QTemporaryDir dir;
    QVERIFY(QFile::copy(ORVELT_DECODER, dir.filePath("orvelt-decoder")));
    Write_File(dir.filePath("conf.ini"), "SCREENSHOT=YES\nHEXFILE\n");
    Write_File(dir.filePath("obc_offset.ini"), "0\n");
    QProcess decoder;
    decoder.start(dir.filePath("orvelt-decoder"), {ORVELT_SAMPLE_DIR "/pass.kss"});
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += decoder.readAllStandardError()).contains("conf.ini, line 2"),
                             30000);
    decoder.terminate();
    QVERIFY(decoder.waitForFinished(10000));
    QCOMPARE(decoder.exitStatus(), QProcess::NormalExit);
    QCOMPARE(decoder.exitCode(), 1);
  }

  // File / Fetch from SatNOGS DB...: started, stopped while the server asks to wait, and fetched
  // on from where it stopped.
  void fetchStopAndGoOnWhereItStopped() {
    Journey j;
    SidsTestServer server;
    QVERIFY(server.Listen());
    server.Queue(Answer::Status(200, Cursor_Page(kNewest, 25, server.Url() + "?cursor=2")));
    server.Queue({429, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 30\r\n"});
    server.Queue(Answer::Status(200, Cursor_Page(kNewest - 25, 10, {})));

    QString stopped;
    In_Fetch_Dialog(*j.window, [&](FetchDialog* d) {
      // Never fetched from: the From box shows the start that is asked for.
      auto* from = d->findChildren<QDateTimeEdit*>().value(0);
      QVERIFY(from != nullptr && !from->isEnabled());
      QCOMPARE(from->dateTime().toSecsSinceEpoch(), 0);
      Type_Into(Field(d, "&Server:"), server.Origin());
      Type_Into(Field(d, "&NORAD ID:"), "99999");
      Type_Into(Field(d, "&Token:"), "journey-token");
      QPushButton* start = Button(d, "&Fetch");
      QPushButton* stop = Button(d, "Sto&p");
      QVERIFY(start != nullptr && stop != nullptr);
      QVERIFY(stop->isVisible() && !stop->isEnabled());
      QTest::mouseClick(start, Qt::LeftButton);
      QLabel* outcome = d->Outcome_Label();
      QTRY_VERIFY_WITH_TIMEOUT(outcome->text().contains("waits the server asked for: 1"), 10000);
      QVERIFY2(outcome->text().startsWith("Page 1: 25 frames so far"), qPrintable(outcome->text()));
      QVERIFY(stop->isEnabled() && !start->isEnabled());
      QTest::mouseClick(stop, Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 5000);
      QVERIFY(!stop->isEnabled());
      stopped = outcome->text();
    });
    QCOMPARE(stopped, QString("Stopped. 25 frames on 1 page: 25 new, 0 already archived. What was "
                              "fetched is kept. The next fetch goes on below 2026-11-28T08:59:36Z, "
                              "down to 1970-01-01T00:00:00Z."));
    QCOMPARE(server.requests().size(), std::size_t{2});
    QCOMPARE(server.requests()[0].authorization, QByteArray("Token journey-token"));

    QString done;
    In_Fetch_Dialog(*j.window, [&](FetchDialog* d) {
      QLabel* outcome = d->Outcome_Label();
      QVERIFY2(outcome->text().contains("goes on below 2026-11-28T08:59:36Z"),
               qPrintable(outcome->text()));
      QCOMPARE(d->findChildren<QDateTimeEdit*>().value(0)->dateTime().toSecsSinceEpoch(), 0);
      QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(outcome->text().contains("Done."), 10000);
      done = outcome->text();
    });
    QVERIFY2(done.contains("The next fetch starts after 2026-11-28T09:00:00Z."), qPrintable(done));
    QCOMPARE(server.requests().size(), std::size_t{3});
    // Not from the first page again: below the oldest frame the stopped fetch read.
    QVERIFY(server.requests()[2].path.contains("end=2026-11-28T08:59:36Z"));

    // Closed with Escape while the server asks to wait: where the next fetch goes on is kept all
    // the same.
    server.Queue(Answer::Status(200, Cursor_Page(kNewest + 100, 25, server.Url() + "?cursor=3")));
    server.Queue({429, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 30\r\n"});
    In_Fetch_Dialog(*j.window, [&](FetchDialog* d) {
      QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(d->Outcome_Label()->text().contains("waits the server"), 10000);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    const auto plan =
        Plan_Fetch(*User_Archive(), server.Origin().toStdString(), 99999, kNewest + 86400);
    QVERIFY(plan.ok() && plan.value().continues);
    QCOMPARE(plan.value().to, kNewest + 100 - 24);

    // An archive that cannot say where the last fetch ended: the dialog says why and asks the
    // server for nothing, where it once fetched from the beginning of time.
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(Default_Archive_Path().c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DROP TABLE fetches", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const std::size_t asked = server.requests().size();
    In_Fetch_Dialog(*j.window, [&](FetchDialog* d) {
      QTest::mouseClick(Button(d, "&Fetch"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(d->Outcome_Label()->text().contains("reading the last fetch failed"),
                               5000);
      QVERIFY(Button(d, "&Fetch")->isEnabled());
    });
    QCOMPARE(server.requests().size(), asked);
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::JourneyTest)
#include "journey_test.moc"
