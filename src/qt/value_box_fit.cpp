#include "qt/value_box_fit.hpp"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace orvelt {

namespace {

constexpr double kShrinkStep = 0.25;
// Closer than this, letters of the smallest size start to touch.
constexpr int kTightestLetterSpacing = 90;
// QLineEdit keeps this many pixels free on either side of its text.
constexpr int kLineEditInnerMargin = 2;

}  // namespace

int Box_Text_Width(const QLineEdit& box) {
  QStyleOptionFrame option;
  option.initFrom(&box);
  option.lineWidth =
      box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box) : 0;
  const QRect inner = box.style()->subElementRect(QStyle::SE_LineEditContents, &option, &box);
  const QMargins margins = box.textMargins();
  return inner.width() - margins.left() - margins.right() - 2 * kLineEditInnerMargin;
}

void Fit_Box_Text(QLineEdit& box, const QString& text, const QFont& design_font) {
  const int room = Box_Text_Width(box);
  const auto fits = [&](const QFont& f) { return QFontMetrics(f).horizontalAdvance(text) <= room; };
  QFont font = design_font;
  // Narrower letters keep their height, which reads better than smaller ones.
  for (const int stretch : {QFont::SemiCondensed, QFont::Condensed}) {
    if (fits(font)) break;
    font.setStretch(stretch);
  }
  while (!fits(font) && font.pointSizeF() - kShrinkStep >= kSmallestBoxPointSize) {
    font.setPointSizeF(font.pointSizeF() - kShrinkStep);
  }
  // A family with no narrow cut ignores the stretch; at the smallest size its letters are set
  // closer instead, before anything is cut off.
  for (int spacing = 98; !fits(font) && spacing >= kTightestLetterSpacing; spacing -= 2) {
    font.setLetterSpacing(QFont::PercentageSpacing, spacing);
  }
  if (box.font() != font) box.setFont(font);
  const QFontMetrics metrics(font);
  box.setText(metrics.horizontalAdvance(text) <= room
                  ? text
                  : metrics.elidedText(text, Qt::ElideRight, room));
  box.setCursorPosition(0);  // long texts show their beginning
}

}  // namespace orvelt
