#include "qt/chart_widget.hpp"

namespace orvelt {

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {}

void ChartWidget::Render(const ChartModel&) {}

}  // namespace orvelt
