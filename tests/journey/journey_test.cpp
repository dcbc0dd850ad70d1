// The window in a person's hands: every path a user takes goes through the real dialogs, menus,
// keys and clicks, delivered through QApplication as the window system would deliver them, on
// a virtual X server. Nothing here calls a handler directly.

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <random>
#include <sstream>

#include "archive/archive_settings.hpp"
#include "export/csv_export.hpp"
#include "forward/sids_test_server.hpp"
#include "ingest/kiss.hpp"
#include "journey/journey_steps.hpp"
#include "live/follow.hpp"
#include "live/loopback_tnc.hpp"
#include "qcustomplot.h"
#include "qt/capture_archiving.hpp"
#include "qt/fetch_dialog.hpp"
#include "qt/forwarding_controller.hpp"
#include "qt/live_controller.hpp"
#include "tools/capture_writer.hpp"
#include "window/navigation.hpp"

namespace {

using orvelt::MainWindow;
using namespace orvelt::journey;

// Fills the Fetch dialog's server, NORAD ID and token as a person types them, clicks Fetch and
// returns the button.
QPushButton* Type_And_Fetch(QDialog* dialog, const QString& server) {
  Type_Into(Field(dialog, "&Server:"), server);
  Type_Into(Field(dialog, "&NORAD ID:"), "99999");
  Type_Into(Field(dialog, "&Token:"), "journey-token");
  QPushButton* start = Button(dialog, "&Fetch");
  if (start != nullptr) QTest::mouseClick(start, Qt::LeftButton);
  return start;
}

// File / Fetch from SatNOGS DB..., as a way to open its dialog.
std::function<void()> Fetch_Entry(MainWindow& window) {
  return [&window] { Pick(window, 'f', "Fetch from SatNOGS"); };
}

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

  // Several files picked by clicking in the dialog load as one selection; Escape cancels.
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
  }

  // A click charts a channel, Shift with a click its group; "B" and "S" work as keys.
  void channelClicksAndKeys() {
    Journey j;
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    j.Click_Channel(3);
    QCOMPARE(j.App().form.MSChart2.column_count, 1);
    QCOMPARE(QApplication::focusWidget(), j.Bar());  // the keys still step through the records
    QTest::keyPress(Keys(), Qt::Key_Shift);
    j.Click_Channel(8, Qt::ShiftModifier);
    QTest::keyRelease(Keys(), Qt::Key_Shift);
    QCOMPARE(j.App().form.MSChart2.column_count, 2);
    QCOMPARE(j.App().form.Frame5, std::string("Battery 1 Volt"));

    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, orvelt::kChartTypeBar);
    QTest::keyClick(Keys(), Qt::Key_B);
    QCOMPARE(j.App().form.MSChart2.chart_type, orvelt::kChartTypeLine);
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
  }

  // Go to takes a record number; a text it cannot read is answered with both accepted forms.
  // Export CSV and Save chart write through their own dialogs; View / Frames lists the frames.
  void goToExportSaveAndFrames() {
    Journey j;
    QVERIFY(!j.window->findChild<QAction*>("MenuSaveChart")->isEnabled());
    // Loaded captures go into the archive from the moment File / Archive says so, and not while
    // it says "Live sessions", as for a new station; the same capture again adds nothing.
    const orvelt::CaptureArchiving& archiving = j.window->Capture_Archiving();
    QVERIFY(j.window->findChild<QAction*>("MenuArchiveLive")->isChecked());
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    QVERIFY(!archiving.Busy() && archiving.Counts().added == 0);
    Pick(*j.window, 'f', "Archive", "Live sessions and loaded captures");
    QSettings settings(QStringLiteral("orvelt"), QStringLiteral("orvelt-decoder"));
    QCOMPARE(orvelt::Load_Archive_Mode(settings), orvelt::ArchiveMode::LiveAndCaptures);
    for (int round = 0; round < 2; ++round) {
      j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
      QTRY_VERIFY(!archiving.Busy());
    }
    QVERIFY(archiving.Counts().added > 0);
    QCOMPARE(archiving.Counts().already, archiving.Counts().added);
    Pick(*j.window, 'f', "Archive", "Live sessions");
    QVERIFY(j.window->findChild<QAction*>("MenuArchiveLive")->isChecked());
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
    Through<QInputDialog>(j.window.get(), Key(Qt::Key_G, Qt::ControlModifier), [](QInputDialog*) {
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

    Pick(*j.window, 'v', "Frames");
    auto* table = j.window->findChild<QTableView*>("FrameTable");
    QVERIFY(table != nullptr);
    QTRY_VERIFY(table->isVisible());
    QCOMPARE(static_cast<std::size_t>(table->model()->rowCount()),
             j.App().telemetry.frame_log.size());
  }

  // After a good capture, files that hold none leave every view as it was and say why; of a
  // selection with a good file, that one is loaded and the other named.
  void wrongFilesKeepTheWindow() {
    Journey j;
    j.Open_By_Typing(ORVELT_SAMPLE_DIR "/pass.kss");
    const int records = j.Records();
    const std::size_t frames = j.App().telemetry.frame_log.size();
    const QString shown = j.window->findChild<QLineEdit*>("Text1_3")->text();
    j.Click_Channel(3);

    const QString empty = j.dir.filePath("empty.kss"), text = j.dir.filePath("README.md"),
                  noise = j.dir.filePath("noise.kss");
    std::mt19937 random(7);
    QByteArray bytes(20 * 1024, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    for (const auto& [path, content] :
         {std::pair{empty, QByteArray()},
          {text, QByteArray("# A capture decoder\nLoad a capture with Ctrl+O.\n").repeated(40)},
          {noise, bytes}}) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    // A capture without read permission; a user allowed to read everything reads it.
    const QString closed = j.Write("closed.kss", {.seconds = 2});
    QFile::setPermissions(closed, QFileDevice::WriteOwner);
    const struct {
      QString path;
      QString said;
    } wrong[] = {
        {empty, "empty.kss is not a capture file: the file is empty"},
        {text, "README.md is not a capture file: no frame of ORVELT-1 in 2 kB"},
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

  // The small things of the dialogs, each with its keys: the station's Enter keys and locator,
  // the switch named by its caption, Escape on the outbox and on a load's progress, the File
  // menu's mnemonics, Go to over midnight, and how the status line names a selection.
  void dialogsTakeTheirKeys() {
    Journey j;
    orvelt::testing::SidsTestServer server;
    QVERIFY(server.Listen());
    j.window->Forwarding().Set_Outbox_Path((j.dir.path() + "/outbox.sqlite").toStdString());
    // Alt+F, then a menu entry's mnemonic.
    const auto mnemonic = [](Qt::Key key) {
      return [key] {
        QTest::keyClick(Keys(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), key);
      };
    };
    bool stayed_open = false;
    Through<QDialog>(j.window.get(), mnemonic(Qt::Key_T), [&](QDialog* d) {
      Type_Into(d->findChild<QLineEdit*>("callsign"), "DL1ABC");
      Type_Into(d->findChild<QLineEdit*>("locator"), "JN58td");
      QTest::keyClick(Keys(), Qt::Key_Return);  // sets the position, the dialog stays
      Type_Into(d->findChild<QLineEdit*>("newServer"), server.Url());
      QTest::keyClick(Keys(), Qt::Key_Return);  // adds the address, the dialog stays
      stayed_open = d->isVisible();
      auto* servers = d->findChild<QListWidget*>("servers");
      QVERIFY(servers->count() == 1 && servers->item(0)->text() == server.Url());
      QVERIFY(d->findChild<QLineEdit*>("latitude")->text().startsWith("48.14"));
      auto* ok = d->findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Ok);
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    QVERIFY(stayed_open);
    QString locator, told;
    const auto pick = [&](const char* entry) {
      return [&, entry] { Pick(*j.window, 'f', entry); };
    };
    Through<QDialog>(j.window.get(), pick("Station"), [&](QDialog* d) {
      locator = d->findChild<QLineEdit*>("locator")->text();
      QTest::keyClick(Keys(), Qt::Key_Escape);
    });
    QCOMPARE(locator, QString("JN58td"));
    // Forwarding is off: the message names the switch as the dialog captions it.
    Through<QMessageBox>(j.window.get(), pick("Forward loaded frames"), [&](QMessageBox* box) {
      told = box->text();
      QTest::keyClick(Keys(), Qt::Key_Return);
    });
    QVERIFY2(told.contains("\"Forward received frames\""), qPrintable(told));

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

    // Alt+F, N opens Connect (cancelled with Escape).
    Through<QDialog>(j.window.get(), mnemonic(Qt::Key_N), [](QDialog* d) {
      QCOMPARE(d->objectName(), QString("ConnectDialog"));
      QTest::keyClick(Keys(), Qt::Key_Escape);
    });

    // A pass over midnight, as one selection with a second file: the status line names both.
    orvelt::tools::PassOptions late{.start = 1795910340, .seconds = 120, .seed = 6};  // 23:59
    const QString first = j.Write("late.kss", late);
    const QString second = j.Write("later.kss", {.start = 1795910500, .seconds = 10, .seed = 7});
    j.Open_Several_By_Typing({QFileInfo(first).fileName(), QFileInfo(second).fileName()});
    QVERIFY2(j.Status().startsWith("2 files: ") && j.Status().contains("late.kss") &&
                 j.Status().contains("later.kss"),
             qPrintable(j.Status()));
    QString rule;
    Through<QInputDialog>(j.window.get(), Key(Qt::Key_G, Qt::ControlModifier),
                          [&](QInputDialog* d) {
                            rule = d->labelText();
                            QTest::keyClicks(Keys(), "00:00:30");
                            QTest::keyClick(Keys(), Qt::Key_Return);
                          });
    QVERIFY2(rule.contains("Battery 0 Volt") && rule.contains("charted channel"), qPrintable(rule));
    QCOMPARE(j.Store().Label(3, j.Bar()->value()), std::string_view("2026-11-29 00:00:30"));

    // Escape on a slow load's progress cancels it as Cancel does;
    // the report says what was read in part, not "0 files read", the record bar reaches over
    // what was read, and a click made meanwhile is dropped, not replayed after the load.
    j.App().load_options.chunk_bytes = 256;
    j.App().load_options.on_frame = [](const orvelt::FrameEvent&) { QTest::qSleep(2); };
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
    j.App().load_options.on_frame = nullptr;
    j.App().load_options.chunk_bytes = std::size_t{1} << 20;
  }

  // The archive: three passes archived and the frames of a fourth fetched from a SatNOGS-like
  // server of the test's own through "File / Fetch from SatNOGS DB..."; "View / History...", the
  // magnetometer picked from the channel list with the mouse and its group chart switched on and
  // off; the fetched pass loaded into the main window by a double click.
  void fetchChartAGroupAndLoadAPass();
  // A fetch that is to resume where the last one ended, on an archive that cannot say where
  // that was: the dialog says why and asks the server for nothing, where it once fetched from
  // the beginning of time.
  void fetchThatCannotResumeAsksForNothing();

  // A pass received live from a TNC that goes away halfway: the panel follows the newest record
  // with every channel's latest sample until a key steps back, and End follows again; View /
  // Frames, left open, follows the frames as the status line counts them; New
  // session empties every view; loading from Recent files replaces the live store in every view;
  // the forwarding offered afterwards holds only the loaded capture's frames.
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

    // Station settings typed into their dialog, forwarding to a server of the test's own.
    orvelt::testing::SidsTestServer server;
    QVERIFY(server.Listen());
    j.window->Forwarding().Set_Outbox_Path((j.dir.path() + "/outbox.sqlite").toStdString());
    const auto pick = [&](const char* entry) {
      return [&, entry] { Pick(*j.window, 'f', entry); };
    };
    Through<QDialog>(j.window.get(), pick("Station"), [&](QDialog* d) {
      Type_Into(d->findChild<QLineEdit*>("callsign"), "DL1ABC");
      Type_Into(d->findChild<QLineEdit*>("latitude"), "47.1");
      Type_Into(d->findChild<QLineEdit*>("longitude"), "12.345");
      Type_Into(d->findChild<QLineEdit*>("norad"), "99999");
      Type_Into(d->findChild<QLineEdit*>("newServer"), server.Url());
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
    QVERIFY(offered > 0);
    QVERIFY(offered <= loaded_frames);
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), offered, 30000);

    Pick(*j.window, 'f', "Outbox");
    QTRY_VERIFY(j.window->findChild<QWidget*>("OutboxView") != nullptr);
  }
};

void JourneyTest::fetchChartAGroupAndLoadAPass() {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  Journey j;
  // Three passes half a day apart, from the day after the fetched frames on.
  std::vector<std::string> files;
  for (int k = 0; k < 3; ++k) {
    orvelt::tools::PassOptions pass{.seconds = 60, .seed = static_cast<std::uint32_t>(k + 1)};
    pass.start += 86400 + k * 43200;
    files.push_back(j.Write(QStringLiteral("pass%1.kss").arg(k), pass).toStdString());
  }
  Archive_Elsewhere(files);
  orvelt::testing::SidsTestServer server;
  QVERIFY(server.Listen());
  QByteArray page = "[";
  for (int k = 0; k < 30; ++k) {
    char frame[64];
    std::snprintf(frame, sizeof frame, "C0800000022C0300%02X00", 0x10 + k);
    page += QByteArray(k ? "," : "") + "{\"frame\": \"" + frame +
            "\", \"timestamp\": \"2026-11-28T09:14:" + QByteArray::number(10 + k) +
            "Z\", \"observer\": \"DL0ABC-JO62\"}";
  }
  server.Queue(orvelt::testing::SidsTestServer::Answer::Status(200, page + "]"));

  Through<QDialog>(j.window.get(), Fetch_Entry(*j.window), [&](QDialog* d) {
    QPushButton* start = Type_And_Fetch(d, server.Origin());
    QVERIFY(start != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 8000);
    QTest::keyClick(Keys(), Qt::Key_Escape);
  });
  QCOMPARE(server.requests().size(), std::size_t{1});
  QCOMPARE(server.requests()[0].authorization, QByteArray("Token journey-token"));

  orvelt::HistoryWindow* history = nullptr;

  Open_History(*j.window, 4, history);
  auto* channels = history->findChild<QComboBox*>();
  auto* group = history->findChild<QCheckBox*>();
  QVERIFY(channels != nullptr && group != nullptr);

  // The list opens under the mouse and the magnetometer's Y axis is clicked in it.
  QTest::mouseClick(channels, Qt::LeftButton);
  QAbstractItemView* list = channels->view();
  QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), 5000);
  const QModelIndex y_axis = channels->model()->index(channels->findData(52), 0);
  list->scrollTo(y_axis);
  // A list that has just opened takes no click for a double-click interval, as for a person.
  QTest::qWait(QApplication::doubleClickInterval() + 100);
  const QPoint item = list->visualRect(y_axis).center();
  QTest::mouseMove(list->viewport(), item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item);
  QTRY_COMPARE_WITH_TIMEOUT(channels->currentData().toInt(), 52, 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!list->isVisible(), 5000);
  QCOMPARE(history->Plot()->graphCount(), 1);

  // Ticked, the three axes in a legend, each over the archive's passes; unticked again, the
  // chosen channel alone.
  QVERIFY(group->isEnabled());
  QTest::mouseClick(group, Qt::LeftButton);
  QCustomPlot* plot = history->Plot();
  QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 3, 5000);
  const QStringList axes = {"Magn X- Axis", "Magn Y- Axis", "Magn Z- Axis"};
  for (int k = 0; k < 3; ++k) {
    QCOMPARE(plot->graph(k)->name(), axes[k]);
    QVERIFY(plot->graph(k)->dataCount() > 0);
  }
  QVERIFY(plot->legend->visible());
  QTest::mouseClick(group, Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(plot->graphCount(), 1, 5000);
  QCOMPARE(plot->graph(0)->name(), axes[1]);

  // A double click on the fetched pass, the first, as the window system delivers it: a click,
  // then the second press.
  QTableWidget* passes = history->Pass_List();
  const QRect row = passes->visualItemRect(passes->item(0, 0));
  QTest::mouseClick(passes->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(passes->viewport(), Qt::LeftButton, {}, row.center());
  QTRY_COMPARE_WITH_TIMEOUT(j.Store().Count(3), 30, 5000);
  QCOMPARE(j.Store().Label(3, 1), std::string_view("2026-11-28 09:14:10"));
  history->close();
  Back_To(j.window.get());
  j.Check_Views_Show_The_Store();
  qunsetenv("XDG_DATA_HOME");
}

void JourneyTest::fetchThatCannotResumeAsksForNothing() {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  Journey j;
  const std::string archive_file = orvelt::Default_Archive_Path().string();
  QVERIFY(orvelt::Archive::Open(archive_file).ok());
  sqlite3* db = nullptr;
  QCOMPARE(sqlite3_open(archive_file.c_str(), &db), SQLITE_OK);
  QCOMPARE(sqlite3_exec(db, "DROP TABLE fetches", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  orvelt::testing::SidsTestServer server;
  QVERIFY(server.Listen());
  Through<orvelt::FetchDialog>(j.window.get(), Fetch_Entry(*j.window), [&](orvelt::FetchDialog* d) {
    QPushButton* start = Type_And_Fetch(d, server.Origin());
    QVERIFY(start != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(d->Outcome_Label()->text().contains("reading the last fetch failed"),
                             5000);
    QVERIFY(start->isEnabled());
    QTest::keyClick(Keys(), Qt::Key_Escape);
  });
  QVERIFY(server.requests().empty());
  qunsetenv("XDG_DATA_HOME");
}

QTEST_MAIN(JourneyTest)
#include "journey_test.moc"
