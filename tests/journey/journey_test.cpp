// The window in a person's hands: every path a user takes goes through the real dialogs, menus,
// keys and clicks, delivered through QApplication as the window system would deliver them, on
// a virtual X server. Nothing here calls a handler directly.

#include <QtTest>

#include <functional>
#include <memory>
#include <random>
#include <sstream>

#include "export/csv_export.hpp"
#include "forward/sids_test_server.hpp"
#include "ingest/kiss.hpp"
#include "journey/journey_steps.hpp"
#include "live/follow.hpp"
#include "live/loopback_tnc.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/live_controller.hpp"
#include "tools/capture_writer.hpp"
#include "window/navigation.hpp"

namespace {

using orvelt::MainWindow;
using namespace orvelt::journey;

std::string Bytes_Of(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

struct Journey {
  QTemporaryDir dir;
  std::unique_ptr<MainWindow> window;

  Journey() : window(Started_Window(dir.path())) { Back_To(window.get()); }

  orvelt::AppState& App() { return window->App(); }
  const orvelt::TelemetryStore& Store() { return window->App().telemetry.store; }
  int Records() {
    int records = 0;
    for (int c = 0; c < orvelt::kChannelCount; ++c) records = std::max(records, Store().Count(c));
    return records;
  }
  void Click_Channel(int channel, Qt::KeyboardModifiers modifiers = {}) {
    auto* selector = window->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(channel));
    QTest::mouseClick(selector, Qt::LeftButton, modifiers, QPoint(4, 4));
    if (!modifiers) charted = channel;
  }
  QScrollBar* Bar() { return window->findChild<QScrollBar*>("HScroll1"); }
  // The first channel of the chart shown, as the journey chose it.
  int charted = -1;
  QString Position() { return window->findChild<QLabel*>("RecordPosition")->text(); }
  int Filled_Boxes() {
    int n = 0;
    for (int i = 0; i < orvelt::kChannelCount; ++i) {
      auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i));
      n += box && !box->text().isEmpty();
    }
    return n;
  }

  QString Write(const QString& name, const orvelt::tools::PassOptions& options) {
    const QString path = dir.filePath(name);
    if (!orvelt::tools::Generate_Pass(options).Write_File(path.toStdString())) qFatal("no file");
    return path;
  }

  void Open_By_Typing(const QString& path) { orvelt::journey::Open_By_Typing(*window, path); }

  // File / Open Kissfile by Ctrl+O, several names of the journey's folder typed in quotes.
  void Open_Several_By_Typing(const QStringList& names) {
    Through<QFileDialog>(window.get(), Key(Qt::Key_O, Qt::ControlModifier), [&](QFileDialog*) {
      Type_File_Name(dir.path());  // Enter on a folder opens it
      QString typed;
      for (const QString& name : names) typed += QStringLiteral("\"%1\" ").arg(name);
      QTest::keyClick(Keys(), Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(Keys(), typed.trimmed());
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
  }
  // A file dialog opened by the menu entry `entry`, `name` typed into it.
  void Save_Through(const QString& entry, const QString& name) {
    Through<QFileDialog>(
        window.get(), [&] { Pick(*window, 'f', entry); },
        [&](QFileDialog*) { Type_File_Name(name); });
  }
  // The whole status line, which the label may show shortened to fit.
  QString Status() { return QString::fromStdString(App().form.Label3); }

  // Every view shows exactly the store as it is now.
  void Check_Views_Show_The_Store() {
    const auto& store = Store();
    const int records = Records();
    QCOMPARE(Position(),
             QString::fromStdString(orvelt::Record_Position_Compact(App(), Bar()->value())));
    QCOMPARE(Bar()->maximum(), std::max(1, records));
    QCOMPARE(App().form.HScroll1, Bar()->value());
    const orvelt::ChartModel& chart = App().form.MSChart2;
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

// File / Connect... to a TNC of the test's own on 127.0.0.1, typed into the dialog; with a
// folder, the session is recorded into it.
void Connect_To(MainWindow& window, quint16 port, const QString& recordings = {}) {
  Through<QDialog>(
      &window, [&] { Pick(window, 'f', "Connect"); },
      [&](QDialog* d) {
        QCOMPARE(d->objectName(), QString("ConnectDialog"));
        Type_Into(d->findChild<QLineEdit*>("ConnectHost"), "127.0.0.1");
        Type_Into(d->findChild<QWidget*>("ConnectPort"), QString::number(port));
        if (!recordings.isEmpty()) {
          Tick(d->findChild<QCheckBox*>("ConnectRecord"));
          Type_Into(d->findChild<QLineEdit*>("ConnectFolder"), recordings);
        }
        QTest::keyClick(Keys(), Qt::Key_Return);
      });
}

}  // namespace

class JourneyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { Prepare_Journeys(); }
  void init() { g_stuck = false; }

  // Ctrl+O, a typed name, Enter: the capture loads, and the keys step through its records at
  // once (the record bar has the focus after start-up and after a load), after a click on the
  // chart and after a Tab too.
  void openByTypingThenStepWithKeys() {
    Journey j;
    QCOMPARE(j.Position(), QString("0/0"));
    QCOMPARE(QApplication::focusWidget(), j.Bar());
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    const int records = j.Records();
    QVERIFY(records > 100);
    QCOMPARE(j.Position(), QString("1/%1").arg(records));
    QVERIFY(j.Filled_Boxes() > 20);
    QCOMPARE(QApplication::focusWidget(), j.Bar());

    auto* tabs = j.window->findChild<QTabWidget*>("SSTab1");
    const int page = std::max(1, records / 10);  // a page of the bar: a tenth of the records
    const struct {
      Qt::Key key;
      int expected;
    } steps[] = {{Qt::Key_Right, 2},  {Qt::Key_Right, 3},     {Qt::Key_Left, 2},
                 {Qt::Key_Up, 3},     {Qt::Key_Down, 2},      {Qt::Key_PageDown, 2 + page},
                 {Qt::Key_PageUp, 2}, {Qt::Key_End, records}, {Qt::Key_Right, records},
                 {Qt::Key_Home, 1}};
    for (const auto& step : steps) {
      QTest::keyClick(Keys(), step.key);
      QCOMPARE(j.Bar()->value(), step.expected);
      QCOMPARE(j.App().form.HScroll1, step.expected);
    }
    // Beside the bar: which record of how many is shown, and its time in the tooltip.
    QVERIFY(j.Bar()->toolTip().startsWith(QString("Record 1 of %1, ").arg(records)));
    QCOMPARE(tabs->currentIndex(), 0);
    j.Check_Views_Show_The_Store();

    // A click on the chart shows that record and leaves the keys on the records; Tab reaches the
    // channel buttons and goes on as Tab does, while the arrows still step through the records.
    j.Click_Channel(3);
    QCustomPlot* plot = j.window->findChild<QCustomPlot*>();
    QVERIFY(plot != nullptr);
    QTRY_VERIFY(plot->xAxis->range().upper > 12);
    const QPoint at(static_cast<int>(plot->xAxis->coordToPixel(12)),
                    plot->axisRect()->rect().center().y());
    QTest::mouseMove(plot, at);
    QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    QTRY_COMPARE(j.Bar()->value(), 12);
    for (const auto& [key, expected] :
         {std::pair{Qt::Key_Right, 13}, {Qt::Key_End, records}, {Qt::Key_Home, 1}}) {
      QTest::keyClick(Keys(), key);
      QCOMPARE(j.Bar()->value(), expected);
    }
    // Tab until a channel button has the focus.
    QRadioButton* button = nullptr;
    for (int k = 0; k < 10 && button == nullptr; ++k) {
      QTest::keyClick(Keys(), Qt::Key_Tab);
      button = qobject_cast<QRadioButton*>(QApplication::focusWidget());
    }
    QVERIFY(button != nullptr);
    for (const auto& [key, expected] : {std::pair{Qt::Key_Right, 2},
                                        {Qt::Key_Right, 3},
                                        {Qt::Key_Down, 2},
                                        {Qt::Key_End, records},
                                        {Qt::Key_Home, 1}}) {
      QTest::keyClick(Keys(), key);
      QCOMPARE(j.Bar()->value(), expected);
      QCOMPARE(QApplication::focusWidget(), button);  // the arrows moved no focus
    }
    QTest::keyClick(Keys(), Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != button);
  }

  // Several files picked by clicking in the dialog load as one selection; Escape cancels the
  // dialog, and on a slow load's progress the load.
  void openSeveralByClicking() {
    Journey j;
    const QString a = j.Write("a.kss", {.seconds = 20, .seed = 2});
    const QString b = j.Write("b.kss", {.start = 1795857300, .seconds = 30, .seed = 3});
    const auto open = [&] { Pick(*j.window, 'f', "Open Kissfile"); };
    Through<QFileDialog>(j.window.get(), open, [&](QFileDialog* d) {
      Type_File_Name(j.dir.path());  // Enter on a folder opens it
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
    j.App().load_options.observers.push_back([](const orvelt::FrameEvent&) { QTest::qSleep(2); });
    const QString big = j.Write("big.kss", {.seconds = 600, .seed = 8});
    bool escaped = false;
    auto* watch = new QTimer(j.window.get());
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, [&] {
      auto* progress = j.window->findChild<QProgressDialog*>("LoadProgress");
      if (escaped || progress == nullptr || !progress->isVisible()) return;
      Give_Focus(progress);
      if (!progress->isActiveWindow()) return;
      escaped = true;
      QTest::mouseClick(j.window->findChild<QRadioButton*>("Option1_28"), Qt::LeftButton);
      QTest::keyClick(Keys(), Qt::Key_Escape);
    });
    watch->start();
    j.Open_By_Typing(big);
    watch->stop();
    QVERIFY(escaped);
    QVERIFY(j.App().last_load.cancelled);
    QVERIFY(j.Store().Count(3) < 600);
    const std::string details = j.App().last_load.Details();
    QVERIFY2(details.starts_with("1 file read in part"), details.c_str());
    QVERIFY(j.Status().contains("cancelled"));
    QCOMPARE(j.Bar()->maximum(), orvelt::Last_Record(j.Store()));
    QCoreApplication::processEvents();
    QVERIFY(!j.window->findChild<QRadioButton*>("Option1_28")->isChecked());
    j.App().load_options.observers.clear();
    j.App().load_options.chunk_bytes = std::size_t{1} << 20;
  }

  // A click charts a channel and highlights its box alone, Shift with a click or a right click
  // its group; the chart marks the record shown and reads the bus time as dates; "B" switches
  // bars and lines without reloading the chart, "S" saves a picture and F1 opens the Info window.
  // Export CSV and Save chart write through their own dialogs. Wrong files keep the window.
  void channelsKeysGoToExportSaveAndWrongFiles() {
    Journey j;
    QVERIFY(!j.window->findChild<QAction*>("MenuSaveChart")->isEnabled());  // no chart yet
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    auto* chart = j.window->findChild<orvelt::ChartWidget*>();
    QCustomPlot* plot = chart->Plot();
    j.Click_Channel(46);
    QVERIFY(!plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    j.Click_Channel(3);
    QVERIFY(plot->yAxis->ticker().dynamicCast<QCPAxisTickerDateTime>().isNull());
    QCOMPARE(plot->yAxis->label(), QStringLiteral("V"));
    QCOMPARE(j.App().form.MSChart2.column_count, 1);
    QCOMPARE(QApplication::focusWidget(), j.Bar());  // the keys still step through the records
    QTest::keyClick(Keys(), Qt::Key_Right);
    QCOMPARE(chart->Cursor_Row(), 2);
    for (int i = 0; i < orvelt::kChannelCount; ++i) {
      auto* box = j.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i));
      if (box) QCOMPARE(box->palette().color(QPalette::Base) != QColor(Qt::white), i == 3);
    }
    QTest::keyPress(Keys(), Qt::Key_Shift);
    j.Click_Channel(8, Qt::ShiftModifier);
    QTest::keyRelease(Keys(), Qt::Key_Shift);
    QCOMPARE(j.App().form.MSChart2.column_count, 2);
    QCOMPARE(j.App().form.Frame5, std::string("Battery 1 Volt"));
    auto* magnetometer = j.window->findChild<QRadioButton*>("Option1_52");
    QTest::mousePress(magnetometer, Qt::RightButton, {}, QPoint(4, 4));
    QTest::mouseRelease(magnetometer, Qt::RightButton, {}, QPoint(4, 4));
    QCOMPARE(plot->plottableCount(), 3);
    const auto revision = j.App().form.MSChart2.data_revision;
    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, orvelt::kChartTypeBar);
    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, orvelt::kChartTypeLine);
    QCOMPARE(j.App().form.MSChart2.data_revision, revision);
    QCOMPARE(plot->plottableCount(), 3);
    QTest::keyClick(Keys(), Qt::Key_S);
    Back_To(j.window.get());

    // F1 opens the Info window.
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
    auto refused = When_Shown<QInputDialog>([](QInputDialog*) {
      QTest::keyClicks(Keys(), "abc");
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    auto told = When_Shown<QMessageBox>([](QMessageBox* box) {
      QVERIFY(box->text().contains("HH:MM"));
      QVERIFY(box->text().contains("record", Qt::CaseInsensitive));
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QTest::keyClick(Keys(), Qt::Key_G, Qt::ControlModifier);
    QVERIFY(*refused && *told && !g_stuck);
    Through<QInputDialog>(j.window.get(), Key(Qt::Key_G, Qt::ControlModifier), [](QInputDialog* d) {
      QVERIFY2(d->labelText().contains("charted channel"), qPrintable(d->labelText()));
      QTest::keyClicks(Keys(), "5");
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QCOMPARE(j.Bar()->value(), 5);

    // Export CSV writes the store and says where it wrote.
    const QString csv = j.dir.filePath("out.csv");
    j.Save_Through("Export CSV", csv);
    std::ostringstream expected;
    orvelt::Write_Csv(expected, j.Store());
    QCOMPARE(Bytes_Of(csv), expected.str());
    QVERIFY2(j.Status().contains(csv) && j.Status().contains("CSV"), qPrintable(j.Status()));

    j.Click_Channel(51);  // Save chart waits for a chart
    const QString svg = j.dir.filePath("chart.svg");
    j.Save_Through("Save chart", svg);
    QVERIFY(Bytes_Of(svg).find("<svg") != std::string::npos);

    // Files that hold no capture leave every view as it was and say why; of a selection with a
    // good file, that one is loaded and the other named.
    const int records = j.Records();
    const std::size_t frames = j.App().telemetry.frame_log.size();
    const QString shown = j.window->findChild<QLineEdit*>("Text1_3")->text();
    j.Click_Channel(3);

    // Binary noise: which texts a file without frames gets is the loading rules' test.
    const QString noise = j.dir.filePath("noise.kss");
    std::mt19937 random(7);
    QByteArray bytes(20 * 1024, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    QFile file(noise);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    // A capture without read permission; a user allowed to read everything reads it.
    const QString closed = j.Write("closed.kss", {.seconds = 2});
    QFile::setPermissions(closed, QFileDevice::WriteOwner);
    const struct {
      QString path;
      QString said;
    } wrong[] = {
        {noise, "noise.kss is not a capture file: no frame of ORVELT-1 in 20 kB"},
        {closed, "closed.kss: cannot read file: Permission denied"},
    };
    for (const auto& w : wrong) {
      if (w.path == closed && QFileInfo(closed).isReadable()) continue;
      QString message;
      auto told = When_Shown<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        QTest::keyClick(Keys(), Qt::Key_Return);
      });
      j.Open_By_Typing(w.path);
      QVERIFY2(*told && !g_stuck, qPrintable(w.path));
      QVERIFY2(message.startsWith(w.said), qPrintable(message));
      QVERIFY2(j.Status().startsWith(w.said), qPrintable(j.Status()));
      QCOMPARE(j.Records(), records);
      QCOMPARE(j.App().telemetry.frame_log.size(), frames);
      QCOMPARE(j.window->findChild<QLineEdit*>("Text1_3")->text(), shown);
      QVERIFY(!j.Status().contains("other stations"));
      j.Check_Views_Show_The_Store();
    }

    // The good capture and the noise picked together: the capture loads, the noise is named.
    const QString good = j.Write("good.kss", {.seconds = 30, .seed = 9});
    j.Open_Several_By_Typing({QFileInfo(good).fileName(), QFileInfo(noise).fileName()});
    QCOMPARE(j.Store().Count(3), 30);
    QVERIFY2(j.Status().contains("noise.kss is not a capture file"), qPrintable(j.Status()));
    QVERIFY(!j.Status().contains("other stations"));
    j.Check_Views_Show_The_Store();
  }

  // A pass received live from a TNC that goes away halfway: the panel follows the newest record
  // with every channel's latest sample until a key steps back, and End follows again; View /
  // Frames, left open, follows the frames as the status line counts them; New
  // session empties every view; loading from Recent files replaces the live store in every view;
  // the forwarding offered afterwards, once switched on in the station's settings, holds only
  // the loaded capture's frames; the outbox closes on Escape.
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
    const orvelt::tools::Bytes live_pass = orvelt::tools::Generate_Pass({.seconds = 60}).bytes();
    LoopbackTnc tnc(live_pass);
    QVERIFY(tnc.Listen());
    std::size_t halfway = live_pass.size() / 2;
    while (live_pass[halfway - 1] != orvelt::kFend || live_pass[halfway] != orvelt::kFend)
      ++halfway;
    tnc.Drop_At(halfway, 1500);
    const QString recordings = j.dir.filePath("recordings");
    Connect_To(*j.window, tnc.Port(), recordings);
    const auto newest = [&] { return orvelt::Newest_Record(j.Store(), -1); };
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
    QCOMPARE(j.Position(), QString("0/0"));
    j.Check_Views_Show_The_Store();

    Pick(*j.window, 'f', "Disconnect");
    QVERIFY(j.Status().startsWith("disconnected"));
    // Only the session that received frames left a recording; the empty one left no file.
    QCOMPARE(QDir(recordings).entryList(QDir::Files).size(), 1);

    Pick(*j.window, 'f', "Recent files", "&1");
    QCOMPARE(j.App().telemetry.frame_log.size(), loaded_frames);
    QVERIFY(j.window->findChild<QLabel*>("Label3")->toolTip().contains("loaded.kss"));
    j.Check_Views_Show_The_Store();

    // Forwarding is off: the message names the switch as the dialog captions it.
    const auto pick = [&](const char* entry) {
      return [&, entry] { Pick(*j.window, 'f', entry); };
    };
    QString told;
    Through<QMessageBox>(j.window.get(), pick("Forward loaded frames"), [&](QMessageBox* box) {
      told = box->text();
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QVERIFY2(told.contains("\"Forward received frames\""), qPrintable(told));

    // Station settings typed into their dialog (Alt+F, T), forwarding to two servers of the
    // test's own: Enter on the locator sets the position and on a server adds it, the dialog
    // staying open; the locator is kept.
    orvelt::testing::SidsTestServer server, second;
    QVERIFY(server.Listen() && second.Listen());
    j.window->Forwarding().Set_Outbox_Path((j.dir.path() + "/outbox.sqlite").toStdString());
    bool stayed_open = false;
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
      stayed_open = d->isVisible();
      Type_Into(d->findChild<QLineEdit*>("newServer"), second.Url());
      QTest::mouseClick(d->findChild<QPushButton*>("addServer"), Qt::LeftButton);
      auto* servers = d->findChild<QListWidget*>("servers");
      QVERIFY(servers->count() == 2 && servers->item(0)->text() == server.Url());
      Tick(d->findChild<QCheckBox*>("forwarding"));
      auto* ok = d->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok);
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    QVERIFY(stayed_open);
    QString locator;
    Through<QDialog>(j.window.get(), pick("Station"), [&](QDialog* d) {
      locator = d->findChild<QLineEdit*>("locator")->text();
      QTest::keyClick(Keys(), Qt::Key_Escape);
    });
    QCOMPARE(locator, QString("JN58td"));
    std::size_t offered = 0;
    Through<QMessageBox>(j.window.get(), pick("Forward loaded frames"), [&](QMessageBox* box) {
      offered = box->text().section(' ', 1, 1).toULongLong();
      QVERIFY2(box->button(QMessageBox::Yes) != nullptr, qPrintable(box->text()));
      QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    // Only the loaded capture's telemetry frames: none of the live session's.
    QVERIFY(offered > 0);
    QVERIFY(offered <= loaded_frames);
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), offered, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(second.requests().size(), offered, 30000);

    // The outbox closes on Escape.
    Pick(*j.window, 'f', "Outbox");
    QWidget* outbox = nullptr;
    QTRY_VERIFY((outbox = j.window->findChild<QWidget*>("OutboxView")) != nullptr &&
                outbox->isVisible());
    const QPointer<QWidget> outbox_alive(outbox);
    Give_Focus(outbox);
    QTRY_VERIFY(outbox->isActiveWindow());
    QTest::keyClick(Keys(), Qt::Key_Escape);
    QTRY_VERIFY(outbox_alive.isNull() || !outbox_alive->isVisible());
  }
};

QTEST_MAIN(JourneyTest)
#include "journey_test.moc"
