#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <string>

#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

constexpr int kListing = 263;  // 11 pages of 25
const QString kToken = "0123456789abcdef0123456789abcdef01234567";

struct Ended {
  int status = -1;
  QString out, err;
};

// Runs a program to its end.
Ended Run_Program(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(60000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), process.readAllStandardError()};
}

// `orvelt-archive fetch` as a user runs it, against a telemetry list served by Django REST
// framework on 127.0.0.1 as the network database serves its own (throttled every fifth
// request), started privately for each test.
class DrfFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Run_Program("/usr/bin/python3", {"-c", "import rest_framework"}).status != 0) {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true")
        FAIL() << "python3-djangorestframework missing";
      GTEST_SKIP() << "python3-djangorestframework is not installed: no test server";
    }
    server_.start("/usr/bin/python3",
                  {ORVELT_DRF_SERVER, "--frames", QString::number(kListing), "--norad", "99999",
                   "--token", kToken, "--throttle-every", "5", "--wait", "1"});
    ASSERT_TRUE(server_.waitForReadyRead(60000)) << server_.readAllStandardError().toStdString();
    origin_ = "http://127.0.0.1:" + server_.readLine().trimmed();
  }
  void TearDown() override {
    server_.kill();
    server_.waitForFinished(5000);
  }
  Ended Fetch(const std::string& archive, const QStringList& more) {
    return Run_Program(ORVELT_ARCHIVE_BINARY,
                       QStringList{"fetch", "--archive", File(archive), "--server", origin_,
                                   "--norad", "99999", "--token", kToken} +
                           more);
  }
  QString File(const std::string& archive) {
    return QString::fromStdString((dir_ / archive).string());
  }
  // Frames the archive holds, as `orvelt-archive stats` counts them.
  int Frames(const std::string& archive) {
    const auto match =
        QRegularExpression("\nframes: (\\d+)\n")
            .match(Run_Program(ORVELT_ARCHIVE_BINARY, {"stats", "--archive", File(archive)}).out);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
  }
  orvelt::testing::ScratchDir dir_;
  QProcess server_;
  QString origin_;
};

// Read whole, the listing's 11 pages archive every frame once, the server's waits kept; a fetch
// cut off by the page bound keeps what it read and the next goes on below it, never from the
// first page; fetched again, a finished listing adds nothing.
TEST_F(DrfFetchTest, WholeCutOffAndRepeatedFetchesArchiveEveryFrameOnce) {
  const struct {
    std::string archive;
    QStringList options;
    int status;
    QStringList said;
    int frames;
  } runs[] = {
      {"full.sqlite", {}, 0, {"fetched 263 frames on 11 pages (2 waits): 263 new"}, kListing},
      {"full.sqlite",
       {},
       0,
       {"on 1 pages", ": 0 new, 0 already archived from another source, 1"},
       kListing},
      {"cut.sqlite",
       {"--max-pages", "4"},
       1,
       {"fetched 100 frames on 4 pages", "stopped after 4 pages", "the next fetch goes on below"},
       100},
      // Only the frames of the second the cut fell in are read twice.
      {"cut.sqlite",
       {},
       0,
       {"going on where the last fetch stopped", "on 7 pages",
        ": 163 new, 0 already archived "
        "from another source, 1 already"},
       kListing},
  };
  for (const auto& run : runs) {
    const Ended fetch = Fetch(run.archive, run.options);
    SCOPED_TRACE(fetch.err.toStdString());
    EXPECT_EQ(fetch.status, run.status);
    for (const QString& said : run.said)
      EXPECT_TRUE(fetch.err.contains(said)) << said.toStdString();
    EXPECT_EQ(Frames(run.archive), run.frames);
  }
}

}  // namespace
}  // namespace orvelt
