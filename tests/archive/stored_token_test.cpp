#include "archive/stored_token.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QSettings>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

// The permission bits of a file; -1 when there is none.
int Mode(const QString& file) {
  struct stat status {};
  return stat(QFile::encodeName(file).constData(), &status) == 0
             ? static_cast<int>(status.st_mode & 07777)
             : -1;
}

// However the token reached the store, it ends in a file only its owner can read, and never in
// the settings file, whatever the umask of the program.
TEST(StoredToken, IsKeptWhereOnlyItsOwnerCanReadIt) {
  struct Case {
    std::string name;
    std::function<void(QSettings&, const QString& file)> before;
    QString loaded;
  };
  const std::vector<Case> cases = {
      {"nothing kept", [](QSettings&, const QString&) {}, ""},
      {"in the settings file of an earlier version",
       [](QSettings& settings, const QString&) {
         settings.setValue(QStringLiteral("archive/token"), QStringLiteral(" 0123abcd\n"));
         settings.sync();
       },
       "0123abcd"},
      {"in a file others can read",
       [](QSettings&, const QString& file) {
         QFile f(file);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write("cafe42\n");
         f.close();
         ASSERT_EQ(chmod(QFile::encodeName(file).constData(), 0644), 0);
       },
       "cafe42"},
  };
  const mode_t umask_before = umask(0);
  for (const auto& [name, before, loaded] : cases) {
    SCOPED_TRACE(name);
    testing::ScratchDir dir;
    const QString settings_file = QString::fromStdString((dir / "orvelt-decoder.conf").string());
    QSettings settings(settings_file, QSettings::IniFormat);
    StoredToken store(settings, false);
    before(settings, store.file());
    EXPECT_EQ(store.Load().value(), loaded);
    EXPECT_FALSE(settings.contains(QStringLiteral("archive/token")));
    if (!loaded.isEmpty()) {
      EXPECT_EQ(testing::File_Content(dir / "orvelt-decoder.conf").find(loaded.toStdString()),
                std::string::npos);
      EXPECT_EQ(Mode(store.file()), 0600);
    }
    ASSERT_EQ(store.Save(QStringLiteral("feed01")).value(), StoredToken::Place::OwnerOnlyFile);
    EXPECT_EQ(Mode(store.file()), 0600);
    EXPECT_EQ(StoredToken(settings, false).Load().value(), QStringLiteral("feed01"));
    // Only the token file is left beside the settings: no copy of it on the way.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
              fs::exists(dir / "orvelt-decoder.conf") ? 2 : 1);
    ASSERT_TRUE(store.Save(QString()).ok());
    EXPECT_EQ(Mode(store.file()), -1);
  }
  umask(umask_before);
}

}  // namespace
}  // namespace orvelt
