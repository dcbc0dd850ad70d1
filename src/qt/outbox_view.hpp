#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QShowEvent;
class QPushButton;
class QTableWidget;

namespace orvelt {

class Outbox;

// The outbox at a glance: per server how many frames were sent, wait and were rejected, the
// rejected frames with the server's answer, and "retry rejected" and "discard" to act on them.
// Frames left for servers no longer in the settings are named, with "discard" for them.
class OutboxView : public QWidget {
  Q_OBJECT

 public:
  // `servers`: where frames are sent now; frames for any other server would wait forever.
  OutboxView(Outbox& outbox, std::vector<std::string> servers, QWidget* parent = nullptr);

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
  void Discard_Removed();
  void Show_Error(const std::string& error);

  Outbox& outbox_;
  std::vector<std::string> servers_;
  QTableWidget* counts_;
  QTableWidget* rejected_;
  QPushButton* retry_;
  QPushButton* discard_;
  QLabel* removed_;  // the frames of removed servers, when there are any
  QPushButton* discard_removed_;
  QLabel* message_;
  bool placed_ = false;
};

}  // namespace orvelt
