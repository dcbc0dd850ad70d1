#include "qt/main_window.hpp"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "window/channel_table.hpp"
#include "window/handlers.hpp"

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
      std::optional<std::string> outcome;
      if (!dialog_outcomes.empty()) {
        outcome = dialog_outcomes.front();
        dialog_outcomes.pop_front();
      }
      return outcome;
    });
    platform.Set_Message_Box_Hook([this](const std::string& text) { messages.push_back(text); });
    const auto error = window->Start_Up();
    if (error) qFatal("start-up failed: %s", error->message().c_str());
  }

  template <typename T>
  T* Find(const QString& name) const {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QLineEdit* Box(int i) const { return Find<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
  QRadioButton* Selector(int i) const {
    return Find<QRadioButton>(QStringLiteral("Option1_%1").arg(i));
  }
  QScrollBar* Scroll() const { return Find<QScrollBar>("HScroll1"); }

  void Open_Via_Menu() { Find<QAction>("MenuFileOpen")->trigger(); }

  // Texts of every visible value and status box, in index order.
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

QRect Twips(int left, int top, int width, int height) {
  const double s = QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0 / 15.0;
  return QRect(qRound(left * s), qRound(top * s), qRound(width * s), qRound(height * s));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  void captionTabsAndMenus() {
    Scripted s;
    QCOMPARE(s.window->objectName(), QStringLiteral("Form1"));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("ORVELT-1 Telemetry Decoder (KAVRO)"));
    auto* tab = s.Find<QTabWidget>("SSTab1");
    QCOMPARE(tab->count(), 2);
    QCOMPARE(tab->tabText(0), QStringLiteral("Telemetry"));
    QCOMPARE(tab->tabText(1), QStringLiteral("Safe Mode Telemetry"));
    QCOMPARE(tab->currentIndex(), 0);
    QVERIFY(tab->widget(0)->isAncestorOf(s.Find<QGroupBox>("Frame6")));
    QVERIFY(tab->widget(1)->isAncestorOf(s.Find<QLabel>("Label2")));
    QVERIFY(tab->widget(1)->isAncestorOf(s.Find<QListWidget>("List1")));
    QCOMPARE(s.window->palette().color(QPalette::Window), QColor(240, 240, 240));
    QStringList menus;
    for (QAction* a : s.window->menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{"File", "Info"}));
    QCOMPARE(s.Find<QAction>("MenuFileOpen")->text(), QStringLiteral("Open Kissfile"));
    auto* scroll = s.Scroll();
    QCOMPARE(std::tuple(scroll->minimum(), scroll->maximum(), scroll->value()),
             std::tuple(1, 32767, 1));
    QCOMPARE(std::tuple(scroll->singleStep(), scroll->pageStep()), std::tuple(1, 1));
  }

  // Only the channels placed on a frame get widgets; 0 and 7 live in the model alone.
  void channelWidgetsExistExactlyForPlacedChannels() {
    Scripted s;
    QList<int> with_box;
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      auto* box = s.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i));
      const bool selector =
          s.window->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(i)) != nullptr;
      QCOMPARE(selector, box != nullptr && i < orvelt::kFirstStatusBox);
      if (box) with_box << i;
    }
    const QList<int> expected = {3,  8,  10, 13, 16, 19, 21, 27, 28, 29, 30, 31, 32, 33,
                                 34, 35, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49,
                                 50, 51, 52, 53, 58, 59, 60, 61, 62, 63, 64, 65};
    QCOMPARE(with_box, expected);
    QCOMPARE(s.Selector(31)->text(), QStringLiteral("Warp Walve Curr"));
    QCOMPARE(s.Selector(46)->text(), QStringLiteral("time last I\u00b2C msg"));
    QCOMPARE(s.Find<QLabel>("Label1_51")->text(), QStringLiteral("\u00b5T"));
    QCOMPARE(s.Box(65)->parentWidget(), s.Find<QGroupBox>("Frame6"));
    QCOMPARE(s.Box(47)->parentWidget(), s.Find<QGroupBox>("Frame7"));
  }

  void controlsStandAtTheirDesignPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Frame5") << "Frame5" << QRect(120, 4560, 9375, 4695);
    QTest::newRow("Command1") << "Command1" << QRect(120, 9360, 495, 255);
    QTest::newRow("HScroll1") << "HScroll1" << QRect(8400, 9360, 1095, 375);
    QTest::newRow("Battery 0 box") << "Text1_3" << QRect(1920, 360, 615, 285);
    QTest::newRow("React Wheels Volt box") << "Text1_45" << QRect(4920, 2040, 615, 285);
    QTest::newRow("status row 8") << "Text1_65" << QRect(6240, 2040, 2655, 285);
    QTest::newRow("wide bus time box") << "Text1_46" << QRect(4920, 840, 4095, 285);
    QTest::newRow("unit of Array Z-") << "Label1_27" << QRect(8640, 840, 375, 255);
    QTest::newRow("Label2") << "Label2" << QRect(5760, 360, 3135, 255);
  }

  void controlsStandAtTheirDesignPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Scripted s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QCOMPARE(s.Find<QWidget>(name)->geometry(),
             Twips(twips.x(), twips.y(), twips.width(), twips.height()));
  }

  void clientAreaHasTheDesignSizeAndHoldsEveryControl() {
    Scripted s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QCOMPARE(s.window->centralWidget()->size(), Twips(0, 0, 9615, 9825).size());
    QCOMPARE(s.Find<QLabel>("Label2")->alignment() & Qt::AlignRight, Qt::AlignRight);
    QVERIFY(s.Find<QLabel>("Label2")->font().bold());
    QVERIFY(!s.Selector(3)->font().bold());
    QVERIFY(s.Find<QListWidget>("List1")->font().fixedPitch());
    QVERIFY(!s.Find<QListWidget>("List1")->font().bold());
    // Nothing sticks out of its frame, tab page or the client area, in either tab.
    auto* tab = s.Find<QTabWidget>("SSTab1");
    for (int page = 0; page < 2; ++page) {
      tab->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (QWidget* w : s.window->centralWidget()->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow() || !w->parentWidget()) continue;
        if (w->parentWidget()->inherits("QAbstractScrollArea")) continue;  // scrolled contents
        if (w->parentWidget()->inherits("QTabBar")) continue;              // its own scroll buttons
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                 qPrintable(w->objectName() + " in " + w->parentWidget()->objectName()));
      }
    }
  }

  void enlargingGivesTheRoomToTheChart() {
    Scripted s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    auto geometry = [&](const char* name) { return s.Find<QWidget>(name)->geometry(); };
    const QRect tab = geometry("SSTab1"), frame5 = geometry("Frame5"), chart = geometry("MSChart2"),
                check = geometry("Check1"), command = geometry("Command1"),
                label3 = geometry("Label3"), scroll = geometry("HScroll1");

    s.window->resize(s.window->size() + QSize(200, 120));
    QTRY_COMPARE(geometry("Frame5").size(), frame5.size() + QSize(200, 120));
    QCOMPARE(geometry("Frame5").topLeft(), frame5.topLeft());
    QCOMPARE(geometry("MSChart2").size(), chart.size() + QSize(200, 120));
    QCOMPARE(geometry("Check1"), check.translated(200, 120));
    QCOMPARE(geometry("SSTab1"), tab);
    QCOMPARE(geometry("Command1"), command.translated(0, 120));
    QCOMPARE(geometry("Label3"), label3.translated(0, 120));
    QCOMPARE(geometry("HScroll1"), scroll.translated(0, 120));

    s.window->resize(s.window->size() - QSize(200, 120));
    QTRY_COMPARE(geometry("Frame5"), frame5);
    QCOMPARE(geometry("HScroll1"), scroll);
  }

  void loadingFillsTheBoxesOfRecordOne() {
    Scripted s;
    QVERIFY(s.Box(3)->text().isEmpty());
    s.window->Load_Files({kSample});
    const auto& store = s.window->App().telemetry.store;
    QVERIFY(store.Count(3) > 10);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(store.Value(3, 1)));
    QCOMPARE(s.Box(53)->text(), Two_Decimals(store.Value(53, 1)));
    QVERIFY(!s.Box(58)->text().isEmpty());  // switch states written by the decoder
    QVERIFY(s.Find<QLabel>("Label3")->text().contains("pass.kss"));
    QVERIFY(!s.Find<QLabel>("Label2")->text().isEmpty());
    QCOMPARE(s.Find<QListWidget>("List1")->count(),
             static_cast<int>(s.window->App().form.List1.size()));
    // Every box shows what the model holds, nothing more and nothing less.
    for (int i = 0; i < orvelt::kControlIndexCount; ++i) {
      if (auto* box = s.window->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i))) {
        QCOMPARE(box->text().toStdString(), s.window->App().form.Text1[i].text);
      }
    }
  }

  void scrollBarStepsThroughTheRecords() {
    Scripted s;
    s.window->Load_Files({kSample});
    const auto& store = s.window->App().telemetry.store;
    auto* scroll = s.Scroll();
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(scroll->value(), 2);
    QCOMPARE(s.window->App().form.HScroll1, 2);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(store.Value(3, 2)));
    scroll->setValue(3);
    QCOMPARE(s.Box(8)->text(), Two_Decimals(store.Value(8, 3)));
    // A slot beyond the channel's samples shows the empty slot.
    scroll->setValue(store.Count(3) + 1);
    QCOMPARE(s.Box(3)->text(), QStringLiteral("0.00"));
  }

  void positionsAboveTheStoreChangeNothing() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.Scroll()->setValue(10);
    const QStringList at_ten = s.Box_Texts();
    const QString label2 = s.Find<QLabel>("Label2")->text();
    s.Scroll()->setValue(5001);
    QCOMPARE(s.Box_Texts(), at_ten);
    QCOMPARE(s.Find<QLabel>("Label2")->text(), label2);
    s.Scroll()->setValue(32767);
    QCOMPARE(s.Box_Texts(), at_ten);
  }

  void cancelReadsTheLastSelectionAgain() {
    Scripted s;
    s.dialog_outcomes = {kSample, std::nullopt};
    s.Open_Via_Menu();
    const auto& app = s.window->App();
    const int count = app.telemetry.store.Count(3);
    const QStringList texts = s.Box_Texts();
    QCOMPARE(app.form.List3, std::vector<std::string>{kSample});

    s.Scroll()->setValue(4);
    s.Scroll()->setValue(1);
    s.Open_Via_Menu();
    QCOMPARE(s.dialogs_shown, 2);
    QCOMPARE(app.form.List3, std::vector<std::string>{kSample});
    QCOMPARE(app.telemetry.store.Count(3), count);
    QCOMPARE(s.Box_Texts(), texts);
    QVERIFY(s.messages.empty());
    // Messages of both loads, each line once: the list is appended to, never redrawn whole.
    QCOMPARE(s.Find<QListWidget>("List1")->count(), static_cast<int>(app.form.List1.size()));
    QCOMPARE(s.Find<QListWidget>("List1")->item(0)->text().toStdString(), app.form.List1.front());
  }

  void tooManyFilesShowTheMessageAndKeepTheOldRecord() {
    Scripted s;
    s.window->Load_Files({kSample});
    const QStringList texts = s.Box_Texts();
    std::string selection = ORVELT_SAMPLE_DIR;
    while (selection.size() <= 32767)
      selection += std::string(1, '\0') + "capture_with_a_long_name.kss";
    s.dialog_outcomes = {selection};
    s.Open_Via_Menu();
    QCOMPARE(s.messages, std::vector<std::string>{"too many files selected :-("});
    QCOMPARE(s.window->App().form.List3, std::vector<std::string>{kSample});
    QCOMPARE(s.window->App().telemetry.store.Count(3), 0);
    QCOMPARE(s.Box_Texts(), texts);
  }

  // Several files of one dialog, of the command line or of a drop form one selection: the
  // samples of the second follow those of the first.
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
    if (how == "dialog") {
      s.dialog_outcomes = {std::string(ORVELT_SAMPLE_DIR) + '\0' + "pass.kss" + '\0' + "pass.kss"};
      s.Open_Via_Menu();
    } else if (how == "command line") {
      s.window->Load_Files({kSample, kSample});
    } else {
      QMimeData mime;
      const QUrl url = QUrl::fromLocalFile(QString::fromStdString(kSample));
      mime.setUrls({url, url});
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(s.window.get(), &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(s.window.get(), &drop);
    }
    const auto& app = s.window->App();
    QCOMPARE(app.form.List3.size(), std::size_t{2});
    QCOMPARE(QFileInfo(QString::fromStdString(app.form.List3[1])).canonicalFilePath(),
             QFileInfo(QString::fromStdString(kSample)).canonicalFilePath());
    QCOMPARE(app.telemetry.store.Count(3), 2 * one_file);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(app.telemetry.store.Value(3, 1)));
  }

  void dropOfNonLocalUrlsIsRefused() {
    Scripted s;
    QMimeData mime;
    mime.setUrls({QUrl("https://example.org/pass.kss")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(s.window.get(), &enter);
    QVERIFY(!enter.isAccepted());
  }

  void selectorClicksSelectOneChannelAndChartIt() {
    Scripted s;
    s.window->Load_Files({kSample});
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    const QColor white(255, 255, 255), highlight(0xFF, 0xFF, 0xC0);  // 0xC0FFFF as BBGGRR

    QTest::mouseClick(s.Selector(3), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(s.Selector(3)->isChecked());
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), highlight);
    QCOMPARE(s.Find<QGroupBox>("Frame5")->title(), QStringLiteral("Battery 0 Volt"));

    // Clicking the selected one again keeps it selected.
    QTest::mouseClick(s.Selector(3), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(s.Selector(3)->isChecked());

    // Selection is one for the window, across frames; a right press selects too.
    QTest::mousePress(s.Selector(30), Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(s.Selector(30), Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(s.Selector(30)->isChecked());
    QVERIFY(!s.Selector(3)->isChecked());
    QCOMPARE(s.Box(3)->palette().color(QPalette::Base), white);
    QCOMPARE(s.Box(30)->palette().color(QPalette::Base), highlight);
    int checked = 0;
    for (QRadioButton* r : s.window->findChildren<QRadioButton*>()) checked += r->isChecked();
    QCOMPARE(checked, 1);
  }

  void label3OffersTheFullLoadReport() {
    Scripted s;
    auto* label3 = s.Find<QLabel>("Label3");
    QTest::mouseClick(label3, Qt::LeftButton);
    QVERIFY(!s.window->findChild<QDialog*>("LoadReport"));  // nothing loaded yet

    s.window->Load_Files({kSample});
    const QString details = QString::fromStdString(s.window->App().last_load.Details()).trimmed();
    QVERIFY(label3->toolTip().contains(details));
    QTest::mouseClick(label3, Qt::LeftButton);
    auto* dialog = s.window->findChild<QDialog*>("LoadReport");
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->findChild<QPlainTextEdit*>()->toPlainText(), details);
  }

  void germanLocaleWritesDecimalCommas() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Scripted s;
    s.window->Load_Files({kSample});
    const double v = s.window->App().telemetry.store.Value(3, 1);
    QCOMPARE(s.Box(3)->text(), Two_Decimals(v).replace('.', ','));
    QCOMPARE(s.window->Qt_Platform().Decimal_Separator(), std::string(","));
  }

  void startUpStopsOnBrokenConfiguration_data() {
    QTest::addColumn<QByteArray>("conf");
    QTest::addColumn<QByteArray>("obc");
    QTest::addColumn<QString>("failing_file");
    QTest::addColumn<bool>("command1_shown");
    QTest::newRow("good, no button")
        << QByteArray("SCREENSHOT=NO\r\n") << QByteArray("0") << QString() << false;
    QTest::newRow("conf.ini missing") << QByteArray() << QByteArray("0") << "conf.ini" << true;
  }

  void startUpStopsOnBrokenConfiguration() {
    QFETCH(QByteArray, conf);
    QFETCH(QByteArray, obc);
    QFETCH(QString, failing_file);
    QFETCH(bool, command1_shown);
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& text) {
      if (text.isEmpty()) return;
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(text);
    };
    write("conf.ini", conf);
    write("obc_offset.ini", obc);

    MainWindow window;
    window.Qt_Platform().Set_Program_Directory(dir.path().toStdString());
    const auto error = window.Start_Up();
    QCOMPARE(error.has_value(), !failing_file.isEmpty());
    if (error) {
      QCOMPARE(QString::fromStdString(error->file), failing_file);
      return;
    }
    QCOMPARE(window.findChild<QPushButton*>("Command1")->isHidden(), !command1_shown);
  }

  // --- QtPlatform ---------------------------------------------------------------------------

  void nameFiltersOfTheDialog_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("capture dialog")
        << QString::fromUtf8(orvelt::kOpenDialogFilter)
        << QStringList{"Log Files (*.kss)", "Text Files (*.txt)", "All Files (*)"};
    QTest::newRow("pattern list") << "Captures|*.kss;*.txt"
                                  << QStringList{"Captures (*.kss *.txt)"};
    QTest::newRow("plain parentheses kept")
        << "Old (1999)|*.old" << QStringList{"Old (1999) (*.old)"};
    QTest::newRow("dangling description") << "Logs|*.kss|Odd" << QStringList{"Logs (*.kss)"};
  }

  void nameFiltersOfTheDialog() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(orvelt::Qt_Name_Filters(filter.toStdString()), expected);
  }

  void selectionTextOfTheDialog() {
    QCOMPARE(orvelt::Selection_Text({"/caps/a.kss"}), std::string("/caps/a.kss"));
    QCOMPARE(orvelt::Selection_Text({"/caps/a.kss", "/caps/b.kss"}),
             std::string("/caps\0a.kss\0b.kss", 17));
    QCOMPARE(orvelt::Selection_Text({}), std::string());
  }

  void timeFormatsLoseTheirZone_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("24 hours") << "HH:mm:ss t"
                              << "HH:mm:ss";
    QTest::newRow("am/pm") << "h:mm:ss AP t"
                           << "h:mm:ss AP";
    QTest::newRow("zone first") << "t HH:mm:ss"
                                << "HH:mm:ss";
    QTest::newRow("long zone in parentheses") << "HH:mm:ss (tttt)"
                                              << "HH:mm:ss";
    QTest::newRow("quoted t stays") << "H 'Uhr' mm 'tick' t"
                                    << "H 'Uhr' mm 'tick'";
    QTest::newRow("no zone") << "HH.mm.ss"
                             << "HH.mm.ss";
  }

  void timeFormatsLoseTheirZone() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(orvelt::Without_Time_Zone(format), expected);
  }

  void longTimeFollowsTheLocaleWithoutZone_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("C") << QLocale::c() << "13:05:09";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "13:05:09";
    QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                << "1:05:09\u202fPM";
  }

  void longTimeFollowsTheLocaleWithoutZone() {
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QLocale::setDefault(locale);
    orvelt::QtPlatform platform;
    const std::string time = platform.Format_Long_Time({1970, 1, 1, 13, 5, 9});
    // Some locale data separate the am/pm mark with a narrow space, some with a plain one.
    QCOMPARE(QString::fromStdString(time).replace(u'\u202f', u' '),
             expected.replace(u'\u202f', u' '));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
