#pragma once

#include <QColor>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "form/chart_model.hpp"

class QCPAbstractPlottable;
class QCPAxisTickerText;
class QCPBarsGroup;
class QCPRange;
class QCustomPlot;
class QMouseEvent;

namespace orvelt {

// Draws a ChartModel (the history chart inside Frame5): rows evenly spaced along the category
// axis at positions 1..rows, one plottable per series, bars or lines as the model's chart type
// says. The user may zoom (mouse wheel) and pan (drag) along the category axis, see every row
// again with a double-click, and read a point's sample, time and value by hovering it; none of
// this touches the model.
class ChartWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ChartWidget(QWidget* parent = nullptr);

  // Shows the model. The series are rebuilt only when its data revision changed; a change of
  // chart type alone rebuilds the plottables from the data already held.
  void Render(const ChartModel& model);

  // The category axis back to every row, as a double-click does.
  void Show_All();

  // What hovering `pos` (pixels of Plot()) shows: series, sample number, time label and
  // value; empty where there is no point.
  QString Hover_Text(const QPointF& pos) const;

  QCustomPlot* Plot() const { return plot_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  struct Series {
    QString legend;
    QColor colour;
    QVector<double> values;
  };

  // The model shows the series on show now (a chart that may only have grown).
  bool Same_Series(const ChartModel& model) const;
  void Take_Data(const ChartModel& model);
  void Build_Plottables();
  void Rescale_Values();
  // Places ticks and labels for the rows in view; true when that changed them.
  bool Update_Ticks();
  void Keep_Range_Inside(const QCPRange& range);
  void On_Mouse_Move(QMouseEvent* event);
  void Apply_Font();
  QString Label(int row) const;

  QCustomPlot* plot_ = nullptr;
  QCPBarsGroup* bars_group_ = nullptr;
  QSharedPointer<QCPAxisTickerText> ticker_;
  std::vector<QCPAbstractPlottable*> plottables_;  // one per series, in series order

  // What is on show, copied from the model when its data last changed.
  bool rendered_ = false;
  std::uint64_t revision_ = 0;
  bool bars_ = false;
  int rows_ = 0;
  QVector<double> keys_;  // 1..rows
  std::vector<Series> series_;
  std::vector<std::string> labels_;  // UTF-8, converted only where shown
  bool legend_shown_ = false;
  bool category_auto_ = true;
  int rows_per_tick_ = 1;
  int rows_per_label_ = 1;

  // Tick layout last applied, so that a layout pass changes it only when it must.
  bool ticks_stale_ = true;
  int applied_tick_step_ = 0;
  int applied_label_step_ = 0;
  bool labels_upright_ = false;
};

}  // namespace orvelt
