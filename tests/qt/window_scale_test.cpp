// Run at several screen scales (QT_FONT_DPI 96, 120, 144, 192 from the build): no control of
// the window is clipped, whatever the scale.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest>

#include <memory>

#include "qt/main_window.hpp"
#include "support/scripted_platform.hpp"

namespace orvelt {

class WindowScaleTest : public QObject {
  Q_OBJECT

 private slots:
  // Recent files and the last folder go to a scratch settings file, not the user's.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void noControlIsClipped() {
    auto window = std::make_unique<MainWindow>(std::make_unique<testing::ScriptedPlatform>());
    QVERIFY(!window->Start_Up());
    window->Load_Files({ORVELT_SAMPLE_DIR "/pass.kss"});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    qInfo("logical dpi %d, font height %d px", window->logicalDpiY(),
          QFontMetrics(window->findChild<QWidget*>("Frame1")->font()).height());
    auto* tabs = window->findChild<QTabWidget*>("SSTab1");
    for (int tab = 0; tab < tabs->count(); ++tab) {
      tabs->setCurrentIndex(tab);
      for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName() == QLatin1String("Label3")) continue;
        const bool button = qobject_cast<QAbstractButton*>(w) != nullptr;
        const bool label = qobject_cast<QLabel*>(w) != nullptr && w->parent() != nullptr &&
                           !w->objectName().isEmpty();
        const bool box = qobject_cast<QLineEdit*>(w) != nullptr;
        if (!button && !label && !box) continue;
        const QString name = w->objectName();
        const int needed = box ? w->minimumSizeHint().height() : w->sizeHint().height();
        QVERIFY2(
            w->height() >= needed,
            qPrintable(
                QStringLiteral("%1: %2 high, needs %3").arg(name).arg(w->height()).arg(needed)));
        if (auto* push = qobject_cast<QPushButton*>(w)) {
          // A push button's size hint holds the style's minimum width: only its text must fit.
          QVERIFY2(push->fontMetrics().horizontalAdvance(push->text()) < push->width(),
                   qPrintable(name));
        } else if (button || label) {
          QVERIFY2(w->width() >= w->sizeHint().width(),
                   qPrintable(QStringLiteral("%1: %2 wide, needs %3")
                                  .arg(name)
                                  .arg(w->width())
                                  .arg(w->sizeHint().width())));
        }
        const QRect in_parent = w->parentWidget()->rect();
        QVERIFY2(in_parent.contains(w->geometry()),
                 qPrintable(name + QStringLiteral(" reaches outside its frame")));
      }
    }
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::WindowScaleTest)
#include "window_scale_test.moc"
