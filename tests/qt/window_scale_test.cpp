// Run at several screen scales (logical dpi 96, 120, 144 and 192 from the build) and once per
// font family the window asks for: no control of the window is clipped or leaves its frame, no
// value is cut, and the digits of every value box are wholly in sight.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest>

#include <memory>

#include "qt/main_window.hpp"
#include "qt/value_box_fit.hpp"
#include "support/scripted_platform.hpp"

namespace orvelt {

namespace {

// Pixels dark enough to be part of a glyph, its smoothed edges included: box frames and
// backgrounds are lighter.
constexpr int kInkGrey = 170;
// A box's own frame, left out where glyphs are looked for.
constexpr int kFramePixels = 2;

// The rectangle that the glyphs of a box drawn alone cover, grown by a pixel for their smoothed
// edges; empty when it shows no text.
QRect Ink_Rect(const QImage& image) {
  const QRect inside =
      image.rect().adjusted(kFramePixels, kFramePixels, -kFramePixels, -kFramePixels);
  QRect ink;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      if (qGray(image.pixel(x, y)) < kInkGrey) ink |= QRect(x, y, 1, 1);
    }
  }
  return ink.isEmpty() ? ink : ink.adjusted(-1, -1, 1, 1) & inside;
}

}  // namespace

class WindowScaleTest : public QObject {
  Q_OBJECT

 private slots:
  // Recent files and the last folder go to a scratch settings file, not the user's.
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // Every family the window asks for that Debian offers; the last is the default of a machine
  // that has none of the others.
  void layoutHoldsInEveryFont_data() {
    QTest::addColumn<QString>("family");
    for (const char* family : {"DejaVu Sans", "Liberation Sans", "Nimbus Sans"}) {
      QTest::newRow(family) << QString::fromLatin1(family);
    }
  }

  void layoutHoldsInEveryFont() {
    QFETCH(QString, family);
    if (!QFontDatabase::hasFamily(family)) {
      // The build's dependencies install every one of them; CI must see every case.
      const QString why = family + QStringLiteral(" is not installed (scripts/install-deps.sh)");
      if (qEnvironmentVariableIsSet("CI")) QFAIL(qPrintable(why));
      QSKIP(qPrintable(why));
    }
    auto window = std::make_unique<MainWindow>(std::make_unique<testing::ScriptedPlatform>(),
                                               nullptr, QStringList{family});
    QVERIFY(window->Start_Up().ok());
    window->Load_Files({ORVELT_SAMPLE_DIR "/pass.kss"});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* client = window->findChild<QWidget*>("ClientArea");
    const QFontInfo used(client->font());
    qInfo("%s: logical dpi %d, font height %d px", qPrintable(used.family()), window->logicalDpiY(),
          QFontMetrics(client->font()).height());
    // A family that two foundries make is named with its foundry: "Nimbus Sans [urw]".
    QCOMPARE(used.family().section(QStringLiteral(" ["), 0, 0), family);

    auto* tabs = window->findChild<QTabWidget*>("SSTab1");
    for (int tab = 0; tab < tabs->count(); ++tab) {
      tabs->setCurrentIndex(tab);
      for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName() == QLatin1String("Label3")) continue;
        const bool button = qobject_cast<QAbstractButton*>(w) != nullptr;
        const bool label = qobject_cast<QLabel*>(w) != nullptr && w->parent() != nullptr &&
                           !w->objectName().isEmpty();
        auto* box = qobject_cast<QLineEdit*>(w);
        if (!button && !label && box == nullptr) continue;
        const QString name = w->objectName();
        // A value box's height is the row pitch; that its digits show whole is tested below.
        const int needed = box ? 0 : w->sizeHint().height();
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
        } else if (!box->text().isEmpty()) {
          QVERIFY2(
              !box->text().endsWith(QChar(0x2026)) &&
                  QFontMetrics(box->font()).horizontalAdvance(box->text()) <= Box_Text_Width(*box),
              qPrintable(name + QStringLiteral(" cuts its value ") + box->text()));
        }
        const QRect in_parent = w->parentWidget()->rect();
        QVERIFY2(in_parent.contains(w->geometry()),
                 qPrintable(name + QStringLiteral(" reaches outside its frame")));
      }
    }
  }

  // The boxes of a column stand one row pitch apart: the digits of every box must lie wholly in
  // the part of it that is in sight, at every scale and in every font.
  void valueDigitsAreWhollyInSight_data() {
    layoutHoldsInEveryFont_data();
    QTest::newRow("preferred") << QString();  // whatever the window's own choice finds here
  }

  void valueDigitsAreWhollyInSight() {
    QFETCH(QString, family);
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family)) QSKIP("not installed");
    auto window =
        std::make_unique<MainWindow>(std::make_unique<testing::ScriptedPlatform>(), nullptr,
                                     family.isEmpty() ? QStringList() : QStringList{family});
    QVERIFY(window->Start_Up().ok());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* tabs = window->findChild<QTabWidget*>("SSTab1");
    int checked = 0;
    for (int tab = 0; tab < tabs->count(); ++tab) {
      tabs->setCurrentIndex(tab);
      for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        if (!box->isVisible() || !box->objectName().startsWith(QLatin1String("Text1_"))) continue;
        // Digits reach from the cap height down to the baseline; "8" fills that whole.
        box->setText(QStringLiteral("88"));
        QPalette white = box->palette();
        white.setColor(QPalette::Base, Qt::white);
        white.setColor(QPalette::Text, Qt::black);
        box->setPalette(white);
      }
      for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        if (!box->isVisible() || !box->objectName().startsWith(QLatin1String("Text1_"))) continue;
        const QImage alone = box->grab().toImage();
        // The box as it is seen: drawn by its frame with the boxes that lie over it.
        const QImage seen = box->parentWidget()->grab(box->geometry()).toImage();
        const QRect ink = Ink_Rect(alone);
        QVERIFY2(!ink.isEmpty(), qPrintable(box->objectName() + QStringLiteral(" shows no text")));
        int hidden_row = -1;
        for (int y = ink.top(); y <= ink.bottom() && hidden_row < 0; ++y) {
          for (int x = ink.left(); x <= ink.right(); ++x) {
            if (seen.pixel(x, y) != alone.pixel(x, y)) hidden_row = y;
          }
        }
        QVERIFY2(hidden_row < 0,
                 qPrintable(QStringLiteral("%1: its digits are hidden at row %2 of %3")
                                .arg(box->objectName())
                                .arg(hidden_row)
                                .arg(box->height())));
        // The box alone shows the digits whole: as high as the font draws them.
        const int digit_height =
            QFontMetrics(box->font()).tightBoundingRect(QStringLiteral("88")).height();
        QVERIFY2(ink.height() - 2 >= digit_height - 1,
                 qPrintable(QStringLiteral("%1: digits %2 px high, drawn %3")
                                .arg(box->objectName())
                                .arg(digit_height)
                                .arg(ink.height() - 2)));
        ++checked;
      }
    }
    QVERIFY(checked > 30);
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::WindowScaleTest)
#include "window_scale_test.moc"
