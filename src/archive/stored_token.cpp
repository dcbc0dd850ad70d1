#include "archive/stored_token.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#ifdef ORVELT_HAVE_KEYCHAIN
#include <qt6keychain/keychain.h>
#endif

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

namespace orvelt {

namespace {

// Where versions before this one kept the token, in the settings file.
const QString kSettingsKey = QStringLiteral("archive/token");
const QString kService = QStringLiteral("orvelt-decoder");
const QString kSecretKey = QStringLiteral("satnogs-db-token");

std::string System_Error() {
  return std::strerror(errno);
}

// Writes the text into `file` through a file that is made readable by its owner alone from
// the start (mkstemp), then takes its place: no moment exists where others could read it.
Outcome Write_Owner_Only(const QString& file, const QByteArray& text) {
  const QString folder = QFileInfo(file).absolutePath();
  if (!QDir().mkpath(folder)) return Failure{"cannot make the folder " + folder.toStdString()};
  QByteArray scratch = QFile::encodeName(file) + ".XXXXXX";
  const int fd = mkstemp(scratch.data());
  if (fd < 0) return Failure{"cannot write beside " + file.toStdString() + ": " + System_Error()};
  bool written = fchmod(fd, S_IRUSR | S_IWUSR) == 0;
  for (qsizetype done = 0; written && done < text.size();) {
    const ssize_t n = write(fd, text.constData() + done, static_cast<size_t>(text.size() - done));
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += n;
  }
  written = written && fsync(fd) == 0;
  const std::string why = written ? std::string() : System_Error();
  close(fd);
  if (!written || std::rename(scratch.constData(), QFile::encodeName(file).constData()) != 0) {
    const std::string reason = written ? System_Error() : why;
    unlink(scratch.constData());
    return Failure{"cannot write " + file.toStdString() + ": " + reason};
  }
  return Outcome::Done();
}

#ifdef ORVELT_HAVE_KEYCHAIN
// Runs a keychain job to its end within a few seconds. Nothing when no secret service answered
// (none runs, no desktop session, or it did not answer in time): the file is used then.
std::optional<QKeychain::Error> Run(QKeychain::Job* job, QString* read = nullptr) {
  if (QCoreApplication::instance() == nullptr) {
    delete job;
    return std::nullopt;
  }
  // The job may end after the wait gave up: what it leaves goes to a state it shares.
  struct State {
    bool done = false;
    QKeychain::Error error = QKeychain::NoError;
    QString text;
  };
  auto state = std::make_shared<State>();
  QEventLoop loop;
  QObject::connect(job, &QKeychain::Job::finished, &loop, [state, &loop](QKeychain::Job* j) {
    state->done = true;
    state->error = j->error();
    if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(j)) {
      state->text = reading->textData();
    }
    loop.quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  job->setAutoDelete(true);
  job->start();
  loop.exec();
  if (!state->done) {
    QObject::disconnect(job, nullptr, &loop, nullptr);
    return std::nullopt;
  }
  if (state->error == QKeychain::NoBackendAvailable || state->error == QKeychain::NotImplemented ||
      state->error == QKeychain::OtherError) {
    return std::nullopt;
  }
  if (read != nullptr) *read = state->text;
  return state->error;
}
#endif

}  // namespace

StoredToken::StoredToken(QSettings& settings, bool use_secret_service)
    : settings_(settings),
      file_(QFileInfo(settings.fileName()).absolutePath() + QStringLiteral("/satnogs-db-token")),
      use_secret_service_(use_secret_service) {}

Result<QString> StoredToken::Load() {
  if (settings_.contains(kSettingsKey)) {
    const QString token = settings_.value(kSettingsKey).toString().trimmed();
    auto saved = Save(token);
    if (!saved.ok()) return Failure{saved.why()};
    settings_.remove(kSettingsKey);
    settings_.sync();
    if (settings_.status() != QSettings::NoError) {
      return Failure{"the token could not be taken out of " + settings_.fileName().toStdString()};
    }
    return token;
  }
#ifdef ORVELT_HAVE_KEYCHAIN
  if (use_secret_service_) {
    QString token;
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(kSecretKey);
    const auto read = Run(job, &token);
    if (read && *read == QKeychain::NoError) return token;
  }
#endif
  QFile file(file_);
  if (!file.exists()) return QString();
  // A file that others can read (made by hand, or copied) is closed to them before it is read.
  const QByteArray name = QFile::encodeName(file_);
  struct stat status {};
  if (stat(name.constData(), &status) == 0 && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0 &&
      chmod(name.constData(), S_IRUSR | S_IWUSR) != 0) {
    return Failure{"cannot make " + file_.toStdString() +
                   " readable by you alone: " + System_Error()};
  }
  if (!file.open(QIODevice::ReadOnly)) {
    return Failure{"cannot read " + file_.toStdString() + ": " + file.errorString().toStdString()};
  }
  // A token is a few dozen characters; anything longer is not read whole.
  return QString::fromUtf8(file.read(4096)).trimmed();
}

Result<StoredToken::Place> StoredToken::Save(const QString& token) {
#ifdef ORVELT_HAVE_KEYCHAIN
  if (use_secret_service_) {
    std::optional<QKeychain::Error> kept;
    if (token.isEmpty()) {
      auto* job = new QKeychain::DeletePasswordJob(kService);
      job->setKey(kSecretKey);
      kept = Run(job);
    } else {
      auto* job = new QKeychain::WritePasswordJob(kService);
      job->setKey(kSecretKey);
      job->setTextData(token);
      kept = Run(job);
    }
    if (kept && (*kept == QKeychain::NoError || token.isEmpty())) {
      QFile::remove(file_);  // an older copy is not left behind
      return Place::SecretService;
    }
  }
#endif
  if (token.isEmpty()) {
    if (QFile::exists(file_) && !QFile::remove(file_)) {
      return Failure{"cannot remove " + file_.toStdString()};
    }
    return Place::OwnerOnlyFile;
  }
  auto written = Write_Owner_Only(file_, token.toUtf8());
  if (!written.ok()) return Failure{written.why()};
  return Place::OwnerOnlyFile;
}

}  // namespace orvelt
