// The window's Qt layer driven through its real widgets on the offscreen platform: the main
// window, its loads and tools, the layout at every scale and font; the chart widget drawing the
// core's chart models and saving them as pictures, the window's bitmap and PNG; the archive
// filled by live sessions. The paths a person takes through menus and dialogs (the outbox's and
// the history window's among them) are the journeys'.

#include "qt/main_window.hpp"

#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "archive/archive_settings.hpp"
#include "charts/chart_routines.hpp"
#include "charts/selection.hpp"
#include "forward/station_settings_store.hpp"
#include "live/live_session.hpp"
#include "qcustomplot.h"
#include "qt/chart_widget.hpp"
#include "qt/key_press_tracker.hpp"
#include "qt/live_archiving.hpp"
#include "qt/load_monitor.hpp"
#include "qt/png_writer.hpp"
#include "qt/value_box_fit.hpp"
#include "qt/window_font.hpp"
#include "tools/capture_writer.hpp"
#include "window/navigation.hpp"

namespace orvelt {
namespace {

// The Qt platform with no modal dialog to wait on a person: the file dialog is cancelled, a message
// box is dropped, and start-up reads the program's files from the built program's folder.
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
};

// Pixels dark enough to be part of a glyph, its smoothed edges included: box frames and
// backgrounds are lighter.
constexpr int kInkGrey = 170;

// A control of the window shows its text whole and stays inside its frame. A push button's size
// hint holds the style's minimum width, so only its text must fit. A value box does not cut its
// value, and its glyphs are as high as the font draws them and lie wholly in the part of the box
// in sight: the boxes of a column stand one row pitch apart, over each other's frames.
void Check_Fits(QWidget* w) {
  const QString name = w->objectName();
  QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
           qPrintable(name + " reaches outside its frame"));
  auto* box = qobject_cast<QLineEdit*>(w);
  if (auto* push = qobject_cast<QPushButton*>(w)) {
    QVERIFY2(push->fontMetrics().horizontalAdvance(push->text()) < push->width(), qPrintable(name));
  } else if (box == nullptr) {
    QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->sizeHint().height(),
             qPrintable(name + " is too small"));
  } else if (!box->text().isEmpty()) {
    QVERIFY2(QFontMetrics(box->font()).horizontalAdvance(box->text()) <= Box_Text_Width(*box),
             qPrintable(name + " cuts its value " + box->text()));
    QPalette plain = box->palette();  // dark glyphs on white, whatever the value's colours
    plain.setColor(QPalette::Base, Qt::white);
    plain.setColor(QPalette::Text, Qt::black);
    box->setPalette(plain);
    const QImage alone = box->grab().toImage();
    const QImage seen = box->parentWidget()->grab(box->geometry()).toImage();
    int top = alone.height(), bottom = -1;
    for (int y = 2; y < alone.height() - 2; ++y) {
      for (int x = 2; x < alone.width() - 2; ++x) {
        if (qGray(alone.pixel(x, y)) >= kInkGrey) continue;
        top = std::min(top, y), bottom = std::max(bottom, y);
        QVERIFY2(seen.pixel(x, y) == alone.pixel(x, y),
                 qPrintable(name + QStringLiteral(": its text is hidden at row %1").arg(y)));
      }
    }
    const int high = QFontMetrics(box->font()).tightBoundingRect(box->text()).height();
    QVERIFY2(
        bottom - top + 1 >= high - 1,
        qPrintable(name +
                   QStringLiteral(": text %1 px high, drawn %2").arg(high).arg(bottom - top + 1)));
  }
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

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
  }

  void init() { QLocale::setDefault(QLocale::c()); }

  // A file name that is no valid UTF-8 loads like any other. Limits from the station's settings
  // mark the boxes outside them from the start; the selected box keeps its highlight and shows its
  // value in warning text; changed limits show at once. A drag of the thumb shows nothing until it
  // is released, then the record under it, never one past the data. (Keys on the bar are a journey;
  // that every box shows the model's text is the widest values' test.) The files of a drop form one
  // selection: the second's samples follow the first's; the open dialog starts in their folder.
  void loadingLimitsDraggingAndDropping() {
    QSettings station(QStringLiteral("orvelt"), QString::fromLatin1(kStationSettingsApplication));
    LimitTable limits{};
    limits[3].upper = -1000;  // every battery voltage lies above it
    Save_Limits(station, limits);
    station.sync();
    QTemporaryDir dir;
    const std::string odd = dir.path().toStdString() + "/pass\xE9\xFF.kss";
    std::filesystem::copy_file(kSample, odd);
    Scripted s;
    Save_Limits(station, {});  // no test after this one inherits them
    s.window->Load_Files({odd});
    std::filesystem::remove(odd);  // a name QTemporaryDir cannot spell, so cannot remove
    s.Show();
    QCOMPARE(s.Find<QListWidget>("List1")->count(), int(s.App().telemetry.messages.size()));
    const QColor warning(255, 200, 200), warning_text(180, 0, 0), highlight(255, 255, 192);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), warning);
    QCOMPARE(s.Box(8)->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::mouseClick(s.Find<QRadioButton>("Option1_3"), Qt::LeftButton);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), warning_text);
    s.window->Set_Limits({});
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Box(3)->palette().color(QPalette::Text), QColor(Qt::black));

    QScrollBar* bar = s.Find<QScrollBar>("HScroll1");
    const QPoint thumb(bar->height() + 4, bar->height() / 2);  // at the first record, by the arrow
    const QString shown = s.Box(3)->text();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(12, 0));
    QCOMPARE(s.App().form.HScroll1, 1);
    QCOMPARE(s.Box(3)->text(), shown);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(12, 0));
    const int record = bar->value();
    QVERIFY(record > 1 && record < Last_Record(s.App().telemetry.store));
    QCOMPARE(s.Box(3)->text(), QString::number(s.App().telemetry.store.Value(3, record), 'f', 2));

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
    QCOMPARE(QSettings().value(kLastFolderSetting).toString(), QStringLiteral(ORVELT_SAMPLE_DIR));
  }

  // The tooltip of a box gives the whole value, its unit and its time label. The boxes and the time
  // of day follow the user's locale; times never carry a zone. (That no value is cut is the widest
  // values' test; that a slot without a sample shows an empty box, the record display's.)
  void valueBoxesFollowTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Scripted s;
    auto& store = s.App().telemetry.store;
    store.Append_Sample(10, 18304.37, "2026-11-28 09:14:02");
    store.Append_Sample(10, 1, "2026-11-28 09:14:03");
    QVERIFY(s.window->Go_To("2").ok());
    QVERIFY(s.window->Go_To("1").ok());
    for (const char* part : {"18304,37", "mA", "09:14:02"})
      QVERIFY2(s.Box(10)->toolTip().contains(part), qPrintable(s.Box(10)->toolTip()));
    QVERIFY(s.window->Go_To("2").ok());
    QCOMPARE(s.Box(10)->text(), QStringLiteral("1,00"));
    QCOMPARE(s.Box(10)->font(), s.Box(3)->font());  // a value that fits keeps the design font
    QCOMPARE(s.window->Qt_Platform().Format_Long_Time({1970, 1, 1, 13, 5, 9}),
             std::string("13:05:09"));
  }

  // The status line keeps the load's summary whole and shortens the path in its middle; the
  // tooltip has the whole path. An open load report follows the next load. A long load shows its
  // progress centred on the window whose load it is (Escape on it is a journey); closing the
  // window ends the load at its next chunk.
  void statusLineProgressAndClosing() {
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

    s.App().load_options.chunk_bytes = 512;  // a load of a few samples outlasts the delay
    s.App().load_options.observers.push_back([](const FrameEvent&) { QThread::usleep(300); });
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

  // At every screen scale (logical dpi 96 here, 120, 144 and 192 from the build), in every
  // family the window asks for that Debian offers and in the window's own choice (the default of
  // a machine that has none of them), the widest texts the decoder can put into each box
  // (ten-digit counters, five digits with sign and decimals, the longest switch states) show
  // whole and in a font read at a glance, and no control on any tab is clipped.
  void layoutHoldsTheWidestValues_data() {
    QTest::addColumn<QString>("family");
    for (const char* family : {"DejaVu Sans", "Liberation Sans", "Nimbus Sans", ""})
      QTest::newRow(*family ? family : "preferred") << QString::fromLatin1(family);
  }

  void layoutHoldsTheWidestValues() {
    QFETCH(QString, family);
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family)) {
      // The build's dependencies install every one of them; CI must see every case.
      const QString why = family + QStringLiteral(" is not installed (scripts/install-deps.sh)");
      if (qEnvironmentVariableIsSet("CI")) QFAIL(qPrintable(why));
      QSKIP(qPrintable(why));
    }
    tools::CaptureBuilder capture;
    capture.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:00"));
    for (std::uint8_t type = 0xE0; type <= 0xE4; ++type)
      capture.Add(tools::Counter_Frame(type, 0x7FFFFFFF));
    for (const std::uint8_t selector : tools::kBatterySelectors)
      capture.Add(tools::Raw_Word_Record(0x2C, selector, 32767));
    for (const std::uint8_t selector : tools::kSolarSelectors)
      capture.Add(tools::Raw_Word_Record(0x2D, selector, 32767));
    for (const std::uint8_t selector : tools::kSwitchSelectors)
      capture.Add(tools::Switchboard_Record(selector, 5, 0x7FFF, 0x7FFF));
    capture.Add(tools::Magnetometer_XY_Record(INT32_MIN, INT32_MIN));
    capture.Add(tools::Magnetometer_Z_Record(INT32_MIN));
    QTemporaryDir dir;
    const std::string file = (dir.path() + "/widest.kss").toStdString();
    QVERIFY(capture.Write_File(file));

    Scripted s(family.isEmpty() ? QStringList() : QStringList{family});
    s.Show();
    // A family that two foundries make is named with its foundry: "Nimbus Sans [urw]".
    const QFontInfo used(s.Find<QWidget>("ClientArea")->font());
    if (!family.isEmpty()) QCOMPARE(used.family().section(QStringLiteral(" ["), 0, 0), family);
    s.window->Load_Files({file});
    // Readable: at least the smallest size a box may take, which is no less than 84% of the
    // design's, and never smaller in pixels than that size at the screen's scale.
    QVERIFY(kSmallestBoxPointSize >= 0.84 * kWindowPointSize);
    const double scale = s.window->logicalDpiY() / 96.0;
    int checked = 0;
    for (int index = 1; index < kControlIndexCount; ++index) {
      QLineEdit* box = s.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(index));
      if (box == nullptr || index == 7) continue;  // 0 and 7 lie outside the window
      const QString name = box->objectName() + QStringLiteral(" ") + box->text();
      QVERIFY2(box->text() == QString::fromStdString(s.App().form.Text1[index].text),
               qPrintable(name + QStringLiteral(" is cut")));
      QVERIFY2(box->font().pointSizeF() >= kSmallestBoxPointSize,
               qPrintable(name + QStringLiteral(" in %1 pt").arg(box->font().pointSizeF())));
      QVERIFY2(
          QFontInfo(box->font()).pixelSize() >= std::floor(kSmallestBoxPointSize * scale * 4 / 3),
          qPrintable(name + QStringLiteral(" %1 px high").arg(QFontInfo(box->font()).pixelSize())));
      ++checked;
    }
    QCOMPARE(checked, 40);
    QCOMPARE(s.App().form.Text1[47].text + s.App().form.Text1[58].text,
             std::string("2147483647SWITCH IS ON BUT IS IN OVERCURRENT CONDITION"));
    auto* tabs = s.Find<QTabWidget>("SSTab1");
    for (int tab = 0; tab < tabs->count() && !QTest::currentTestFailed(); ++tab) {
      tabs->setCurrentIndex(tab);
      for (QWidget* w : s.window->findChildren<QWidget*>()) {
        const bool label = qobject_cast<QLabel*>(w) != nullptr && !w->objectName().isEmpty() &&
                           w->objectName() != QLatin1String("Label3");
        if (w->isVisible() && (label || qobject_cast<QAbstractButton*>(w) != nullptr ||
                               qobject_cast<QLineEdit*>(w) != nullptr)) {
          Check_Fits(w);
        }
      }
    }
  }

  // The chart draws what its model holds: every sample of each series, as lines or as bars side
  // by side, bars narrower than a pixel as see-through step outlines so that no series hides
  // another; a series with fewer samples breaks its line or ends its bars there. Every row (or
  // every q-th) has a tick, labelled with the row's time as often as the labels fit without
  // overlapping. The chart saves as PNG and PDF through its own savers and as SVG through Qt SVG,
  // keeping the window's layout, and refuses other names.
  void drawsTheModelAndSavesIt() {
    const struct {
      int rows;
      bool bars;
      int q;  // 0: the chart chooses
    } cases[] = {{40, false, 0}, {100, true, 2}, {5000, true, 125}};
    constexpr int kShortBy = 10;  // the Z axis of the magnetometer lacks the others' last samples
    std::unique_ptr<ChartWidget> widget;
    for (const auto& [rows, bars, q] : cases) {
      // The magnetometer axes with `rows` samples each (Z kShortBy fewer); axis s holds
      // s * 100 + i - 50 at sample i, so values change sign.
      AppState app;
      for (int i = 1; i <= rows; ++i) {
        char label[32];
        std::snprintf(label, sizeof label, "2026-11-28 %02d:%02d:%02d", i / 3600 % 24, i / 60 % 60,
                      i % 60);
        for (int s = 0; s < (i > rows - kShortBy ? 2 : 3); ++s)
          app.telemetry.store.Append_Sample(51 + s, s * 100.0 + i - 50, label);
      }
      Draw_Mag_Chart(app, 52);
      app.form.Check1 = bars ? 1 : 0;
      Check1_Click(app);
      // A chart of its size in the window (9135 x 4335 twips), after a layout pass.
      widget = std::make_unique<ChartWidget>();
      widget->resize(609, 289);
      widget->show();
      widget->Render(app.form.MSChart2);
      QCustomPlot* plot = widget->Plot();
      plot->replot();
      QCoreApplication::processEvents();
      const bool outline = rows > 100;
      QCOMPARE(widget->Bars_As_Outline(), outline);
      QCOMPARE(plot->plottableCount(), 3);
      QCOMPARE(plot->graphCount(), bars && !outline ? 0 : 3);
      for (int s = 0; s < 3; ++s) {
        const QCPPlottableInterface1D* data = plot->plottable(s)->interface1D();
        QCOMPARE(plot->plottable(s)->name(), QStringLiteral("Magn %1- Axis").arg(QChar('X' + s)));
        QCOMPARE(data->dataCount(), s == 2 && bars && !outline ? rows - kShortBy : rows);
        QCOMPARE(data->dataMainKey(9), 10.0);
        QCOMPARE(data->dataMainValue(9), s * 100.0 + 10 - 50);
        for (int k = rows - kShortBy; s == 2 && k < data->dataCount(); ++k) {
          QVERIFY(std::isnan(data->dataMainValue(k)));
        }
        if (bars && !outline)
          QCOMPARE(qobject_cast<QCPBars*>(plot->plottable(s))->barsGroup()->size(), 3);
        if (outline) QCOMPARE(plot->graph(s)->lineStyle(), QCPGraph::lsStepCenter);
        if (outline) QVERIFY(plot->graph(s)->brush().color().alpha() < 255);
      }
      QCOMPARE(plot->xAxis->range().lower, 0.5);
      QCOMPARE(plot->xAxis->range().upper, rows + 0.5);
      QVERIFY(plot->yAxis->range().contains(-49) && plot->yAxis->range().contains(180));

      const QMap<double, QString> ticks =
          dynamic_cast<QCPAxisTickerText*>(plot->xAxis->ticker().data())->ticks();
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
        const int label = QFontMetrics(plot->xAxis->tickLabelFont()).horizontalAdvance("00:00:00");
        const double px_per_row = plot->axisRect()->width() / plot->xAxis->range().size();
        QVERIFY(step * px_per_row >= label);
        QVERIFY((step - 1) * px_per_row < label + 8);
      }
    }

    QTemporaryDir dir;
    for (const auto& [name, magic] :
         {std::pair{"chart.png", "\x89PNG"}, {"chart.svg", "<?xml"}, {"chart.pdf", "%PDF"}}) {
      const QString path = dir.filePath(name);
      QCOMPARE(QString::fromStdString(widget->Save(path).why()), QString());
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      QVERIFY2(bytes.startsWith(magic), name);
      if (bytes.startsWith("<?xml")) QVERIFY(bytes.contains("Magn Z- Axis"));
    }
    QCOMPARE(widget->Plot()->plotLayout()->rowCount(), 2);
    QVERIFY(!widget->Save(dir.filePath("chart.bmp")).ok());
    QVERIFY(!widget->Save(dir.filePath("missing/chart.png")).ok());

    // The window's bitmap of a widget has its size (an odd width needs padded rows, a width of
    // whole words none); its PNG is indexed, transparent exactly where the bitmap had the colour
    // asked for, and keeps the other colours near their own.
    for (const int width : {609, 640}) {
      widget->resize(width, 289);
      const std::filesystem::path bmp = dir.filePath("shot.bmp").toStdString(),
                                  png = dir.filePath("shot.png").toStdString();
      QCOMPARE(QString::fromStdString(Save_Widget_Bitmap(*widget, bmp).why()), QString());
      QImage bitmap, indexed;
      QVERIFY(bitmap.load(dir.filePath("shot.bmp"), "BMP"));
      QCOMPARE(bitmap.size(), widget->size() * widget->devicePixelRatio());
      const QRgb key = bitmap.pixel(0, 0);
      QCOMPARE(QString::fromStdString(
                   Write_Png_From_Bitmap(bmp, png, qRed(key), qGreen(key), qBlue(key)).why()),
               QString());
      QVERIFY(indexed.load(dir.filePath("shot.png"), "PNG"));
      QCOMPARE(indexed.format(), QImage::Format_Indexed8);
      int wrong = 0;
      for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
          const QRgb was = bitmap.pixel(x, y), is = indexed.pixel(x, y);
          const int off = std::abs(qRed(was) - qRed(is)) + std::abs(qGreen(was) - qGreen(is)) +
                          std::abs(qBlue(was) - qBlue(is));
          wrong += (qAlpha(is) == 0) != (was == key) || (qAlpha(is) != 0 && off > 48);
        }
      }
      QCOMPARE(wrong, 0);
    }
  }

  // Live frames reach the archive stamped with their arrival second, only while switched on.
  void liveSessionsGoIntoTheArchive() {
    constexpr UtcSeconds kFirst = 1795857240;  // 2026-11-28 09:14:00
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
