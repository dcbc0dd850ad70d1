#pragma once

#include <QWidget>

#include "charts/chart_model.hpp"

namespace orvelt {

// Draws a ChartModel (the history chart inside Frame5).
class ChartWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ChartWidget(QWidget* parent = nullptr);
  void Render(const ChartModel& model);
};

}  // namespace orvelt
