#include "qt/main_window.hpp"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/channel_table.hpp"

using orvelt::MainWindow;

namespace {

const std::string kSample = ORVELT_SAMPLE_DIR "/pass.kss";

// A started window whose dialogs are scripted: every showing of the file dialog takes the next
// outcome (nothing = cancel), every message box is recorded.
struct Scripted {
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
  std::deque<std::optional<std::string>> dialog_outcomes;
  int dialogs_shown = 0;
  std::vector<std::string> messages;

  Scripted() {
    auto& platform = window->Qt_Platform();
    platform.Set_Program_Directory(ORVELT_APP_DIR);
    platform.Set_Open_Dialog_Hook([this](const orvelt::OpenDialogSettings&) {
      ++dialogs_shown;
      if (dialog_outcomes.empty()) return std::optional<std::string>();
      const auto outcome = dialog_outcomes.front();
      dialog_outcomes.pop_front();
      return outcome;
    });
    platform.Set_Message_Box_Hook([this](const std::string& text) { messages.push_back(text); });
    if (const auto error = window->Start_Up())
      qFatal("start-up failed: %s", error->message().c_str());
  }

  template <typename T>
  T* Find(const QString& name) const {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QLineEdit* Box(int i) const { return Find<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
  QScrollBar* Scroll() const { return Find<QScrollBar>("HScroll1"); }
  double Value(int channel, int slot) const {
    return window->App().telemetry.store.Value(channel, slot);
  }
  void Open_Via_Menu() { Find<QAction>("MenuFileOpen")->trigger(); }

  // Texts of every value and status box, in index order.
  QStringList Box_Texts() const {
    QStringList texts;
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        texts << box->text();
      }
    }
    return texts;
  }
};

// The record display's "0.00" form in the C locale.
QString Two_Decimals(double v) {
  return QString::number(v, 'f', 2);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  void captionTabsAndMenu() {
    Scripted s;
    QCOMPARE(s.window->windowTitle(), QStringLiteral("ORVELT-1 Telemetry Decoder (KAVRO)"));
    auto* tab = s.Find<QTabWidget>("SSTab1");
    QCOMPARE(tab->count(), 2);
    QCOMPARE(tab->tabText(0), QStringLiteral("Telemetry"));
    QCOMPARE(tab->tabText(1), QStringLiteral("Safe Mode Telemetry"));
    QVERIFY(tab->widget(0)->isAncestorOf(s.Find<QGroupBox>("Frame6")));
    QVERIFY(tab->widget(1)->isAncestorOf(s.Find<QListWidget>("List1")));
    QCOMPARE(s.Find<QAction>("MenuFileOpen")->text(), QStringLiteral("Open Kissfile"));
  }

  // Controls stand at their design places; growth of the window goes to the chart, the controls
  // below it move down with the bottom edge, and the tabs above keep their place.
  void enlargingGivesTheRoomToTheChart() {
    Scripted s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    auto geometry = [&](const char* name) { return s.Find<QWidget>(name)->geometry(); };
    const double k = QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0 / 15.0;
    const std::pair<const char*, QRect> design[] = {{"Frame5", {120, 4560, 9375, 4695}},
                                                    {"HScroll1", {8400, 9360, 1095, 375}},
                                                    {"Text1_65", {6240, 2040, 2655, 285}}};
    for (const auto& [name, t] : design) {
      QCOMPARE(geometry(name), QRect(qRound(t.x() * k), qRound(t.y() * k), qRound(t.width() * k),
                                     qRound(t.height() * k)));
    }
    const QRect tab = geometry("SSTab1"), chart = geometry("MSChart2"), check = geometry("Check1"),
                scroll = geometry("HScroll1");

    s.window->resize(s.window->size() + QSize(200, 120));
    QTRY_COMPARE(geometry("MSChart2").size(), chart.size() + QSize(200, 120));
    QCOMPARE(geometry("Check1"), check.translated(200, 120));
    QCOMPARE(geometry("HScroll1"), scroll.translated(0, 120));
    QCOMPARE(geometry("SSTab1"), tab);
  }

  // Loading shows record one as the model holds it; stepping shows the next record; positions
  // beyond the stored ones leave the display alone.
  void loadingAndScrollingFillTheBoxes() {
    Scripted s;
    s.window->Load_Files({kSample});
    QVERIFY(s.window->App().telemetry.store.Count(3) > 10);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)));
    QVERIFY(s.Find<QLabel>("Label3")->text().contains("pass.kss"));
    QCOMPARE(s.Find<QListWidget>("List1")->count(), int(s.window->App().telemetry.messages.size()));
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = s.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        QCOMPARE(box->text().toStdString(), s.window->App().form.Text1[i].text);
      }
    }
    s.Scroll()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 2)));
    s.Scroll()->setValue(3);
    QCOMPARE(s.Box(8)->text(), Two_Decimals(s.Value(8, 3)));
    const QStringList at_three = s.Box_Texts();
    const QString label2 = s.Find<QLabel>("Label2")->text();
    s.Scroll()->setValue(5001);
    QCOMPARE(s.Scroll()->value(), 5001);
    QCOMPARE(s.Box_Texts(), at_three);
    QCOMPARE(s.Find<QLabel>("Label2")->text(), label2);
  }

  // A cancelled dialog reads the last selection again; a selection too long for the dialog's
  // buffer says so, loads nothing and leaves the display as it was.
  void cancelReloadsAndTooManyFilesAreRefused() {
    Scripted s;
    std::string too_many = ORVELT_SAMPLE_DIR;
    while (too_many.size() <= 32767) too_many += std::string(1, '\0') + "capture_long_name.kss";
    s.dialog_outcomes = {kSample, std::nullopt, too_many};
    s.Open_Via_Menu();
    const auto& app = s.window->App();
    const int count = app.telemetry.store.Count(3);
    const QStringList texts = s.Box_Texts();

    s.Open_Via_Menu();
    QCOMPARE(s.dialogs_shown, 2);
    QCOMPARE(app.form.List3, std::vector<std::string>{kSample});
    QCOMPARE(app.telemetry.store.Count(3), count);
    QCOMPARE(s.Box_Texts(), texts);
    QVERIFY(s.messages.empty());

    s.Open_Via_Menu();
    QCOMPARE(s.messages, std::vector<std::string>{"too many files selected :-("});
    QCOMPARE(app.telemetry.store.Count(3), 0);
    QCOMPARE(s.Box_Texts(), texts);
  }

  // Two files of one dialog, of the command line or of a drop form one selection: the samples
  // of the second follow those of the first.
  void severalFilesLoadAsOneSelection_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("dialog") << "dialog";
    QTest::newRow("command line") << "command line";
    QTest::newRow("drop") << "drop";
  }

  void severalFilesLoadAsOneSelection() {
    QFETCH(QString, how);
    Scripted single;
    single.window->Load_Files({kSample});
    const int one_file = single.window->App().telemetry.store.Count(3);

    Scripted s;
    const QString sample = QString::fromStdString(kSample);
    if (how == "dialog") {
      s.dialog_outcomes = {orvelt::Selection_Text({sample, sample})};
      s.Open_Via_Menu();
    } else if (how == "command line") {
      s.window->Load_Files({kSample, kSample});
    } else {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(sample), QUrl::fromLocalFile(sample)});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(s.window.get(), &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(s.window.get(), &drop);
    }
    const auto& app = s.window->App();
    QCOMPARE(app.form.List3.size(), std::size_t{2});
    QCOMPARE(app.telemetry.store.Count(3), 2 * one_file);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)));
  }

  // The boxes and the time of day follow the user's locale; times never carry a zone.
  void germanLocaleWritesDecimalCommas() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Scripted s;
    s.window->Load_Files({kSample});
    QCOMPARE(s.Box(3)->text(), Two_Decimals(s.Value(3, 1)).replace('.', ','));
    QCOMPARE(s.window->Qt_Platform().Decimal_Separator(), std::string(","));
    QCOMPARE(s.window->Qt_Platform().Format_Long_Time({1970, 1, 1, 13, 5, 9}),
             std::string("13:05:09"));
  }

  // Without its configuration the program must not start; with it, it starts as configured.
  void startUpStopsOnBrokenConfiguration() {
    QTemporaryDir dir;
    // Start-up files installed on this machine, or the user's own, must not stand in.
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      qputenv(variable, QFile::encodeName(dir.filePath(QStringLiteral("none"))));
    }
    auto start_up = [&] {
      MainWindow window;
      window.Qt_Platform().Set_Program_Directory(dir.path().toStdString());
      if (const auto error = window.Start_Up()) return QString::fromStdString(error->file);
      return window.findChild<QPushButton*>("Command1")->isHidden() ? QStringLiteral("no button")
                                                                    : QStringLiteral("button");
    };
    QCOMPARE(start_up(), QStringLiteral("conf.ini"));
    for (const auto& [name, text] :
         {std::pair{"conf.ini", "SCREENSHOT=NO\r\n"}, {"obc_offset.ini", "0"}}) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
    }
    QCOMPARE(start_up(), QStringLiteral("no button"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
