#pragma once

#include <QWidget>

class QLabel;
class QShowEvent;
class QPushButton;
class QTableWidget;

namespace orvelt {

class Outbox;

// The outbox at a glance: per server how many frames were sent, wait and were rejected, the
// rejected frames with the server's answer, and "retry rejected" and "discard" to act on them.
class OutboxView : public QWidget {
  Q_OBJECT

 public:
  explicit OutboxView(Outbox& outbox, QWidget* parent = nullptr);

 public slots:
  // Reads the outbox again.
  void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 signals:
  // The view changed the outbox: whoever sends from it should look again.
  void outboxChanged();

 private:
  void Retry_Rejected();
  void Discard_Selected();
  void Show_Error(const std::string& error);

  Outbox& outbox_;
  QTableWidget* counts_;
  QTableWidget* rejected_;
  QPushButton* retry_;
  QPushButton* discard_;
  QLabel* message_;
  bool placed_ = false;
};

}  // namespace orvelt
