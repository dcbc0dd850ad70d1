#include "archive/stored_token.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>

#include <functional>

#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

// The permission bits of a file; -1 when there is none.
int Mode(const QString& file) {
  struct stat status {};
  return stat(QFile::encodeName(file).constData(), &status) == 0 ? status.st_mode & 07777 : -1;
}

// Wherever the token was (nowhere, in the settings of an earlier version, in a file others can
// read), it ends in a file only its owner can read, whatever the program's umask.
TEST(StoredToken, IsKeptWhereOnlyItsOwnerCanReadIt) {
  const std::pair<const char*, std::function<void(QSettings&, const QString&)>> cases[] = {
      {"", [](QSettings&, const QString&) {}},
      {"0123abcd",
       [](QSettings& settings, const QString&) {
         settings.setValue(QStringLiteral("archive/token"), QStringLiteral(" 0123abcd\n"));
         settings.sync();
       }},
      {"cafe42",
       [](QSettings&, const QString& file) {
         QFile f(file);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("cafe42\n") == 7);
         f.close();
         ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
       }},
  };
  const mode_t umask_before = umask(0);
  for (const auto& [token, before] : cases) {
    SCOPED_TRACE(token);
    testing::ScratchDir dir;
    QSettings settings(QString::fromStdString((dir / "o.conf").string()), QSettings::IniFormat);
    StoredToken store(settings, false);
    before(settings, store.file());
    EXPECT_EQ(store.Load().value().toStdString(), token);
    EXPECT_EQ(testing::File_Content(dir / "o.conf").find("abcd"), std::string::npos);
    EXPECT_EQ(Mode(store.file()), *token ? 0600 : -1);
    ASSERT_EQ(store.Save(QStringLiteral("feed01")).value(), StoredToken::Place::OwnerOnlyFile);
    EXPECT_EQ(Mode(store.file()), 0600);
    EXPECT_EQ(StoredToken(settings, false).Load().value(), QStringLiteral("feed01"));
    ASSERT_TRUE(store.Save(QString()).ok());
    EXPECT_EQ(Mode(store.file()), -1);
  }
  umask(umask_before);
}

}  // namespace
}  // namespace orvelt
