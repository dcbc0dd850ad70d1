#pragma once

// The steps of a person at the window that every journey takes. Events made here carry no X
// server time, so a window manager may keep a new window from taking the focus: it is then given
// the focus as the desktop would give it to one the user just opened.

#include <QtTest>
#include <QtWidgets>

#include <filesystem>
#include <functional>
#include <memory>

#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "qt/history_window.hpp"
#include "qt/main_window.hpp"
#include "qt/qt_platform.hpp"

namespace orvelt::journey {

// The real platform, reading its start-up files from the built program's folder.
class JourneyPlatform : public QtPlatform {
 public:
  std::filesystem::path Program_Directory() override { return ORVELT_APP_DIR; }
};

// The main window started, shown and active, measuring text in a family that every machine
// building it has; pictures it saves by their key go into `pictures`.
inline std::unique_ptr<MainWindow> Started_Window(const QString& pictures) {
  auto window = std::make_unique<MainWindow>(std::make_unique<JourneyPlatform>(), nullptr,
                                             QStringList{QStringLiteral("DejaVu Sans")});
  if (!window->Start_Up()) qFatal("start-up failed");
  window->App().ImagePath = (pictures + "/").toStdString();
  window->show();
  window->activateWindow();
  if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window never became active");
  return window;
}

// What every journey program sets before its first window: settings and data in the test's
// own folders, Qt's own file dialogs (the ones a journey can type into) and plain C numbers.
inline void Prepare_Journeys() {
  QStandardPaths::setTestModeEnabled(true);
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QLocale::setDefault(QLocale::c());
}

inline void Give_Focus(QWidget* window) {
  if (!window->isActiveWindow()) window->activateWindow();
}

// Where a key goes: the focused control, else the active window (whose shortcuts still work).
inline QWidget* Keys() {
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return QApplication::topLevelWidgets().value(0);
}

// Clicks into a field and types, as a person does: the keys go wherever the focus went.
inline void Type_Into(QWidget* field, const QString& text) {
  QVERIFY(field != nullptr);
  QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, field->height() / 2));
  QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() == field, 5000);
  QTest::keyClick(Keys(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Keys(), text);
}

// The field a form labels `label` with (its buddy), as a person finds it by its caption.
inline QWidget* Field(QWidget* form, const QString& label) {
  for (QLabel* l : form->findChildren<QLabel*>()) {
    if (l->text() == label && l->buddy() != nullptr) return l->buddy();
  }
  return nullptr;
}

// The button captioned `text` (mnemonic included).
inline QPushButton* Button(QWidget* window, const QString& text) {
  for (QPushButton* b : window->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

// A dialog or menu just closed: the window manager gives the window back its focus. Asked again
// while it has not: a request made while the closed window was still going away is lost.
inline void Back_To(QWidget* window) {
  QTRY_VERIFY_WITH_TIMEOUT(
      QApplication::activeModalWidget() == nullptr && QApplication::activePopupWidget() == nullptr,
      5000);
  const auto back = [window] {
    Give_Focus(window);
    return window->isActiveWindow() && QApplication::focusWidget() != nullptr;
  };
  QTRY_VERIFY_WITH_TIMEOUT(back(), 10000);
}

// Opens a menu of the menu bar with its Alt key and clicks the entry `text`; `then` names a
// submenu's entry to click after it.
inline void Pick(MainWindow& window, char mnemonic, const QString& text, const QString& then = {}) {
  Back_To(&window);
  QTest::keyClick(Keys(), static_cast<Qt::Key>(Qt::Key_A + (mnemonic - 'a')), Qt::AltModifier);
  QMenu* menu = nullptr;
  for (const QString& wanted : {text, then}) {
    if (wanted.isEmpty()) break;
    // A submenu opens a moment after the click on its entry: until then its parent is on top.
    QMenu* const clicked_in = menu;
    QTRY_VERIFY_WITH_TIMEOUT(
        (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr &&
            menu != clicked_in && menu->isVisible(),
        2000);
    QAction* action = nullptr;
    for (QAction* a : menu->actions()) {  // the entry named exactly, else the first it begins
      const QString shown = a->text().remove('&'), sought = QString(wanted).remove('&');
      if (shown == sought || (action == nullptr && shown.startsWith(sought))) action = a;
    }
    QVERIFY2(action != nullptr, qPrintable("no menu entry " + wanted));
    QVERIFY2(action->isEnabled(), qPrintable("menu entry disabled: " + wanted));
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, {}, at);
  }
}

// Set when a dialog had to be closed for the journey: it would otherwise keep its modal loop
// running for ever.
inline bool g_stuck = false;

// Runs `step`, from the dialog's own event loop, on the next modal dialog of type W once it is
// shown and has the focus. Says afterwards whether it was met.
template <typename W>
std::shared_ptr<bool> When_Shown(std::function<void(W*)> step) {
  constexpr int kPatienceMs = 10000;
  auto met = std::make_shared<bool>(false);
  auto shown = std::make_shared<QPointer<W>>();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  auto* timer = new QTimer(qApp);
  timer->setInterval(20);
  auto done = [timer] {
    timer->stop();
    timer->deleteLater();
  };
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (!*met) {
      W* dialog = qobject_cast<W*>(QApplication::activeModalWidget());
      if (dialog != nullptr && dialog->isVisible()) {
        Give_Focus(dialog);
        if (dialog->isActiveWindow()) {
          *met = true;
          *shown = dialog;
          clock->restart();
          step(dialog);
          return;
        }
      }
    } else if (shown->isNull() || !(*shown)->isVisible()) {
      return done();  // closed after the journey's last step for it
    }
    if (clock->elapsed() < kPatienceMs) return;
    // Never shown, or still open after the last step: the modal window in the way is closed, so
    // that nothing hangs, and the journey fails.
    QWidget* in_the_way = *met ? shown->data() : QApplication::activeModalWidget();
    if (auto* d = qobject_cast<QDialog*>(in_the_way)) {
      g_stuck = true;
      d->reject();
    }
    done();
  });
  timer->start();
  return met;
}

// `open` brings up a dialog of type W, `step` is what the person does in it.
template <typename W>
void Through(QWidget* window, const std::function<void()>& open, std::function<void(W*)> step) {
  Back_To(window);
  auto met = When_Shown<W>(std::move(step));
  open();
  QVERIFY(*met && !g_stuck);
  Back_To(window);
}

// A key, as a way to open a dialog.
inline std::function<void()> Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  return [=] { QTest::keyClick(Keys(), key, modifiers); };
}

// Types a file name into an open file dialog (its focus starts in the name field), then Enter.
inline void Type_File_Name(const QString& name) {
  QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr, 5000);
  QTest::keyClicks(Keys(), name);
  QTest::keyClick(Keys(), Qt::Key_Return);
}

// File / Open Kissfile by Ctrl+O, the name typed.
inline void Open_By_Typing(MainWindow& window, const QString& path) {
  Through<QFileDialog>(&window, Key(Qt::Key_O, Qt::ControlModifier),
                       [&](QFileDialog*) { Type_File_Name(path); });
}

// Ticks a check box by a click on its box, which a wide check box does not have at its middle.
inline void Tick(QCheckBox* box) {
  QVERIFY(box != nullptr);
  if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  QVERIFY(box->isChecked());
}

// Captures written into the user's archive by another program, as `orvelt-archive add` does.
inline void Archive_Elsewhere(const std::vector<std::string>& files) {
  auto archive = Archive::Open(Default_Archive_Path());
  QVERIFY(archive.ok());
  QVERIFY(Add_To_Archive(*archive.value(), files).outcome.ok());
}

// View / History, by its menu, once the window is active and lists `passes` passes.
inline void Open_History(MainWindow& window, int passes, HistoryWindow*& history) {
  constexpr int kPatienceMs = 10000;
  Pick(window, 'v', "History");
  const auto shown = [&] {
    return (history = window.findChild<HistoryWindow*>()) != nullptr && history->isVisible();
  };
  QTRY_VERIFY_WITH_TIMEOUT(shown(), kPatienceMs);
  Give_Focus(history);
  QTRY_VERIFY_WITH_TIMEOUT(history->isActiveWindow(), kPatienceMs);
  QTRY_COMPARE_WITH_TIMEOUT(history->Pass_List()->rowCount(), passes, kPatienceMs);
}

}  // namespace orvelt::journey
