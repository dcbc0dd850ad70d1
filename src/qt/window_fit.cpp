#include "qt/window_fit.hpp"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QWidget>

#include <algorithm>

namespace orvelt {

void Place_Whole_On_Screen(QWidget& window, QSize wanted) {
  const QWidget* opener = window.parentWidget() ? window.parentWidget()->window() : nullptr;
  QScreen* screen = opener ? opener->screen() : window.screen();
  if (screen == nullptr) {
    window.resize(wanted);
    return;
  }
  const QRect area = screen->availableGeometry();
  // The window manager's frame is known only for a window already shown: the opener's stands in.
  QMargins frame;
  if (opener != nullptr && opener->isVisible()) {
    const QRect outer = opener->frameGeometry();
    const QRect inner = opener->geometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                     outer.right() - inner.right(), outer.bottom() - inner.bottom());
  }
  const QSize room = area.size().shrunkBy(frame);
  const QSize size = wanted.expandedTo(window.minimumSize()).boundedTo(room);
  window.resize(size);
  QRect placed(QPoint(0, 0), size.grownBy(frame));
  placed.moveCenter(opener != nullptr && opener->isVisible() ? opener->frameGeometry().center()
                                                             : area.center());
  placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
  placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
  window.move(placed.topLeft());  // a window's position is that of its frame
}

int Table_Content_Width(const QTableView& table) {
  const int rows_header = table.verticalHeader()->isVisible() ? table.verticalHeader()->width() : 0;
  // Room for a vertical scroll bar, which more rows bring.
  const int scroll_bar = table.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &table);
  return rows_header + table.horizontalHeader()->length() + 2 * table.frameWidth() + scroll_bar;
}

}  // namespace orvelt
