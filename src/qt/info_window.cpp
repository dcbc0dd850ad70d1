#include "qt/info_window.hpp"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <utility>

#include "qt/info_content.hpp"
#include "qt/satellite_drawing.hpp"

namespace orvelt {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// Converts twips into the window's pixels: 15 twips a pixel at 96 dpi.
class TwipScale {
 public:
  explicit TwipScale(const QWidget& window)
      : x_(window.logicalDpiX() / kTwipsPerInch), y_(window.logicalDpiY() / kTwipsPerInch) {}

  int X(int twips) const { return static_cast<int>(std::lround(twips * x_)); }
  int Y(int twips) const { return static_cast<int>(std::lround(twips * y_)); }
  QRect Rect(const TwipRect& r) const { return {X(r.left), Y(r.top), X(r.width), Y(r.height)}; }
  QSize Size(const TwipRect& r) const { return {X(r.width), Y(r.height)}; }

 private:
  double x_;
  double y_;
};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* Add_Label(QWidget& parent, const TwipScale& scale, const InfoPlacement& placement,
                  const std::string& text) {
  auto* label = new QLabel(Text(text), &parent);
  label->setObjectName(
      QString::fromUtf8(placement.name.data(), static_cast<qsizetype>(placement.name.size())));
  label->setGeometry(scale.Rect(placement.place));
  return label;
}

const InfoPlacement& Place(InfoControl control) {
  for (const InfoPlacement& placement : kInfoLayout) {
    if (placement.control == control) return placement;
  }
  return kInfoLayout.front();  // every control is in the layout table
}

// The window's load step: the texts set each time the window is built.
void Info_Form_Load(QWidget& window, const InfoContent& content) {
  if (auto* version = window.findChild<QLabel*>(QStringLiteral("Label2"))) {
    version->setText(Text(content.version_line));
  }
  if (auto* disclaimer = window.findChild<QLabel*>(QStringLiteral("Label11"))) {
    disclaimer->setText(Text(content.disclaimer));
  }
}

QWidget* Build_Info_Window() {
  const InfoContent content = Info_Content();
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("Info"));
  window->setWindowTitle(Text(content.caption));
  QPalette white = window->palette();
  white.setColor(QPalette::Window, Qt::white);
  window->setPalette(white);
  window->setAutoFillBackground(true);

  const TwipScale scale(*window);
  window->resize(scale.X(kInfoClientWidth), scale.Y(kInfoClientHeight));

  QLabel* title = Add_Label(*window, scale, Place(InfoControl::Label1), content.title);
  QFont title_font(
      QString::fromUtf8(kInfoTitleFont.data(), static_cast<qsizetype>(kInfoTitleFont.size())));
  title_font.setPointSizeF(kInfoTitlePointSize);
  title->setFont(title_font);

  Add_Label(*window, scale, Place(InfoControl::Label3), content.description);

  QLabel* call_sign = Add_Label(*window, scale, Place(InfoControl::Label8), content.call_sign);
  QFont bold = call_sign->font();
  bold.setBold(true);
  call_sign->setFont(bold);

  auto* frame = new QGroupBox(window);
  frame->setObjectName(QStringLiteral("Frame1"));
  frame->setGeometry(scale.Rect(Place(InfoControl::Frame1).place));
  QLabel* version = Add_Label(*frame, scale, Place(InfoControl::Label2), {});
  version->setAlignment(Qt::AlignCenter);

  // The address captions may run wider than their design places in a substitute font; the
  // addresses beside them are left out, so they take the room they need.
  for (const auto& [control, text] : {std::pair{InfoControl::Label6, &content.homepage},
                                      std::pair{InfoControl::Label7, &content.mail}}) {
    QLabel* caption = Add_Label(*window, scale, Place(control), *text);
    caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
  }

  const InfoPlacement& image_place = Place(InfoControl::Image2);
  QLabel* image = Add_Label(*window, scale, image_place, {});
  image->setPixmap(Satellite_Picture(scale.Size(image_place.place)));

  QLabel* disclaimer = Add_Label(*window, scale, Place(InfoControl::Label11), {});
  disclaimer->setWordWrap(true);
  disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // In a substitute font the title may run wider than its place; it stays in front of the
  // picture, whose top-left corner is blank. The version frame overlaps the picture's edge and
  // must stay readable in front of it too.
  title->raise();
  frame->raise();
  // The content is laid out for one size: a larger window would only leave it in a corner.
  window->setFixedSize(window->size());

  Info_Form_Load(*window, content);
  return window;
}

}  // namespace

void MnuInfo_Click(QPointer<QWidget>& info_window, QWidget* owner) {
  if (!info_window) {
    info_window = Build_Info_Window();
    if (owner != nullptr) {
      const QRect area = owner->window()->frameGeometry();
      QRect placed(QPoint(0, 0), info_window->size());
      placed.moveCenter(area.center());
      info_window->move(placed.topLeft());
    }
  }
  const bool was_open = info_window->isVisible();
  info_window->show();
  if (was_open) {
    info_window->raise();
    info_window->activateWindow();
  }
}

}  // namespace orvelt
