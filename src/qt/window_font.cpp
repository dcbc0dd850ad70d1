#include "qt/window_font.hpp"

#include <QApplication>

namespace orvelt {

QStringList Preferred_Window_Families() {
  return {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
          QStringLiteral("Arial"),         QStringLiteral("Liberation Sans"),
          QStringLiteral("Nimbus Sans"),   QApplication::font().family()};
}

QFont Window_Font(const QStringList& families) {
  QFont font = QApplication::font();
  font.setFamilies(families.isEmpty() ? Preferred_Window_Families() : families);
  font.setPointSizeF(kWindowPointSize);
  font.setBold(false);  // stated, so that controls inside the bold frames stay regular
  return font;
}

}  // namespace orvelt
