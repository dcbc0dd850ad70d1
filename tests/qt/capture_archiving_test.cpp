// File / Archive / "Live sessions and loaded captures": a capture loaded into the window goes
// into the archive after the load, once; with "Live sessions" it does not.

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "archive/archive_settings.hpp"
#include "qt/capture_archiving.hpp"
#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"
#include "tools/capture_writer.hpp"

using namespace orvelt;

class CaptureArchivingTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(home_.isValid());
    qputenv("XDG_DATA_HOME", home_.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
    QSettings(QStringLiteral("orvelt"), QStringLiteral("orvelt-decoder")).remove("archive");
  }

  void loadedCapturesGoIntoTheArchiveWhenChosen() {
    tools::PassOptions first, second;
    second.start = first.start + 86400;
    second.seed = 2;
    const std::string a = Write("a.kss", first), b = Write("b.kss", second);

    auto* platform = new orvelt::testing::ScriptedPlatform;
    MainWindow main(std::unique_ptr<QtPlatform>{platform});
    QVERIFY(main.Start_Up().ok());
    // Live sessions only, as a new station starts: a load leaves the archive alone.
    QVERIFY(main.findChild<QAction*>("MenuArchiveLive")->isChecked());
    main.Load_Files({a});
    QVERIFY(!main.Capture_Archiving().Busy());
    QVERIFY(!std::filesystem::exists(Default_Archive_Path()));

    main.findChild<QAction*>("MenuArchiveCaptures")->trigger();
    QSettings settings(QStringLiteral("orvelt"), QStringLiteral("orvelt-decoder"));
    QCOMPARE(Load_Archive_Mode(settings), ArchiveMode::LiveAndCaptures);
    const std::int64_t samples = Samples_Of(a);
    for (int round = 0; round < 2; ++round) {  // the same capture again adds nothing
      main.Load_Files({a});
      QCOMPARE(main.App().telemetry.store.Count(3), first.seconds);  // the store as ever
      QTRY_VERIFY(!main.Capture_Archiving().Busy());
      QCOMPARE(main.Capture_Archiving().Counts().samples, samples);
    }
    const std::int64_t frames = main.Capture_Archiving().Counts().added;
    QCOMPARE(main.Capture_Archiving().Counts().already, frames);
    QCOMPARE(Archived().frames, frames);

    main.findChild<QAction*>("MenuArchiveLive")->trigger();
    main.Load_Files({b});
    QVERIFY(!main.Capture_Archiving().Busy());
    QCOMPARE(Archived().frames, frames);
  }

 private:
  std::string Write(const char* name, const tools::PassOptions& pass) {
    const std::string path = home_.filePath(name).toStdString();
    if (!tools::Generate_Pass(pass).Write_File(path)) return {};
    return path;
  }
  // The samples of a capture, as the archive would take them from it alone.
  std::int64_t Samples_Of(const std::string& file) {
    auto alone = Archive::Open(home_.filePath("alone.sqlite").toStdString());
    if (!alone.ok()) return -1;
    return Add_To_Archive(*alone.value(), {file}).counts.samples;
  }
  ArchiveStats Archived() {
    auto archive = Archive::Open(Default_Archive_Path(), false);
    return archive.ok() ? archive.value()->Stats().value() : ArchiveStats{};
  }

  QTemporaryDir home_;
};

QTEST_MAIN(CaptureArchivingTest)
#include "capture_archiving_test.moc"
