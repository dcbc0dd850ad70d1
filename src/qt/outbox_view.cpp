#include "qt/outbox_view.hpp"

#include "forward/outbox.hpp"
#include "forward/sids_request.hpp"
#include "qt/window_fit.hpp"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

namespace orvelt {
namespace {

QTableWidget* Table(const QString& name, const QStringList& headers, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setObjectName(name);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void Set_Row(QTableWidget* table, int row, const QStringList& texts) {
  for (int column = 0; column < texts.size(); ++column) {
    table->setItem(row, column, new QTableWidgetItem(texts[column]));
  }
}

}  // namespace

OutboxView::OutboxView(Outbox& outbox, std::vector<std::string> servers, QWidget* parent)
    : QWidget(parent), outbox_(outbox), servers_(std::move(servers)) {
  setWindowTitle(tr("Outbox"));
  counts_ = Table("counts", {tr("Server"), tr("Sent"), tr("Waiting"), tr("Rejected")}, this);
  rejected_ = Table("rejected", {tr("Server"), tr("Received"), tr("Answer")}, this);
  retry_ = new QPushButton(QStringLiteral("retry rejected"), this);
  retry_->setObjectName("retryRejected");
  discard_ = new QPushButton(QStringLiteral("discard"), this);
  discard_->setObjectName("discard");
  removed_ = new QLabel(this);
  removed_->setObjectName("removedServers");
  removed_->setWordWrap(true);
  discard_removed_ = new QPushButton(QStringLiteral("discard"), this);
  discard_removed_->setObjectName("discardRemoved");
  connect(discard_removed_, &QPushButton::clicked, this, &OutboxView::Discard_Removed);
  message_ = new QLabel(this);
  message_->setObjectName("message");
  message_->setWordWrap(true);
  connect(retry_, &QPushButton::clicked, this, &OutboxView::Retry_Rejected);
  connect(discard_, &QPushButton::clicked, this, &OutboxView::Discard_Selected);
  connect(rejected_, &QTableWidget::itemSelectionChanged, this,
          [this] { discard_->setEnabled(!rejected_->selectedItems().isEmpty()); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(retry_);
  buttons->addWidget(discard_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(counts_);
  auto* removed = new QHBoxLayout;
  removed->addWidget(removed_, 1);
  removed->addWidget(discard_removed_);
  layout->addLayout(removed);
  layout->addWidget(new QLabel(tr("Rejected frames"), this));
  layout->addWidget(rejected_);
  layout->addLayout(buttons);
  layout->addWidget(message_);
  Refresh();
}

void OutboxView::Refresh() {
  message_->clear();
  const auto counts = outbox_.Counts();
  const auto rejected = outbox_.Rejected_Frames();
  if (!counts.ok()) return Show_Error(counts.why());
  if (!rejected.ok()) return Show_Error(rejected.why());
  counts_->setRowCount(static_cast<int>(counts.value().size()));
  int row = 0;
  for (const ServerCounts& server : counts.value()) {
    Set_Row(counts_, row++,
            {QString::fromStdString(server.server), QString::number(server.sent),
             QString::number(server.waiting), QString::number(server.rejected)});
  }
  rejected_->setRowCount(static_cast<int>(rejected.value().size()));
  row = 0;
  for (const RejectedFrame& frame : rejected.value()) {
    Set_Row(rejected_, row,
            {QString::fromStdString(frame.server),
             QString::fromStdString(Sids_Timestamp(frame.received_ms)),
             QString::fromStdString(frame.answer)});
    rejected_->item(row, 0)->setData(Qt::UserRole, QVariant::fromValue<qint64>(frame.frame_id));
    ++row;
  }
  retry_->setEnabled(!rejected.value().empty());
  discard_->setEnabled(!rejected_->selectedItems().isEmpty());
  const std::string removed =
      Removed_Servers_Text(Frames_For_Removed_Servers(counts.value(), servers_));
  removed_->setText(QString::fromStdString(removed));
  removed_->setVisible(!removed.empty());
  discard_removed_->setVisible(!removed.empty());
}

void OutboxView::Discard_Removed() {
  const auto counts = outbox_.Counts();
  if (!counts.ok()) return Show_Error(counts.why());
  for (const ServerCounts& server : Frames_For_Removed_Servers(counts.value(), servers_)) {
    const auto discarded = outbox_.Discard_Server(server.server);
    if (!discarded.ok()) {
      Refresh();
      return Show_Error(discarded.why());
    }
  }
  Refresh();
  emit outboxChanged();
}

void OutboxView::showEvent(QShowEvent* event) {
  // Opened as a window, it shows every column whole: servers and answers are long.
  if (isWindow() && !placed_) {
    placed_ = true;
    int content = 0;
    for (QTableWidget* table : {counts_, rejected_}) {
      table->resizeColumnsToContents();
      content = std::max(content, Table_Content_Width(*table));
    }
    const QMargins margins = layout()->contentsMargins();
    Place_Whole_On_Screen(
        *this, QSize(std::max(sizeHint().width(), content + margins.left() + margins.right()),
                     sizeHint().height()));
  }
  QWidget::showEvent(event);
}

void OutboxView::Retry_Rejected() {
  const auto retried = outbox_.Retry_Rejected();
  Refresh();
  if (!retried.ok()) return Show_Error(retried.why());
  emit outboxChanged();
}

void OutboxView::Discard_Selected() {
  std::set<std::pair<qint64, std::string>> chosen;
  for (const QTableWidgetItem* item : rejected_->selectedItems()) {
    const QTableWidgetItem* first = rejected_->item(item->row(), 0);
    chosen.insert({first->data(Qt::UserRole).toLongLong(), first->text().toStdString()});
  }
  std::optional<std::string> error;
  for (const auto& [frame_id, server] : chosen) {
    const auto discarded = outbox_.Discard(frame_id, server);
    if (!discarded.ok()) {
      error = discarded.why();
      break;
    }
  }
  Refresh();
  if (error) return Show_Error(*error);
  emit outboxChanged();
}

void OutboxView::Show_Error(const std::string& error) {
  message_->setText(QString::fromStdString(error));
}

}  // namespace orvelt
